#pragma once

#include "engine/SqliteHandle.h"
#include "jet/syntax/UserStatement.h"

#include <QList>
#include <QString>
#include <memory>

namespace levy::jet {

// A user's statement ready to run on the read-only connection.
struct PreparedJetQuery {
    std::unique_ptr<engine::Statement> statement;
    // The field type of each result column from its expression (0 where unknown);
    // empty when nothing is known.
    QList<int> columnTypes;
};

// Prepares a user's statement, written in the Access-style dialect or in the engine's
// own SQL, on the read-only connection: it is parsed, translated once and prepared
// through the read-only checks (authorizer, one statement, no joins by column name). A
// crosstab reads its pivot values first, with a read-only query. A statement the
// dialect's grammar does not take is prepared as it stands, so that the engine's own
// SQL keeps working; when the engine refuses it too, the dialect's message is raised.
PreparedJetQuery PrepareJetQuery(const std::shared_ptr<engine::Connection>& connection,
                                 const UserStatement& statement);

// Checks that a statement would prepare, running nothing: a crosstab's pivot values are
// not read.
void CompileJetQuery(const std::shared_ptr<engine::Connection>& connection, const UserStatement& statement);

} // namespace levy::jet
