#include "ResultCount.h"

#include "database/QueryRecordset.h"
#include "platform/RuntimeError.h"

#include <QObject>

#include <chrono>

namespace levy {

void ResultCount::Start(QueryRecordset& records, QObject* context, const std::function<void()>& ended)
{
    records_ = &records;
    stop_ = false;
    failure_ = nullptr;
    started_.start();
    reading_ = true;
    thread_ = std::thread([this, context, ended] {
        try {
            records_->ReadRest(stop_);
        } catch (...) {
            failure_ = std::current_exception();
        }
        reading_ = false;
        QMetaObject::invokeMethod(context, ended, Qt::QueuedConnection);
    });
}

void ResultCount::Stop()
{
    stop_ = true;
    Nudge();
}

void ResultCount::Nudge()
{
    if (stop_ && records_)
        records_->Interrupt();
}

QString ResultCount::Finish()
{
    if (thread_.joinable())
        thread_.join();
    QString failure;
    if (failure_) {
        try {
            std::rethrow_exception(failure_);
        } catch (const RuntimeError& error) {
            failure = error.description;
        } catch (const std::exception& error) {
            failure = QString::fromLocal8Bit(error.what());
        }
        failure_ = nullptr;
        // A read the user stopped fails with the engine's interruption: no failure.
        if (stop_)
            failure.clear();
    }
    return failure;
}

void ResultCount::StopNow()
{
    if (!thread_.joinable())
        return;
    Stop();
    // A stop that came while the engine was between two batches reached nothing: it is
    // asked again until the read has ended.
    for (int waited = 0; reading_; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (waited % 100 == 90)
            Nudge();
    }
    thread_.join();
}

} // namespace levy
