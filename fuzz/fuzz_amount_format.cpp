// Amount display and the platform's number reading. The first eight bytes are an amount
// in ten-thousandths (and, as a double, a number to read back), the ninth chooses the
// display's options; the rest is a text for Val.

#include "FuzzSupport.h"

#include "export/ExportCells.h"
#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"

#include <bit>
#include <cmath>
#include <cstring>

using namespace levy;
using namespace Qt::Literals::StringLiterals;
using fuzz::Codes;

namespace {

// Digits in blank-separated groups of three from the right.
QString Grouped(const QString& digits)
{
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += u' ';
        out += digits[i];
    }
    return out;
}

void CheckFormatAmount(int64_t amount, bool omitCurrencySign, bool omitSuffix)
{
    const uint64_t magnitude = amount < 0 ? uint64_t(0) - uint64_t(amount) : uint64_t(amount);
    const QString context = QString::number(amount);
    // Every amount of the type is shown, to its extremes.
    const QString text = FormatAmount(Currency{amount}, omitCurrencySign, omitSuffix);

    QString rest = text;
    if (!omitSuffix) {
        LEVY_REQUIRE(rest.endsWith(amount < 0 ? u" DR"_s : u" CR"_s), "DR for a negative amount, CR otherwise",
                     context + u" -> "_s + text);
        rest.chop(3);
    }
    LEVY_REQUIRE(rest.size() >= 3 && rest[rest.size() - 3] == u'.' && rest[rest.size() - 2].isDigit() &&
                     rest[rest.size() - 1].isDigit(),
                 "two decimals after a point", context + u" -> "_s + text);
    const uint64_t cents = uint64_t(rest.right(2).toInt());
    rest.chop(3);
    if (!omitCurrencySign) {
        LEVY_REQUIRE(rest.startsWith(u"$ "_s), "currency sign in front", context + u" -> "_s + text);
        rest.remove(0, 2);
    }
    QString digits = rest;
    digits.remove(u' ');
    bool ok = false;
    const uint64_t shownWhole = digits.toULongLong(&ok);
    LEVY_REQUIRE(ok && QString::number(shownWhole) == digits, "whole part shown as digits", context + u" -> "_s + text);
    LEVY_REQUIRE(rest == Grouped(digits).rightJustified(11, u' '), "digits grouped by three in a fixed width",
                 context + u" -> "_s + text);
    // The display rounds the fraction to cents through a single-precision value: never
    // more than half a cent away.
    const uint64_t shown = shownWhole * 10000 + cents * 100;
    const uint64_t distance = shown > magnitude ? shown - magnitude : magnitude - shown;
    LEVY_REQUIRE(cents < 100 && distance <= 50, "shown amount within half a cent", context + u" -> "_s + text);

    // The results grid shows amounts this way and the exports read them back from it.
    if (omitCurrencySign && omitSuffix)
        LEVY_REQUIRE(NumericValueOfText(text).tenThousandths == int64_t(shown), "a shown amount reads back as shown",
                     context + u" -> "_s + text);
}

void CheckVal(double number, const QString& text)
{
    const double value = Val(text);
    LEVY_REQUIRE(!std::isnan(value), "Val never gives NaN", Codes(text));
    if (!std::isfinite(number))
        return;
    // A number written out in full reads back exactly, whatever follows it.
    const QString written = QString::number(number, 'g', 17);
    const double back = Val(written + u'x' + text);
    LEVY_REQUIRE(back == number, "a number written in full reads back",
                 written + u" -> "_s + QString::number(back, 'g', 17));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t head[9] = {};
    std::memcpy(head, data, size < 9 ? size : 9);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | head[i];
    const QString text = size > 9 ? fuzz::TextOf(data + 9, size - 9) : QString();

    CheckFormatAmount(int64_t(bits), head[8] & 1, head[8] & 2);
    // Amounts a levy office meets, so that most inputs reach the display itself.
    CheckFormatAmount(int64_t(bits % 200000000000000u) - 100000000000000, head[8] & 1, head[8] & 2);
    CheckVal(std::bit_cast<double>(bits), text);
    return 0;
}
