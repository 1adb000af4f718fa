#include "JetSqlFunctions.h"

#include "JetDecimal.h"
#include "JetValue.h"
#include "engine/Sqlite.h"
#include "utilities/GlobalUtilities.h"

#include <cmath>
#include <cstdio>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
// The largest amount a currency value holds: 922,337,203,685,477.5807.
constexpr double currencyLimit = 922337203685477.5807;

bool NullResult(const Call& c, int at)
{
    if (!IsNull(c[at]))
        return false;
    sqlite3_result_null(c.ctx);
    return true;
}

bool AnyNull(const Call& c)
{
    for (int i = 0; i < c.argc; ++i)
        if (IsNull(c[i])) {
            sqlite3_result_null(c.ctx);
            return true;
        }
    return false;
}

// A stored date among the operands of + and -.
std::optional<JetDateTime> StoredDate(sqlite3_value* v)
{
    if (sqlite3_value_type(v) != SQLITE_TEXT || !IsStorageDateText(StoredText(v)))
        return std::nullopt;
    return ParseDateText(StoredText(v));
}

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

Number Sum(const Number& a, const Number& b, bool negateB)
{
    if (a.whole && b.whole) {
        int64_t out = 0;
        const bool overflow = negateB ? __builtin_sub_overflow(a.integer, b.integer, &out)
                                      : __builtin_add_overflow(a.integer, b.integer, &out);
        if (!overflow)
            return Number::Of(out);
    }
    return Number::Of(negateB ? a.AsDouble() - b.AsDouble() : a.AsDouble() + b.AsDouble());
}

void ResultSerialDate(const Call& c, double serial)
{
    if (auto at = FromSerial(serial))
        ResultDate(c.ctx, *at);
    else
        Fail(Fault::Overflow, u"the date would fall outside the years 100 to 9999."_s);
}

// Both operands of \ and Mod are first rounded half to even to whole numbers.
std::pair<int64_t, int64_t> WholeOperands(const Call& c)
{
    constexpr int64_t low = std::numeric_limits<int64_t>::min() / 2, high = std::numeric_limits<int64_t>::max() / 2;
    const int64_t a = WholeOf(c[0], low, high);
    const int64_t b = WholeOf(c[1], low, high);
    if (b == 0)
        Fail(Fault::DivisionByZero);
    return {a, b};
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

void Int(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const Number n = NumberOf(c[0]);
    ResultNumber(c.ctx, n.whole ? n : Number::Of(std::floor(n.real)));
}

void Fix(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const Number n = NumberOf(c[0]);
    ResultNumber(c.ctx, n.whole ? n : Number::Of(std::trunc(n.real)));
}

void Round(const Call& c)
{
    const int64_t places = c.Has(1) && !IsNull(c[1]) ? WholeOf(c[1]) : 0;
    if (places < 0)
        Fail(Fault::InvalidArgument, u"the number of decimal places %1 is negative."_s.arg(places));
    if (NullResult(c, 0))
        return;
    const Number n = NumberOf(c[0]);
    ResultNumber(c.ctx, n.whole ? n : Number::Of(RoundHalfEvenTo(n.real, int(std::min<int64_t>(places, 22)))));
}

void Abs(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const Number n = NumberOf(c[0]);
    if (n.whole && n.integer != std::numeric_limits<int64_t>::min())
        sqlite3_result_int64(c.ctx, n.integer < 0 ? -n.integer : n.integer);
    else
        ResultDouble(c.ctx, std::fabs(n.AsDouble()));
}

void Sgn(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const double v = NumberOf(c[0]).AsDouble();
    sqlite3_result_int(c.ctx, v > 0 ? 1 : (v < 0 ? -1 : 0));
}

void Sqr(const Call& c)
{
    const double v = DoubleOf(c[0]);
    if (v < 0)
        Fail(Fault::InvalidArgument, u"%1 is negative."_s.arg(v, 0, 'g', 15));
    ResultDouble(c.ctx, std::sqrt(v));
}

void IntegerDivide(const Call& c)
{
    if (AnyNull(c))
        return;
    const auto [a, b] = WholeOperands(c);
    sqlite3_result_int64(c.ctx, a / b);
}

void Mod(const Call& c)
{
    if (AnyNull(c))
        return;
    const auto [a, b] = WholeOperands(c);
    sqlite3_result_int64(c.ctx, a % b);
}

void Power(const Call& c)
{
    if (AnyNull(c))
        return;
    const double base = DoubleOf(c[0]), exponent = DoubleOf(c[1]);
    if (base < 0 && exponent != std::trunc(exponent))
        Fail(Fault::InvalidArgument, u"a negative number has no power %1."_s.arg(exponent, 0, 'g', 15));
    if (base == 0 && exponent < 0)
        Fail(Fault::DivisionByZero);
    const double result = std::pow(base, exponent);
    if (!std::isfinite(result))
        Fail(Fault::Overflow, u"the result is too large."_s);
    ResultDouble(c.ctx, result);
}

void Divide(const Call& c)
{
    if (AnyNull(c))
        return;
    const double a = DoubleOf(c[0]), b = DoubleOf(c[1]);
    if (b == 0)
        Fail(a == 0 ? Fault::Overflow : Fault::DivisionByZero);
    ResultDouble(c.ctx, a / b);
}

void Add(const Call& c)
{
    if (AnyNull(c))
        return;
    const auto dateA = StoredDate(c[0]), dateB = StoredDate(c[1]);
    if (dateA || dateB) {
        const double a = dateA ? ToSerial(*dateA) : DoubleOf(c[0]);
        const double b = dateB ? ToSerial(*dateB) : DoubleOf(c[1]);
        ResultSerialDate(c, a + b);
        return;
    }
    // Two texts join, as & does; anything else adds.
    if (sqlite3_value_type(c[0]) == SQLITE_TEXT && sqlite3_value_type(c[1]) == SQLITE_TEXT) {
        std::string out(StoredText(c[0]));
        out.append(StoredText(c[1]));
        ResultText(c.ctx, out);
        return;
    }
    ResultNumber(c.ctx, Sum(NumberOf(c[0]), NumberOf(c[1]), false));
}

void Subtract(const Call& c)
{
    if (AnyNull(c))
        return;
    const auto dateA = StoredDate(c[0]), dateB = StoredDate(c[1]);
    if (dateA && dateB) {
        ResultDouble(c.ctx, ToSerial(*dateA) - ToSerial(*dateB));
        return;
    }
    if (dateA) {
        ResultSerialDate(c, ToSerial(*dateA) - DoubleOf(c[1]));
        return;
    }
    if (dateB) {
        ResultDouble(c.ctx, DoubleOf(c[0]) - ToSerial(*dateB));
        return;
    }
    ResultNumber(c.ctx, Sum(NumberOf(c[0]), NumberOf(c[1]), true));
}

namespace {
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
} // namespace

void Hex(const Call& c) { Radix(c, "%X"); }
void Oct(const Call& c) { Radix(c, "%o"); }

} // namespace levy::jet
