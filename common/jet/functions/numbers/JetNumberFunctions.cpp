#include "jet/functions/numbers/JetNumberFunctions.h"
#include "jet/functions/shared/StatementRun.h"

#include "jet/functions/shared/JetCall.h"
#include "jet/functions/shared/JetDecimal.h"
#include "jet/functions/shared/JetValue.h"
#include "engine/Sqlite.h"
#include "utilities/GlobalUtilities.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {

// A stored date among the operands of + and -.
std::optional<JetDateTime> StoredDate(sqlite3_value* v)
{
    if (sqlite3_value_type(v) != SQLITE_TEXT || !IsStorageDateText(StoredText(v)))
        return std::nullopt;
    return ParseDateText(StoredText(v));
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
} // namespace

namespace {
void Finite(const Call& c, double value)
{
    if (std::isinf(value))
        Fail(Fault::Overflow);
    if (std::isnan(value))
        Fail(Fault::InvalidArgument);
    ResultDouble(c.ctx, value);
}
} // namespace

void Atn(const Call& c) { Finite(c, std::atan(DoubleOf(c[0]))); }
void Cos(const Call& c) { Finite(c, std::cos(DoubleOf(c[0]))); }
void Sin(const Call& c) { Finite(c, std::sin(DoubleOf(c[0]))); }
void Tan(const Call& c) { Finite(c, std::tan(DoubleOf(c[0]))); }

void Exp(const Call& c)
{
    const double v = DoubleOf(c[0]);
    if (v > 709.782712893384)
        Fail(Fault::Overflow, u"e to the power %1 is too large."_s.arg(v, 0, 'g', 15));
    Finite(c, std::exp(v));
}

void Log(const Call& c)
{
    const double v = DoubleOf(c[0]);
    if (v <= 0)
        Fail(Fault::InvalidArgument, u"%1 is not above 0."_s.arg(v, 0, 'g', 15));
    Finite(c, std::log(v));
}

// The dialect's own generator, a 24-bit sequence, so that a seed gives the documented
// numbers: a negative argument always gives the same number for the same argument, 0
// repeats the last number, and anything else (or nothing) gives the next. Each
// thread's sequence starts where the dialect's does; a statement read again gives the
// same numbers (StatementRun.h).
void Rnd(const Call& c)
{
    uint32_t& seed = RandomSeed();
    if (c.Has(0)) {
        if (IsNull(c[0]))
            Fail(Fault::InvalidUseOfNull);
        const float number = float(DoubleOf(c[0]));
        if (number == 0.0f) {
            ResultDouble(c.ctx, double(seed) / 16777216.0);
            return;
        }
        if (number < 0.0f) {
            uint32_t bits = 0;
            std::memcpy(&bits, &number, sizeof bits);
            seed = (bits + (bits >> 24)) & 0xFFFFFF;
        }
    }
    seed = (seed * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFF;
    ResultDouble(c.ctx, double(float(double(seed) / 16777216.0)));
}

} // namespace levy::jet
