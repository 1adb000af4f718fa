#include "jet/functions/formatting/JetFormat.h"

#include "jet/functions/shared/JetCall.h"
#include "jet/functions/formatting/JetFormatParts.h"
#include "jet/functions/shared/JetDecimal.h"
#include "jet/functions/shared/JetPattern.h"

#include <algorithm>
#include <array>

namespace levy::jet {

namespace formatting {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

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

size_t CharLength(std::string_view text, size_t at)
{
    size_t n = 1;
    while (at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

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
} // namespace formatting

using namespace formatting;

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
