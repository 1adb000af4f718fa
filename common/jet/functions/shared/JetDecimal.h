#pragma once

#include <array>
#include <cstdint>

namespace levy::jet {

// A number in decimal digits, as the dialect sees it when it rounds or lays out a
// number: a double through its 15 significant digits (so 1.005 is 1.005, not the binary
// value just below), a whole number exactly.
struct Decimal {
    std::array<char, 24> digits{}; // '0'..'9', no leading or trailing zeros; none for zero
    int count = 0;
    int exponent = 0; // the value is 0.d1d2...dn times ten to this power
    bool negative = false;

    static Decimal Of(double value);
    static Decimal Of(int64_t value);

    bool IsZero() const { return count == 0; }
    // Rounds to `places` digits after the point (negative: to tens, hundreds...), half to
    // even or half away from zero.
    void Round(int places, bool halfEven);
    // The digit for ten to the power `power` ('0' where there is none).
    char DigitAt(int power) const;
    // Digits before the point (at least 0).
    int IntegerDigits() const { return exponent > 0 ? exponent : 0; }
    double ToDouble() const;
};

// Rounds half to even to `places` decimals; ties are judged in decimal, as above.
double RoundHalfEvenTo(double value, int places);

} // namespace levy::jet
