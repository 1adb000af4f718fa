#include "Database.h"

#include "engine/EngineErrors.h"
#include "QueryDef.h"
#include "QueryRecordset.h"
#include "QueryRows.h"
#include "QueryWorker.h"
#include "QuerySnapshot.h"
#include "jet/gate/ReadOnlyAuthorizer.h"
#include "engine/QueryDefences.h"
#include "engine/Sqlite.h"
#include "jet/syntax/UserStatement.h"
#include "TableRecordset.h"
#include "jet/functions/JetFunctionCatalog.h"
#include "jet/functions/JetFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using levy::engine::QuoteName;
using levy::engine::RaiseEngine;
using levy::engine::Statement;

namespace levy {

const QString Database::storedQueriesTable = u"~StoredQueries"_s;

namespace {
QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

void CheckIsDatabaseFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        RaiseEngine(engine::errNotFound, u"Could not find the file \"%1\"."_s.arg(Native(path)));
    if (!info.isFile())
        RaiseEngine(engine::errNotDatabase, u"\"%1\" is not a file, so it cannot be a levy database."_s.arg(Native(path)));
    if (info.size() == 0)
        RaiseEngine(engine::errNotDatabase, u"The file \"%1\" is empty: it is not a levy database."_s.arg(Native(path)));
}
} // namespace

std::shared_ptr<Database> Database::Create(const QString& path, const QByteArray& key)
{
    const QByteArray file = QFile::encodeName(path);
    // The file holds every account's stored password, in a cipher anyone can reverse,
    // under a key every levy program shares: only its owner may read it.
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            RaiseEngine(engine::errAlreadyExists, u"The file \"%1\" already exists."_s.arg(Native(path)));
        RaiseEngine(engine::errCantCreate, u"The database \"%1\" could not be created: %2."_s.arg(
                                               Native(path), QString::fromLocal8Bit(std::strerror(errno))));
    }
    ::close(fd);
    std::shared_ptr<Database> db(new Database);
    db->path_ = path;
    db->key_ = key;
    try {
        db->lock_ = engine::FileLock::Acquire(path, engine::FileLock::Mode::Shared);
        db->main_ = engine::Connection::Open(path, false, false, key);
        db->main_->Execute(u"CREATE TABLE %1 (\"Name\" TEXT NOT NULL COLLATE NOCASE UNIQUE, \"SQL\" TEXT NOT NULL)"_s.arg(
            QuoteName(storedQueriesTable)));
    } catch (const RuntimeError&) {
        // Nothing of a database was written: take the empty file away again.
        db->Close();
        QFile::remove(path);
        throw;
    }
    return db;
}

