#include "QueryRows.h"

#include "ResultCache.h"
#include "engine/Sqlite.h"
#include "engine/SqliteHandle.h"
#include "engine/QueryDefences.h"
#include "jet/functions/JetFunctionCatalog.h"
#include "jet/functions/JetFunctions.h"
#include "jet/JetQuery.h"
#include "jet/JetErrorMessages.h"
#include "jet/gate/ReadOnlyAuthorizer.h"

namespace levy {

void ArmQueryConnection(const std::shared_ptr<engine::Connection>& connection)
{
    // A user's statement could otherwise build texts of a gigabyte each
    // (randomblob, printf widths, replace): refuse them before they are made.
    engine::ApplyQueryDefences(connection->Handle());
    jet::InstallReadOnlyAuthorizer(connection->Handle(), jet::RegisteredFunctionNames());
    RegisterJetFunctions(connection->Handle());
}

std::unique_ptr<engine::Statement> PrepareUserStatement(const std::shared_ptr<engine::Connection>& connection,
                                                        const jet::UserStatement& sql, QueryColumns& columns)
{
    jet::PreparedJetQuery prepared = jet::PrepareJetQuery(connection, sql);
    columns = {};
    const int n = prepared.statement->ColumnCount();
    for (int c = 0; c < n; ++c) {
        FieldDef f;
        f.name = prepared.statement->ColumnName(c);
        // Anything else takes the type of its values.
        bool known = FieldFromDeclaredType(prepared.statement->ColumnDeclType(c), f);
        if (!known && c < prepared.columnTypes.size() && prepared.columnTypes[c] > 0) {
            f.type = prepared.columnTypes[c];
            known = true;
        }
        if (!known)
            f.type = dbText;
        columns.fields.append(f);
        columns.known.append(known);
    }
    return std::move(prepared.statement);
}

namespace {
class ConnectionRows : public QueryRows {
public:
    ConnectionRows(const std::shared_ptr<engine::Connection>& connection, const jet::UserStatement& sql) : sql_(sql)
    {
        statement_ = PrepareUserStatement(connection, sql, columns_);
    }
    const QueryColumns& Columns() const override { return columns_; }
    bool Step() override
    {
        try {
            return statement_->Step();
        } catch (RuntimeError& error) {
            error.description = jet::ClarifyRunTimeMessage(error.description, sql_);
            throw;
        }
    }
    void Reset() override { statement_->Reset(); }
    void AppendCurrentRow(ResultCache& cache) override
    {
        cache.AppendCurrentRow(*statement_, int(columns_.fields.size()));
    }
    QList<Value> CurrentStored() override
    {
        QList<Value> stored;
        stored.reserve(columns_.fields.size());
        for (int c = 0; c < columns_.fields.size(); ++c)
            stored.append(statement_->ColumnStorage(c));
        return stored;
    }

private:
    jet::UserStatement sql_;
    QueryColumns columns_;
    std::unique_ptr<engine::Statement> statement_;
};

class ConnectionSource : public QuerySource {
public:
    explicit ConnectionSource(std::shared_ptr<engine::Connection> connection) : connection_(std::move(connection)) {}
    void Compile(const jet::UserStatement& statement) override { jet::CompileJetQuery(connection_, statement); }
    std::unique_ptr<QueryRows> Open(const jet::UserStatement& statement) override
    {
        return std::make_unique<ConnectionRows>(connection_, statement);
    }
    void Interrupt() override
    {
        if (connection_->IsOpen())
            sqlite3_interrupt(connection_->Handle());
    }
    bool IsOpen() const override { return connection_->IsOpen(); }
    bool HoldsUpWriters() const override { return true; }

private:
    std::shared_ptr<engine::Connection> connection_;
};
} // namespace

std::shared_ptr<QuerySource> ConnectionQuerySource(std::shared_ptr<engine::Connection> connection)
{
    return std::make_shared<ConnectionSource>(std::move(connection));
}

} // namespace levy
