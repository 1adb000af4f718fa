#include "OffThreadWork.h"

#include "levy/DatabaseAccess.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace levy {

namespace {
constexpr int stopIntervalMs = 50;
} // namespace

void WaitOffTheWindowsThread(const std::function<void()>& work, const std::function<bool()>& stopRequested,
                             int revealAfterMs, const std::function<void()>& reveal)
{
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    QTimer revealer;
    revealer.setSingleShot(true);
    if (reveal) {
        QObject::connect(&revealer, &QTimer::timeout, &loop, reveal);
        revealer.start(revealAfterMs);
    }
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, &loop, [&] {
        if (stopRequested() && levyDatabase)
            levyDatabase->InterruptQueries();
    });
    stopper.start(stopIntervalMs);
    if (!finished)
        loop.exec();
    worker.join();
    stopper.stop();
    revealer.stop();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace levy
