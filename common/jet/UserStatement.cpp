#include "UserStatement.h"

#include "SqlClassifier.h"

namespace levy::jet {

UserStatement ReadUserStatement(const QString& sql)
{
    UserStatement statement;
    statement.sql = sql;
    statement.tokens = TokenizeJet(sql);
    statement.type = ClassifyStatement(statement.tokens);
    statement.textAfterStatement = HasTextAfterStatement(statement.tokens);
    return statement;
}

} // namespace levy::jet
