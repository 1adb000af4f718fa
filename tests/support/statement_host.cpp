// Reads one clerk's statement as Delver does (in a query worker, on a private copy of the
// database) and prints "worker PID" once its worker runs, for the tests that then end this
// process as a crash or a log-out would.
//
//   statement_host DATABASE STATEMENT
#include "database/DBEngine.h"
#include "database/Database.h"
#include "database/QueryWorker.h"
#include "levy/DatabaseAccess.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <thread>

using namespace levy;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    auto database = DBEngine::Instance().Workspaces(0).OpenDatabase(QString::fromLocal8Bit(argv[1]), false, false,
                                                                     levyPasswordConnect);
    database->UseQuerySnapshots(true);
    database->UseQueryWorker(true);
    std::thread reading([&] { database->OpenRecordset(QString::fromLocal8Bit(argv[2]))->MoveLast(); });
    // The worker that reads it, once it has started.
    std::shared_ptr<QueryWorker> worker;
    while (!(worker = database->CurrentQueryWorker()))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::printf("worker %d\n", int(worker->ProcessId()));
    std::fflush(stdout);
    reading.join();
    return 0;
}
