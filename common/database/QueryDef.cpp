#include "QueryDef.h"

#include "Database.h"
#include "engine/EngineErrors.h"
#include "QueryRecordset.h"
#include "jet/gate/ReadOnlyAuthorizer.h"
#include "jet/JetQuery.h"
#include "jet/syntax/UserStatement.h"

using namespace Qt::Literals::StringLiterals;
using levy::engine::QuoteName;
using levy::engine::RaiseEngine;
using levy::engine::Statement;

namespace levy {

bool IsRunnableQueryType(int type) { return type == dbQSelect || type == dbQCrosstab || type == dbQSetOperation; }

QueryDef::QueryDef(std::shared_ptr<Database> database, QString name) : database_(database), name_(std::move(name)) {}

std::shared_ptr<Database> QueryDef::Live() const
{
    auto db = database_.lock();
    if (!db || !db->IsOpen())
        RaiseEngine(engine::errObjectClosed, u"The stored query \"%1\" belongs to a closed database."_s.arg(name_));
    return db;
}

QString QueryDef::SQL() const
{
    Statement s(Live()->MainConnection(),
                u"SELECT \"SQL\" FROM %1 WHERE \"Name\" = ?"_s.arg(QuoteName(Database::storedQueriesTable)));
    s.Bind(1, name_);
    if (!s.Step())
        RaiseEngine(engine::errNotFound, u"The stored query \"%1\" no longer exists."_s.arg(name_));
    return s.ColumnText(0);
}

const jet::UserStatement& QueryDef::ReadingOf(const QString& sql) const
{
    // Compared in full: a reading stands only for the very text it was made of.
    if (reading_.tokens.isEmpty() || reading_.sql != sql)
        reading_ = jet::ReadUserStatement(sql);
    return reading_;
}

void QueryDef::SetSQL(const QString& sql)
{
    auto db = Live();
    const jet::UserStatement& statement = ReadingOf(sql);
    jet::CheckSingleStatement(statement);
    // A query that may be run is compiled now, so that a faulty one is never saved; an
    // action query is saved without being compiled, and can never be opened.
    if (IsRunnableQueryType(statement.type))
        db->StatementSource()->Compile(statement);
    db->SaveStoredQuerySQL(name_, sql);
}

int QueryDef::Type() const { return ReadingOf(SQL()).type; }

std::shared_ptr<Recordset> QueryDef::OpenRecordset(QueryReading reading)
{
    auto db = Live();
    jet::UserStatement statement = ReadingOf(SQL());
    if (!IsRunnableQueryType(statement.type))
        return std::make_shared<QueryRecordset>();
    statement.parameters = parameters_;
    return std::make_shared<QueryRecordset>(db->StatementSource(), std::move(statement), reading);
}

} // namespace levy
