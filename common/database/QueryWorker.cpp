#include "QueryWorker.h"

#include "ResultCache.h"
#include "RowEncoding.h"
#include "engine/EngineErrors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace Qt::Literals::StringLiterals;
using levy::engine::RaiseEngine;
using levy::queryworker::FrameReader;
using levy::queryworker::FrameWriter;
using levy::queryworker::Kind;

namespace levy {
namespace {
constexpr int killAfterMs = 1000;
constexpr int workerSocket = 3;

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

[[noreturn]] void RaiseStopped() { RaiseEngine(engine::errInvalidOperation, u"The operation was stopped."_s); }

QString WhyItEnded(int status)
{
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const QString name = QString::fromLocal8Bit(::strsignal(signal));
        if (signal == SIGKILL)
            return u"the engine was ended by the system (signal %1, %2), perhaps for want of memory"_s.arg(signal).arg(name);
        return u"the engine failed (signal %1, %2)"_s.arg(signal).arg(name);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        return u"the engine ran out of the memory it may use"_s;
    if (WIFEXITED(status))
        return u"the engine ended unexpectedly (exit code %1)"_s.arg(WEXITSTATUS(status));
    return u"the engine ended unexpectedly"_s;
}

// A statement's rows as the worker sends them, a batch at a time.
class WorkerRows : public QueryRows {
public:
    WorkerRows(std::shared_ptr<QueryWorker> worker, const jet::UserStatement& statement)
        : worker_(std::move(worker)), sql_(statement.sql), parameters_(statement.parameters)
    {
        columns_ = worker_->Prepare(sql_, parameters_, this, run_);
    }
    const QueryColumns& Columns() const override { return columns_; }
    bool Step() override
    {
        if (next_ >= batch_.starts.size()) {
            if (batch_.ended)
                return false;
            Fetch();
            if (batch_.starts.isEmpty())
                return false;
        }
        const qsizetype start = batch_.starts[next_];
        const qsizetype end = next_ + 1 < batch_.starts.size() ? batch_.starts[next_ + 1] : batch_.end;
        current_ = QByteArrayView(batch_.bytes.constData() + start, end - start);
        ++next_;
        ++delivered_;
        return true;
    }
    void Reset() override
    {
        batch_ = {};
        next_ = 0;
        delivered_ = 0;
        restart_ = true;
    }
    bool Ready() const override { return next_ < batch_.starts.size() || batch_.ended; }
    void Prefetch() override
    {
        if (!Ready())
            Fetch();
        // A batch that brought no row and did not end: Step asks again.
    }
    void AppendCurrentRow(ResultCache& cache) override { cache.AppendEncodedRow(current_); }
    QList<Value> CurrentStored() override
    {
        const char* p = current_.data();
        return DecodeRow(p);
    }

private:
    void Fetch()
    {
        bool restart = restart_;
        int64_t skip = 0;
        // Another statement has run on the worker since (or a new worker serves): this one
        // is prepared again and its rows taken up where they were left.
        if (!worker_->Serves(this)) {
            columns_ = worker_->Prepare(sql_, parameters_, this, run_);
            restart = false;
            skip = delivered_;
        }
        // A first page comes back at once; a long result in fewer, larger batches.
        const int32_t most = most_;
        most_ = std::min(most_ * 2, 4096);
        try {
            batch_ = worker_->Read(restart, skip, most, int(columns_.fields.size()), delivered_, most_);
        } catch (...) {
            Reset();
            throw;
        }
        next_ = 0;
        restart_ = false;
    }

