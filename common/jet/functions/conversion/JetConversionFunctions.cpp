#include "jet/functions/conversion/JetConversionFunctions.h"

#include "jet/functions/shared/JetCall.h"
#include "jet/functions/shared/JetDecimal.h"
#include "platform/Windows1252.h"
#include "engine/Sqlite.h"
#include "utilities/GlobalUtilities.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
// The largest amount a currency value holds: 922,337,203,685,477.5807.
constexpr double currencyLimit = 922337203685477.5807;

// &H and &O numbers keep the width they fit, as 16- or 32-bit values.
std::optional<double> RadixValue(std::string_view t)
{
    size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r'))
        ++i;
    if (i + 1 >= t.size() || t[i] != '&')
        return std::nullopt;
    const char kind = t[i + 1];
    const int base = (kind == 'h' || kind == 'H') ? 16 : (kind == 'o' || kind == 'O') ? 8 : 0;
    if (!base)
        return std::nullopt;
    uint64_t value = 0;
    for (i += 2; i < t.size(); ++i) {
        const char c = t[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0 || digit >= base)
            break;
        value = value * uint64_t(base) + uint64_t(digit);
        if (value > 0xFFFFFFFFu)
            Fail(Fault::Overflow, u"the number is larger than 32 bits."_s);
    }
    if (value <= 0xFFFF)
        return double(value > 0x7FFF ? int64_t(value) - 0x10000 : int64_t(value));
    return double(value > 0x7FFFFFFF ? int64_t(value) - 0x100000000 : int64_t(value));
}

// A whole number in base 16 or 8; negative ones as their 32-bit two's complement, as
// Long values are (Hex(-1) is FFFFFFFF).
void Radix(const Call& c, const char* format)
{
    if (NullResult(c, 0))
        return;
    char text[16];
    const int length = std::snprintf(text, sizeof text, format, unsigned(uint32_t(int32_t(WholeOf(c[0])))));
    ResultText(c.ctx, std::string_view(text, size_t(length)));
}

// The first character of a text argument; Null and an empty text are refused.
char32_t FirstCharacter(const Call& c)
{
    if (IsNull(c[0]))
        Fail(Fault::InvalidUseOfNull);
    const TextOf text(c[0]);
    if (text.View().empty())
        Fail(Fault::InvalidArgument, u"the text is empty."_s);
    size_t at = 0;
    return NextChar(text.View(), at);
}
} // namespace

void Val(const Call& c)
{
    const TextOf text(c[0]);
    if (auto radix = RadixValue(text.View())) {
        sqlite3_result_double(c.ctx, *radix);
        return;
    }
    ResultDouble(c.ctx, levy::Val(ToQString(text.View())));
}

void CInt(const Call& c) { sqlite3_result_int64(c.ctx, WholeOf(c[0], -32768, 32767)); }

void CLng(const Call& c) { sqlite3_result_int64(c.ctx, WholeOf(c[0], INT32_MIN, INT32_MAX)); }

void CCur(const Call& c)
{
    const double value = DoubleOf(c[0]);
    if (!(std::fabs(value) <= currencyLimit))
        Fail(Fault::Overflow, u"%1 is beyond the largest amount, 922337203685477.5807."_s.arg(value, 0, 'g', 15));
    ResultDouble(c.ctx, RoundHalfEvenTo(value, 4));
}

void CDbl(const Call& c) { ResultDouble(c.ctx, DoubleOf(c[0])); }

void CBool(const Call& c)
{
    if (IsNull(c[0]))
        Fail(Fault::InvalidUseOfNull);
    ResultBoolean(c.ctx, TruthOf(c[0]));
}

void Hex(const Call& c) { Radix(c, "%X"); }

void Oct(const Call& c) { Radix(c, "%o"); }

