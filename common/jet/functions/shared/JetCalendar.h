#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace levy::jet {

// A date and time of day as the dialect counts it: whole days from 30 December 1899
// (day 0) and the second of that day. Kept linear, unlike the dialect's serial numbers,
// whose negative values carry the time of day as a positive fraction.
struct JetDateTime {
    int64_t day = 0;
    int32_t second = 0; // 0..86399
    int64_t TotalSeconds() const { return day * 86400 + second; }
    static JetDateTime FromTotalSeconds(int64_t total);
};

struct CivilDate {
    int year = 1899;
    int month = 12;
    int day = 30;
};

inline constexpr int firstJetYear = 100;
inline constexpr int lastJetYear = 9999;
inline constexpr int64_t firstJetDay = -657434; // 1 January 100
inline constexpr int64_t lastJetDay = 2958465;  // 31 December 9999

int64_t DaysFromCivil(int year, int month, int day);
CivilDate CivilFromDays(int64_t day);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool InJetRange(int64_t day);

// Weekday 1..7 counted from firstDayOfWeek (1 = Sunday .. 7 = Saturday).
int WeekdayOf(int64_t day, int firstDayOfWeek);
// The week of the year (firstWeekOfYear: 1 = the week of 1 January, 2 = the first week
// with four days of the new year, 3 = the first whole week).
int WeekOfYear(int64_t day, int firstDayOfWeek, int firstWeekOfYear);
int DayOfYear(int64_t day);

// The same day of the month `months` later, pulled back to the month's last day when
// the month is shorter.
std::optional<JetDateTime> AddMonths(const JetDateTime& at, int64_t months);

// The dialect's serial number: day 0 is 30 December 1899, the fraction the time of day
// (for days before day 0 the fraction still counts forward from midnight).
double ToSerial(const JetDateTime& at);
std::optional<JetDateTime> FromSerial(double serial);

// The stored form "YYYY-MM-DD HH:MM:SS" exactly, as the engine keeps dates.
bool IsStorageDateText(std::string_view text);
// Writes the stored form (19 characters) and returns its length.
int WriteStorageText(const JetDateTime& at, char* out);

// Reads a date the way date arguments arrive: the stored form, "YYYY-MM-DD" with or
// without a time, and the office's own spellings (31/01/2020, 31-Jan-2020,
// 31 January 2020, January 31, 2020, 14:30, 2:30 PM...). Day-first unless that cannot
// be a date. Years 0-29 are 2000-2029 and 30-99 are 1930-1999.
std::optional<JetDateTime> ParseDateText(std::string_view text);

// The dialect's default text of a date: the short date dd/mm/yyyy, the 24-hour long
// time, or both; a time on day 0 alone. Returns the length written (at most 19).
int WriteGeneralDate(const JetDateTime& at, char* out);

// The current local date and time.
JetDateTime Now();

// English names, index 1..12 and 1..7 (Sunday first).
std::string_view MonthName(int month);
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
// The text without the blanks and tabs around it.
std::string_view TrimBlanks(std::string_view t);
std::string_view DayName(int weekdayFromSunday);

} // namespace levy::jet
