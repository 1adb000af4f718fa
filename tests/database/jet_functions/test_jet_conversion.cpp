#include "FunctionTesting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy::test;

// The dialect's conversions, a row or more per documented case.
class TestJetConversion : public QObject {
    Q_OBJECT

private slots:
    void conversion_data();
    void conversion() { db_.Check(); }

private:
    FunctionDatabase db_;
};

void TestJetConversion::conversion_data()
{
    AddExpressionColumns();
    Row("Nz of Null is an empty text", "jet_nz(NULL)", "''");
    Row("Nz with a value for Null", "jet_nz(NULL, 0)", "0");
    Row("Nz keeps a value", "jet_nz(5, 0)", "5");
    Row("CDate of the office's short date", "jet_cdate('31/01/2020')", "'2020-01-31 00:00:00'");
    Row("CDate of a month-first date that cannot be day-first", "jet_cdate('01/31/2020')",
        "'2020-01-31 00:00:00'");
    Row("CDate is day-first when both could be", "jet_cdate('02/03/2020')", "'2020-03-02 00:00:00'");
    Row("CDate of a serial number", "jet_cdate(43861.5)", "'2020-01-31 12:00:00'");
    Row("CDate of a numeric text", "jet_cdate('43861')", "'2020-01-31 00:00:00'");
    Row("CDate with a month name and time", "jet_cdate('31 January 2020 14:30')", "'2020-01-31 14:30:00'");
    Row("CDate month first with a comma", "jet_cdate('Jan 31, 2020')", "'2020-01-31 00:00:00'");
    Row("CDate of the medium date", "jet_cdate('31-Jan-20')", "'2020-01-31 00:00:00'");
    Row("CDate with a weekday name", "jet_cdate('Friday, 31 January 2020')", "'2020-01-31 00:00:00'");
    Row("CDate two-digit year before 30", "jet_cdate('1/2/29')", "'2029-02-01 00:00:00'");
    Row("CDate two-digit year from 30", "jet_cdate('1/2/30')", "'1930-02-01 00:00:00'");
    Row("CDate of a month and year", "jet_cdate('1/2020')", "'2020-01-01 00:00:00'");
    Row("CDate of a time lies on day 0", "jet_cdate('2:30 PM')", "'1899-12-30 14:30:00'");
    Row("CDate of 12 AM is midnight", "jet_cdate('12:15 AM')", "'1899-12-30 00:15:00'");
    Row("CDate of a negative serial keeps the time forward", "jet_cdate(-1.25)", "'1899-12-29 06:00:00'");
    Row("CDate of an ISO date and time", "jet_cdate('2020-01-31T08:09:10')", "'2020-01-31 08:09:10'");
    Row("Str of a positive number has a blank", "jet_str(5)", "' 5'");
    Row("Str of zero has a blank", "jet_str(0)", "' 0'");
    Row("Str of a negative number", "jet_str(-5)", "'-5'");
    Row("Str of a decimal", "jet_str(2.5)", "' 2.5'");
    Row("Str of Null", "jet_str(NULL)", "Null");
    Row("CStr of a whole number", "jet_cstr(5)", "'5'");
    Row("CStr shows 15 significant digits", "jet_cstr(0.1 + 0.2)", "'0.3'");
    Row("CStr of a large double", "jet_cstr(1e15)", "'1E+15'");
    Row("CStr of a small double", "jet_cstr(0.00001)", "'1E-05'");
    Row("CStr of a large whole number", "jet_cstr(123456789012345)", "'123456789012345'");
    Row("CStr of a stored date", "jet_cstr('2020-01-31 00:00:00')", "'31/01/2020'");
    Row("CStr of a stored date and time", "jet_cstr('2020-01-31 14:05:09')", "'31/01/2020 14:05:09'");
    Row("CStr of a stored time alone", "jet_cstr('1899-12-30 14:05:09')", "'14:05:09'");
    Row("CInt 2.5 to even", "jet_cint(2.5)", "2");
    Row("CInt 3.5 to even", "jet_cint(3.5)", "4");
    Row("CInt -2.5 to even", "jet_cint(-2.5)", "-2");
    Row("CInt at the top of its range", "jet_cint(32767.4)", "32767");
    Row("CInt of a numeric text", "jet_cint('12')", "12");
    Row("CLng at the top of its range", "jet_clng(2147483647)", "2147483647");
    Row("CLng rounds to even", "jet_clng(-1.5)", "-2");
    Row("CCur rounds to four decimals, tie to even up", "jet_ccur(1.23455)", "1.2346");
    Row("CCur rounds to four decimals, tie to even down", "jet_ccur(1.23445)", "1.2344");
    Row("CCur of a whole number", "jet_ccur(5)", "5.0");
    Row("CDbl with thousands", "jet_cdbl('1,234.5')", "1234.5");
    Row("CDbl with the amount sign", "jet_cdbl('$5')", "5.0");
    Row("CDbl of a stored date is its serial", "jet_cdbl('2020-01-01 12:00:00')", "43831.5");
    Row("CBool of a number", "jet_cbool(5)", "-1");
    Row("CBool of zero", "jet_cbool(0)", "0");
    Row("CBool of True", "jet_cbool('True')", "-1");
    Row("CBool of false", "jet_cbool('false')", "0");
    Row("Val skips blanks anywhere", "jet_val('  1 2 3abc')", "123.0");
    Row("Val of a hexadecimal", "jet_val('&HFF')", "255.0");
    Row("Val of a 16-bit hexadecimal", "jet_val('&HFFFF')", "-1.0");
    Row("Val of an octal", "jet_val('&O17')", "15.0");
    Row("Val without a number", "jet_val('abc')", "0.0");
    Row("Val with an exponent", "jet_val('1e3')", "1000.0");
    Row("Val stops at a letter", "jet_val('-1.5x')", "-1.5");
    Row("Hex", "jet_hex(255)", "'FF'");
    Row("Hex of a numeric text", "jet_hex('255')", "'FF'");
    Row("Hex rounds half to even", "jet_hex(2.5)", "'2'");
    Row("Hex of a negative is 32-bit", "jet_hex(-1)", "'FFFFFFFF'");
    Row("Hex of the lowest Long", "jet_hex(-2147483648)", "'80000000'");
    Row("Hex of Null", "jet_hex(NULL)", "Null");
    Row("Oct", "jet_oct(8)", "'10'");
    Row("Oct of a negative is 32-bit", "jet_oct(-1)", "'37777777777'");
    Row("Oct of Null", "jet_oct(NULL)", "Null");
    Row("Asc", "jet_asc('Apple')", "65");
    Row("Asc of a code-page character", "jet_asc('€')", "128");
    Row("Asc of a character outside the code page", "jet_asc('Ā')", "63");
    Row("AscW", "jet_ascw('€')", "8364");
    Row("AscW is a 16-bit Integer", "jet_ascw(char(65533))", "-3");
    Row("AscW beyond the first plane", "jet_ascw(char(128512))", "-10179");
    Row("Chr", "jet_chr(65)", "'A'");
    Row("Chr of a code-page character", "jet_chr(128)", "'€'");
    Row("ChrW", "jet_chrw(8364)", "'€'");
    Row("ChrW of a negative code", "jet_chrw(-3)", "'�'");
    Row("CInt beyond its range", "jet_cint(32767.5)", "!Overflow in CInt()");
    Row("CLng beyond its range", "jet_clng(2147483648)", "!Overflow in CLng()");
    Row("CCur beyond its range", "jet_ccur(1e16)", "!Overflow in CCur()");
    Row("CInt of Null", "jet_cint(NULL)", "!Invalid use of Null in CInt()");
    Row("CInt of a word", "jet_cint('abc')", "!Type mismatch in CInt(): \"abc\" is not a number.");
    Row("CStr of Null", "jet_cstr(NULL)", "!Invalid use of Null in CStr()");
    Row("CDate of a word", "jet_cdate('abc')", "!Type mismatch in CDate()");
    Row("CDate of Null", "jet_cdate(NULL)", "!Invalid use of Null in CDate()");
    Row("CDate of a serial beyond 9999", "jet_cdate(3000000)", "!Overflow in CDate()");
    Row("CBool of a word", "jet_cbool('x')", "!Type mismatch in CBool()");
    Row("CBool of Null", "jet_cbool(NULL)", "!Invalid use of Null in CBool()");
    Row("Val of Null", "jet_val(NULL)", "!Invalid use of Null in Val()");
    Row("Hex beyond a Long", "jet_hex(2147483648)", "!Overflow in Hex()");
    Row("Asc of an empty text", "jet_asc('')", "!Invalid procedure call or argument in Asc()");
    Row("Asc of Null", "jet_asc(NULL)", "!Invalid use of Null in Asc()");
    Row("AscW of Null", "jet_ascw(NULL)", "!Invalid use of Null in AscW()");
    Row("Chr beyond the code page", "jet_chr(256)", "!Invalid procedure call or argument in Chr()");
    Row("Chr of Null", "jet_chr(NULL)", "!Invalid use of Null in Chr()");
    Row("ChrW beyond 16 bits", "jet_chrw(65536)", "!Invalid procedure call or argument in ChrW()");
    Row("ChrW of half a surrogate pair", "jet_chrw(55296)", "!Invalid procedure call or argument in ChrW()");
    Row("CByte rounds half to even", "jet_cbyte(254.5)", "254");
    Row("CByte beyond 255", "jet_cbyte(255.5)", "!Overflow in CByte()");
    Row("CByte below 0", "jet_cbyte(-1)", "!Overflow in CByte()");
    Row("CSng keeps single precision", "jet_csng(75.3421115)", "75.34211");
    Row("CSng beyond a single", "jet_csng(1e39)", "!Overflow in CSng()");
    Row("CSng of Null", "jet_csng(NULL)", "!Invalid use of Null in CSng()");
    Row("CDec of a whole number", "jet_cdec(5)", "5");
    Row("CDec of a text", "jet_cdec('2.5')", "2.5");
    Row("CVar of a joined number", "jet_cvar(jet_concat(4534, '000'))", "'4534000'");
    Row("CVar of Null", "jet_cvar(NULL)", "Null");
    Row("CVDate", "jet_cvdate('31/01/2020')", "'2020-01-31 00:00:00'");
    Row("CVDate of Null", "jet_cvdate(NULL)", "Null");
    Row("CVDate of a word", "jet_cvdate('abc')", "!Type mismatch in CVDate()");
}

QTEST_MAIN(TestJetConversion)
#include "test_jet_conversion.moc"
