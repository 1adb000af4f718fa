#pragma once

#include <QElapsedTimer>
#include <QString>

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

class QObject;

namespace levy {

class QueryRecordset;

// The count of a result's records after page 1: the rest of the result read to its end
// on a thread of its own while the user pages.
class ResultCount {
public:
    ResultCount() = default;
    ResultCount(const ResultCount&) = delete;
    ResultCount& operator=(const ResultCount&) = delete;
    ~ResultCount() { StopNow(); }

    // Starts reading the rest of `records`; `ended` runs on the thread of `context` once
    // the read ends, by itself or stopped.
    void Start(QueryRecordset& records, QObject* context, const std::function<void()>& ended);
    // True from Start until Finish or StopNow.
    bool Started() const { return thread_.joinable(); }
    qint64 ElapsedMs() const { return started_.elapsed(); }

    // Asks the read to stop. The engine only stops a statement that is running: Nudge asks
    // it again, until the read ends.
    void Stop();
    void Nudge();

    // Once the read has ended: why it failed, empty when it did not, or when it was stopped.
    QString Finish();
    // Stops the read and waits for its end.
    void StopNow();

private:
    QueryRecordset* records_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> reading_{false};
    std::exception_ptr failure_;
    QElapsedTimer started_;
};

} // namespace levy
