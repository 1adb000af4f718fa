// What a result-grid cell becomes in an export. The first byte chooses the cell's colour
// and the separator; the rest is the cell's text. The exported texts are checked against
// a plain reading of their rules, written separately here.

#include "FuzzSupport.h"

#include "export/ExportCells.h"
#include "export/GridColours.h"
#include "platform/RuntimeError.h"

#include <QStringList>
#include <limits>
#include <optional>

using namespace levy;
using namespace Qt::Literals::StringLiterals;
using fuzz::Codes;

namespace {
constexpr int errOverflow = 6;

// The lines of a text, empty ones left out, joined by the separator.
QString JoinedLines(const QString& text, const QString& separator)
{
    QStringList lines;
    QString line;
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n') {
            if (!line.isEmpty())
                lines.append(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines.join(separator);
}

// The leading number in ten-thousandths, rounded half to even; nothing when it lies
// beyond the amount range.
std::optional<int64_t> LeadingNumber(const QString& text)
{
    QString s;
    for (const QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n')
            s += c;
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
        negative = s[i++] == u'-';
    QString whole, fraction;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (s[i] == u'.' && !point) {
            point = true;
        } else if (s[i] >= u'0' && s[i] <= u'9') {
            (point ? fraction : whole) += s[i];
        } else {
            break;
        }
    }
    while (whole.startsWith(u'0'))
        whole.remove(0, 1);
    // Sixteen whole digits are beyond the range; fifteen still fit an unsigned 64-bit count.
    if (whole.size() > 15)
        return std::nullopt;
    uint64_t t = 0;
    for (const QChar d : whole)
        t = t * 10 + uint64_t(d.unicode() - u'0');
    const QString four = fraction.left(4).leftJustified(4, u'0');
    for (const QChar d : four)
        t = t * 10 + uint64_t(d.unicode() - u'0');
    if (fraction.size() > 4) {
        const int fifth = fraction[4].unicode() - u'0';
        bool beyond = false;
        for (qsizetype k = 5; k < fraction.size(); ++k)
            beyond = beyond || fraction[k] != u'0';
        if (fifth > 5 || (fifth == 5 && (beyond || t % 2 != 0)))
            ++t;
    }
    if (t > uint64_t(std::numeric_limits<int64_t>::max()))
        return std::nullopt;
    return negative ? -int64_t(t) : int64_t(t);
}

const QString separators[] = {u";"_s, u"\n"_s, QString(), u" | "_s};
const int32_t colours[] = {gridNormalColour, gridRed, gridBlue, gridBlue + 1};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int32_t colour = colours[data[0] & 3];
    const QString& separator = separators[(data[0] >> 2) & 3];
    const QString text = fuzz::TextOf(data + 1, size - 1);

    const QString joined = ReformatMultilineText(text, separator);
    LEVY_REQUIRE(joined == JoinedLines(text, separator), "multi-line text joins its non-empty lines",
                 Codes(text) + u"-> "_s + Codes(joined));
    LEVY_REQUIRE(Contains_carriage_return(text) == text.contains(u'\r'), "carriage return test");

    const std::optional<int64_t> expected = LeadingNumber(text);
    std::optional<int64_t> read;
    try {
        read = NumericValueOfText(text).tenThousandths;
    } catch (const RuntimeError& e) {
        LEVY_REQUIRE(e.number == errOverflow, "reading a number raises nothing but overflow", e.description);
    }
    LEVY_REQUIRE(read == expected, "leading number read exactly, rounded half to even",
                 Codes(text) + u"-> "_s + (read ? QString::number(*read) : u"overflow"_s) + u", expected "_s +
                     (expected ? QString::number(*expected) : u"overflow"_s));

    QString exported;
    try {
        exported = ExportedCellText(ExportCell{text, colour, {}}, separator);
    } catch (const RuntimeError& e) {
        LEVY_REQUIRE(IsAmountColour(colour) && e.number == errOverflow && !expected,
                     "only an amount beyond the range fails to export", e.description);
        return 0;
    }
    if (colour == gridRed || colour == gridBlue) {
        LEVY_REQUIRE(expected.has_value(), "an amount beyond the range is refused");
        const int64_t value = colour == gridRed ? -*expected : *expected;
        LEVY_REQUIRE(exported == Currency{value}.ToText(), "amount exported in plain decimal form",
                     Codes(text) + u"-> "_s + exported);
        // The exported text reads back as the same amount.
        LEVY_REQUIRE(NumericValueOfText(exported).tenThousandths == value, "exported amount reads back", exported);
    } else if (text.contains(u'\r')) {
        LEVY_REQUIRE(exported == joined, "multi-line cell exported joined");
    } else {
        LEVY_REQUIRE(exported == text, "plain cell exported unchanged");
    }
    return 0;
}
