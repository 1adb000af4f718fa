#include "ReadOnlyAuthorizer.h"

#include "Sqlite.h"

#include <cstring>
#include <strings.h>

namespace levy::engine {
namespace {
bool Same(const char* a, const char* b) { return a && b && strcasecmp(a, b) == 0; }

bool ForbiddenFunction(const char* name)
{
    if (!name)
        return true;
    static const char* const forbidden[] = {"load_extension", "sqlcipher_export", "fts3_tokenizer", "readfile",
                                            "writefile", "edit", "sqlite_compileoption_get"};
    for (const char* f : forbidden)
        if (Same(name, f))
            return true;
    return strncasecmp(name, "sqlcipher", 9) == 0;
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
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        return ForbiddenFunction(b) ? SQLITE_DENY : SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}
} // namespace

void InstallReadOnlyAuthorizer(sqlite3* db) { sqlite3_set_authorizer(db, Authorize, nullptr); }

} // namespace levy::engine
