#pragma once

#include <cstdint>
#include <string_view>

struct sqlite3_value;

namespace levy::jet {

// A non-Null value as the engine holds it, without a copy.
struct ValueView {
    int type = 0; // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT or SQLITE_BLOB
    int64_t integer = 0;
    double real = 0.0;
    std::string_view text;
};
ValueView ViewOf(sqlite3_value* v);

// Orders two values the dialect's way (numbers by value, texts without regard to case,
// a numeric text or a stored date against a number by value, other texts after numbers).
int CompareValues(const ValueView& a, const ValueView& b);
// Two texts without regard to case: -1, 0 or 1.
int CompareTexts(std::string_view a, std::string_view b);

} // namespace levy::jet
