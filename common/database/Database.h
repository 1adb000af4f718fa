#pragma once

#include "engine/FileLock.h"
#include "Recordset.h"
#include "engine/SqliteHandle.h"
#include "TableDef.h"

#include <QStringList>
#include <memory>

namespace levy {

class QueryDef;

// An open levy database file.
class Database : public std::enable_shared_from_this<Database> {
public:
    // The internal table of stored queries; not one of the database's tables.
    static const QString storedQueriesTable;

    static std::shared_ptr<Database> Create(const QString& path, const QByteArray& key);
    static std::shared_ptr<Database> Open(const QString& path, bool exclusive, bool readOnly, const QByteArray& key);

    const QString& Name() const { return path_; }
    bool IsOpen() const;
    void Close();

    // Writes the table and its indexes to the file, all or nothing.
    void AppendTableDef(const TableDef& table);
    QStringList TableNames() const;
    TableDef ReadTableDef(const QString& name) const;

    // A stored query is saved in the file as soon as it is created.
    std::shared_ptr<QueryDef> CreateQueryDef(const QString& name);
    std::shared_ptr<QueryDef> QueryDefs(const QString& name);
    QStringList QueryDefNames() const;

    // A table name opens a table-type recordset; any other text is run as a statement.
    std::shared_ptr<Recordset> OpenRecordset(const QString& source, int type = dbOpenDefault);

    std::shared_ptr<engine::Connection> MainConnection() const;
    // The read-only connection that runs every stored query: it may only read.
    std::shared_ptr<engine::Connection> QueryConnection();

private:
    Database() = default;
    void Verify();

    QString path_;
    QByteArray key_;
    bool readOnly_ = false;
    engine::FileLock lock_;
    std::shared_ptr<engine::Connection> main_;
    std::shared_ptr<engine::Connection> query_;
};

} // namespace levy
