#pragma once

#include "engine/SqliteHandle.h"
#include "jet/syntax/UserStatement.h"

#include <QString>
#include <memory>
#include <set>
#include <string>

struct sqlite3;

namespace levy::jet {

// Installs on a connection the authorizer that lets statements read and nothing else:
// no writes, schema changes, pragmas, transactions or attachments, and no function but
// the engine's ordinary ones and those in `alsoAllowed` (lower-case names of the
// functions registered on the connection; it must outlive the connection). The
// "User Password" column of "Users" reads as Null. It stays installed, so that a
// statement the engine prepares again after a schema change is checked again.
void InstallReadOnlyAuthorizer(sqlite3* db, const std::set<std::string>& alsoAllowed);

// Refuses a text with anything but blanks, comments and one closing ";" after its first
// statement: "Characters found after end of SQL statement."
void CheckSingleStatement(const UserStatement& statement);

// Prepares a user's statement on the read-only connection: one statement that returns
// records and writes nothing, with no join the authorizer cannot see into.
std::unique_ptr<engine::Statement> PrepareReadOnlyQuery(std::shared_ptr<engine::Connection> connection, const QString& sql);

} // namespace levy::jet