void Str(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const Number n = NumberOf(c[0]);
    char text[40];
    text[0] = ' ';
    const int length = WriteNumberText(n, text + 1);
    // Positive numbers and zero keep a blank where the sign would be.
    if (text[1] == '-')
        ResultText(c.ctx, std::string_view(text + 1, size_t(length)));
    else
        ResultText(c.ctx, std::string_view(text, size_t(length) + 1));
}

void CStr(const Call& c)
{
    const TextOf text(c[0]);
    ResultText(c.ctx, text.View());
}

// The code of the first character in the single-byte code page; a character it cannot
// hold reads as "?", as the code page's conversion gives it.
void Asc(const Call& c)
{
    const char32_t ch = FirstCharacter(c);
    std::optional<unsigned char> code;
    if (ch <= 0xFFFF)
        code = Windows1252::CodeOf(QChar(char16_t(ch)));
    sqlite3_result_int(c.ctx, code ? *code : '?');
}

// The first UTF-16 unit as a 16-bit Integer: above 32767 it is negative, and a character
// beyond the first plane gives its leading surrogate.
void AscW(const Call& c)
{
    const char32_t ch = FirstCharacter(c);
    const uint32_t unit = ch <= 0xFFFF ? uint32_t(ch) : 0xD800 + ((uint32_t(ch) - 0x10000) >> 10);
    sqlite3_result_int(c.ctx, int(int16_t(uint16_t(unit))));
}

void Chr(const Call& c) { ResultText(c.ctx, CodePageCharacter(WholeOf(c[0]))); }

// -32768 to -1 stand for 32768 to 65535. Half of a surrogate pair is no character a text
// can hold, so it is refused.
void ChrW(const Call& c)
{
    int64_t code = WholeOf(c[0]);
    if (code < -32768 || code > 65535)
        Fail(Fault::InvalidArgument, u"the character code %1 is not -32768 to 65535."_s.arg(code));
    if (code < 0)
        code += 65536;
    if (code >= 0xD800 && code <= 0xDFFF)
        Fail(Fault::InvalidArgument, u"the character code %1 is half of a surrogate pair."_s.arg(code));
    ResultText(c.ctx, QString(QChar(char16_t(code))));
}

void Nz(const Call& c)
{
    if (!IsNull(c[0]))
        sqlite3_result_value(c.ctx, c[0]);
    else if (c.Has(1))
        sqlite3_result_value(c.ctx, c[1]);
    else
        ResultText(c.ctx, std::string_view());
}

void CDate(const Call& c)
{
    if (sqlite3_value_type(c[0]) == SQLITE_TEXT) {
        const TextOf text(c[0]);
        if (!ParseDateText(text.View()))
            if (auto serial = ParseNumber(text.View())) {
                if (auto at = FromSerial(*serial)) {
                    ResultDate(c.ctx, *at);
                    return;
                }
                Fail(Fault::Overflow, u"%1 is not a date between the years 100 and 9999."_s.arg(*serial));
            }
    }
    ResultDate(c.ctx, DateOf(c[0]));
}

void CByte(const Call& c) { sqlite3_result_int64(c.ctx, WholeOf(c[0], 0, 255)); }

// A single-precision number: about seven significant digits.
void CSng(const Call& c)
{
    const double value = DoubleOf(c[0]);
    if (std::fabs(value) > 3.402823466e38)
        Fail(Fault::Overflow, u"%1 is beyond a single-precision number."_s.arg(value, 0, 'g', 15));
    const float single = float(value);
    // The shortest decimal that reads back as the same single, as the dialect shows it.
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", double(single));
    ResultDouble(c.ctx, std::strtod(text, nullptr));
}

// A decimal number: whole numbers stay whole, others keep their value.
void CDec(const Call& c) { ResultNumber(c.ctx, NumberOf(c[0])); }

// Any value as it is, Null included.
void CVar(const Call& c) { sqlite3_result_value(c.ctx, c[0]); }

// CDate that lets Null through.
void CVDate(const Call& c)
{
    if (NullResult(c, 0))
        return;
    CDate(c);
}

} // namespace levy::jet
