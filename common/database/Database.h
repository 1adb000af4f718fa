#pragma once

#include "engine/FileLock.h"
#include "platform/FileIdentity.h"
#include "Recordset.h"
#include "engine/SqliteHandle.h"
#include "TableDef.h"

#include <QStringList>
#include <memory>
#include <mutex>
#include <vector>

namespace levy {

class QueryDef;
class QuerySource;
class QueryWorker;

// An open levy database file.
class Database : public std::enable_shared_from_this<Database> {
public:
    // The internal table of stored queries; not one of the database's tables.
    static const QString storedQueriesTable;

    static std::shared_ptr<Database> Create(const QString& path, const QByteArray& key);
    static std::shared_ptr<Database> Open(const QString& path, bool exclusive, bool readOnly, const QByteArray& key);

    const QString& Name() const { return path_; }
    // The file this database holds open, whatever its name leads to now.
    FileIdentity HeldFile() const { return IdentityOfDescriptor(lock_.Descriptor()); }
    bool IsOpen() const;
    void Close();

    // Writes the table and its indexes to the file, all or nothing.
    void AppendTableDef(const TableDef& table);
    QStringList TableNames() const;
    TableDef ReadTableDef(const QString& name) const;

    // A stored query is saved in the file as soon as it is created.
    std::shared_ptr<QueryDef> CreateQueryDef(const QString& name);
    std::shared_ptr<QueryDef> QueryDefs(const QString& name);
    // Writes a stored query's text (the stored queries are the file's, not the data's:
    // writing one does not make the query connection's copy out of date).
    void SaveStoredQuerySQL(const QString& name, const QString& sql);
    QStringList QueryDefNames() const;

    // A table name opens a table-type recordset; any other text is run as a statement.
    std::shared_ptr<Recordset> OpenRecordset(const QString& source, int type = dbOpenDefault);

    std::shared_ptr<engine::Connection> MainConnection() const;
    // The read-only connection that runs every stored query: it may only read.
    std::shared_ptr<engine::Connection> QueryConnection();
    // Runs every stored query on a private copy of the file, taken again when another
    // program has changed the file since: a long query then never holds up a writer.
    void UseQuerySnapshots(bool on) { querySnapshots_ = on; }
    // Runs users' statements in the query worker, a process of its own.
    void UseQueryWorker(bool on) { queryWorker_ = on; }
    // Where users' statements run: the query worker, or the query connection.
    std::shared_ptr<QuerySource> StatementSource();
    // Stops the statement that runs now, from any thread.
    void InterruptQueries();
    // Ends every query worker at once, from any thread: the program is ending.
    void StopQueryWorkers();
    // The query worker that runs statements now, if one was started.
    std::shared_ptr<QueryWorker> CurrentQueryWorker() const
    {
        std::lock_guard lock(handles_);
        return worker_;
    }

private:
    Database() = default;
    void Verify();
    // The query connection, on a copy that is up to date; with `forWorker`, one that a
    // live query worker reads (started on a copy of its own when none is).
    std::shared_ptr<engine::Connection> RefreshQueryConnection(bool forWorker);
    // Makes `worker` the one that runs statements now; under handles_.
    void AdoptWorker(const std::shared_ptr<QueryWorker>& worker);

    QString path_;
    QByteArray key_;
    bool readOnly_ = false;
    engine::FileLock lock_;
    std::shared_ptr<engine::Connection> main_;
    std::shared_ptr<engine::Connection> query_;
    // Copies out of date that a result may still be reading: closed with the database.
    std::vector<std::weak_ptr<engine::Connection>> earlierQueries_;
    bool querySnapshots_ = false;
    bool queryWorker_ = false;
    std::shared_ptr<QueryWorker> worker_;
    // Every worker started, ended with the database, whoever still holds one.
    std::vector<std::weak_ptr<QueryWorker>> workersStarted_;
    // Guards query_ and worker_ against being replaced while another thread reads them.
    mutable std::mutex handles_;
    int64_t queryDataVersion_ = 0;
    int64_t queryOwnChanges_ = 0;
    int64_t storedQueryChanges_ = 0;  // rows this connection wrote to the stored queries
    int64_t OwnDataChanges() const;
};

} // namespace levy
