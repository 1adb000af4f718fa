#include "jet/functions/formatting/JetFormatParts.h"

#include "jet/functions/shared/JetCall.h"

#include <algorithm>

namespace levy::jet::formatting {

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

} // namespace levy::jet::formatting
