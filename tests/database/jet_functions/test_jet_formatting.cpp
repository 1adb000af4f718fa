#include "FunctionTesting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy::test;

// The dialect's Format, a row or more per documented case.
class TestJetFormatting : public QObject {
    Q_OBJECT

private slots:
    void formatting_data();
    void formatting() { db_.Check(); }

private:
    FunctionDatabase db_;
};

void TestJetFormatting::formatting_data()
{
    AddExpressionColumns();
    Row("grouped with decimals", "jet_format(1234.5, '#,##0.00')", "'1,234.50'");
    Row("percent", "jet_format(0.5, '0.00%')", "'50.00%'");
    Row("whole", "jet_format(5, '0')", "'5'");
    Row("rounds half away from zero", "jet_format(2.5, '0')", "'3'");
    Row("rounds negative half away from zero", "jet_format(-2.5, '0')", "'-3'");
    Row("rounds in decimal", "jet_format(1.005, '0.00')", "'1.01'");
    Row("negative section", "jet_format(-1234.5, '#,##0.00;(#,##0.00)')", "'(1,234.50)'");
    Row("zero section", "jet_format(0, '0;-0;\"zero\"')", "'zero'");
    Row("Null section", "jet_format(NULL, '0;-0;0;\"none\"')", "'none'");
    Row("Null without a Null section", "jet_format(NULL, '0')", "Null");
    Row("leading zeros", "jet_format(5, '00000')", "'00005'");
    Row("grouped whole", "jet_format(1234567, '#,##0')", "'1,234,567'");
    Row("grouped zero", "jet_format(0, '#,##0')", "'0'");
    Row("optional whole digit", "jet_format(0.5, '#.##')", "'.5'");
    Row("optional decimals keep the point", "jet_format(5, '#.##')", "'5.'");
    Row("optional decimals drop trailing zeros", "jet_format(1.5, '0.0#')", "'1.5'");
    Row("thousands divider", "jet_format(1500000, '#,##0,')", "'1,500'");
    Row("digits among literals", "jet_format(5551234567, '(000) 000-0000')", "'(555) 123-4567'");
    Row("exponent", "jet_format(1234567.891, '0.00E+00')", "'1.23E+06'");
    Row("negative exponent", "jet_format(0.000123, '0.0E-00')", "'1.2E-04'");
    Row("exponent carries", "jet_format(9.999, '0.00E+00')", "'1.00E+01'");
    Row("Currency", "jet_format(1234.5, 'Currency')", "'$1,234.50'");
    Row("Currency negative", "jet_format(-1234.5, 'Currency')", "'-$1,234.50'");
    Row("Fixed", "jet_format(1234.567, 'Fixed')", "'1234.57'");
    Row("Standard", "jet_format(1234.567, 'Standard')", "'1,234.57'");
    Row("Percent", "jet_format(0.1234, 'Percent')", "'12.34%'");
    Row("Scientific", "jet_format(1234.5, 'Scientific')", "'1.23E+03'");
    Row("General Number", "jet_format(1234.5, 'General Number')", "'1234.5'");
    Row("Yes/No of zero", "jet_format(0, 'Yes/No')", "'No'");
    Row("Yes/No of a number", "jet_format(5, 'Yes/No')", "'Yes'");
    Row("True/False", "jet_format(-1, 'True/False')", "'True'");
    Row("On/Off", "jet_format(0, 'On/Off')", "'Off'");
    Row("named formats ignore case", "jet_format(1234.5, 'standard')", "'1,234.50'");
    Row("dd/mm/yyyy", "jet_format('2020-01-31 14:05:09', 'dd/mm/yyyy')", "'31/01/2020'");
    Row("yyyy-mm-dd", "jet_format('2020-01-31 14:05:09', 'yyyy-mm-dd')", "'2020-01-31'");
    Row("mmm", "jet_format('2020-01-31 14:05:09', 'mmm')", "'Jan'");
    Row("mmmm", "jet_format('2020-01-31 14:05:09', 'mmmm')", "'January'");
    Row("ddd", "jet_format('2020-01-31 14:05:09', 'ddd')", "'Fri'");
    Row("dddd", "jet_format('2020-01-31 14:05:09', 'dddd')", "'Friday'");
    Row("hh:nn:ss", "jet_format('2020-01-31 14:05:09', 'hh:nn:ss')", "'14:05:09'");
    Row("hh:nn AM/PM", "jet_format('2020-01-31 14:05:09', 'hh:nn AM/PM')", "'02:05 PM'");
    Row("h:mm am/pm, m after h is minutes", "jet_format('2020-01-31 14:05:09', 'h:mm am/pm')", "'2:05 pm'");
    Row("A/P", "jet_format('2020-01-31 09:05:09', 'h A/P')", "'9 A'");
    Row("noon is 12 PM", "jet_format('2020-01-31 12:00:00', 'h AM/PM')", "'12 PM'");
    Row("d mmmm yyyy", "jet_format('2020-01-05', 'd mmmm yyyy')", "'5 January 2020'");
    Row("quarter and two-digit year", "jet_format('2020-08-05', 'q/yy')", "'3/20'");
    Row("week, day of year and weekday", "jet_format('2020-01-31', 'ww y w')", "'5 31 6'");
    Row("weekday from Monday", "jet_format('2020-01-31', 'w', 2)", "'5'");
    Row("escaped and quoted literals", "jet_format('2020-01-31', '\"Day \"d\\!')", "'Day 31!'");
    Row("General Date with time", "jet_format('2020-01-31 14:05:09', 'General Date')", "'31/01/2020 14:05:09'");
    Row("General Date without time", "jet_format('2020-01-31 00:00:00', 'General Date')", "'31/01/2020'");
    Row("Long Date", "jet_format('2020-01-31 14:05:09', 'Long Date')", "'31 January 2020'");
    Row("Medium Date", "jet_format('2020-01-31 14:05:09', 'Medium Date')", "'31-Jan-20'");
    Row("Short Date", "jet_format('2020-01-31 14:05:09', 'Short Date')", "'31/01/2020'");
    Row("Long Time", "jet_format('2020-01-31 14:05:09', 'Long Time')", "'14:05:09'");
    Row("Medium Time", "jet_format('2020-01-31 14:05:09', 'Medium Time')", "'02:05 PM'");
    Row("Short Time", "jet_format('2020-01-31 14:05:09', 'Short Time')", "'14:05'");
    Row("a number as a date", "jet_format(43861, 'dd/mm/yyyy')", "'31/01/2020'");
    Row("an office date text as a date", "jet_format('31/01/2020', 'yyyy')", "'2020'");
    Row("a date as a number", "jet_format('2020-01-31 00:00:00', 'General Number')", "'43861'");
    Row("a stored date without a format", "jet_format('2020-01-31 00:00:00')", "'31/01/2020'");
    Row("a double without a format", "jet_format(0.1 + 0.2)", "'0.3'");
    Row("a text without a format", "jet_format('abc')", "'abc'");
    Row("a text in upper case", "jet_format('abc', '>')", "'ABC'");
    Row("a text right-aligned in placeholders", "jet_format('abc', '@@@@@')", "'  abc'");
    Row("a text left-aligned in placeholders", "jet_format('abc', '!@@@@@')", "'abc  '");
    Row("a text among literals", "jet_format('5551234', '@@@-@@@@')", "'555-1234'");
    Row("a word with a number format", "jet_format('abc', '0.00')", "'abc'");
    Row("a numeric text with a number format", "jet_format('12.5', '0.00')", "'12.50'");
    Row("Format with thousands", "jet_format(5459.4, '##,##0.00')", "'5,459.40'");
    Row("Format with fixed decimals", "jet_format(334.9, '###0.00')", "'334.90'");
    Row("Format as a percentage", "jet_format(5, '0.00%')", "'500.00%'");
    Row("Format in small letters", "jet_format('HELLO', '<')", "'hello'");
    Row("Format in capitals", "jet_format('This is it', '>')", "'THIS IS IT'");
    Row("Format's negative section", "jet_format(-5, '$#,##0;($#,##0)')", "'($5)'");
    Row("Format's zero section", "jet_format(0, '0.00;-0.00;\"Zero\";\"Null\"')", "'Zero'");
    Row("Format's Null section", "jet_format(NULL, '0.00;-0.00;\"Zero\";\"Null\"')", "'Null'");
    Row("FormatNumber", "jet_formatnumber(1234.567)", "'1,234.57'");
    Row("FormatNumber without a leading digit", "jet_formatnumber(-0.5, 2, 0)", "'-.50'");
    Row("FormatNumber in brackets", "jet_formatnumber(-1234.5, 1, -1, -1)", "'(1,234.5)'");
    Row("FormatNumber ungrouped", "jet_formatnumber(1234.4, 0, -1, 0, 0)", "'1234'");
    Row("FormatNumber with the defaults asked for", "jet_formatnumber(1234.567, -1, -2, -2, -2)", "'1,234.57'");
    Row("FormatNumber with a wrong setting", "jet_formatnumber(1, 2, 5)",
        "!Invalid procedure call or argument in FormatNumber()");
    Row("FormatNumber of Null", "jet_formatnumber(NULL)", "!Invalid use of Null in FormatNumber()");
    Row("FormatCurrency", "jet_formatcurrency(1234.5)", "'$1,234.50'");
    Row("FormatCurrency of a negative", "jet_formatcurrency(-3, 0)", "'-$3'");
    Row("FormatCurrency in brackets", "jet_formatcurrency(-3, 0, -1, -1)", "'($3)'");
    Row("FormatPercent", "jet_formatpercent(0.5)", "'50.00%'");
    Row("FormatPercent with one decimal", "jet_formatpercent(0.1234, 1)", "'12.3%'");
    Row("FormatDateTime general", "jet_formatdatetime('2020-01-31 14:05:09')", "'31/01/2020 14:05:09'");
    Row("FormatDateTime long date", "jet_formatdatetime('2020-01-31 14:05:09', 1)", "'31 January 2020'");
    Row("FormatDateTime short date", "jet_formatdatetime('2020-01-31 14:05:09', 2)", "'31/01/2020'");
    Row("FormatDateTime long time", "jet_formatdatetime('2020-01-31 14:05:09', 3)", "'14:05:09'");
    Row("FormatDateTime short time", "jet_formatdatetime('2020-01-31 14:05:09', 4)", "'14:05'");
    Row("FormatDateTime with an unknown form", "jet_formatdatetime('2020-01-31', 5)",
        "!Invalid procedure call or argument in FormatDateTime()");
}

QTEST_MAIN(TestJetFormatting)
#include "test_jet_formatting.moc"
