#pragma once

#include "jet/syntax/UserStatement.h"

#include <QString>

namespace levy::jet {

// Rewrites the engine's terse text for a fault in a user's statement ("no such column:
// Surnme") as a message a clerk can act on, naming the unknown table, field or function
// and its place in the statement the user wrote. Other texts come back unchanged.
QString ClarifyEngineMessage(const QString& message, const UserStatement& statement);

} // namespace levy::jet