namespace {
// A process killed before its first change reached the file leaves a rollback journal
// that holds nothing to roll back (a hot one has been rolled back and removed by the
// first read). The engine only removes such a file at the next write, so one harmless
// write is made now rather than leave it beside the database for a user to find.
void RemoveStaleJournal(const std::shared_ptr<engine::Connection>& c, const QString& path)
{
    if (!QFileInfo::exists(path + u"-journal"_s))
        return;
    int64_t version = 0;
    {
        Statement read(c, u"PRAGMA user_version"_s);
        if (read.Step())
            version = read.ColumnInteger(0);
    }
    try {
        c->Execute(u"BEGIN IMMEDIATE; PRAGMA user_version = %1; COMMIT"_s.arg(version));
    } catch (const RuntimeError&) {
        // Best effort: another program writing now removes it as well.
        sqlite3_exec(c->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}
} // namespace

std::shared_ptr<Database> Database::Open(const QString& path, bool exclusive, bool readOnly, const QByteArray& key)
{
    CheckIsDatabaseFile(path);
    std::shared_ptr<Database> db(new Database);
    db->path_ = path;
    db->key_ = key;
    db->readOnly_ = readOnly;
    db->lock_ = engine::FileLock::Acquire(path, exclusive ? engine::FileLock::Mode::Exclusive
                                                          : engine::FileLock::Mode::Shared);
    try {
        db->main_ = engine::Connection::Open(path, readOnly, false, key);
        db->Verify();
        if (!readOnly)
            RemoveStaleJournal(db->main_, path);
    } catch (const RuntimeError&) {
        db->Close();
        throw;
    }
    return db;
}


void Database::Verify()
{
    // A wrong key is only noticed at the first read.
    Statement s(main_, u"SELECT count(*) FROM sqlite_master"_s);
    s.Step();
}

bool Database::IsOpen() const { return main_ && main_->IsOpen(); }

void Database::StopQueryWorkers()
{
    std::vector<std::shared_ptr<QueryWorker>> workers;
    {
        std::lock_guard lock(handles_);
        for (const auto& started : workersStarted_)
            if (auto worker = started.lock())
                workers.push_back(std::move(worker));
    }
    for (const auto& worker : workers)
        worker->Stop();
}

void Database::Close()
{
    // Every worker this database started ends now, with its copy: a result still open
    // somewhere reads no more of it.
    StopQueryWorkers();
    {
        std::lock_guard lock(handles_);
        workersStarted_.clear();
        worker_.reset();
    }
    if (query_)
        query_->Close();
    for (const auto& earlier : earlierQueries_)
        if (const auto c = earlier.lock())
            c->Close();
    earlierQueries_.clear();
    if (main_)
        main_->Close();
    lock_.Release();
}

std::shared_ptr<engine::Connection> Database::MainConnection() const
{
    if (!IsOpen())
        RaiseEngine(engine::errObjectClosed, u"The levy database has been closed."_s);
    return main_;
}

std::shared_ptr<engine::Connection> Database::QueryConnection() { return RefreshQueryConnection(false); }

std::shared_ptr<engine::Connection> Database::RefreshQueryConnection(bool forWorker)
{
    MainConnection();
    const bool workerNeeded = forWorker && queryWorker_ && (!worker_ || !worker_->Alive());
    // An open copy that is out of date is left to whoever still reads it; the next
    // statement runs on a new one. A new worker needs a copy of its own to open.
    if (querySnapshots_ && query_ && query_->IsOpen() &&
        (workerNeeded || DataVersion(main_) != queryDataVersion_ || OwnDataChanges() != queryOwnChanges_)) {
        std::erase_if(earlierQueries_, [](const auto& c) { return c.expired(); });
        std::lock_guard lock(handles_);
        earlierQueries_.push_back(std::exchange(query_, nullptr));
    }
    if (!query_ || !query_->IsOpen()) {
        std::shared_ptr<engine::Connection> connection;
        std::shared_ptr<QueryWorker> worker;
        if (querySnapshots_) {
            std::function<void(const QString&, int)> handOver;
            // The worker opens the copy by its name, and removes the name once it has.
            // Only a statement starts one: listing the tables needs none.
            if (forWorker && queryWorker_)
                handOver = [&](const QString& copy, int lock) { worker = QueryWorker::Start(copy, key_, true, lock); };
            QuerySnapshot snapshot = TakeQuerySnapshot(main_, lock_.Descriptor(), key_, handOver);
            connection = snapshot.connection;
            queryDataVersion_ = snapshot.dataVersion;
            queryOwnChanges_ = OwnDataChanges();
        } else {
            connection = engine::Connection::Open(path_, true, false, key_);
            if (forWorker && queryWorker_)
                worker = QueryWorker::Start(path_, key_);
        }
        ArmQueryConnection(connection);
        std::lock_guard lock(handles_);
        query_ = connection;
        if (worker)
            AdoptWorker(worker);
    }
    return query_;
}

void Database::AdoptWorker(const std::shared_ptr<QueryWorker>& worker)
{
    std::erase_if(workersStarted_, [](const auto& w) { return w.expired(); });
    workersStarted_.push_back(worker);
    worker_ = worker;
}

std::shared_ptr<QuerySource> Database::StatementSource()
{
    if (worker_)
        worker_->DropReadAhead();
    auto connection = RefreshQueryConnection(true);
    if (!queryWorker_)
        return ConnectionQuerySource(connection);
    if (!worker_ || !worker_->Alive()) {
        // Without copies, a worker that ended gets a successor on the file itself.
        auto worker = QueryWorker::Start(path_, key_);
        std::lock_guard lock(handles_);
        AdoptWorker(worker);
    }
    return worker_->Source();
}

void Database::InterruptQueries()
{
    // The window's thread asks while a statement's thread may be putting a new worker or
    // copy in place: each is taken whole, and lives while it is stopped.
    std::shared_ptr<QueryWorker> worker;
    std::shared_ptr<engine::Connection> query;
    {
        std::lock_guard lock(handles_);
        worker = worker_;
        query = query_;
    }
    if (worker)
        worker->Interrupt();
    if (query && query->IsOpen())
        sqlite3_interrupt(query->Handle());
}

void Database::AppendTableDef(const TableDef& table)
{
    auto c = MainConnection();
    if (table.Fields().isEmpty())
        RaiseEngine(engine::errInvalidValue, u"The table \"%1\" has no fields."_s.arg(table.Name()));
    if (TableNames().contains(table.Name(), Qt::CaseInsensitive))
        RaiseEngine(engine::errObjectExists, u"The table \"%1\" already exists."_s.arg(table.Name()));
    c->Execute(u"BEGIN IMMEDIATE"_s);
    try {
        c->Execute(table.CreateTableSql());
        for (const QString& sql : table.CreateIndexSql())
            c->Execute(sql);
        c->Execute(u"COMMIT"_s);
    } catch (const RuntimeError&) {
        if (!sqlite3_get_autocommit(c->Handle()))
            sqlite3_exec(c->Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

QStringList Database::TableNames() const
{
    Statement s(MainConnection(), u"SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' "
                                  u"ESCAPE '!' AND name <> ? ORDER BY rowid"_s);
    s.Bind(1, storedQueriesTable);
    QStringList names;
    while (s.Step())
        names.append(s.ColumnText(0));
    return names;
}

TableDef Database::ReadTableDef(const QString& name) const
{
    TableRecordset rs(MainConnection(), name);
    TableDef def(rs.TableName());
    for (int i = 0; i < rs.FieldCount(); ++i)
        def.AppendField(rs.Field(i));
    Statement list(MainConnection(), u"PRAGMA index_list(%1)"_s.arg(QuoteName(rs.TableName())));
    QList<IndexDef> indexes;
    while (list.Step()) {
        IndexDef index{IndexNameFromStored(rs.TableName(), list.ColumnText(1)), {}};
        Statement cols(MainConnection(), u"PRAGMA index_info(%1)"_s.arg(QuoteName(list.ColumnText(1))));
        while (cols.Step())
            index.AddField(cols.ColumnText(2));
        indexes.prepend(index);
    }
    for (const IndexDef& i : indexes)
        def.AppendIndex(i);
    return def;
}

std::shared_ptr<QueryDef> Database::CreateQueryDef(const QString& name)
{
    if (name.trimmed().isEmpty())
        RaiseEngine(engine::errInvalidValue, u"A stored query needs a name."_s);
    if (QueryDefNames().contains(name, Qt::CaseInsensitive))
        RaiseEngine(engine::errObjectExists, u"The stored query \"%1\" already exists."_s.arg(name));
    Statement s(MainConnection(), u"INSERT INTO %1 (\"Name\", \"SQL\") VALUES (?, '')"_s.arg(QuoteName(storedQueriesTable)));
    s.Bind(1, name);
    s.Step();
    storedQueryChanges_ += sqlite3_changes64(main_->Handle());
    return std::make_shared<QueryDef>(shared_from_this(), name);
}

void Database::SaveStoredQuerySQL(const QString& name, const QString& sql)
{
    Statement s(MainConnection(), u"UPDATE %1 SET \"SQL\" = ? WHERE \"Name\" = ?"_s.arg(QuoteName(storedQueriesTable)));
    s.Bind(1, sql);
    s.Bind(2, name);
    s.Step();
    storedQueryChanges_ += sqlite3_changes64(main_->Handle());
}

int64_t Database::OwnDataChanges() const
{
    return sqlite3_total_changes64(main_->Handle()) - storedQueryChanges_;
}

std::shared_ptr<QueryDef> Database::QueryDefs(const QString& name)
{
    Statement s(MainConnection(), u"SELECT \"Name\" FROM %1 WHERE \"Name\" = ?"_s.arg(QuoteName(storedQueriesTable)));
    s.Bind(1, name);
    if (!s.Step())
        RaiseEngine(3265, u"The levy database has no stored query \"%1\": it may be damaged or not a levy database."_s
                              .arg(name));
    return std::make_shared<QueryDef>(shared_from_this(), s.ColumnText(0));
}

QStringList Database::QueryDefNames() const
{
    Statement s(MainConnection(), u"SELECT \"Name\" FROM %1 ORDER BY rowid"_s.arg(QuoteName(storedQueriesTable)));
    QStringList names;
    while (s.Step())
        names.append(s.ColumnText(0));
    return names;
}

std::shared_ptr<Recordset> Database::OpenRecordset(const QString& source, int type)
{
    const bool isTable = TableNames().contains(source, Qt::CaseInsensitive);
    if (type == dbOpenTable || (type == dbOpenDefault && isTable)) {
        if (!isTable)
            RaiseEngine(engine::errNotFound,
                        u"The levy database has no table \"%1\": it may be damaged or not a levy database."_s.arg(source));
        return std::make_shared<TableRecordset>(MainConnection(), source);
    }
    jet::UserStatement statement = jet::ReadUserStatement(source);
    jet::CheckSingleStatement(statement);
    if (!IsRunnableQueryType(statement.type))
        return std::make_shared<QueryRecordset>();
    return std::make_shared<QueryRecordset>(StatementSource(), std::move(statement));
}

} // namespace levy
