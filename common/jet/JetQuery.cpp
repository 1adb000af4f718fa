#include "JetQuery.h"

#include "Crosstab.h"
#include "JetErrorMessages.h"
#include "JetParser.h"
#include "JetSchema.h"
#include "JetTranslator.h"
#include "engine/EngineErrors.h"
#include "ReadOnlyAuthorizer.h"
#include "platform/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
std::unique_ptr<engine::Statement> PrepareClarified(const std::shared_ptr<engine::Connection>& connection,
                                                    const QString& engineSql, const QString& userSql)
{
    try {
        return PrepareReadOnlyQuery(connection, engineSql);
    } catch (RuntimeError& error) {
        if (error.number == engine::errSyntax)
            error.description = ClarifyEngineMessage(error.description, userSql);
        throw;
    }
}

PreparedJetQuery Prepare(const std::shared_ptr<engine::Connection>& connection, const QString& sql, bool run)
{
    // The translation marks places in its own text with control character 1.
    if (sql.contains(QChar(0x01)))
        engine::RaiseEngine(engine::errSyntax, u"The statement holds a control character that cannot be part of "
                                               u"a query. Retype the statement."_s);
    PreparedJetQuery prepared;
    Query query;
    try {
        query = ParseJetQuery(sql);
    } catch (const RuntimeError& dialectError) {
        // The engine's own SQL beyond the dialect's grammar still runs as it stands.
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
        prepared.statement = PrepareClarified(connection, translated.sql, sql);
        prepared.columnTypes = translated.columnTypes;
        return prepared;
    }
    const CrosstabPlan& plan = *translated.crosstab;
    QList<Value> pivotValues = plan.inValues;
    if (!plan.hasIn) {
        auto values = PrepareClarified(connection, plan.valuesSql, sql);
        if (run)
            while (values->Step())
                pivotValues.append(values->ColumnStorage(0));
    }
    // Unread, the crosstab is compiled with one column, so that its cell is checked too.
    if (!run && pivotValues.isEmpty())
        pivotValues.append(Value());
    prepared.statement = PrepareClarified(connection, CrosstabSql(plan, pivotValues), sql);
    if (!plan.rowHeadingTypes.isEmpty()) {
        prepared.columnTypes = plan.rowHeadingTypes;
        for (qsizetype i = 0; i < pivotValues.size(); ++i)
            prepared.columnTypes.append(plan.cellType);
    }
    return prepared;
}
} // namespace

PreparedJetQuery PrepareJetQuery(const std::shared_ptr<engine::Connection>& connection, const QString& sql)
{
    return Prepare(connection, sql, true);
}

void CompileJetQuery(const std::shared_ptr<engine::Connection>& connection, const QString& sql)
{
    Prepare(connection, sql, false);
}

} // namespace levy::jet
