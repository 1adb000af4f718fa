#include "jet/functions/formatting/JetFormatParts.h"

#include "jet/functions/shared/JetCall.h"

#include <array>

namespace levy::jet::formatting {

DateFormat ParseDate(std::string_view f)
{
    DateFormat d;
    std::string literal;
    bool afterHour = false;
    auto flush = [&] {
        if (!literal.empty()) {
            d.items.push_back({DateToken::Literal, literal});
            literal.clear();
        }
    };
    auto token = [&](DateToken t, std::string text = {}) {
        flush();
        d.items.push_back({t, std::move(text)});
        afterHour = t == DateToken::Hour || t == DateToken::Hour2;
    };
    for (size_t i = 0; i < f.size();) {
        if (ReadLiteral(f, i, literal))
            continue;
        const char c = Lower(f[i]);
        // No spelling takes more than six letters; measuring the whole of a long run at
        // each of its letters would take the square of its length.
        size_t run = 0;
        while (run < 6 && i + run < f.size() && Lower(f[i + run]) == c)
            ++run;
        switch (c) {
        case 'd': {
            static constexpr DateToken byCount[] = {DateToken::Day,      DateToken::Day2,      DateToken::DayShort,
                                                    DateToken::DayLong,  DateToken::ShortDate, DateToken::LongDate};
            const size_t n = std::min<size_t>(run, 6);
            token(byCount[n - 1]);
            i += n;
            continue;
        }
        case 'm': {
            const size_t n = std::min<size_t>(run, 4);
            if (afterHour && n <= 2)
                token(n == 1 ? DateToken::Minute : DateToken::Minute2);
            else
                token(n == 1 ? DateToken::Month : n == 2 ? DateToken::Month2 : n == 3 ? DateToken::MonthShort
                                                                                       : DateToken::MonthLong);
            i += n;
            continue;
        }
        case 'y': {
            const size_t n = run >= 4 ? 4 : run >= 2 ? 2 : 1;
            token(n == 4 ? DateToken::Year4 : n == 2 ? DateToken::Year2 : DateToken::DayOfYear);
            i += n;
            continue;
        }
        case 'h':
        case 'n':
        case 's':
        case 'w': {
            const size_t n = std::min<size_t>(run, 2);
            const DateToken one = c == 'h' ? DateToken::Hour : c == 'n' ? DateToken::Minute
                                  : c == 's' ? DateToken::Second : DateToken::Weekday;
            const DateToken two = c == 'h' ? DateToken::Hour2 : c == 'n' ? DateToken::Minute2
                                  : c == 's' ? DateToken::Second2 : DateToken::Week;
            token(n == 1 ? one : two);
            i += n;
            continue;
        }
        case 'q':
            token(DateToken::Quarter);
            ++i;
            continue;
        case 'c':
            token(DateToken::GeneralDate);
            ++i;
            continue;
        case 't':
            if (run >= 5) {
                token(DateToken::LongTime);
                i += 5;
                continue;
            }
            break;
        case 'a':
            if (StartsNoCase(f, i, "am/pm")) {
                token(DateToken::AmPm, std::string(f.substr(i, 5)));
                d.twelveHour = true;
                i += 5;
                continue;
            }
            if (StartsNoCase(f, i, "a/p")) {
                token(DateToken::AP, std::string(f.substr(i, 3)));
                d.twelveHour = true;
                i += 3;
                continue;
            }
            if (StartsNoCase(f, i, "ampm")) {
                token(DateToken::AmPm, "AM/PM");
                d.twelveHour = true;
                i += 4;
                continue;
            }
            break;
        default:
            break;
        }
        const size_t n = CharLength(f, i);
        literal.append(f.substr(i, n));
        i += n;
    }
    flush();
    return d;
}

void Pad2(std::string& out, int value)
{
    out += char('0' + value / 10 % 10);
    out += char('0' + value % 10);
}

void AppendNumber(std::string& out, int value) { out += std::to_string(value); }

void AppendShortDate(std::string& out, const CivilDate& c)
{
    Pad2(out, c.day);
    out += '/';
    Pad2(out, c.month);
    out += '/';
    AppendNumber(out, c.year);
}

void AppendLongDate(std::string& out, const CivilDate& c)
{
    Pad2(out, c.day);
    out += ' ';
    out += MonthName(c.month);
    out += ' ';
    AppendNumber(out, c.year);
}

void AppendLongTime(std::string& out, int second)
{
    Pad2(out, second / 3600);
    out += ':';
    Pad2(out, second / 60 % 60);
    out += ':';
    Pad2(out, second % 60);
}

void ApplyDate(const DateFormat& f, const JetDateTime& at, int firstDayOfWeek, int firstWeekOfYear, std::string& out,
               size_t limit)
{
    const CivilDate c = CivilFromDays(at.day);
    const int hour = at.second / 3600, minute = at.second / 60 % 60, second = at.second % 60;
    const int shownHour = f.twelveHour ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
    for (const auto& item : f.items) {
        Room(out, item.token == DateToken::Literal ? item.text.size() : 0, limit);
        switch (item.token) {
        case DateToken::Literal:
            out += item.text;
            break;
        case DateToken::Day:
            AppendNumber(out, c.day);
            break;
        case DateToken::Day2:
            Pad2(out, c.day);
            break;
        case DateToken::DayShort:
            out += DayName(WeekdayOf(at.day, 1)).substr(0, 3);
            break;
        case DateToken::DayLong:
            out += DayName(WeekdayOf(at.day, 1));
            break;
        case DateToken::ShortDate:
            AppendShortDate(out, c);
            break;
        case DateToken::LongDate:
            AppendLongDate(out, c);
            break;
        case DateToken::Weekday:
            AppendNumber(out, WeekdayOf(at.day, firstDayOfWeek));
            break;
        case DateToken::Week:
            AppendNumber(out, WeekOfYear(at.day, firstDayOfWeek, firstWeekOfYear));
            break;
        case DateToken::Month:
            AppendNumber(out, c.month);
            break;
        case DateToken::Month2:
            Pad2(out, c.month);
            break;
        case DateToken::MonthShort:
            out += MonthName(c.month).substr(0, 3);
            break;
        case DateToken::MonthLong:
            out += MonthName(c.month);
            break;
        case DateToken::Minute:
            AppendNumber(out, minute);
            break;
        case DateToken::Minute2:
            Pad2(out, minute);
            break;
        case DateToken::Quarter:
            AppendNumber(out, (c.month - 1) / 3 + 1);
            break;
        case DateToken::DayOfYear:
            AppendNumber(out, DayOfYear(at.day));
            break;
        case DateToken::Year2:
            Pad2(out, c.year % 100);
            break;
        case DateToken::Year4:
            AppendNumber(out, c.year);
            break;
        case DateToken::Hour:
            AppendNumber(out, shownHour);
            break;
        case DateToken::Hour2:
            Pad2(out, shownHour);
            break;
        case DateToken::Second:
            AppendNumber(out, second);
            break;
        case DateToken::Second2:
            Pad2(out, second);
            break;
        case DateToken::LongTime:
            AppendLongTime(out, at.second);
            break;
        case DateToken::GeneralDate: {
            char text[20];
            out.append(text, size_t(WriteGeneralDate(at, text)));
            break;
        }
        case DateToken::AmPm: {
            // The spelling's case decides the designator's: AM/PM, am/pm.
            const bool upper = item.text[0] == 'A' || item.text[0] == 'P';
            out += hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            break;
        }
        case DateToken::AP: {
            const bool upper = item.text[0] == 'A' || item.text[0] == 'P';
            out += hour < 12 ? (upper ? 'A' : 'a') : (upper ? 'P' : 'p');
            break;
        }
        }
    }
    Room(out, 0, limit);
}

} // namespace levy::jet::formatting
