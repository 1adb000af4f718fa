#pragma once

// The pieces of a compiled format, shared by the readers of its sections: numbers
// (JetNumberFormat.cpp), dates (JetDateFormat.cpp), texts (JetTextFormat.cpp), and the
// whole format that chooses among them (JetFormat.cpp).

#include "jet/functions/shared/JetCalendar.h"
#include "jet/functions/shared/JetDecimal.h"

#include <string>
#include <string_view>
#include <vector>

namespace levy::jet::formatting {

char Lower(char c);
// Checked before a long piece is added and after each short one, so that a result past
// the limit fails having built no more than a few bytes beyond it.
void Room(const std::string& out, size_t more, size_t limit);
bool SameNoCase(std::string_view a, std::string_view b);
bool StartsNoCase(std::string_view text, size_t at, std::string_view prefix);
// The length of the UTF-8 character starting at `at`.
size_t CharLength(std::string_view text, size_t at);
// Splits at semicolons outside quotes and after no backslash.
std::vector<std::string_view> Sections(std::string_view format);
// Reads a quoted or escaped literal at `i`; true when there was one.
bool ReadLiteral(std::string_view f, size_t& i, std::string& literal);

// --- numbers
struct NumericSection {
    enum class Kind { Literal, IntDigit, Point, FracDigit, Exponent };
    struct Item {
        Kind kind;
        std::string text;
        char placeholder = 0;
    };
    std::vector<Item> items;
    std::vector<char> intPlaceholders, fracPlaceholders;
    bool empty = true;
    bool grouping = false;
    int scale = 0;    // thousands dividers
    int percents = 0; // each multiplies by 100
    bool exponent = false;
    bool exponentPlus = false;
    char exponentLetter = 'E';
    int exponentZeros = 0;
};
NumericSection ParseNumeric(std::string_view f);
// Lays out a magnitude (the sign is the caller's).
void ApplyNumeric(const NumericSection& s, Decimal d, std::string& out, size_t limit);

// --- dates
enum class DateToken {
    Literal, Day, Day2, DayShort, DayLong, ShortDate, LongDate, Weekday, Week, Month, Month2, MonthShort,
    MonthLong, Minute, Minute2, Quarter, DayOfYear, Year2, Year4, Hour, Hour2, Second, Second2, LongTime,
    GeneralDate, AmPm, AP
};

struct DateItem {
    DateToken token;
    std::string text; // a literal, or the spelling of AM/PM and A/P
};

struct DateFormat {
    std::vector<DateItem> items;
    bool twelveHour = false;
};
DateFormat ParseDate(std::string_view f);
void ApplyDate(const DateFormat& f, const JetDateTime& at, int firstDayOfWeek, int firstWeekOfYear, std::string& out,
               size_t limit);

// --- texts
struct TextSection {
    struct Item {
        bool placeholder;
        char kind; // '@' or '&'
        std::string text;
    };
    std::vector<Item> items;
    int placeholders = 0;
    int letterCase = 0; // -1 lower, 1 upper
    bool leftToRight = false;
};
TextSection ParseText(std::string_view f);
void ApplyText(const TextSection& s, std::string_view text, std::string& out, size_t limit);

} // namespace levy::jet::formatting
