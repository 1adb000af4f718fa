#include "jet/JetQuery.h"

#include "jet/translation/Crosstab.h"
#include "jet/JetErrorMessages.h"
#include "jet/parameters/JetParameters.h"
#include "jet/syntax/JetParser.h"
#include "jet/translation/JetSchema.h"
#include "jet/translation/JetTranslator.h"
#include "engine/EngineErrors.h"
#include "jet/gate/ReadOnlyAuthorizer.h"
#include "jet/syntax/SqlClassifier.h"
#include "engine/Sqlite.h"
#include "platform/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
std::unique_ptr<engine::Statement> PrepareClarified(const std::shared_ptr<engine::Connection>& connection,
                                                    const QString& engineSql, const UserStatement& statement)
{
    try {
        return PrepareReadOnlyQuery(connection, engineSql);
    } catch (RuntimeError& error) {
        if (error.number == engine::errSyntax)
            error.description = ClarifyEngineMessage(error.description, statement);
        throw;
    }
}

// Gives each numbered place of a prepared statement its parameter's value, by name.
void BindParameters(engine::Statement& prepared, const QStringList& boundNames, const UserStatement& statement)
{
    const int places = sqlite3_bind_parameter_count(prepared.Handle());
    for (int position = 1; position <= places && position <= boundNames.size(); ++position) {
        const QString& name = boundNames[position - 1];
        const BoundParameter* given = nullptr;
        for (const BoundParameter& p : statement.parameters)
            if (p.name.compare(name, Qt::CaseInsensitive) == 0)
                given = &p;
        if (!given)
            engine::RaiseEngine(engine::errSyntax,
                                u"No value was given for the parameter [%1]. Run the statement again and enter a value "
                                u"for it."_s.arg(BriefName(name)));
        prepared.BindStorage(position, given->value);
    }
}

// A crosstab's columns follow from its pivot values, read first; unless `run` is set,
// one stands in for them all, so that its cell is compiled too.
PreparedJetQuery PrepareCrosstab(const std::shared_ptr<engine::Connection>& connection, const CrosstabPlan& plan,
                                 const QStringList& boundNames, const UserStatement& statement, bool run)
{
    QList<Value> pivotValues = plan.inValues;
    if (!plan.hasIn) {
        auto values = PrepareClarified(connection, plan.valuesSql, statement);
        if (run)
            BindParameters(*values, boundNames, statement);
        if (run)
            while (values->Step())
                pivotValues.append(values->ColumnStorage(0));
    }
    if (!run && pivotValues.isEmpty())
        pivotValues.append(Value());
    PreparedJetQuery prepared;
    prepared.statement = PrepareClarified(connection, CrosstabSql(plan, pivotValues), statement);
    if (run)
        BindParameters(*prepared.statement, boundNames, statement);
    if (!plan.rowHeadingTypes.isEmpty()) {
        prepared.columnTypes = plan.rowHeadingTypes;
        for (qsizetype i = 0; i < pivotValues.size(); ++i)
            prepared.columnTypes.append(plan.cellType);
    }
    return prepared;
}

// The stages after reading: parse, translate, prepare.
PreparedJetQuery Prepare(const std::shared_ptr<engine::Connection>& connection, const UserStatement& statement,
                         bool run)
{
    const QString& sql = statement.sql;
    // The translation marks places in its own text with control character 1.
    if (sql.contains(QChar(0x01)))
        engine::RaiseEngine(engine::errSyntax, u"The statement holds a control character that cannot be part of "
                                               u"a query. Retype the statement."_s);
    PreparedJetQuery prepared;
    Query query;
    try {
        query = ParseJetQuery(statement);
    } catch (const RuntimeError& dialectError) {
        // The engine's own SQL beyond the dialect's grammar still runs as it stands, but
        // not the joins the dialect reads otherwise or refuses (the engine runs a RIGHT
        // JOIN without ON, and a FULL JOIN, that the dialect refuses).
        if (HasEngineKeyword(sql, {"RIGHT", "FULL"}))
            throw dialectError;
        try {
            prepared.statement = PrepareReadOnlyQuery(connection, sql);
            return prepared;
        } catch (const RuntimeError& engineError) {
            // A refusal of the read-only checks says more than the dialect's syntax error.
            if (engineError.number == engine::errNotAuthorized || engineError.number == engine::errTrailingCharacters)
                throw;
            throw dialectError;
        }
    }
    const ConnectionSchema schema(connection->Handle());
    const TranslatedQuery translated = TranslateJetQuery(query, sql, schema);
    if (!translated.crosstab) {
        prepared.statement = PrepareClarified(connection, translated.sql, statement);
        if (run)
            BindParameters(*prepared.statement, translated.boundNames, statement);
        prepared.columnTypes = translated.columnTypes;
        return prepared;
    }
    return PrepareCrosstab(connection, *translated.crosstab, translated.boundNames, statement, run);
}
} // namespace

PreparedJetQuery PrepareJetQuery(const std::shared_ptr<engine::Connection>& connection,
                                 const UserStatement& statement)
{
    return Prepare(connection, statement, true);
}

void CompileJetQuery(const std::shared_ptr<engine::Connection>& connection, const UserStatement& statement)
{
    Prepare(connection, statement, false);
}

} // namespace levy::jet
