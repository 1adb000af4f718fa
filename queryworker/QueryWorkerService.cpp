#include "QueryWorkerService.h"

#include "database/RowEncoding.h"
#include "engine/EngineErrors.h"
#include "engine/Sqlite.h"
#include "engine/SqliteHandle.h"
#include "jet/JetErrorMessages.h"
#include "jet/JetQuery.h"
#include "jet/gate/ReadOnlyAuthorizer.h"
#include "jet/functions/shared/StatementRun.h"
#include "jet/syntax/UserStatement.h"

#include <QFile>

#include <atomic>
#include <cstring>
#include <csignal>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy::queryworker {
namespace {
constexpr qsizetype batchBytes = 4 * 1024 * 1024;

std::atomic<sqlite3*> interruptible{nullptr};
// Set while a request is answered: a stop that comes between two requests is not kept
// for the next one.
std::atomic<bool> answering{false};

void StopTheEngine(int)
{
    // Only sets the connection's interruption flag: safe within a signal handler.
    sqlite3* db = interruptible.load();
    if (db && answering.load())
        sqlite3_interrupt(db);
}

struct Answering {
    Answering() { answering = true; }
    ~Answering() { answering = false; }
};

QByteArray Done() { return FrameWriter(Kind::Done).Finished(); }
} // namespace

void InterruptOnSignal(const std::shared_ptr<engine::Connection>& connection)
{
    interruptible = connection ? connection->Handle() : nullptr;
    struct sigaction action {};
    action.sa_handler = StopTheEngine;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a blocked write gives up too
    ::sigaction(SIGUSR1, &action, nullptr);
}

QueryWorkerService::QueryWorkerService() = default;

QueryWorkerService::~QueryWorkerService()
{
    interruptible = nullptr;
    statement_.reset();
}

QByteArray QueryWorkerService::Answer(const Frame& request)
{
    FrameReader reader(request.body);
    Answering busy;
    try {
        switch (request.kind) {
        case Kind::Open: return Open(reader);
        case Kind::Check: return Check(reader);
        case Kind::Prepare: return Prepare(reader);
        case Kind::Read: return Read(reader);
        default: RaiseMalformed();
        }
    } catch (const RuntimeError& error) {
        return FailureFrame(error);
    }
}

QByteArray QueryWorkerService::Open(FrameReader& request)
{
    const QString path = request.Text();
    const QByteArray key = request.Bytes().toByteArray();
    const bool privateCopy = !request.AtEnd() && request.Byte() != 0;
    request.End();
    statement_.reset();
    interruptible = nullptr;
    // A private copy's name goes as soon as the copy is open (or cannot be): open, it
    // stays readable for as long as the worker lives, and nothing of it outlives the worker.
    struct ForgetName {
        QByteArray name;
        ~ForgetName()
        {
            if (!name.isEmpty())
                ::unlink(name.constData());
        }
    } forget{privateCopy ? QFile::encodeName(path) : QByteArray()};
    connection_ = engine::Connection::Open(path, true, false, key);
    ArmQueryConnection(connection_);
    engine::Statement check(connection_, u"SELECT count(*) FROM sqlite_master"_s);
    check.Step();
    InterruptOnSignal(connection_);
    return Done();
}

jet::UserStatement QueryWorkerService::NextStatement(FrameReader& request, jet::StatementRun* run)
{
    const QString sql = request.Text();
    if (run) {
        run->clockMs = request.Int64();
        run->seed = request.Int64();
    }
    QList<jet::BoundParameter> parameters;
    if (!request.AtEnd())
        parameters = ReadParameters(request);
    request.End();
    if (!connection_)
        engine::RaiseEngine(engine::errObjectClosed, u"The query engine has no database open."_s);
    // The statement read before is done with, whatever becomes of this one.
    statement_.reset();
    jet::EndStatementRun();
    jet::UserStatement statement = jet::ReadUserStatement(sql);
    jet::CheckSingleStatement(statement);
    statement.parameters = parameters;
    return statement;
}

QByteArray QueryWorkerService::Check(FrameReader& request)
{
    jet::CompileJetQuery(connection_, NextStatement(request));
    return Done();
}

QByteArray QueryWorkerService::Prepare(FrameReader& request)
{
    QueryColumns columns;
    jet::StatementRun run;
    sql_ = NextStatement(request, &run);
    // Read again, a statement gives what its first run gave: the same time, the same
    // random numbers.
    run = jet::BeginStatementRun(run);
    statement_ = PrepareUserStatement(connection_, sql_, columns);
    columns_ = int(columns.fields.size());
    return ColumnsFrame(columns.fields, columns.known, run.clockMs, run.seed);
}

QByteArray QueryWorkerService::Read(FrameReader& request)
{
    const bool restart = request.Byte() != 0;
    int64_t skip = request.Int64();
    const int32_t most = request.Int32();
    request.End();
    if (!statement_)
        engine::RaiseEngine(engine::errInvalidOperation, u"The query engine has no statement prepared."_s);
    // The frame's head goes in front of the rows once their count is known: the rows are
    // written where they will be sent.
    const qsizetype head = RowsFrameHead(0, false, 0).size();
    QByteArray rows(head, '\0');
    int32_t count = 0;
    bool ended = false;
    try {
        if (restart) {
            statement_->Reset();
            jet::RestartStatementRun();
        }
        while (skip > 0 && !ended) {
            ended = !statement_->Step();
            --skip;
        }
        while (!ended && count < most && rows.size() - head < batchBytes) {
            if (!statement_->Step()) {
                ended = true;
                break;
            }
            EncodeCurrentRow(rows, statement_->Handle(), columns_);
            ++count;
        }
    } catch (RuntimeError& error) {
        // A failed read starts from the first row when asked again.
        statement_->Reset();
        error.description = jet::ClarifyRunTimeMessage(error.description, sql_);
        throw;
    }
    if (ended)
        statement_->Reset();
    const QByteArray front = RowsFrameHead(count, ended, rows.size() - head);
    std::memcpy(rows.data(), front.constData(), size_t(head));
    return rows;
}

void QueryWorkerService::Serve(int socket)
{
    for (;;) {
        std::optional<Frame> request;
        try {
            request = ReadFrame(socket);
        } catch (const RuntimeError&) {
            return;  // not Delver's words: nothing more is read
        }
        if (!request)
            return;
        if (!WriteAll(socket, Answer(*request)))
            return;
    }
}

} // namespace levy::queryworker
