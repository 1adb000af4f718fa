// Times the private copy a clerk's statements run on: taken again after another program
// wrote to the file, and the query connection handed out when the file is unchanged.
//   snapshot_bench DATABASE [RUNS]   (a levy database, such as make_bench_database's)
#include "BenchSupport.h"

#include "database/DBEngine.h"
#include "levy/DatabaseAccess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

int main(int argc, char* argv[])
{
    return bench::RunBenchmark(argc, argv, [](const QStringList& args, const QString& settings) {
        if (args.size() < 2)
            bench::Fail(u"usage: snapshot_bench DATABASE [RUNS]"_s);
        const QString database = args[1];
        const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 9;
        bench::StartDelverSession(database, settings);
        // Another program's writer: each commit makes the copy out of date.
        auto other = DBEngine::Instance().Workspaces(0).OpenDatabase(database, false, false, levyPasswordConnect);
        QList<double> refresh, unchanged;
        levyDatabase->QueryConnection();
        for (int i = 0; i < runs; ++i) {
            other->MainConnection()->Execute(u"PRAGMA user_version = %1"_s.arg(i + 1));
            QElapsedTimer t;
            t.start();
            levyDatabase->QueryConnection();
            refresh.append(bench::Ms(t));
            t.start();
            levyDatabase->QueryConnection();
            unchanged.append(bench::Ms(t));
        }
        other->Close();
        std::printf("database: %s (%.1f MB)\n", qPrintable(database), QFileInfo(database).size() / 1e6);
        std::printf("copy taken again after another program's commit: median %.1f ms, worst %.1f ms\n",
                    bench::Median(refresh), *std::max_element(refresh.begin(), refresh.end()));
        std::printf("query connection when the file is unchanged: median %.3f ms\n", bench::Median(unchanged));
        std::printf("figure snapshot-refresh %.4f\n", bench::Median(refresh) / 1000);
        bench::EndDelverSession();
    });
}
