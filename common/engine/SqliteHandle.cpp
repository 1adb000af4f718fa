#include "SqliteHandle.h"

#include "EngineErrors.h"
#include "QueryDefences.h"
#include "Sqlite.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace levy::engine {
namespace {
// The engine frees its cipher's state when the process exits, in a handler registered
// when it is first used. A connection still open then (one a global still holds) would
// be closed after that by its destructor, on freed state: every open connection is
// closed first, by a handler registered after the engine's, which therefore runs first.
std::mutex openConnectionsMutex;
std::set<Connection*> openConnections;

void CloseEveryConnection()
{
    std::set<Connection*> open;
    {
        const std::lock_guard lock(openConnectionsMutex);
        open = openConnections;
    }
    for (Connection* c : open)
        c->Close();
}

void Track(Connection* c)
{
    static const bool registered = (std::atexit(CloseEveryConnection), true);
    (void)registered;
    const std::lock_guard lock(openConnectionsMutex);
    openConnections.insert(c);
}

// Every statement runs on the thread that prepares it, so the refusal met while
// preparing or stepping is the one the error that follows belongs to.
thread_local QString pendingRefusal;
} // namespace

void NoteAuthorizerRefusal(const QString& description)
{
    // The first refusal is the cause; later ones follow from it.
    if (pendingRefusal.isEmpty())
        pendingRefusal = description;
}

QString TakeAuthorizerRefusal() { return std::exchange(pendingRefusal, QString()); }

void RaiseEngine(int number, const QString& description)
{
    Raise(number, engineSource, description);
}

void RaiseSqlite(sqlite3* db, int code, const QString& path)
{
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
    const QString file = QDir::toNativeSeparators(path);
    // A refusal of the read-only authorizer says what the statement would have done; the
    // engine reports a refused function as a plain error.
    const QString refusal = TakeAuthorizerRefusal();
    if (!refusal.isEmpty() && ((code & 0xFF) == SQLITE_AUTH || message.startsWith(u"not authorized"_s)))
        RaiseEngine(errNotAuthorized, refusal);
    // A function that met the failure inside (sqlcipher_export reading a damaged
    // source) passes it on as a plain error carrying the engine's own text.
    if ((code & 0xFF) == SQLITE_ERROR) {
        if (message == QString::fromUtf8(sqlite3_errstr(SQLITE_CORRUPT)))
            code = SQLITE_CORRUPT;
        else if (message == QString::fromUtf8(sqlite3_errstr(SQLITE_NOTADB)))
            code = SQLITE_NOTADB;
    }
    switch (code & 0xFF) {
    case SQLITE_NOTADB:
        RaiseEngine(errNotDatabase,
                    u"The file \"%1\" is not a levy database, or it was opened with the wrong password."_s.arg(file));
    case SQLITE_CORRUPT:
        RaiseEngine(errDamaged, u"The levy database \"%1\" is damaged: %2."_s.arg(file, message));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        RaiseEngine(errBusy, u"The levy database \"%1\" is busy: another program is writing to it. "
                             u"Try again in a moment."_s.arg(file));
    case SQLITE_READONLY:
        RaiseEngine(errReadOnly,
                    u"The levy database \"%1\" cannot be changed: it is read-only."_s.arg(file));
    case SQLITE_FULL:
        RaiseEngine(errDiskFull, u"The disk holding \"%1\" is full: the change could not be written."_s.arg(file));
    case SQLITE_IOERR: {
        // The system's reason ("File too large", "Input/output error") says more than the
        // engine's "disk I/O error".
        const int system = db ? sqlite3_system_errno(db) : 0;
        RaiseEngine(errIo, u"The file \"%1\" could not be read or written: %2."_s.arg(
                               file, system ? QString::fromLocal8Bit(std::strerror(system)) : message));
    }
    case SQLITE_CANTOPEN:
        RaiseEngine(errCantCreate, u"The file \"%1\" could not be opened."_s.arg(file));
    case SQLITE_AUTH:
        RaiseEngine(errNotAuthorized,
                    u"This statement would change the database or read something that may not be read. "
                    u"Only select, crosstab and union queries can be run."_s);
    case SQLITE_TOOBIG:
        RaiseEngine(errInvalidValue,
                    u"A value in this query would be too large: a text or binary value of a query may hold at most "
                    u"%1 bytes."_s.arg(db ? sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1) : 1000000000));
    case SQLITE_NOMEM:
        if (QueryHeapIsCapped())
            RaiseEngine(errInvalidValue, u"The query needs more memory than Delver allows (%1 MB). Ask for fewer or "
                                         u"shorter columns."_s.arg(maxQueryHeapBytes / (1024 * 1024)));
        RaiseEngine(errInvalidValue, u"There is not enough memory for this operation. Narrow the query with WHERE, "
                                     u"or leave out what builds long texts."_s);
    case SQLITE_INTERRUPT:
        RaiseEngine(errInvalidOperation, u"The operation was stopped."_s);
    default:
        RaiseEngine(errSyntax, message);
    }
}

