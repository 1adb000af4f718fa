#include "jet/syntax/UserStatement.h"

#include "engine/EngineErrors.h"
#include "engine/QueryDefences.h"

#include <QLocale>

#include "jet/syntax/SqlClassifier.h"

namespace levy::jet {

UserStatement ReadUserStatement(const QString& sql)
{
    // Checked before the text is read at all: a pasted file must not be tokenized on the
    // window's thread, nor saved as a stored query.
    if (sql.size() > engine::maxStatementCharacters)
        engine::RaiseEngine(engine::errSyntax,
                            QStringLiteral("The statement is too long: a query may hold at most %1 characters, and this "
                                           "one has %2. Shorten it, or split it into several queries.")
                                .arg(QLocale(QLocale::English).toString(engine::maxStatementCharacters),
                                     QLocale(QLocale::English).toString(sql.size())));
    UserStatement statement;
    statement.sql = sql;
    statement.tokens = TokenizeJet(sql);
    statement.type = ClassifyStatement(statement.tokens);
    statement.textAfterStatement = HasTextAfterStatement(statement.tokens);
    return statement;
}

} // namespace levy::jet
