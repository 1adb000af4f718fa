#include "jet/functions/shared/JetCalendar.h"
#include "jet/functions/shared/StatementRun.h"

#include <array>
#include <cmath>
#include <ctime>

namespace levy::jet {
namespace {
constexpr int64_t unixEpochDay = 25569; // 1 January 1970

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

constexpr std::array<std::string_view, 12> monthNames = {"January", "February", "March",     "April",
                                                         "May",     "June",     "July",      "August",
                                                         "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> dayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};

void Two(int value, char* out)
{
    out[0] = char('0' + value / 10 % 10);
    out[1] = char('0' + value % 10);
}

void Four(int value, char* out)
{
    out[0] = char('0' + value / 1000 % 10);
    out[1] = char('0' + value / 100 % 10);
    out[2] = char('0' + value / 10 % 10);
    out[3] = char('0' + value % 10);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Digits at text[at..at+n) as a number, or -1.
int Digits(std::string_view text, size_t at, size_t n)
{
    if (at + n > text.size())
        return -1;
    int value = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (!IsDigit(text[i]))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}


std::optional<JetDateTime> Make(int year, int month, int day, int hour, int minute, int second)
{
    if (year < firstJetYear || year > lastJetYear || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return std::nullopt;
    return JetDateTime{DaysFromCivil(year, month, day), hour * 3600 + minute * 60 + second};
}

// "YYYY-MM-DD", optionally followed by " HH:MM", " HH:MM:SS" or with fractions of a second.
std::optional<JetDateTime> ParseIso(std::string_view t)
{
    if (t.size() < 10 || t[4] != '-' || t[7] != '-')
        return std::nullopt;
    const int y = Digits(t, 0, 4), m = Digits(t, 5, 2), d = Digits(t, 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return std::nullopt;
    if (t.size() == 10)
        return Make(y, m, d, 0, 0, 0);
    if (t.size() < 16 || (t[10] != ' ' && t[10] != 'T') || t[13] != ':')
        return std::nullopt;
    const int hh = Digits(t, 11, 2), mm = Digits(t, 14, 2);
    int ss = 0;
    if (t.size() > 16) {
        if (t.size() < 19 || t[16] != ':')
            return std::nullopt;
        ss = Digits(t, 17, 2);
        if (t.size() > 19) {
            if (t[19] != '.' || t.size() == 20)
                return std::nullopt;
            for (size_t i = 20; i < t.size(); ++i)
                if (!IsDigit(t[i]))
                    return std::nullopt;
        }
    }
    if (hh < 0 || mm < 0 || ss < 0)
        return std::nullopt;
    return Make(y, m, d, hh, mm, ss);
}

// True when `word` is `name` or its beginning, of three letters or more, in any case.
bool Abbreviates(std::string_view word, std::string_view name)
{
    if (word.size() < 3 || word.size() > name.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (AsciiLower(word[i]) != AsciiLower(name[i]))
            return false;
    return true;
}

int MonthOfWord(std::string_view word)
{
    for (int m = 0; m < 12; ++m)
        if (Abbreviates(word, monthNames[size_t(m)]))
            return m + 1;
    return 0;
}

bool IsDayWord(std::string_view word)
{
    for (const std::string_view name : dayNames)
        if (Abbreviates(word, name))
            return true;
    return false;
}

int WindowYear(int year, int digitCount) { return digitCount <= 2 ? (year < 30 ? 2000 + year : 1900 + year) : year; }

struct Piece {
    int value = 0;
    int digits = 0;
};

// The office's own spellings of a date and time.
std::optional<JetDateTime> ParseGeneral(std::string_view t)
{
    std::array<Piece, 3> numbers{};
    size_t numberCount = 0;
    int month = 0;
    int hour = -1, minute = 0, second = 0;
    int meridiem = 0; // 1 AM, 2 PM
    bool comma = false;
    size_t i = 0;
    while (i < t.size()) {
        const char c = t[i];
        if (IsDigit(c)) {
            size_t j = i;
            int value = 0;
            while (j < t.size() && IsDigit(t[j])) {
                if (j - i < 6)
                    value = value * 10 + (t[j] - '0');
                ++j;
            }
            if (j - i > 4)
                return std::nullopt;
            if (j < t.size() && t[j] == ':') {
                // A time: h:m or h:m:s.
                if (hour >= 0)
                    return std::nullopt;
                hour = value;
                size_t k = j + 1;
                const size_t minuteStart = k;
                minute = 0;
                while (k < t.size() && IsDigit(t[k]))
                    minute = minute * 10 + (t[k++] - '0');
                if (k == minuteStart || k - minuteStart > 2)
                    return std::nullopt;
                if (k < t.size() && t[k] == ':') {
                    const size_t secondStart = ++k;
                    second = 0;
                    while (k < t.size() && IsDigit(t[k]))
                        second = second * 10 + (t[k++] - '0');
                    if (k == secondStart || k - secondStart > 2)
                        return std::nullopt;
                }
                i = k;
                continue;
            }
            if (numberCount == numbers.size())
                return std::nullopt;
            numbers[numberCount++] = Piece{value, int(j - i)};
            i = j;
            continue;
        }
        if (IsLetter(c)) {
            size_t j = i;
            while (j < t.size() && IsLetter(t[j]))
                ++j;
            const std::string_view word = t.substr(i, j - i);
            if (word.size() <= 2 && (AsciiLower(word[0]) == 'a' || AsciiLower(word[0]) == 'p') &&
                (word.size() == 1 || AsciiLower(word[1]) == 'm')) {
                if (meridiem || hour < 0)
                    return std::nullopt;
                meridiem = AsciiLower(word[0]) == 'a' ? 1 : 2;
            } else if (const int m = MonthOfWord(word)) {
                if (month)
                    return std::nullopt;
                month = m;
            } else if (!IsDayWord(word)) {
                return std::nullopt;
            }
            i = j;
            continue;
        }
        if (c == '/' || c == '-' || c == '.' || c == ',' || c == ' ' || c == '\t') {
            comma = comma || c == ',';
            ++i;
            continue;
        }
        return std::nullopt;
    }

    if (meridiem) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (meridiem == 2 ? 12 : 0);
    }
    if (hour < 0)
        hour = 0;
    else if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const int seconds = hour * 3600 + minute * 60 + second;

    if (!month && numberCount == 0) {
        if (t.find(':') == std::string_view::npos)
            return std::nullopt;
        return JetDateTime{0, seconds};
    }
    // A comma separates numbers only beside a month's name ("January 31, 2020"): "1,234" is a number.
    if (comma && !month)
        return std::nullopt;
    auto thisYear = [] { return CivilFromDays(Now().day).year; };
    int y = 0, m = 0, d = 0;
    if (month) {
        m = month;
        if (numberCount == 1) {
            if (numbers[0].value <= 31 && numbers[0].digits <= 2) {
                d = numbers[0].value;
                y = thisYear();
            } else {
                d = 1;
                y = WindowYear(numbers[0].value, numbers[0].digits);
            }
        } else if (numberCount == 2) {
            const bool yearFirst = numbers[0].digits > 2 || numbers[0].value > 31;
            const Piece dayPiece = yearFirst ? numbers[1] : numbers[0];
            const Piece yearPiece = yearFirst ? numbers[0] : numbers[1];
            d = dayPiece.value;
            y = WindowYear(yearPiece.value, yearPiece.digits);
        } else {
            return std::nullopt;
        }
    } else if (numberCount == 3) {
        if (numbers[0].digits > 2 || numbers[0].value > 31) {
            y = WindowYear(numbers[0].value, numbers[0].digits);
            m = numbers[1].value;
            d = numbers[2].value;
        } else {
            d = numbers[0].value;
            m = numbers[1].value;
            y = WindowYear(numbers[2].value, numbers[2].digits);
            if (m > 12 && d <= 12)
                std::swap(d, m);
        }
    } else if (numberCount == 2) {
        if (numbers[1].digits == 4) {
            m = numbers[0].value;
            d = 1;
            y = WindowYear(numbers[1].value, numbers[1].digits);
        } else {
            d = numbers[0].value;
            m = numbers[1].value;
            y = thisYear();
            if (m > 12 && d <= 12)
                std::swap(d, m);
        }
    } else {
        return std::nullopt;
    }
    auto date = Make(y, m, d, 0, 0, 0);
    if (!date)
        return std::nullopt;
    date->second = seconds;
    return date;
}
} // namespace

JetDateTime JetDateTime::FromTotalSeconds(int64_t total)
{
    return JetDateTime{FloorDiv(total, 86400), int32_t(FloorMod(total, 86400))};
}

// Days between civil dates, after H. Hinnant's public-domain algorithms.
int64_t DaysFromCivil(int year, int month, int day)
{
    const int64_t y = int64_t(year) - (month <= 2);
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + unixEpochDay;
}

CivilDate CivilFromDays(int64_t day)
{
    const int64_t z = day - unixEpochDay + 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return CivilDate{int(yoe + era * 400 + (m <= 2)), m, d};
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool InJetRange(int64_t day) { return day >= firstJetDay && day <= lastJetDay; }

int WeekdayOf(int64_t day, int firstDayOfWeek)
{
    const int64_t fromSunday = FloorMod(day + 6, 7); // day 0 was a Saturday
    return int(FloorMod(fromSunday - (firstDayOfWeek - 1), 7)) + 1;
}

int DayOfYear(int64_t day) { return int(day - DaysFromCivil(CivilFromDays(day).year, 1, 1)) + 1; }

int WeekOfYear(int64_t day, int firstDayOfWeek, int firstWeekOfYear)
{
    const int year = CivilFromDays(day).year;
    const int64_t january1 = DaysFromCivil(year, 1, 1);
    // Days of the first week that fall before 1 January.
    const int lead = WeekdayOf(january1, firstDayOfWeek) - 1;
    const int fromStart = int(day - january1) + lead;
    int week = fromStart / 7;
    switch (firstWeekOfYear) {
    case 2:
        week += lead <= 3 ? 1 : 0;
        break;
    case 3:
        week += lead == 0 ? 1 : 0;
        break;
    default:
        return week + 1;
    }
    return week == 0 ? WeekOfYear(january1 - 1, firstDayOfWeek, firstWeekOfYear) : week;
}

std::optional<JetDateTime> AddMonths(const JetDateTime& at, int64_t months)
{
    const CivilDate c = CivilFromDays(at.day);
    const int64_t total = int64_t(c.year) * 12 + (c.month - 1) + months;
    const int64_t year = FloorDiv(total, 12);
    if (year < firstJetYear || year > lastJetYear)
        return std::nullopt;
    const int month = int(FloorMod(total, 12)) + 1;
    const int day = std::min(c.day, DaysInMonth(int(year), month));
    return JetDateTime{DaysFromCivil(int(year), month, day), at.second};
}

double ToSerial(const JetDateTime& at)
{
    const double fraction = double(at.second) / 86400.0;
    return at.day >= 0 ? double(at.day) + fraction : double(at.day) - fraction;
}

std::optional<JetDateTime> FromSerial(double serial)
{
    if (!std::isfinite(serial) || serial < double(firstJetDay) - 1.0 || serial > double(lastJetDay) + 1.0)
        return std::nullopt;
    const double whole = std::trunc(serial);
    int64_t day = int64_t(whole);
    int64_t second = std::llround(std::fabs(serial - whole) * 86400.0);
    if (second >= 86400) {
        second = 0;
        day += serial < 0 ? -1 : 1;
    }
    if (!InJetRange(day))
        return std::nullopt;
    return JetDateTime{day, int32_t(second)};
}

bool IsStorageDateText(std::string_view t)
{
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':')
        return false;
    for (const size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
        if (!IsDigit(t[i]))
            return false;
    return true;
}

int WriteStorageText(const JetDateTime& at, char* out)
{
    const CivilDate c = CivilFromDays(at.day);
    Four(c.year, out);
    out[4] = '-';
    Two(c.month, out + 5);
    out[7] = '-';
    Two(c.day, out + 8);
    out[10] = ' ';
    Two(at.second / 3600, out + 11);
    out[13] = ':';
    Two(at.second / 60 % 60, out + 14);
    out[16] = ':';
    Two(at.second % 60, out + 17);
    return 19;
}

std::optional<JetDateTime> ParseDateText(std::string_view text)
{
    const std::string_view t = TrimBlanks(text);
    if (t.empty())
        return std::nullopt;
    if (t.size() >= 10 && IsDigit(t[0]) && t[4] == '-')
        if (auto iso = ParseIso(t))
            return iso;
    return ParseGeneral(t);
}

int WriteGeneralDate(const JetDateTime& at, char* out)
{
    int n = 0;
    if (at.day != 0) {
        const CivilDate c = CivilFromDays(at.day);
        Two(c.day, out);
        out[2] = '/';
        Two(c.month, out + 3);
        out[5] = '/';
        Four(c.year, out + 6);
        n = 10;
        if (at.second == 0)
            return n;
        out[n++] = ' ';
    }
    Two(at.second / 3600, out + n);
    out[n + 2] = ':';
    Two(at.second / 60 % 60, out + n + 3);
    out[n + 5] = ':';
    Two(at.second % 60, out + n + 6);
    return n + 8;
}

JetDateTime Now()
{
    // Fixed for the whole of a statement's run (StatementRun.h).
    const std::time_t now = std::time_t(StatementClockMs() / 1000);
    std::tm local{};
    localtime_r(&now, &local);
    return JetDateTime{DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                       local.tm_hour * 3600 + local.tm_min * 60 + std::min(local.tm_sec, 59)};
}

std::string_view MonthName(int month) { return monthNames[size_t(month - 1)]; }

std::string_view TrimBlanks(std::string_view t)
{
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    return t;
}
std::string_view DayName(int weekdayFromSunday) { return dayNames[size_t(weekdayFromSunday - 1)]; }

} // namespace levy::jet
