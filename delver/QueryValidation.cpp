#include "QueryValidation.h"

#include "levy/DatabaseAccess.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

std::shared_ptr<Recordset> rsDirectQuery;

bool IsSelectTypeQuery(QueryDef& query) { return IsRunnableQueryType(query.Type()); }

bool ValidateQuery(const QString& statement, QString* refusal)
{
    auto refuse = [refusal](const QString& text) {
        if (refusal)
            *refusal = text;
        MsgBox(text, Icon::Exclamation, u"Compiling Error"_s);
        return false;
    };
    try {
        // The previous result is replaced; let it go first, so that it holds nothing.
        if (rsDirectQuery)
            rsDirectQuery->Close();
        rsDirectQuery.reset();
        qryDirectSQL->SetSQL(statement);
        // Compiled and opened, but nothing reads this recordset: running it here would
        // make the engine do a sorted statement's work twice, with no way to stop it.
        rsDirectQuery = qryDirectSQL->OpenRecordset(QueryReading::OnDemand);
        if (IsSelectTypeQuery(*qryDirectSQL))
            return true;
        return refuse(u"You can only execute select queries."_s);
    } catch (const RuntimeError& error) {
        return refuse(error.description);
    }
}

} // namespace levy
