#pragma once

struct sqlite3;

namespace levy::engine {

// Installs on a connection the authorizer that lets statements read and nothing else:
// no writes, schema changes, pragmas, transactions, attachments or functions that write
// or load. The "User Password" column of "Users" reads as Null.
void InstallReadOnlyAuthorizer(sqlite3* db);

} // namespace levy::engine
