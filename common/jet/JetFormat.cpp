#include "JetFormat.h"

#include "JetDecimal.h"
#include "JetPattern.h"

#include <algorithm>
#include <array>

namespace levy::jet {

void FailTooLong(int64_t bytes, bool atLeast)
{
    Fail(Fault::InvalidArgument, (atLeast ? QStringLiteral("the text would be too long (more than %1 characters).")
                                          : QStringLiteral("the text would be too long (%1 characters)."))
                                     .arg(bytes));
}

void ChangeCase(std::string_view text, bool upper, std::string& out, size_t limit, CancelCheck* cancel)
{
    constexpr size_t slice = 4096;
    size_t total = out.size();
    for (size_t i = 0; i < text.size();) {
        // Cut before the first byte of a character: the mappings look at no neighbours.
        size_t end = std::min(text.size(), i + slice);
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
        const QString q = ToQString(text.substr(i, end - i));
        const QByteArray piece = (upper ? q.toUpper() : q.toLower()).toUtf8();
        total += size_t(piece.size());
        // Past the limit, only the length goes on, for the message.
        if (total <= limit)
            out.append(piece.constData(), size_t(piece.size()));
        if (cancel)
            (*cancel)(end - i);
        i = end;
    }
    if (total > limit)
        FailTooLong(int64_t(total));
}

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

// Checked before a long piece is added and after each short one, so that a result past
// the limit fails having built no more than a few bytes beyond it.
void Room(const std::string& out, size_t more, size_t limit)
{
    if (more > limit || out.size() > limit - more)
        FailTooLong(int64_t(limit), true);
}

bool SameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool StartsNoCase(std::string_view text, size_t at, std::string_view prefix)
{
    return text.size() - at >= prefix.size() && SameNoCase(text.substr(at, prefix.size()), prefix);
}

// The length of the UTF-8 character starting at `at`.
size_t CharLength(std::string_view text, size_t at)
{
    size_t n = 1;
    while (at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

// Splits at semicolons outside quotes and after no backslash.
std::vector<std::string_view> Sections(std::string_view format)
{
    std::vector<std::string_view> sections;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == '\\' && !quoted)
            ++i;
        else if (c == ';' && !quoted) {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(std::min(start, format.size())));
    return sections;
}

// Reads a quoted or escaped literal at `i`; true when there was one.
bool ReadLiteral(std::string_view f, size_t& i, std::string& literal)
{
    if (f[i] == '"') {
        const size_t end = f.find('"', i + 1);
        const size_t stop = end == std::string_view::npos ? f.size() : end;
        literal.append(f.substr(i + 1, stop - i - 1));
        i = stop == f.size() ? stop : stop + 1;
        return true;
    }
    if (f[i] == '\\') {
        if (i + 1 < f.size()) {
            const size_t n = CharLength(f, i + 1);
            literal.append(f.substr(i + 1, n));
            i += 1 + n;
        } else {
            ++i;
        }
        return true;
    }
    return false;
}

// --- numbers -------------------------------------------------------------------------

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

NumericSection ParseNumeric(std::string_view f)
{
    NumericSection s;
    s.empty = f.empty();
    bool afterPoint = false, inExponent = false;
    int pendingCommas = 0;
    std::string literal;
    auto flush = [&] {
        if (!literal.empty()) {
            s.items.push_back({NumericSection::Kind::Literal, literal});
            literal.clear();
        }
    };
    for (size_t i = 0; i < f.size();) {
        if (ReadLiteral(f, i, literal))
            continue;
        const char c = f[i];
        if (c == '0' || c == '#') {
            flush();
            if (inExponent) {
                if (c == '0')
                    ++s.exponentZeros;
            } else if (afterPoint) {
                s.fracPlaceholders.push_back(c);
                s.items.push_back({NumericSection::Kind::FracDigit, {}, c});
            } else {
                if (pendingCommas > 0)
                    s.grouping = true;
                pendingCommas = 0;
                s.intPlaceholders.push_back(c);
                s.items.push_back({NumericSection::Kind::IntDigit, {}, c});
            }
            ++i;
        } else if (c == '.' && !afterPoint && !inExponent) {
            flush();
            afterPoint = true;
            s.scale += pendingCommas;
            pendingCommas = 0;
            s.items.push_back({NumericSection::Kind::Point, {}, 0});
            ++i;
        } else if (c == ',' && !afterPoint && !inExponent) {
            ++pendingCommas;
            ++i;
        } else if (c == '%') {
            ++s.percents;
            literal += '%';
            ++i;
        } else if ((c == 'E' || c == 'e') && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-') &&
                   !s.exponent) {
            flush();
            s.exponent = true;
            inExponent = true;
            s.exponentLetter = c;
            s.exponentPlus = f[i + 1] == '+';
            s.items.push_back({NumericSection::Kind::Exponent, {}, 0});
            i += 2;
        } else {
            const size_t n = CharLength(f, i);
            literal.append(f.substr(i, n));
            i += n;
        }
    }
    flush();
    s.scale += pendingCommas;
    return s;
}

void AppendGrouped(std::string& out, std::string_view digits)
{
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
}

// Lays out a magnitude (the sign is the caller's).
void ApplyNumeric(const NumericSection& s, Decimal d, std::string& out, size_t limit)
{
    d.negative = false;
    if (!d.IsZero())
        d.exponent += 2 * s.percents - 3 * s.scale;
    const int places = int(s.fracPlaceholders.size());
    int exponent10 = 0;
    if (s.exponent) {
        const int intCount = int(s.intPlaceholders.size());
        if (!d.IsZero()) {
            exponent10 = d.exponent - intCount;
            d.exponent = intCount;
            d.Round(places, false);
            if (d.exponent > intCount) {
                exponent10 += d.exponent - intCount;
                d.exponent = intCount;
            }
        }
    } else {
        d.Round(places, false);
    }

    std::array<char, 340> intBuffer;
    const int intCount = std::min(d.IntegerDigits(), int(intBuffer.size()));
    for (int p = intCount - 1, k = 0; p >= 0; --p, ++k)
        intBuffer[size_t(k)] = d.DigitAt(p);
    const std::string_view intDigits(intBuffer.data(), size_t(intCount));

    std::array<char, 64> frac{};
    const int fracCount = std::min(places, int(frac.size()));
    for (int k = 0; k < fracCount; ++k)
        frac[size_t(k)] = d.DigitAt(-(k + 1));
    int keepFrac = fracCount;
    while (keepFrac > 0 && s.fracPlaceholders[size_t(keepFrac - 1)] == '#' && frac[size_t(keepFrac - 1)] == '0')
        --keepFrac;

    const size_t slotCount = s.intPlaceholders.size();
    size_t minDigits = 0;
    for (size_t k = 0; k < slotCount; ++k)
        if (s.intPlaceholders[k] == '0') {
            minDigits = slotCount - k;
            break;
        }

    size_t intSlot = 0, fracSlot = 0;
    bool integerShown = false;
    auto showLooseInteger = [&] {
        // Without integer placeholders the whole part still shows before the point.
        if (!integerShown && slotCount == 0) {
            out.append(intDigits);
            integerShown = true;
        }
    };
    for (const auto& item : s.items) {
        Room(out, item.text.size(), limit);
        switch (item.kind) {
        case NumericSection::Kind::Literal:
            out += item.text;
            break;
        case NumericSection::Kind::IntDigit: {
            if (s.grouping) {
                if (intSlot++ == 0) {
                    std::string padded(minDigits > intDigits.size() ? minDigits - intDigits.size() : 0, '0');
                    padded.append(intDigits);
                    Room(out, padded.size() + (padded.empty() ? 0 : (padded.size() - 1) / 3), limit);
                    AppendGrouped(out, padded);
                }
                break;
            }
            const size_t fromRight = slotCount - 1 - intSlot;
            if (intSlot == 0 && intDigits.size() > slotCount)
                out.append(intDigits.substr(0, intDigits.size() - slotCount));
            if (fromRight < intDigits.size())
                out += intDigits[intDigits.size() - 1 - fromRight];
            else if (item.placeholder == '0')
                out += '0';
            ++intSlot;
            break;
        }
        case NumericSection::Kind::Point:
            showLooseInteger();
            out += '.';
            break;
        case NumericSection::Kind::FracDigit:
            showLooseInteger();
            if (int(fracSlot) < keepFrac)
                out += frac[fracSlot];
            ++fracSlot;
            break;
        case NumericSection::Kind::Exponent: {
            showLooseInteger();
            out += s.exponentLetter;
            if (exponent10 < 0)
                out += '-';
            else if (s.exponentPlus)
                out += '+';
            const std::string digits = std::to_string(exponent10 < 0 ? -exponent10 : exponent10);
            Room(out, std::max(size_t(s.exponentZeros), digits.size()), limit);
            if (int(digits.size()) < s.exponentZeros)
                out.append(size_t(s.exponentZeros) - digits.size(), '0');
            out += digits;
            break;
        }
        }
    }
    Room(out, 0, limit);
}

// --- dates ---------------------------------------------------------------------------

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

// --- texts ---------------------------------------------------------------------------

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

TextSection ParseText(std::string_view f)
{
    TextSection s;
    std::string literal;
    auto flush = [&] {
        if (!literal.empty()) {
            s.items.push_back({false, 0, literal});
            literal.clear();
        }
    };
    for (size_t i = 0; i < f.size();) {
        if (ReadLiteral(f, i, literal))
            continue;
        const char c = f[i];
        if (c == '@' || c == '&') {
            flush();
            s.items.push_back({true, c, {}});
            ++s.placeholders;
        } else if (c == '<') {
            s.letterCase = -1;
        } else if (c == '>') {
            s.letterCase = 1;
        } else if (c == '!') {
            s.leftToRight = true;
        } else {
            const size_t n = CharLength(f, i);
            literal.append(f.substr(i, n));
            i += n;
            continue;
        }
        ++i;
    }
    flush();
    return s;
}

void ApplyText(const TextSection& s, std::string_view text, std::string& out, size_t limit)
{
    std::string cased;
    if (s.letterCase != 0) {
        ChangeCase(text, s.letterCase > 0, cased, limit);
        text = cased;
    }
    if (s.placeholders == 0) {
        for (const auto& item : s.items) {
            Room(out, item.text.size(), limit);
            out += item.text;
        }
        Room(out, text.size(), limit);
        out.append(text);
        return;
    }
    // Character boundaries, so that a placeholder takes a whole character.
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        starts.push_back(i);
    starts.push_back(text.size());
    const size_t chars = starts.size() - 1;
    const size_t slotCount = size_t(s.placeholders);
    auto character = [&](size_t index) { return text.substr(starts[index], starts[index + 1] - starts[index]); };
    size_t slot = 0;
    for (const auto& item : s.items) {
        Room(out, item.text.size(), limit);
        if (!item.placeholder) {
            out += item.text;
            continue;
        }
        std::string_view piece;
        bool has = false;
        if (s.leftToRight) {
            has = slot < chars;
            if (has)
                piece = character(slot);
            if (slot == slotCount - 1 && chars > slotCount) {
                if (has)
                    out.append(piece);
                Room(out, text.size() - starts[slotCount], limit);
                out.append(text.substr(starts[slotCount]));
                ++slot;
                continue;
            }
        } else {
            const size_t fromRight = slotCount - 1 - slot;
            if (slot == 0 && chars > slotCount) {
                Room(out, starts[chars - slotCount], limit);
                out.append(text.substr(0, starts[chars - slotCount]));
            }
            has = fromRight < chars;
            if (has)
                piece = character(chars - 1 - fromRight);
        }
        if (has)
            out.append(piece);
        else if (item.kind == '@')
            out += ' ';
        ++slot;
    }
    Room(out, 0, limit);
}
} // namespace

// --- the whole format ----------------------------------------------------------------

struct CompiledFormat::Parts {
    enum class Style { None, GeneralNumber, Numeric, Date, Text, Boolean } style = Style::None;
    std::vector<NumericSection> numeric;
    DateFormat date;
    std::vector<TextSection> text;
    std::string trueText, falseText;
};

namespace {
using Style = CompiledFormat::Parts::Style;

Style Classify(std::string_view f)
{
    bool digits = false, dateLetters = false, textMarks = false;
    for (size_t i = 0; i < f.size();) {
        std::string ignored;
        if (ReadLiteral(f, i, ignored))
            continue;
        const char c = Lower(f[i]);
        if (c == '0' || c == '#')
            digits = true;
        else if (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's' || c == 'w' || c == 'q' ||
                 c == 'c' || StartsNoCase(f, i, "ttttt") || StartsNoCase(f, i, "am/pm") || StartsNoCase(f, i, "a/p"))
            dateLetters = true;
        else if (c == '@' || c == '&' || c == '<' || c == '>' || c == '!')
            textMarks = true;
        ++i;
    }
    if (digits)
        return Style::Numeric;
    if (dateLetters)
        return Style::Date;
    if (textMarks)
        return Style::Text;
    return Style::Numeric;
}

void AppendNumberText(const Number& n, std::string& out)
{
    char text[32];
    out.append(text, size_t(WriteNumberText(n, text)));
}

void AppendGeneralDate(const JetDateTime& at, std::string& out)
{
    char text[20];
    out.append(text, size_t(WriteGeneralDate(at, text)));
}

std::optional<double> NumericText(std::string_view text) { return ParseNumber(text); }
} // namespace

CompiledFormat::CompiledFormat(std::string_view format) : parts_(std::make_unique<Parts>())
{
    Parts& p = *parts_;
    struct Named {
        std::string_view name;
        Style style;
        std::string_view pattern;
    };
    static constexpr Named named[] = {
        {"General Number", Style::GeneralNumber, ""},
        {"Currency", Style::Numeric, "$#,##0.00;-$#,##0.00"},
        {"Fixed", Style::Numeric, "0.00"},
        {"Standard", Style::Numeric, "#,##0.00"},
        {"Percent", Style::Numeric, "0.00%"},
        {"Scientific", Style::Numeric, "0.00E+00"},
        {"Yes/No", Style::Boolean, "Yes;No"},
        {"True/False", Style::Boolean, "True;False"},
        {"On/Off", Style::Boolean, "On;Off"},
        {"General Date", Style::Date, "c"},
        {"Long Date", Style::Date, "dd mmmm yyyy"},
        {"Medium Date", Style::Date, "dd-mmm-yy"},
        {"Short Date", Style::Date, "dd/mm/yyyy"},
        {"Long Time", Style::Date, "hh:nn:ss"},
        {"Medium Time", Style::Date, "hh:nn AM/PM"},
        {"Short Time", Style::Date, "hh:nn"},
    };
    std::string_view pattern = format;
    if (format.empty()) {
        p.style = Style::None;
        return;
    }
    p.style = Style::None;
    bool found = false;
    for (const Named& n : named)
        if (SameNoCase(n.name, format)) {
            p.style = n.style;
            pattern = n.pattern;
            found = true;
            break;
        }
    if (!found)
        p.style = Classify(Sections(format).front());
    switch (p.style) {
    case Style::Numeric:
        for (const std::string_view section : Sections(pattern))
            p.numeric.push_back(ParseNumeric(section));
        break;
    case Style::Date:
        p.date = ParseDate(pattern);
        break;
    case Style::Text:
        for (const std::string_view section : Sections(pattern))
            p.text.push_back(ParseText(section));
        break;
    case Style::Boolean: {
        const auto halves = Sections(pattern);
        p.trueText = std::string(halves[0]);
        p.falseText = std::string(halves[1]);
        break;
    }
    case Style::None:
    case Style::GeneralNumber:
        break;
    }
}

CompiledFormat::~CompiledFormat() = default;

namespace {
bool ApplyParts(const CompiledFormat::Parts& p, const FormatInput& value, int firstDayOfWeek, int firstWeekOfYear,
                std::string& out, size_t limit)
{
    using Kind = FormatInput::Kind;
    if (value.kind == Kind::Null) {
        if (p.style == Style::Numeric && p.numeric.size() >= 4) {
            ApplyNumeric(p.numeric[3], Decimal{}, out, limit);
            return true;
        }
        if (p.style == Style::Text && p.text.size() >= 2) {
            ApplyText(p.text[1], {}, out, limit);
            return true;
        }
        return false;
    }

    // What the value is for this format: a text may stand for a number or a date.
    std::optional<Number> number;
    std::optional<JetDateTime> date;
    if (value.kind == Kind::Number)
        number = value.number;
    else if (value.kind == Kind::Date)
        date = value.date;

    switch (p.style) {
    case Style::None:
        if (number)
            AppendNumberText(*number, out);
        else if (date)
            AppendGeneralDate(*date, out);
        else {
            Room(out, value.text.size(), limit);
            out.append(value.text);
        }
        return true;
    case Style::GeneralNumber:
    case Style::Boolean:
    case Style::Numeric: {
        if (date)
            number = Number::Of(ToSerial(*date));
        else if (!number)
            if (auto n = NumericText(value.text))
                number = Number::Of(*n);
        if (!number) {
            Room(out, value.text.size(), limit);
            out.append(value.text);
            return true;
        }
        if (p.style == Style::GeneralNumber) {
            AppendNumberText(*number, out);
            return true;
        }
        const double v = number->AsDouble();
        if (p.style == Style::Boolean) {
            Room(out, (v != 0.0 ? p.trueText : p.falseText).size(), limit);
            out += v != 0.0 ? p.trueText : p.falseText;
            return true;
        }
        const size_t count = p.numeric.size();
        const NumericSection* section = &p.numeric[0];
        bool minus = false;
        if (v < 0) {
            if (count >= 2 && !p.numeric[1].empty)
                section = &p.numeric[1];
            else
                minus = true;
        } else if (v == 0 && count >= 3 && !p.numeric[2].empty) {
            section = &p.numeric[2];
        }
        if (minus)
            out += '-';
        ApplyNumeric(*section, number->whole ? Decimal::Of(number->integer) : Decimal::Of(number->real), out, limit);
        return true;
    }
    case Style::Date: {
        if (!date && !number) {
            // A numeric text is a serial number, as a number is; other texts may spell a date.
            if (auto n = NumericText(value.text))
                number = Number::Of(*n);
            else
                date = ParseDateText(value.text);
        }
        if (!date && number) {
            date = FromSerial(number->AsDouble());
            if (!date)
                Fail(Fault::Overflow, QStringLiteral("the number is no date between the years 100 and 9999."));
        }
        if (!date) {
            Room(out, value.text.size(), limit);
            out.append(value.text);
            return true;
        }
        ApplyDate(p.date, *date, firstDayOfWeek, firstWeekOfYear, out, limit);
        return true;
    }
    case Style::Text: {
        std::string text;
        if (number)
            AppendNumberText(*number, text);
        else if (date)
            AppendGeneralDate(*date, text);
        else
            text.assign(value.text);
        const TextSection& section = text.empty() && p.text.size() >= 2 ? p.text[1] : p.text[0];
        ApplyText(section, text, out, limit);
        return true;
    }
    }
    return true;
}
} // namespace

bool CompiledFormat::Apply(const FormatInput& value, int firstDayOfWeek, int firstWeekOfYear, std::string& out,
                           size_t limit) const
{
    const bool shown = ApplyParts(*parts_, value, firstDayOfWeek, firstWeekOfYear, out, limit);
    Room(out, 0, limit);
    return shown;
}

} // namespace levy::jet
