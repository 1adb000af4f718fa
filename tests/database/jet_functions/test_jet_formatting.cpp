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
}

QTEST_MAIN(TestJetFormatting)
#include "test_jet_formatting.moc"
