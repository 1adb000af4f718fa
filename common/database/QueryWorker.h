#pragma once

#include "QueryRows.h"
#include "QueryWorkerProtocol.h"
#include "jet/functions/shared/StatementRun.h"

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <sys/types.h>

namespace levy {

// Delver's side of the query worker: a process of its own (levy-query-worker, installed
// beside Delver) that opens the levy database read-only and prepares, checks and runs the
// clerk's statements, so that whatever the engine does with a statement (a crash, an
// endless loop, all the memory it may have) ends the worker, never Delver. One request at
// a time; Interrupt from any thread. The worker is killed when this is destroyed.
class QueryWorker : public std::enable_shared_from_this<QueryWorker> {
public:
    // Starts the worker and has it open `path` read-only with `key`. When `removeWhenOpen`
    // is set, the file's name is removed (and `lockDescriptor` closed) once the worker has
    // it open, or given up: the private copy leaves nothing behind.
    static std::shared_ptr<QueryWorker> Start(const QString& path, const QByteArray& key, bool removeWhenOpen = false,
                                              int lockDescriptor = -1);
    ~QueryWorker();
    QueryWorker(const QueryWorker&) = delete;
    QueryWorker& operator=(const QueryWorker&) = delete;

    pid_t ProcessId() const { return pid_; }
    // False once the worker has ended (it died, or was stopped): a new one is needed.
    bool Alive() const { return alive_; }
    // Where statements of this worker run.
    std::shared_ptr<QuerySource> Source();

    void Check(const QString& sql);
    // Prepares a statement for `reader`; its rows are read with Read. `run` is the run's
    // clock and random numbers' start: none yet for a new statement, set from the answer;
    // a statement prepared again asks for those of its first run.
    QueryColumns Prepare(const QString& sql, const QList<jet::BoundParameter>& parameters, const void* reader,
                         jet::StatementRun& run);
    // The reader's statement is the one the worker has prepared.
    bool Serves(const void* reader) const { return reader_ == reader; }
    using Rows = queryworker::RowBatch;
    // The next rows of the prepared statement: from the first when `restart` is set, after
    // passing over `skip`; at most `most`. Unless the result ends there, the worker goes on
    // to make the `nextMost` rows after them meanwhile (the next Read's, when it asks for
    // those); `delivered` is how many rows the reader has had since the first.
    Rows Read(bool restart, int64_t skip, int32_t most, int columns, int64_t delivered, int32_t nextMost);
    // Asks the engine to stop; a worker that has not stopped within a second is killed.
    void Interrupt();
    // Stops the rows being made ahead for a reader, before another statement comes: a
    // worker that does not stop is ended, never failing what comes next as stopped.
    void DropReadAhead() noexcept;
    // Ends the worker at once, with its copy; what it was reading fails as stopped.
    void Stop() noexcept;

    // The worker program: beside the running program; in a build tree, where
    // LEVY_QUERY_WORKER names.
    static QString ProgramPath();

private:
    QueryWorker() = default;
    queryworker::Frame Exchange(const QByteArray& request);
    // Sends a request, once what is owed from earlier ones has been read.
    void Send(const QByteArray& request);
    // The answer to the request sent; raises the worker's failure.
    queryworker::Frame Receive();
    queryworker::Frame Answer();
    // Waits until the socket can be read, killing the worker once it has had a second to
    // heed an interruption.
    bool WaitReadable();
    // Reaps the worker and raises why it ended.
    [[noreturn]] void Ended(const QString& fault = {});
    void Kill() noexcept;
    void ForgetCopy() noexcept;

    pid_t pid_ = -1;
    int socket_ = -1;
    bool openPending_ = false;
    QString copyPath_;
    int copyLock_ = -1;
    std::atomic<bool> alive_{true};
    std::atomic<int64_t> interruptedAt_{0};  // ms since the epoch; 0 while none is asked
    std::atomic<bool> killed_{false};
    const void* reader_ = nullptr;
    int32_t aheadMost_ = 0;  // the rows asked for ahead, not yet read; 0 when none
    std::mutex exchange_;
    std::mutex signalling_;  // the process id is not reused while a signal is sent
};

} // namespace levy
