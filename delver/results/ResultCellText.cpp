#include "ResultCellText.h"

#include "export/GridColours.h"
#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"
#include "values/DaoConstants.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
// Appends n decimal digits of a non-negative value, with leading zeros.
void AppendDigits(QString& text, int value, int n)
{
    char16_t digits[4];
    for (int i = n - 1; i >= 0; --i, value /= 10)
        digits[i] = char16_t(u'0' + value % 10);
    text.append(QStringView(digits, n));
}

// dd/mm/yyyy, with " hh:mm" when there is a time of day. Built by hand: every date cell
// of every page is formatted here.
QString DateText(const DateTime& d)
{
    QString text;
    text.reserve(16);
    AppendDigits(text, d.date.day(), 2);
    text.append(u'/');
    AppendDigits(text, d.date.month(), 2);
    text.append(u'/');
    if (const int year = d.date.year(); year >= 0 && year <= 9999)
        AppendDigits(text, year, 4);
    else
        text.append(QString::number(year));
    if (d.HasTimeOfDay()) {
        text.append(u' ');
        AppendDigits(text, d.time.hour(), 2);
        text.append(u':');
        AppendDigits(text, d.time.minute(), 2);
    }
    return text;
}
} // namespace

ResultCellText FormatResultCell(const Value& value, int fieldType)
{
    if (value.IsNull())
        return {QString(), gridNormalColour, true};
    // A column may hold values its type cannot read (a union's later parts, a row another
    // program wrote): they show as their own text rather than fail the whole page.
    try {
        switch (fieldType) {
        case dbDate:
            return {DateText(value.AsDate())};
        case dbInteger:
        case dbLong:
            return {QString::number(value.AsInteger()) + u"  "_s};
        case dbBoolean:
            return {value.AsBoolean() ? u"Yes"_s : u"No"_s};
        case dbCurrency: {
            const Currency amount = value.AsCurrency();
            return {FormatAmount(amount, true, true), amount.tenThousandths < 0 ? gridRed : gridBlue, true};
        }
        default:
            break;
        }
    } catch (const RuntimeError&) {
    }
    return {value.ToDisplayText()};
}

} // namespace levy
