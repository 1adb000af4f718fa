#include "GlobalUtilities.h"

#include "platform/RuntimeError.h"

#include <cmath>
#include <charconv>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace levy {

QString TrimSpaces(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start);
}

namespace {
constexpr int errDivisionByZero = 11;
} // namespace

bool NamesMatch(const QString& a, const QString& b) { return TrimSpaces(a).toUpper() == TrimSpaces(b).toUpper(); }

QString FormatAmount(Currency amount, bool omitCurrencySign, bool omitSuffix)
{
    const int64_t t = amount.tenThousandths;
    const uint64_t magnitude = t < 0 ? uint64_t(0) - uint64_t(t) : uint64_t(t);
    uint64_t whole = magnitude / 10000;
    // The fraction is a single-precision value rounded to two decimals; a fraction that
    // rounds up to a whole unit carries into the whole part.
    const float fraction = float(magnitude % 10000) / 10000.0f;
    int cents = int(std::floor(double(fraction) * 100.0 + 0.5));
    if (cents >= 100) {
        cents -= 100;
        whole += 1;
    }
    const QString digits = QString::number(whole);
    const QString pattern = omitCurrencySign ? u"@@@ @@@ @@@"_s : u"$ @@@ @@@ @@@"_s;
    QString text = pattern;
    qsizetype d = digits.size() - 1;
    for (qsizetype p = text.size() - 1; p >= 0; --p) {
        if (text[p] != u'@')
            continue;
        text[p] = d >= 0 ? digits[d--] : QChar(u' ');
    }
    // Digits beyond the pattern's nine positions are shown in full, grouped the same way.
    if (d >= 0) {
        QString extra;
        int inGroup = 0;
        for (; d >= 0; --d) {
            if (inGroup == 3) {
                extra.prepend(u' ');
                inGroup = 0;
            }
            extra.prepend(digits[d]);
            ++inGroup;
        }
        const qsizetype firstDigit = omitCurrencySign ? 0 : 2;
        text = text.left(firstDigit) + extra + u' ' + text.mid(firstDigit);
    }
    text += u'.' + QString::number(cents).rightJustified(2, u'0');
    if (!omitSuffix)
        text += t < 0 ? u" DR"_s : u" CR"_s;
    return text;
}

double RoundHalfEven(double value)
{
    const double r = std::nearbyint(value);  // the default rounding mode is to nearest, ties to even
    return r;
}

bool IsDivisible(double value, int32_t divisor)
{
    const double d = RoundHalfEven(double(divisor));
    if (divisor == 0 || d == 0.0)
        Raise(errDivisionByZero, u"IsDivisible"_s, u"Division by zero"_s);
    const double integerQuotient = std::trunc(RoundHalfEven(value) / d);
    return value / double(divisor) == integerQuotient;
}

} // namespace levy

namespace levy {

double Val(const QString& text)
{
    std::string number;
    bool sign = false, digits = false, point = false, exponent = false, exponentDigits = false;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (c >= u'0' && c <= u'9') {
            number += char(c);
            (exponent ? exponentDigits : digits) = true;
        } else if ((c == u'+' || c == u'-') && number.empty() && !sign) {
            sign = true;
            if (c == u'-')
                number += '-';
        } else if ((c == u'+' || c == u'-') && exponent && number.back() == 'e') {
            number += char(c);
        } else if (c == u'.' && !point && !exponent) {
            number += '.';
            point = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && digits && !exponent) {
            number += 'e';
            exponent = true;
        } else {
            break;
        }
    }
    // An exponent without digits does not count ("2e" is 2).
    if (exponent && !exponentDigits)
        while (!number.empty() && (number.back() == 'e' || number.back() == '+' || number.back() == '-'))
            number.pop_back();
    if (!digits)
        return 0.0;
    // Not strtod: the decimal point must not depend on the user's locale.
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (number.find("e-") != std::string::npos)
            return 0.0;
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

} // namespace levy
