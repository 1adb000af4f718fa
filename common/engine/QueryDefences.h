#pragma once

#include <cstdint>

struct sqlite3;

namespace levy::engine {

// What a connection that runs a user's statement may ask of the engine. A clerk's SQL is
// untrusted: these bound the statement, every value and the memory it may take, so that
// a careless or hostile statement is refused with a message instead of exhausting the
// machine.
inline constexpr int maxStatementCharacters = 64'000; // Access's own limit on a statement
inline constexpr int maxValueBytes = 10'000'000;       // one text or binary value
inline constexpr int64_t maxQueryHeapBytes = 512LL * 1024 * 1024;

// Sets the engine's own defences and limits on a connection that runs users' statements,
// and caps the engine's memory in this process.
void ApplyQueryDefences(sqlite3* db);

// True when the engine's memory in this process is capped (a failure to allocate is then
// the cap, not the machine).
bool QueryHeapIsCapped();

} // namespace levy::engine