std::shared_ptr<Connection> Connection::Open(const QString& path, bool readOnly, bool create,
                                             const QByteArray& key, Cipher cipher)
{
    std::shared_ptr<Connection> c(new Connection);
    c->path_ = path;
    // A connection is used by one thread at a time (a long read runs on a worker while
    // the window waits for it), so the engine's per-connection locking is only cost:
    // it is taken for every value of every record read.
    int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    const QByteArray file = QFile::encodeName(path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        RaiseSqlite(nullptr, rc, path);
    }
    c->db_ = db;
    Track(c.get());
    sqlite3_extended_result_codes(db, 0);
    if (!key.isEmpty()) {
        const int krc = sqlite3_key(db, key.constData(), int(key.size()));
        if (krc != SQLITE_OK)
            RaiseSqlite(db, krc, path);
        if (cipher == Cipher::LevyFile)
            c->Execute(u"PRAGMA cipher_compatibility = 3"_s);
    }
    // Another program writing a row is a short wait, not a failure.
    sqlite3_busy_timeout(db, 5000);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    // The encrypted engine writes temporary tables and sort spills to disk in plain
    // text; keep them in memory.
    c->Execute(u"PRAGMA temp_store = MEMORY"_s);
    return c;
}

Connection::~Connection() { Close(); }

sqlite3* Connection::Handle() const
{
    if (!db_)
        RaiseEngine(errObjectClosed, u"The levy database has been closed."_s);
    return db_;
}

void Connection::Close()
{
    if (!db_)
        return;
    while (sqlite3_stmt* stmt = sqlite3_next_stmt(db_, nullptr))
        sqlite3_finalize(stmt);
    sqlite3_close(db_);
    db_ = nullptr;
    const std::lock_guard lock(openConnectionsMutex);
    openConnections.erase(this);
}

void Connection::Execute(const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(Handle(), sql.toUtf8().constData(), nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        RaiseSqlite(db_, rc, path_);
}

QString Connection::LastErrorText() const
{
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
}

Statement::Statement(std::shared_ptr<Connection> connection, const QString& sql)
    : connection_(std::move(connection))
{
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(connection_->Handle(), text.constData(), int(text.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK)
        RaiseSqlite(connection_->Handle(), rc, connection_->Path());
}

std::unique_ptr<Statement> Statement::PrepareFirst(std::shared_ptr<Connection> connection, const QString& sql,
                                                   QString& rest)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(connection->Handle(), text.constData(), int(text.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        RaiseSqlite(connection->Handle(), rc, connection->Path());
    std::unique_ptr<Statement> prepared(new Statement(connection, stmt));
    if (!stmt)
        RaiseEngine(errSyntax, u"The statement is empty."_s);
    rest = QString::fromUtf8(tail, int(text.constData() + text.size() - tail));
    return prepared;
}

Statement::Statement(std::shared_ptr<Connection> connection, sqlite3_stmt* prepared)
    : connection_(std::move(connection)), stmt_(prepared)
{
}

Statement::~Statement()
{
    // A closed connection has finalized its statements already.
    if (connection_->IsOpen())
        sqlite3_finalize(stmt_);
}

sqlite3_stmt* Statement::Handle() const
{
    connection_->Handle();
    return stmt_;
}

void Statement::Bind(int position, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(Handle(), position, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}
void Statement::Bind(int position, int64_t number) { sqlite3_bind_int64(Handle(), position, number); }
void Statement::Bind(int position, double number) { sqlite3_bind_double(Handle(), position, number); }
void Statement::BindNull(int position) { sqlite3_bind_null(Handle(), position); }

void Statement::BindStorage(int position, const Value& v)
{
    if (v.IsNull())
        BindNull(position);
    else if (v.IsInteger())
        Bind(position, v.AsInteger());
    else if (v.IsDouble())
        Bind(position, v.AsDouble());
    else
        Bind(position, v.AsText());
}

bool Statement::Step()
{
    const int rc = sqlite3_step(Handle());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    RaiseSqlite(connection_->Handle(), rc, connection_->Path());
}

void Statement::Reset()
{
    sqlite3_reset(Handle());
}

int Statement::ColumnCount() const { return sqlite3_column_count(Handle()); }
QString Statement::ColumnName(int c) const { return QString::fromUtf8(sqlite3_column_name(Handle(), c)); }
QString Statement::ColumnDeclType(int c) const
{
    const char* t = sqlite3_column_decltype(Handle(), c);
    return t ? QString::fromUtf8(t) : QString();
}
bool Statement::ColumnIsNull(int c) const { return sqlite3_column_type(Handle(), c) == SQLITE_NULL; }
int Statement::ColumnStorageType(int c) const { return sqlite3_column_type(Handle(), c); }
QString Statement::ColumnText(int c) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
    return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, c));
}
int64_t Statement::ColumnInteger(int c) const { return sqlite3_column_int64(stmt_, c); }
double Statement::ColumnDouble(int c) const { return sqlite3_column_double(stmt_, c); }

Value Statement::ColumnStorage(int c) const
{
    switch (sqlite3_column_type(stmt_, c)) {
    case SQLITE_NULL: return Value();
    case SQLITE_INTEGER: return Value(ColumnInteger(c));
    case SQLITE_FLOAT: return Value(ColumnDouble(c));
    default: return Value(ColumnText(c));
    }
}

QString QuoteName(const QString& name)
{
    QString inner = name;
    inner.replace(u'"', u"\"\""_s);
    return u'"' + inner + u'"';
}

QString QuoteText(const QString& text)
{
    QString inner = text;
    inner.replace(u'\'', u"''"_s);
    return u'\'' + inner + u'\'';
}

} // namespace levy::engine
