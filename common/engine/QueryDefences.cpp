#include "QueryDefences.h"

#include "Sqlite.h"

namespace levy::engine {

void ApplyQueryDefences(sqlite3* db)
{
    // A read-only connection cannot write anyway; these close what the schema or a
    // statement could still reach (shadow tables, functions named in the schema).
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);

    // Depth, compound selects and function arguments as the old engine had them: the
    // statements the office keeps were written within those.
    // The statement as the engine sees it is the translation of the user's text, which
    // may be several times longer (names quoted, functions spelled out, UTF-8).
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, maxStatementCharacters * 8);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, maxValueBytes);
    sqlite3_limit(db, SQLITE_LIMIT_COLUMN, 500);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 500);
    sqlite3_limit(db, SQLITE_LIMIT_VDBE_OP, 2'000'000);
    sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 127);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_TRIGGER_DEPTH, 1);
    sqlite3_limit(db, SQLITE_LIMIT_WORKER_THREADS, 0);

    // The cap is the process's: every connection of it shares one heap.
    const int64_t current = sqlite3_hard_heap_limit64(-1);
    if (current == 0 || current > maxQueryHeapBytes)
        sqlite3_hard_heap_limit64(maxQueryHeapBytes);
}

bool QueryHeapIsCapped() { return sqlite3_hard_heap_limit64(-1) > 0; }

} // namespace levy::engine
