#include "ExportCells.h"

#include "GridColours.h"
#include "platform/RuntimeError.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int errOverflow = 6;

bool IsLineBreak(QChar c) { return c == u'\r' || c == u'\n'; }

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Appends one piece as the algorithm joins them: the first becomes the result, each
// later one follows a separator.
void AddPiece(QString& result, QStringView piece, const QString& separator)
{
    if (!result.isEmpty())
        result += separator;
    result += piece;
}
} // namespace

bool Contains_carriage_return(const QString& strText) { return strText.contains(u'\r'); }

QString ReformatMultilineText(const QString& strMultilineText, const QString& strSeparator)
{
    const QStringView text(strMultilineText);
    const qsizetype n = text.size();
    QString result;
    result.reserve(n);
    qsizetype start = 0;
    qsizetype position = 0;
    while (position < n) {
        if (!IsLineBreak(text[position])) {
            ++position;
            continue;
        }
        AddPiece(result, text.sliced(start, position - start), strSeparator);
        while (position < n && IsLineBreak(text[position]))
            ++position;
        start = position;
    }
    if (start < n)
        AddPiece(result, text.sliced(start), strSeparator);
    return result;
}

Currency NumericValueOfText(const QString& text)
{
    constexpr int64_t limit = std::numeric_limits<int64_t>::max();
    const QStringView t(text);
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < t.size() && IsBlank(t[i]))
            ++i;
    };

    skipBlanks();
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    int64_t magnitude = 0;  // in ten-thousandths
    int decimals = -1;      // digits read after the point; -1 before it
    int roundingDigit = -1; // the fifth decimal
    bool beyondRoundingDigit = false;
    auto accumulate = [&](int digit) {
        if (magnitude > (limit - digit) / 10)
            Raise(errOverflow, u"Export Results"_s, u"Overflow"_s);
        magnitude = magnitude * 10 + digit;
    };
    for (;; ++i) {
        skipBlanks();
        if (i >= t.size())
            break;
        const QChar c = t[i];
        if (c == u'.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (!IsDigit(c))
            break;
        const int digit = c.unicode() - u'0';
        if (decimals < 0) {
            accumulate(digit);
        } else if (decimals < 4) {
            accumulate(digit);
            ++decimals;
        } else if (roundingDigit < 0) {
            roundingDigit = digit;
        } else if (digit != 0) {
            beyondRoundingDigit = true;
        }
    }
    for (int d = decimals < 0 ? 0 : decimals; d < 4; ++d)
        accumulate(0);
    if (roundingDigit > 5 || (roundingDigit == 5 && (beyondRoundingDigit || magnitude % 2 != 0))) {
        if (magnitude == limit)
            Raise(errOverflow, u"Export Results"_s, u"Overflow"_s);
        ++magnitude;
    }
    return Currency{negative ? -magnitude : magnitude};
}

Currency ExportedAmount(const ExportCell& cell)
{
    if (cell.amount)
        return *cell.amount;
    const Currency magnitude = NumericValueOfText(cell.text);
    return cell.colour == gridRed ? Currency{-magnitude.tenThousandths} : magnitude;
}

QString ExportedCellText(const ExportCell& cell, const QString& separator)
{
    if (cell.amount || IsAmountColour(cell.colour))
        return ExportedAmount(cell).ToText();
    if (Contains_carriage_return(cell.text))
        return ReformatMultilineText(cell.text, separator);
    return cell.text;
}

} // namespace levy
