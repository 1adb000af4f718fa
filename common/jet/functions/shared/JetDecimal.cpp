#include "jet/functions/shared/JetDecimal.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace levy::jet {
namespace {
void StripTrailingZeros(Decimal& d)
{
    while (d.count > 0 && d.digits[size_t(d.count - 1)] == '0')
        --d.count;
    if (d.count == 0)
        d.exponent = 0;
}

constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
} // namespace

Decimal Decimal::Of(double value)
{
    Decimal d;
    if (value == 0.0 || !std::isfinite(value))
        return d;
    d.negative = value < 0;
    char text[40];
    const int n = std::snprintf(text, sizeof text, "%.14e", std::fabs(value));
    // d.dddddddddddddde+XX
    int at = 0;
    for (int i = 0; i < n && text[i] != 'e'; ++i)
        if (text[i] != '.')
            d.digits[size_t(at++)] = text[i];
    d.count = at;
    const char* e = text;
    while (*e && *e != 'e')
        ++e;
    d.exponent = std::atoi(e + 1) + 1;
    StripTrailingZeros(d);
    return d;
}

Decimal Decimal::Of(int64_t value)
{
    Decimal d;
    if (value == 0)
        return d;
    d.negative = value < 0;
    const uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    const auto result = std::to_chars(d.digits.data(), d.digits.data() + d.digits.size(), magnitude);
    d.count = int(result.ptr - d.digits.data());
    d.exponent = d.count;
    StripTrailingZeros(d);
    return d;
}

void Decimal::Round(int places, bool halfEven)
{
    const int keep = exponent + places;
    if (count == 0 || keep >= count)
        return;
    if (keep < 0) {
        count = 0;
        exponent = 0;
        return;
    }
    const char first = digits[size_t(keep)];
    const bool more = count > keep + 1;
    const bool previousOdd = keep > 0 && (digits[size_t(keep - 1)] - '0') % 2 == 1;
    const bool up = first > '5' || (first == '5' && (more || !halfEven || previousOdd));
    count = keep;
    if (up) {
        int i = count - 1;
        while (i >= 0 && digits[size_t(i)] == '9')
            digits[size_t(i--)] = '0';
        if (i >= 0) {
            ++digits[size_t(i)];
        } else {
            // Every digit carried (or none was kept): the value is one unit of the next place.
            digits[0] = '1';
            count = 1;
            exponent += 1;
        }
    }
    StripTrailingZeros(*this);
}

char Decimal::DigitAt(int power) const
{
    const int index = exponent - 1 - power;
    return index >= 0 && index < count ? digits[size_t(index)] : '0';
}

double Decimal::ToDouble() const
{
    if (count == 0)
        return 0.0;
    char text[48];
    int n = 0;
    if (negative)
        text[n++] = '-';
    for (int i = 0; i < count; ++i)
        text[n++] = digits[size_t(i)];
    n += std::snprintf(text + n, sizeof text - size_t(n), "e%d", exponent - count);
    double value = 0.0;
    std::from_chars(text, text + n, value);
    return value;
}

double RoundHalfEvenTo(double value, int places)
{
    if (!std::isfinite(value) || places > 22 || places < 0)
        return value;
    const double scale = powersOfTen[places];
    const double scaled = value * scale;
    if (std::fabs(scaled) >= 4503599627370496.0) // 2^52: nothing left after the point
        return value;
    const double fraction = std::fabs(scaled - std::trunc(scaled));
    // Away from a tie the binary value decides; near one, the decimal digits do.
    if (std::fabs(fraction - 0.5) > 1e-6)
        return std::nearbyint(scaled) / scale;
    Decimal d = Decimal::Of(value);
    d.Round(places, true);
    return d.ToDouble();
}

} // namespace levy::jet
