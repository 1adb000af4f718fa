#include "jet/gate/ReadOnlyAuthorizer.h"

#include "jet/functions/JetFunctionCatalog.h"

#include "engine/EngineErrors.h"
#include "engine/Sqlite.h"
#include "jet/syntax/SqlClassifier.h"
#include "jet/syntax/JetTokenizer.h"

#include <cstring>
#include <set>
#include <string>
#include <strings.h>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
const QString onlySelect = u" Only select, crosstab and union queries can be run."_s;

bool Same(const char* a, const char* b) { return a && b && strcasecmp(a, b) == 0; }

const std::set<std::string>* registeredFunctions = nullptr;

bool AllowedFunction(const char* name)
{
    if (!name)
        return false;
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return EngineFunctionNames().count(folded) ||
           (registeredFunctions && registeredFunctions->count(folded));
}

QString Describe(int action, const char* a, const char* b)
{
    const QString first = QString::fromUtf8(a ? a : "");
    switch (action) {
    case SQLITE_INSERT:
        return u"This statement would add records to \"%1\"."_s.arg(first) + onlySelect;
    case SQLITE_UPDATE:
        return u"This statement would change records of \"%1\"."_s.arg(first) + onlySelect;
    case SQLITE_DELETE:
        return u"This statement would delete records from \"%1\"."_s.arg(first) + onlySelect;
    case SQLITE_FUNCTION:
        return u"The function %1() cannot be used in a query. A query can call the text, number, date and "
               u"total functions only."_s.arg(QString::fromUtf8(b ? b : ""));
    case SQLITE_PRAGMA:
        return u"This statement would read or change a setting of the database engine (%1)."_s.arg(first) +
               onlySelect;
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
        return u"This statement would attach or detach a database file."_s + onlySelect;
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
        return u"A query cannot begin or end a transaction."_s + onlySelect;
    default:
        return u"This statement would change the database or its design."_s + onlySelect;
    }
}

int Deny(int action, const char* a, const char* b)
{
    engine::NoteAuthorizerRefusal(Describe(action, a, b));
    return SQLITE_DENY;
}

int Authorize(void*, int action, const char* a, const char* b, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_READ:
        // The stored passwords use a cipher anyone can reverse: never show them.
        if (Same(a, "Users") && Same(b, "User Password"))
            return SQLITE_IGNORE;
        // A pragma read as a table (pragma_table_info, pragma_database_list) is a pragma.
        if (a && std::strncmp(a, "pragma_", 7) == 0)
            return Deny(SQLITE_PRAGMA, a + 7, nullptr);
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        return AllowedFunction(b) ? SQLITE_OK : Deny(action, a, b);
    default:
        return Deny(action, a, b);
    }
}
} // namespace

void InstallReadOnlyAuthorizer(sqlite3* db, const std::set<std::string>& alsoAllowed)
{
    registeredFunctions = &alsoAllowed;
    sqlite3_set_authorizer(db, Authorize, nullptr);
}

void CheckSingleStatement(const UserStatement& statement)
{
    if (statement.textAfterStatement)
        engine::RaiseEngine(engine::errTrailingCharacters, u"Characters found after end of SQL statement."_s);
}

std::unique_ptr<engine::Statement> PrepareReadOnlyQuery(std::shared_ptr<engine::Connection> connection, const QString& sql)
{
    // The engine builds the comparisons of NATURAL and USING joins without asking the
    // authorizer, so "User Password" would be compared with its real value.
    if (JoinsByColumnName(sql))
        engine::RaiseEngine(engine::errNotAuthorized, u"Joins by column name (NATURAL JOIN, USING) cannot be used in a query. "
                                      u"Write the join with ON instead, for example "
                                      u"\"FROM a INNER JOIN b ON a.[Student ID] = b.[Student ID]\"."_s);
    engine::TakeAuthorizerRefusal();
    QString rest;
    auto statement = engine::Statement::PrepareFirst(std::move(connection), sql, rest);
    // The engine's own end of the statement, read with the dialect's tokenizer.
    if (TokenizeJet(rest).first().kind != JetToken::End)
        engine::RaiseEngine(engine::errTrailingCharacters, u"Characters found after end of SQL statement."_s);
    // Some statements (VACUUM) ask the authorizer nothing until they run.
    if (sqlite3_column_count(statement->Handle()) == 0 || !sqlite3_stmt_readonly(statement->Handle()))
        engine::RaiseEngine(engine::errNotAuthorized, u"This statement returns no records or would change the database."_s + onlySelect);
    return statement;
}

} // namespace levy::jet
