#pragma once

#include "jet/syntax/UserStatement.h"

#include <QString>

namespace levy::jet {

// Rewrites the engine's terse text for a fault in a user's statement ("no such column:
// Surnme") as a message a clerk can act on, naming the unknown table, field or function
// and its place in the statement the user wrote. Other texts come back unchanged.
QString ClarifyEngineMessage(const QString& message, const UserStatement& statement);

// Adds to a run-time fault of one of the dialect's functions ("Type mismatch in CInt():
// \"abc\" is not a number.") where the statement calls that function. Other texts, and
// texts of functions the statement does not call by name, come back unchanged.
QString ClarifyRunTimeMessage(const QString& message, const UserStatement& statement);

} // namespace levy::jet
