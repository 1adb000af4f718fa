#include "jet/functions/dates/JetDateFunctions.h"
#include "jet/functions/shared/StatementRun.h"

#include "jet/functions/shared/JetCall.h"
#include "jet/functions/shared/JetValue.h"
#include "engine/Sqlite.h"

#include <QTime>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval IntervalOf(sqlite3_value* v)
{
    if (IsNull(v))
        Fail(Fault::InvalidUseOfNull, u"the interval is Null."_s);
    const TextOf text(v);
    const std::string_view name = text.View();
    static constexpr std::pair<std::string_view, Interval> names[] = {
        {"yyyy", Interval::Year},   {"q", Interval::Quarter}, {"m", Interval::Month}, {"y", Interval::DayOfYear},
        {"d", Interval::Day},       {"w", Interval::Weekday}, {"ww", Interval::Week}, {"h", Interval::Hour},
        {"n", Interval::Minute},    {"s", Interval::Second},
    };
    for (const auto& [spelling, interval] : names) {
        if (spelling.size() != name.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = (name[i] | 0x20) == spelling[i];
        if (same)
            return interval;
    }
    Fail(Fault::InvalidArgument, u"\"%1\" is not an interval; use yyyy, q, m, y, d, w, ww, h, n or s."_s.arg(
                                     ToQString(text.View())));
}

// An optional first day of the week: 1 Sunday .. 7 Saturday; 0, the system's, is Sunday.
int FirstDayOfWeek(const Call& c, int at)
{
    if (!c.Has(at) || IsNull(c[at]))
        return 1;
    const int64_t day = WholeOf(c[at]);
    if (day < 0 || day > 7)
        Fail(Fault::InvalidArgument, u"the first day of the week must be 0 to 7."_s);
    return day == 0 ? 1 : int(day);
}

int FirstWeekOfYear(const Call& c, int at)
{
    if (!c.Has(at) || IsNull(c[at]))
        return 1;
    const int64_t week = WholeOf(c[at]);
    if (week < 0 || week > 3)
        Fail(Fault::InvalidArgument, u"the first week of the year must be 0 to 3."_s);
    return week == 0 ? 1 : int(week);
}

// Runs `part` on the date argument at 0, Null giving Null.
template <class Part>
void OfDate(const Call& c, Part part)
{
    if (IsNull(c[0])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    sqlite3_result_int64(c.ctx, part(DateOf(c[0])));
}

[[noreturn]] void OutOfRange() { Fail(Fault::InvalidArgument, u"the date would fall outside the years 100 to 9999."_s); }

void CheckRange(const JetDateTime& at)
{
    if (!InJetRange(at.day))
        OutOfRange();
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
} // namespace

void Year(const Call& c)
{
    OfDate(c, [](const JetDateTime& d) { return CivilFromDays(d.day).year; });
}

void Month(const Call& c)
{
    OfDate(c, [](const JetDateTime& d) { return CivilFromDays(d.day).month; });
}

void Day(const Call& c)
{
    OfDate(c, [](const JetDateTime& d) { return CivilFromDays(d.day).day; });
}

void Hour(const Call& c)
{
    OfDate(c, [](const JetDateTime& d) { return d.second / 3600; });
}

void Minute(const Call& c)
{
    OfDate(c, [](const JetDateTime& d) { return d.second / 60 % 60; });
}

void Second(const Call& c)
{
    OfDate(c, [](const JetDateTime& d) { return d.second % 60; });
}

void Weekday(const Call& c)
{
    const int first = FirstDayOfWeek(c, 1);
    OfDate(c, [first](const JetDateTime& d) { return WeekdayOf(d.day, first); });
}

void DatePart(const Call& c)
{
    const Interval interval = IntervalOf(c[0]);
    const int firstDay = FirstDayOfWeek(c, 2);
    const int firstWeek = FirstWeekOfYear(c, 3);
    if (IsNull(c[1])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    const JetDateTime d = DateOf(c[1]);
    const CivilDate civil = CivilFromDays(d.day);
    int64_t part = 0;
    switch (interval) {
    case Interval::Year:
        part = civil.year;
        break;
    case Interval::Quarter:
        part = (civil.month - 1) / 3 + 1;
        break;
    case Interval::Month:
        part = civil.month;
        break;
    case Interval::DayOfYear:
        part = DayOfYear(d.day);
        break;
    case Interval::Day:
        part = civil.day;
        break;
    case Interval::Weekday:
        part = WeekdayOf(d.day, firstDay);
        break;
    case Interval::Week:
        part = WeekOfYear(d.day, firstDay, firstWeek);
        break;
    case Interval::Hour:
        part = d.second / 3600;
        break;
    case Interval::Minute:
        part = d.second / 60 % 60;
        break;
    case Interval::Second:
        part = d.second % 60;
        break;
    }
    sqlite3_result_int64(c.ctx, part);
}

void DateSerial(const Call& c)
{
    int64_t year = WholeOf(c[0], -32768, 32767);
    const int64_t month = WholeOf(c[1], -32768, 32767);
    const int64_t day = WholeOf(c[2], -32768, 32767);
    if (year >= 0 && year <= 99)
        year += year < 30 ? 2000 : 1900;
    // Months and days beyond their ranges carry into the year and month.
    const int64_t months = year * 12 + (month - 1);
    const int64_t y = FloorDiv(months, 12);
    const int m = int(months - y * 12) + 1;
    if (y < -100000 || y > 100000)
        OutOfRange();
    const JetDateTime at{DaysFromCivil(int(y), m, 1) + (day - 1), 0};
    CheckRange(at);
    ResultDate(c.ctx, at);
}

void DateAdd(const Call& c)
{
    const Interval interval = IntervalOf(c[0]);
    if (IsNull(c[1]) || IsNull(c[2])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    constexpr int64_t limit = int64_t(1) << 40;
    const int64_t n = WholeOf(c[1], -limit, limit);
    const JetDateTime from = DateOf(c[2]);
    std::optional<JetDateTime> to;
    switch (interval) {
    case Interval::Year:
        to = AddMonths(from, n * 12);
        break;
    case Interval::Quarter:
        to = AddMonths(from, n * 3);
        break;
    case Interval::Month:
        to = AddMonths(from, n);
        break;
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
        to = JetDateTime{from.day + n, from.second};
        break;
    case Interval::Week:
        to = JetDateTime{from.day + n * 7, from.second};
        break;
    case Interval::Hour:
        to = JetDateTime::FromTotalSeconds(from.TotalSeconds() + n * 3600);
        break;
    case Interval::Minute:
        to = JetDateTime::FromTotalSeconds(from.TotalSeconds() + n * 60);
        break;
    case Interval::Second:
        to = JetDateTime::FromTotalSeconds(from.TotalSeconds() + n);
        break;
    }
    if (!to)
        OutOfRange();
    CheckRange(*to);
    ResultDate(c.ctx, *to);
}

void DateDiff(const Call& c)
{
    const Interval interval = IntervalOf(c[0]);
    const int firstDay = FirstDayOfWeek(c, 3);
    FirstWeekOfYear(c, 4);
    if (IsNull(c[1]) || IsNull(c[2])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    const JetDateTime a = DateOf(c[1]), b = DateOf(c[2]);
    // Years, quarters and months need the calendar; days and times only the counts.
    const bool calendar = interval == Interval::Year || interval == Interval::Quarter || interval == Interval::Month;
    const CivilDate ca = calendar ? CivilFromDays(a.day) : CivilDate{}, cb = calendar ? CivilFromDays(b.day) : CivilDate{};
    int64_t diff = 0;
    // Boundaries crossed: the year, month or day parts differ, whatever the time between.
    switch (interval) {
    case Interval::Year:
        diff = cb.year - ca.year;
        break;
    case Interval::Quarter:
        diff = (int64_t(cb.year) * 4 + (cb.month - 1) / 3) - (int64_t(ca.year) * 4 + (ca.month - 1) / 3);
        break;
    case Interval::Month:
        diff = (int64_t(cb.year) * 12 + cb.month) - (int64_t(ca.year) * 12 + ca.month);
        break;
    case Interval::DayOfYear:
    case Interval::Day:
        diff = b.day - a.day;
        break;
    case Interval::Weekday:
        // Whole weeks of seven days.
        diff = (b.day - a.day) / 7;
        break;
    case Interval::Week: {
        // Weeks begun: the first days of the week between the two dates.
        const int64_t startA = a.day - (WeekdayOf(a.day, firstDay) - 1);
        const int64_t startB = b.day - (WeekdayOf(b.day, firstDay) - 1);
        diff = (startB - startA) / 7;
        break;
    }
    case Interval::Hour:
        diff = FloorDiv(b.TotalSeconds(), 3600) - FloorDiv(a.TotalSeconds(), 3600);
        break;
    case Interval::Minute:
        diff = FloorDiv(b.TotalSeconds(), 60) - FloorDiv(a.TotalSeconds(), 60);
        break;
    case Interval::Second:
        diff = b.TotalSeconds() - a.TotalSeconds();
        break;
    }
    sqlite3_result_int64(c.ctx, diff);
}

void NowFunction(const Call& c) { ResultDate(c.ctx, Now()); }

void DateFunction(const Call& c) { ResultDate(c.ctx, JetDateTime{Now().day, 0}); }

void TimeFunction(const Call& c) { ResultDate(c.ctx, JetDateTime{0, Now().second}); }

// The date of a date and time, or its time of day (on day 0); Null stays Null.
void DateValue(const Call& c)
{
    if (IsNull(c[0])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    ResultDate(c.ctx, JetDateTime{DateOf(c[0]).day, 0});
}

void TimeValue(const Call& c)
{
    if (IsNull(c[0])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    ResultDate(c.ctx, JetDateTime{0, DateOf(c[0]).second});
}

namespace {
// A name, or its first three letters when the optional argument at `at` is true.
void ResultName(const Call& c, std::string_view name, int at)
{
    const bool abbreviate = c.Has(at) && TruthOf(c[at]);
    ResultText(c.ctx, abbreviate ? name.substr(0, 3) : name);
}
} // namespace

// The weekday counts from the first day of the week, as Weekday() gives it.
void WeekdayName(const Call& c)
{
    const int64_t weekday = WholeOf(c[0]);
    if (weekday < 1 || weekday > 7)
        Fail(Fault::InvalidArgument, u"the weekday %1 is not 1 to 7."_s.arg(weekday));
    const int first = FirstDayOfWeek(c, 2);
    ResultName(c, DayName(int((weekday - 1 + first - 1) % 7) + 1), 1);
}

void MonthName(const Call& c)
{
    const int64_t month = WholeOf(c[0]);
    if (month < 1 || month > 12)
        Fail(Fault::InvalidArgument, u"the month %1 is not 1 to 12."_s.arg(month));
    ResultName(c, jet::MonthName(int(month)), 1);
}

// Hours, minutes and seconds beyond their ranges carry over, into other days too:
// TimeSerial(12 - 6, -15, 0) is 5:45.
void TimeSerial(const Call& c)
{
    const int64_t seconds =
        WholeOf(c[0], -32768, 32767) * 3600 + WholeOf(c[1], -32768, 32767) * 60 + WholeOf(c[2], -32768, 32767);
    const int64_t day = FloorDiv(seconds, 86400);
    ResultDate(c.ctx, JetDateTime{day, int32_t(seconds - day * 86400)});
}

// The seconds since midnight, with their hundredths.
void Timer(const Call& c)
{
    const QTime now = QDateTime::fromMSecsSinceEpoch(StatementClockMs()).time();
    ResultDouble(c.ctx, now.msecsSinceStartOfDay() / 10 / 100.0);
}

} // namespace levy::jet