    std::shared_ptr<QueryWorker> worker_;
    QString sql_;
    QList<jet::BoundParameter> parameters_;
    QueryColumns columns_;
    // The clock and the random numbers' start of the first run: read again, the same.
    jet::StatementRun run_;
    QueryWorker::Rows batch_;
    qsizetype next_ = 0;
    int64_t delivered_ = 0;
    bool restart_ = false;
    int32_t most_ = 128;
    QByteArrayView current_;
};

class WorkerSource : public QuerySource {
public:
    explicit WorkerSource(std::shared_ptr<QueryWorker> worker) : worker_(std::move(worker)) {}
    void Compile(const jet::UserStatement& statement) override { worker_->Check(statement.sql); }
    std::unique_ptr<QueryRows> Open(const jet::UserStatement& statement) override
    {
        return std::make_unique<WorkerRows>(worker_, statement);
    }
    void Interrupt() override { worker_->Interrupt(); }
    bool IsOpen() const override { return true; }
    // The worker reads a private copy, or a file in write-ahead mode, whose readers never
    // keep a writer waiting.
    bool HoldsUpWriters() const override { return false; }

private:
    std::shared_ptr<QueryWorker> worker_;
};
} // namespace

QString QueryWorker::ProgramPath()
{
    const QString beside = QCoreApplication::applicationDirPath() + u"/levy-query-worker"_s;
    if (QFileInfo(beside).isExecutable())
        return beside;
#ifndef LEVY_PACKAGE_BUILD
    // Where programs run from a build tree (the tests, the benchmarks), the worker may be
    // named: by its absolute path, a program file of this user's or the system's that not
    // everyone may change. An installed Delver only ever runs the worker installed beside it.
    const QString named = qEnvironmentVariable("LEVY_QUERY_WORKER");
    struct stat info {};
    if (QDir::isAbsolutePath(named) && ::stat(QFile::encodeName(named).constData(), &info) == 0 &&
        S_ISREG(info.st_mode) && (info.st_uid == 0 || info.st_uid == ::geteuid()) && (info.st_mode & S_IWOTH) == 0)
        return named;
#endif
    return beside;
}

std::shared_ptr<QueryWorker> QueryWorker::Start(const QString& path, const QByteArray& key, bool removeWhenOpen,
                                                int lockDescriptor)
{
    std::shared_ptr<QueryWorker> worker(new QueryWorker());
    if (removeWhenOpen) {
        worker->copyPath_ = path;
        worker->copyLock_ = lockDescriptor;
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        RaiseEngine(engine::errCantCreate, u"The query engine could not be started: %1."_s.arg(
                                               QString::fromLocal8Bit(std::strerror(errno))));
    const QString program = ProgramPath();
    const QByteArray programName = QFile::encodeName(program);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], workerSocket);
    // Nothing else of Delver's (the levy file's descriptors, the history) reaches the worker.
    posix_spawn_file_actions_addclosefrom_np(&actions, workerSocket + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGUSR1);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    // The worker is told who started it, to end as soon as that process ends.
    QByteArray parent = QByteArray::number(::getpid());
    char* argv[] = {const_cast<char*>(programName.constData()), parent.data(), nullptr};
    const int failed = ::posix_spawn(&worker->pid_, programName.constData(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pair[1]);
    worker->socket_ = pair[0];
    if (failed != 0) {
        worker->pid_ = -1;
        worker->alive_ = false;
        RaiseEngine(engine::errCantCreate,
                    u"The query engine \"%1\" could not be started: %2."_s.arg(QDir::toNativeSeparators(program),
                                                                           QString::fromLocal8Bit(std::strerror(failed))));
    }
    // The answer is read with the first request: the worker opens the file meanwhile.
    FrameWriter open(Kind::Open);
    // A private copy's name is removed by the worker as soon as it has the copy open.
    open.Text(path).Bytes(key).Byte(removeWhenOpen ? 1 : 0);
    if (!queryworker::WriteAll(worker->socket_, open.Finished()))
        worker->alive_ = false;
    worker->openPending_ = true;
    return worker;
}

QueryWorker::~QueryWorker()
{
    Kill();
    if (socket_ >= 0)
        ::close(socket_);
    ForgetCopy();
}

void QueryWorker::DropReadAhead() noexcept
{
    std::lock_guard lock(exchange_);
    if (aheadMost_ == 0 || !alive_)
        return;
    // The reader whose rows these were takes them up again where it left them.
    aheadMost_ = 0;
    reader_ = nullptr;
    try {
        Interrupt();
        Answer();
    } catch (const RuntimeError&) {
        // A worker that did not stop has been ended: its successor serves what comes next.
    }
    interruptedAt_ = 0;
    killed_ = false;
}

void QueryWorker::Stop() noexcept
{
    killed_ = true;
    Kill();
    ForgetCopy();
}

std::shared_ptr<QuerySource> QueryWorker::Source() { return std::make_shared<WorkerSource>(shared_from_this()); }

void QueryWorker::ForgetCopy() noexcept
{
    if (!copyPath_.isEmpty())
        ::unlink(QFile::encodeName(copyPath_).constData());
    copyPath_.clear();
    if (copyLock_ >= 0)
        ::close(copyLock_);
    copyLock_ = -1;
}

void QueryWorker::Kill() noexcept
{
    std::lock_guard lock(signalling_);
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    alive_ = false;
}

void QueryWorker::Interrupt()
{
    std::lock_guard lock(signalling_);
    if (pid_ <= 0 || !alive_)
        return;
    int64_t none = 0;
    interruptedAt_.compare_exchange_strong(none, NowMs());
    ::kill(pid_, SIGUSR1);
}

bool QueryWorker::WaitReadable()
{
    for (;;) {
        pollfd p{socket_, POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return true;  // the read that follows tells what is wrong
        const int64_t asked = interruptedAt_;
        if (asked != 0 && NowMs() - asked >= killAfterMs) {
            // The engine was asked to stop and has not: a long call of its own. Whatever
            // it holds is a read-only copy; it goes.
            killed_ = true;
            Kill();
            return false;
        }
    }
}

void QueryWorker::Ended(const QString& fault)
{
    alive_ = false;
    reader_ = nullptr;
    int status = 0;
    {
        std::lock_guard lock(signalling_);
        if (pid_ > 0) {
            // The socket closes as the process ends; it is reaped, or made to end.
            pid_t reaped = 0;
            for (int i = 0; i < 100 && reaped == 0; ++i) {
                reaped = ::waitpid(pid_, &status, WNOHANG);
                if (reaped == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (reaped == 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
            pid_ = -1;
        }
    }
    ForgetCopy();
    if (killed_)
        RaiseStopped();
    RaiseEngine(engine::errQueryEngineStopped, u"The query stopped the query engine: %1. Your statement is kept."_s.arg(
                                                   fault.isEmpty() ? WhyItEnded(status) : fault));
}

queryworker::Frame QueryWorker::Answer()
{
    std::optional<queryworker::Frame> frame;
    try {
        frame = queryworker::ReadFrame(socket_, [this] { return WaitReadable(); });
    } catch (const RuntimeError&) {
        Kill();
        Ended(u"the engine sent a message that could not be read"_s);
    }
    if (!frame)
        Ended();
    return *frame;
}

void QueryWorker::Send(const QByteArray& request)
{
    if (!alive_)
        Ended(u"it had been stopped before; run the statement again"_s);
    killed_ = false;
    interruptedAt_ = 0;
    if (openPending_) {
        openPending_ = false;
        const queryworker::Frame opened = Answer();
        ForgetCopy();
        if (opened.kind == Kind::Failed) {
            FrameReader reader(opened.body);
            const RuntimeError error = queryworker::ReadFailure(reader);
            Kill();
            throw error;
        }
    }
    if (aheadMost_ > 0) {
        // Rows read ahead that no one wants any more: the engine stops making them.
        aheadMost_ = 0;
        Interrupt();
        Answer();
        interruptedAt_ = 0;
    }
    if (!queryworker::WriteAll(socket_, request))
        Ended();
}

queryworker::Frame QueryWorker::Receive()
{
    queryworker::Frame answer = Answer();
    interruptedAt_ = 0;
    if (answer.kind == Kind::Failed) {
        FrameReader reader(answer.body);
        throw queryworker::ReadFailure(reader);
    }
    return answer;
}

queryworker::Frame QueryWorker::Exchange(const QByteArray& request)
{
    Send(request);
    return Receive();
}

void QueryWorker::Check(const QString& sql)
{
    std::lock_guard lock(exchange_);
    const queryworker::Frame answer = Exchange(FrameWriter(Kind::Check).Text(sql).Finished());
    if (answer.kind != Kind::Done) {
        Kill();
        Ended(u"the engine sent a message that could not be read"_s);
    }
}

QueryColumns QueryWorker::Prepare(const QString& sql, const QList<jet::BoundParameter>& parameters, const void* reader,
                                  jet::StatementRun& run)
{
    std::lock_guard lock(exchange_);
    reader_ = nullptr;
    FrameWriter request(Kind::Prepare);
    request.Text(sql).Int64(run.clockMs).Int64(run.seed);
    if (!parameters.isEmpty())
        queryworker::WriteParameters(request, parameters);
    const queryworker::Frame answer = Exchange(request.Finished());
    QueryColumns columns;
    try {
        if (answer.kind != Kind::Columns)
            queryworker::RaiseMalformed();
        FrameReader fields(answer.body);
        columns.fields = queryworker::ReadColumns(fields, columns.known);
        run.clockMs = fields.Int64();
        run.seed = fields.Int64();
        fields.End();
    } catch (const RuntimeError&) {
        Kill();
        Ended(u"the engine sent a message that could not be read"_s);
    }
    reader_ = reader;
    return columns;
}

QueryWorker::Rows QueryWorker::Read(bool restart, int64_t skip, int32_t most, int columns, int64_t delivered,
                                    int32_t nextMost)
{
    auto request = [](bool again, int64_t past, int32_t rows) {
        return FrameWriter(Kind::Read).Byte(again).Int64(past).Int32(rows).Finished();
    };
    std::lock_guard lock(exchange_);
    queryworker::Frame answer;
    if (aheadMost_ == most && !restart && skip == 0) {
        aheadMost_ = 0;
        try {
            answer = Receive();
        } catch (const RuntimeError& error) {
            // Read ahead while no one waited, the rows may have been stopped by a Cancel of
            // the reading that came before: asked for now, they are read again.
            if (error.number == engine::errQueryEngineStopped)
                throw;
            answer = Exchange(request(true, delivered, most));
        }
    } else {
        answer = Exchange(request(restart, skip, most));
    }
    Rows rows;
    try {
        if (answer.kind != Kind::Rows)
            queryworker::RaiseMalformed();
        // Every row is checked before any is kept: the worker's bytes are not trusted.
        rows = queryworker::ReadRows(answer.body, columns, most);
    } catch (const RuntimeError&) {
        Kill();
        Ended(u"the engine sent a message that could not be read"_s);
    }
    // The worker makes the next rows while these are kept: the two work side by side.
    if (!rows.ended && nextMost > 0) {
        if (!queryworker::WriteAll(socket_, request(false, 0, nextMost)))
            Ended();
        aheadMost_ = nextMost;
    }
    return rows;
}

} // namespace levy
