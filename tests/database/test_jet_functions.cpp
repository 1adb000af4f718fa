#include "support/TestSupport.h"

#include "jet/ReadOnlyAuthorizer.h"
#include "engine/Sqlite.h"
#include "jet/JetFunctionCatalog.h"
#include "platform/RuntimeError.h"

#include <QDate>
#include <QLocale>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace levy;
using namespace levy::jet;
using levy::engine::Statement;

namespace {
// A value as the test tables write it: Null, 5 (integer), 2.5 or 2.0 (double), 'text'.
QString Render(const Statement& s, int column)
{
    switch (s.ColumnStorageType(column)) {
    case SQLITE_NULL:
        return u"Null"_s;
    case SQLITE_INTEGER:
        return QString::number(s.ColumnInteger(column));
    case SQLITE_FLOAT: {
        QString text = QString::number(s.ColumnDouble(column), 'g', QLocale::FloatingPointShortest);
        if (!text.contains(u'.') && !text.contains(u'e'))
            text += u".0"_s;
        return text;
    }
    default:
        return u'\'' + s.ColumnText(column) + u'\'';
    }
}

// Every record, values joined by |, records by ;. A failure reads "!" and its text.
QString Run(const std::shared_ptr<engine::Connection>& connection, const QString& sql)
{
    try {
        auto s = jet::PrepareReadOnlyQuery(connection, sql);
        QStringList records;
        while (s->Step()) {
            QStringList values;
            for (int c = 0; c < s->ColumnCount(); ++c)
                values.append(Render(*s, c));
            records.append(values.join(u'|'));
        }
        return records.join(u';');
    } catch (const RuntimeError& e) {
        return u'!' + e.description;
    }
}

void AddColumns()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("expected");
}

void Row(const char* name, const char* expression, const char* expected)
{
    QTest::newRow(name) << QString::fromUtf8(expression) << QString::fromUtf8(expected);
}

// A column v of values to aggregate, in this order, from a list written "(1), (NULL)".
QString Values(const char* list)
{
    QString inner = QString::fromUtf8(list).trimmed();
    inner = inner.mid(1, inner.size() - 2);
    QStringList selects;
    for (const QString& value : inner.split(u"), ("_s))
        selects.append(u"SELECT %1 AS v"_s.arg(value));
    return u'(' + selects.join(u" UNION ALL "_s) + u')';
}
} // namespace

class TestJetFunctions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void logic_data();
    void logic() { Check(); }
    void dateParts_data();
    void dateParts() { Check(); }
    void dateArithmetic_data();
    void dateArithmetic() { Check(); }
    void texts_data();
    void texts() { Check(); }
    void numbers_data();
    void numbers() { Check(); }
    void operators_data();
    void operators() { Check(); }
    void formats_data();
    void formats() { Check(); }
    void errors_data();
    void errors() { Check(); }
    void aggregates_data();
    void aggregates();

    void nulls_data();
    void nulls() { Check(); }
    void patternsAndFormatsVaryingByRecord();
    void hostileTexts_data();
    void hostileTexts() { Check(); }
    void cancelStopsALongMatch();
    void storedColumns_data();
    void storedColumns();
    void clockFunctions();
    void everyFunctionIsRegistered();
    void wrongArgumentCountFailsAtPreparation();
    void resultKindsForTyping_data();
    void resultKindsForTyping();
    void queriesThroughTheDatabaseSeeTheFunctions();

private:
    void Check();

    test::Sandbox* sandbox_ = nullptr;
    std::shared_ptr<Database> db_;
};

void TestJetFunctions::initTestCase()
{
    sandbox_ = new test::Sandbox;
    db_ = test::FreshLevy(*sandbox_);
    db_->MainConnection()->Execute(
        u"INSERT INTO [Levy Account Credits] ([Transaction Date], Amount, [Receipt Number], [Student ID]) VALUES "
        u"('2020-01-31 00:00:00', 0.1, 'R1', 'S1'), ('2020-02-29 14:05:09', 0.2, 'R2', 'S1'), "
        u"('2019-12-31 00:00:00', 1234.5, 'R3', 'S2'), (NULL, NULL, 'R4', 'S2')"_s);
}

void TestJetFunctions::cleanupTestCase()
{
    db_->Close();
    db_.reset();
    delete sandbox_;
}

void TestJetFunctions::Check()
{
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    const QString actual = Run(db_->QueryConnection(), u"SELECT "_s + expression);
    if (expected.startsWith(u'!'))
        QVERIFY2(actual.startsWith(expected), qPrintable(actual));
    else
        QCOMPARE(actual, expected);
}

void TestJetFunctions::logic_data()
{
    AddColumns();
    Row("IIf true", "jet_iif(1 = 1, 'a', 'b')", "'a'");
    Row("IIf Null condition takes the false part", "jet_iif(NULL, 'a', 'b')", "'b'");
    Row("IIf True is -1", "jet_iif(-1, 1, 2)", "1");
    Row("Nz of Null is an empty text", "jet_nz(NULL)", "''");
    Row("Nz with a value for Null", "jet_nz(NULL, 0)", "0");
    Row("Nz keeps a value", "jet_nz(5, 0)", "5");
    Row("Switch takes the first true pair", "jet_switch(1 = 0, 'a', 1 = 1, 'b', 1 = 1, 'c')", "'b'");
    Row("Switch without a true pair", "jet_switch(0, 'a')", "Null");
    Row("Choose", "jet_choose(2, 'a', 'b', 'c')", "'b'");
    Row("Choose beyond the list", "jet_choose(4, 'a', 'b')", "Null");
    Row("Choose below the list", "jet_choose(0, 'a')", "Null");
    Row("Choose rounds its index half to even", "jet_choose(2.5, 'a', 'b', 'c')", "'b'");
    Row("Choose of Null", "jet_choose(NULL, 'a')", "Null");
    Row("IsNull of Null", "jet_isnull(NULL)", "-1");
    Row("IsNull of an empty text", "jet_isnull('')", "0");
    Row("IsNumeric of a decimal text", "jet_isnumeric('12.5')", "-1");
    Row("IsNumeric with thousands and blanks", "jet_isnumeric(' 1,234 ')", "-1");
    Row("IsNumeric with an exponent", "jet_isnumeric('1e3')", "-1");
    Row("IsNumeric of a word", "jet_isnumeric('abc')", "0");
    Row("IsNumeric of an empty text", "jet_isnumeric('')", "0");
    Row("IsNumeric of Null", "jet_isnumeric(NULL)", "0");
    Row("IsNumeric of a number", "jet_isnumeric(5)", "-1");
    Row("IsNumeric of a stored date", "jet_isnumeric('2020-01-31 00:00:00')", "0");
    Row("IsDate of the office's short date", "jet_isdate('31/01/2020')", "-1");
    Row("IsDate of a stored date", "jet_isdate('2020-01-31 00:00:00')", "-1");
    Row("IsDate of a thirteenth month", "jet_isdate('31/13/2020')", "0");
    Row("IsDate of 30 February", "jet_isdate('30 February 2020')", "0");
    Row("IsDate of a time", "jet_isdate('2:30 PM')", "-1");
    Row("IsDate of a number", "jet_isdate(5)", "0");
    Row("IsDate of a number with thousands", "jet_isdate('1,234')", "0");
    Row("IsDate of a word", "jet_isdate('abc')", "0");
    Row("Partition below start", "jet_partition(-1, 0, 99, 5)", "'   : -1'");
    Row("Partition first range", "jet_partition(0, 0, 99, 5)", "'  0:  4'");
    Row("Partition last range", "jet_partition(99, 0, 99, 5)", "' 95: 99'");
    Row("Partition above stop", "jet_partition(100, 0, 99, 5)", "'100:   '");
    Row("Partition last range ends at stop", "jet_partition(1010, 100, 1010, 20)", "' 1000: 1010'");
    Row("Partition below a later start", "jet_partition(5, 100, 1010, 20)", "'     :   99'");
    Row("Partition of interval 1", "jet_partition(100, 0, 1000, 1)", "'  100:  100'");
    Row("Partition rounds half to even", "jet_partition(2.5, 0, 10, 1)", "'  2:  2'");
    Row("Partition of Null", "jet_partition(1, 0, NULL, 5)", "Null");
}

void TestJetFunctions::dateParts_data()
{
    AddColumns();
    Row("DateValue drops the time", "jet_datevalue('31/01/2020 14:05')", "'2020-01-31 00:00:00'");
    Row("DateValue of Null", "jet_datevalue(NULL)", "Null");
    Row("TimeValue drops the date", "jet_timevalue('2020-02-29 14:05:09')", "'1899-12-30 14:05:09'");
    Row("TimeValue of a 12-hour time", "jet_timevalue('4:35:17 PM')", "'1899-12-30 16:35:17'");
    Row("TimeValue of Null", "jet_timevalue(NULL)", "Null");
    Row("WeekdayName", "jet_weekdayname(1)", "'Sunday'");
    Row("WeekdayName abbreviated", "jet_weekdayname(5, -1)", "'Thu'");
    Row("WeekdayName from Monday", "jet_weekdayname(7, 0, 2)", "'Sunday'");
    Row("MonthName", "jet_monthname(1)", "'January'");
    Row("MonthName abbreviated", "jet_monthname(9, 1)", "'Sep'");
    Row("Year", "jet_year('2020-01-31 10:20:30')", "2020");
    Row("Month", "jet_month('2020-01-31 10:20:30')", "1");
    Row("Day", "jet_day('2020-01-31 10:20:30')", "31");
    Row("Hour", "jet_hour('2020-01-31 10:20:30')", "10");
    Row("Minute", "jet_minute('2020-01-31 10:20:30')", "20");
    Row("Second", "jet_second('2020-01-31 10:20:30')", "30");
    Row("Day of a date without time", "jet_day('2020-02-29')", "29");
    Row("Year of a serial number", "jet_year(43861)", "2020");
    Row("Hour of a serial fraction", "jet_hour(43861.75)", "18");
    Row("Year of Null", "jet_year(NULL)", "Null");
    Row("Weekday counts from Sunday", "jet_weekday('2020-01-31')", "6");
    Row("Weekday from Monday", "jet_weekday('2020-01-31', 2)", "5");
    Row("Weekday of day 0 (a Saturday)", "jet_weekday(0)", "7");
    Row("DatePart quarter", "jet_datepart('q', '2020-08-15')", "3");
    Row("DatePart day of year in a leap year", "jet_datepart('y', '2020-03-01')", "61");
    Row("DatePart weekday", "jet_datepart('w', '2020-01-31')", "6");
    Row("DatePart week: the first Sunday starts week 2", "jet_datepart('ww', '2020-01-05')", "2");
    Row("DatePart week of Saturday 4 January", "jet_datepart('ww', '2020-01-04')", "1");
    Row("DatePart week with four days, early January",
        "jet_datepart('ww', '2021-01-01', 2, 2)", "53");
    Row("DatePart week, first full week", "jet_datepart('ww', '2020-01-04', 1, 3)", "52");
    Row("DatePart interval in capitals", "jet_datepart('YYYY', '2020-08-15')", "2020");
    Row("DatePart hour", "jet_datepart('h', '2020-01-31 14:05:00')", "14");
    Row("DatePart of Null", "jet_datepart('m', NULL)", "Null");
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
}

void TestJetFunctions::dateArithmetic_data()
{
    AddColumns();
    Row("DateSerial", "jet_dateserial(2020, 1, 31)", "'2020-01-31 00:00:00'");
    Row("DateSerial day beyond the month", "jet_dateserial(2020, 2, 30)", "'2020-03-01 00:00:00'");
    Row("DateSerial month 13 rolls into the next year", "jet_dateserial(2020, 13, 1)", "'2021-01-01 00:00:00'");
    Row("DateSerial month 0 is December before", "jet_dateserial(2020, 0, 1)", "'2019-12-01 00:00:00'");
    Row("DateSerial day 0 is the month's eve", "jet_dateserial(2020, 3, 0)", "'2020-02-29 00:00:00'");
    Row("DateSerial negative day", "jet_dateserial(2020, 1, -1)", "'2019-12-30 00:00:00'");
    Row("DateSerial two-digit year 99", "jet_dateserial(99, 1, 1)", "'1999-01-01 00:00:00'");
    Row("DateSerial two-digit year 20", "jet_dateserial(20, 1, 1)", "'2020-01-01 00:00:00'");
    Row("DateAdd month clamps to February's end", "jet_dateadd('m', 1, '2020-01-31')", "'2020-02-29 00:00:00'");
    Row("DateAdd month clamps outside leap years", "jet_dateadd('m', 1, '2019-01-31 00:00:00')",
        "'2019-02-28 00:00:00'");
    Row("DateAdd a year from 29 February", "jet_dateadd('yyyy', 1, '2020-02-29')", "'2021-02-28 00:00:00'");
    Row("DateAdd a quarter", "jet_dateadd('q', 1, '2020-11-30')", "'2021-02-28 00:00:00'");
    Row("DateAdd days back", "jet_dateadd('d', -1, '2020-03-01')", "'2020-02-29 00:00:00'");
    Row("DateAdd weeks", "jet_dateadd('ww', 2, '2020-01-01')", "'2020-01-15 00:00:00'");
    Row("DateAdd hours over midnight", "jet_dateadd('h', 25, '2020-01-31 10:00:00')", "'2020-02-01 11:00:00'");
    Row("DateAdd minutes back over midnight", "jet_dateadd('n', -30, '2020-01-01 00:10:00')",
        "'2019-12-31 23:40:00'");
    Row("DateAdd seconds", "jet_dateadd('s', 61, '2020-01-01 00:00:00')", "'2020-01-01 00:01:01'");
    Row("DateAdd rounds the number half to even", "jet_dateadd('m', 1.5, '2020-01-15')", "'2020-03-15 00:00:00'");
    Row("DateAdd keeps the time", "jet_dateadd('m', 1, '2020-01-15 08:30:00')", "'2020-02-15 08:30:00'");
    Row("DateAdd of Null", "jet_dateadd('d', 1, NULL)", "Null");
    Row("DateDiff years counts the boundary", "jet_datediff('yyyy', '2019-12-31', '2020-01-01')", "1");
    Row("DateDiff years within a year", "jet_datediff('yyyy', '2020-01-01', '2020-12-31')", "0");
    Row("DateDiff months counts the boundary", "jet_datediff('m', '2020-01-31', '2020-02-01')", "1");
    Row("DateDiff quarters", "jet_datediff('q', '2020-03-31', '2020-04-01')", "1");
    Row("DateDiff days by midnights, not hours",
        "jet_datediff('d', '2020-01-01 23:00:00', '2020-01-02 01:00:00')", "1");
    Row("DateDiff days backwards", "jet_datediff('d', '2020-01-02', '2020-01-01')", "-1");
    Row("DateDiff ww counts a Sunday", "jet_datediff('ww', '2020-01-04', '2020-01-05')", "1");
    Row("DateDiff ww does not count the first Sunday", "jet_datediff('ww', '2020-01-05', '2020-01-11')", "0");
    Row("DateDiff ww counts the last Sunday", "jet_datediff('ww', '2020-01-05', '2020-01-12')", "1");
    Row("DateDiff ww from Monday", "jet_datediff('ww', '2020-01-06', '2020-01-12', 2)", "0");
    Row("DateDiff w counts weeks of seven days", "jet_datediff('w', '2020-01-04', '2020-01-05')", "0");
    Row("DateDiff w over two weeks", "jet_datediff('w', '2020-01-01', '2020-01-15')", "2");
    Row("DateDiff w short of two weeks", "jet_datediff('w', '2020-01-01', '2020-01-14')", "1");
    Row("DateDiff hours by boundaries",
        "jet_datediff('h', '2020-01-01 10:59:59', '2020-01-01 11:00:00')", "1");
    Row("DateDiff seconds", "jet_datediff('s', '2020-01-01 00:00:00', '2020-01-02 00:00:01')", "86401");
    Row("DateDiff of Null", "jet_datediff('d', NULL, '2020-01-01')", "Null");
}

void TestJetFunctions::texts_data()
{
    AddColumns();
    Row("Left", "jet_left('abcdef', 2)", "'ab'");
    Row("Left of none", "jet_left('abc', 0)", "''");
    Row("Left beyond the end", "jet_left('abc', 10)", "'abc'");
    Row("Left of Null", "jet_left(NULL, 2)", "Null");
    Row("Left of a number", "jet_left(12345, 2)", "'12'");
    Row("Left counts characters, not bytes", "jet_left('Ñandú', 2)", "'Ña'");
    Row("Right", "jet_right('abcdef', 2)", "'ef'");
    Row("Right of none", "jet_right('abc', 0)", "''");
    Row("Right beyond the start", "jet_right('abc', 5)", "'abc'");
    Row("Right of accented text", "jet_right('Ñandú', 2)", "'dú'");
    Row("Mid to the end", "jet_mid('abc', 2)", "'bc'");
    Row("Mid with a length", "jet_mid('abcdef', 2, 3)", "'bcd'");
    Row("Mid beyond the end", "jet_mid('abc', 5)", "''");
    Row("Mid of Null", "jet_mid(NULL, 1)", "Null");
    Row("Len", "jet_len('abc')", "3");
    Row("Len of an empty text", "jet_len('')", "0");
    Row("Len of Null", "jet_len(NULL)", "Null");
    Row("Len of a number", "jet_len(123)", "3");
    Row("Len counts characters", "jet_len('Ñandú')", "5");
    Row("InStr", "jet_instr('abcabc', 'c')", "3");
    Row("InStr from a start", "jet_instr(4, 'abcabc', 'c')", "6");
    Row("InStr ignores case", "jet_instr('abc', 'B')", "2");
    Row("InStr binary comparison", "jet_instr(1, 'abc', 'B', 0)", "0");
    Row("InStr text comparison", "jet_instr(1, 'abc', 'B', 1)", "2");
    Row("InStr of an empty search", "jet_instr('abc', '')", "1");
    Row("InStr in an empty text", "jet_instr('', 'a')", "0");
    Row("InStr start beyond the text", "jet_instr(5, 'abc', 'a')", "0");
    Row("InStr in Null", "jet_instr(NULL, 'a')", "Null");
    Row("InStr of accented text", "jet_instr('Ñandú', 'DÚ')", "4");
    Row("UCase", "jet_ucase('Banda')", "'BANDA'");
    Row("UCase of accented text", "jet_ucase('ñandú')", "'ÑANDÚ'");
    Row("LCase", "jet_lcase('Banda')", "'banda'");
    Row("UCase of Null", "jet_ucase(NULL)", "Null");
    Row("Trim", "jet_trim('  a b  ')", "'a b'");
    Row("LTrim", "jet_ltrim('  a b  ')", "'a b  '");
    Row("RTrim", "jet_rtrim('  a b  ')", "'  a b'");
    Row("Trim keeps tabs", "jet_trim(char(9) || 'a ')", "'\ta'");
    Row("Trim of Null", "jet_trim(NULL)", "Null");
    Row("Space", "jet_space(3)", "'   '");
    Row("Space of none", "jet_space(0)", "''");
    Row("String of a text's first character", "jet_string(3, 'ab')", "'aaa'");
    Row("String of a character code", "jet_string(3, 65)", "'AAA'");
    Row("String of a code-page character", "jet_string(2, 128)", "'€€'");
    Row("String of Null", "jet_string(NULL, 'a')", "Null");
    Row("Replace ignores case", "jet_replace('aXbxc', 'x', '-')", "'a-b-c'");
    Row("Replace binary", "jet_replace('aXbxc', 'x', '-', 1, -1, 0)", "'aXb-c'");
    Row("Replace returns the text from its start", "jet_replace('abcabc', 'b', '', 3)", "'cac'");
    Row("Replace a number of times", "jet_replace('aaa', 'a', 'b', 1, 2)", "'bba'");
    Row("Replace of an empty search", "jet_replace('abc', '', 'x')", "'abc'");
    Row("Replace in accented text", "jet_replace('Ñandú', 'Ú', 'u')", "'Ñandu'");
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
    Row("InStrRev", "jet_instrrev('the quick brown fox jumps over the lazy dog', 'the')", "32");
    Row("InStrRev from a start", "jet_instrrev('the quick brown fox jumps over the lazy dog', 'the', 16)", "1");
    Row("InStrRev is binary by default", "jet_instrrev('XXpXXpXXPXXP', 'P', 8)", "0");
    Row("InStrRev binary from a start", "jet_instrrev('XXpXXpXXPXXP', 'P', 10, 0)", "9");
    Row("InStrRev text comparison", "jet_instrrev('XXpXXpXXPXXP', 'P', -1, 1)", "12");
    Row("InStrRev match must end by the start", "jet_instrrev('abcabc', 'bc', 5)", "2");
    Row("InStrRev of accented text", "jet_instrrev('Ñandú ñandú', 'Ñ', -1, 1)", "7");
    Row("InStrRev of an empty search", "jet_instrrev('abc', '', 2)", "2");
    Row("InStrRev in an empty text", "jet_instrrev('', '')", "0");
    Row("InStrRev start beyond the text", "jet_instrrev('abc', 'a', 5)", "0");
    Row("InStrRev in Null", "jet_instrrev(NULL, 'a')", "Null");
    Row("StrComp ignores case", "jet_strcomp('ABCD', 'abcd')", "0");
    Row("StrComp binary", "jet_strcomp('ABCD', 'abcd', 0)", "-1");
    Row("StrComp text", "jet_strcomp('b', 'A', 1)", "1");
    Row("StrComp of Null", "jet_strcomp(NULL, 'a')", "Null");
    Row("StrReverse counts characters", "jet_strreverse('Ñandú')", "'údnaÑ'");
    Row("StrReverse of an empty text", "jet_strreverse('')", "''");
}

void TestJetFunctions::numbers_data()
{
    AddColumns();
    Row("Round 2.5 to even", "jet_round(2.5)", "2.0");
    Row("Round 3.5 to even", "jet_round(3.5)", "4.0");
    Row("Round -2.5 to even", "jet_round(-2.5)", "-2.0");
    Row("Round to places, tie in decimal", "jet_round(2.675, 2)", "2.68");
    Row("Round to places, tie to even", "jet_round(0.125, 2)", "0.12");
    Row("Round 1.005 to even", "jet_round(1.005, 2)", "1.0");
    Row("Round away from a tie", "jet_round(1.23456, 3)", "1.235");
    Row("Round keeps a whole number whole", "jet_round(5)", "5");
    Row("Round of Null", "jet_round(NULL)", "Null");
    Row("Int of a negative is the floor", "jet_int(-8.4)", "-9.0");
    Row("Fix of a negative truncates", "jet_fix(-8.4)", "-8.0");
    Row("Int of a positive", "jet_int(8.9)", "8.0");
    Row("Int keeps a whole number whole", "jet_int(7)", "7");
    Row("Int of a numeric text", "jet_int('5.5')", "5.0");
    Row("Int of Null", "jet_int(NULL)", "Null");
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
    Row("Abs", "jet_abs(-5)", "5");
    Row("Abs of a double", "jet_abs(-2.5)", "2.5");
    Row("Abs of Null", "jet_abs(NULL)", "Null");
    Row("Sgn negative", "jet_sgn(-3)", "-1");
    Row("Sgn zero", "jet_sgn(0)", "0");
    Row("Sgn positive", "jet_sgn(2.5)", "1");
    Row("Sqr", "jet_sqr(16)", "4.0");
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
}

void TestJetFunctions::operators_data()
{
    AddColumns();
    Row("& with Null on the left", "jet_concat(NULL, 'a')", "'a'");
    Row("& with Null on the right", "jet_concat('a', NULL)", "'a'");
    Row("& of two Nulls", "jet_concat(NULL, NULL)", "Null");
    Row("& with a whole number", "jet_concat('n=', 5)", "'n=5'");
    Row("& with a double", "jet_concat('x', 2.5)", "'x2.5'");
    Row("& with a stored date", "jet_concat('Paid ', '2020-01-31 00:00:00')", "'Paid 31/01/2020'");
    Row("\\ of whole numbers", "jet_intdiv(7, 2)", "3");
    Row("\\ truncates toward zero", "jet_intdiv(-7, 2)", "-3");
    Row("\\ rounds 7.5 to 8 first", "jet_intdiv(7.5, 2)", "4");
    Row("\\ rounds 6.5 to 6 first", "jet_intdiv(6.5, 2)", "3");
    Row("\\ of Null", "jet_intdiv(NULL, 1)", "Null");
    Row("Mod", "jet_mod(7, 3)", "1");
    Row("Mod takes the dividend's sign", "jet_mod(-7, 3)", "-1");
    Row("Mod of a negative divisor", "jet_mod(7, -3)", "1");
    Row("Mod rounds first", "jet_mod(5.5, 2)", "0");
    Row("^", "jet_pow(2, 10)", "1024.0");
    Row("^ negative exponent", "jet_pow(2, -1)", "0.5");
    Row("^ of a negative base and whole exponent", "jet_pow(-2, 3)", "-8.0");
    Row("^ of Null", "jet_pow(NULL, 2)", "Null");
    Row("/ gives a double", "jet_div(5, 2)", "2.5");
    Row("/ of Null", "jet_div(NULL, 0)", "Null");
    Row("+ of numbers", "jet_add(1, 2)", "3");
    Row("+ of two texts joins them", "jet_add('1', '2')", "'12'");
    Row("+ of a numeric text and a number", "jet_add('5', 3)", "8.0");
    Row("+ of a date and days", "jet_add('2020-01-31 00:00:00', 1)", "'2020-02-01 00:00:00'");
    Row("+ of a date and half a day", "jet_add('2020-01-31 00:00:00', 0.5)", "'2020-01-31 12:00:00'");
    Row("+ with Null", "jet_add(NULL, 1)", "Null");
    Row("- of two dates gives days", "jet_sub('2020-03-01 00:00:00', '2020-02-01 00:00:00')", "29.0");
    Row("- of days from a date", "jet_sub('2020-03-01 00:00:00', 1)", "'2020-02-29 00:00:00'");
    Row("- of numbers", "jet_sub(5, 7)", "-2");
    Row("Like with *", "jet_like('Banda', 'b*')", "-1");
    Row("Like with ?", "jet_like('Banda', '?anda')", "-1");
    Row("Like with # digits", "jet_like('S123', 'S###')", "-1");
    Row("Like # refuses a letter", "jet_like('S12a', 'S###')", "0");
    Row("Like with a range", "jet_like('Banda', '[a-c]*')", "-1");
    Row("Like with a negated range", "jet_like('Banda', '[!a-c]*')", "0");
    Row("Like with %", "jet_like('abc', 'a%')", "-1");
    Row("Like with _", "jet_like('abc', 'a_c')", "-1");
    Row("Like with a bracketed star", "jet_like('a*c', 'a[*]c')", "-1");
    Row("Like bracketed star is literal", "jet_like('abc', 'a[*]c')", "0");
    Row("Like with a lone hyphen in a list", "jet_like('a-b', 'a[-]b')", "-1");
    Row("Like with an empty list", "jet_like('ab', 'a[]b')", "-1");
    Row("Like ignores case", "jet_like('abc', 'ABC')", "-1");
    Row("Like ignores case of accented letters", "jet_like('Ñu', 'ñ?')", "-1");
    Row("Like backtracks over *", "jet_like('mississippi', '*sip*')", "-1");
    Row("Like needs the whole text", "jet_like('abcd', 'abc')", "0");
    Row("Like of an empty text", "jet_like('', '*')", "-1");
    Row("Like of Null", "jet_like(NULL, 'a')", "Null");
    Row("Like of a stored date as the office writes it", "jet_like('2020-01-31 00:00:00', '*/01/2020')", "-1");
    Row("Compare ignores case", "jet_compare('abc', 'ABC')", "0");
    Row("Compare texts", "jet_compare('a', 'b')", "-1");
    Row("Compare a number with a numeric text", "jet_compare(10, '9')", "1");
    Row("Compare a number with a word", "jet_compare(2, 'abc')", "-1");
    Row("Compare with Null", "jet_compare(NULL, 1)", "Null");
}

void TestJetFunctions::formats_data()
{
    AddColumns();
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

void TestJetFunctions::errors_data()
{
    AddColumns();
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
    Row("Sqr of a negative", "jet_sqr(-1)", "!Invalid procedure call or argument in Sqr()");
    Row("Round to negative places", "jet_round(2.5, -1)", "!Invalid procedure call or argument in Round()");
    Row("Left with a negative length", "jet_left('abc', -1)", "!Invalid procedure call or argument in Left()");
    Row("Left with a Null length", "jet_left('abc', NULL)", "!Invalid use of Null in Left()");
    Row("Mid from position 0", "jet_mid('abc', 0)", "!Invalid procedure call or argument in Mid()");
    Row("Space of a negative", "jet_space(-1)", "!Invalid procedure call or argument in Space()");
    Row("Replace in Null", "jet_replace(NULL, 'a', 'b')", "!Invalid use of Null in Replace()");
    Row("IIf of a word", "jet_iif('abc', 1, 2)", "!Type mismatch in IIf()");
    Row("Switch without pairs", "jet_switch(1, 'a', 2)", "!Invalid procedure call or argument in Switch()");
    Row("DateSerial of Null", "jet_dateserial(NULL, 1, 1)", "!Invalid use of Null in DateSerial()");
    Row("DateSerial beyond 9999", "jet_dateserial(10000, 1, 1)",
        "!Invalid procedure call or argument in DateSerial()");
    Row("DateAdd before the year 100", "jet_dateadd('yyyy', -2000, '2020-01-01')",
        "!Invalid procedure call or argument in DateAdd()");
    Row("DateAdd with an unknown interval", "jet_dateadd('x', 1, '2020-01-01')",
        "!Invalid procedure call or argument in DateAdd(): \"x\" is not an interval");
    Row("Year of a word", "jet_year('abc')", "!Type mismatch in Year(): \"abc\" is not a date.");
    Row("\\ by zero", "jet_intdiv(5, 0)", "!Division by zero in the \\ operator.");
    Row("\\ by a divisor rounded to zero", "jet_intdiv(5, 0.4)", "!Division by zero in the \\ operator.");
    Row("Mod by zero", "jet_mod(7, 0)", "!Division by zero in the Mod operator.");
    Row("/ by zero", "jet_div(1, 0)", "!Division by zero in the / operator.");
    Row("/ of zero by zero", "jet_div(0, 0)", "!Overflow in the / operator.");
    Row("^ of a negative base and a fraction", "jet_pow(-8, 1.0 / 3)", "!Invalid procedure call or argument in the ^ operator");
    Row("^ of zero to a negative power", "jet_pow(0, -1)", "!Division by zero in the ^ operator.");
    Row("+ of a word and a number", "jet_add('a', 1)", "!Type mismatch in the + operator");
    Row("Like with an unclosed list", "jet_like('abc', '[a')", "!Invalid pattern string in the Like operator");
    Row("Sum of a word", "jet_sum('abc')", "!Type mismatch in Sum()");
    Row("Hex beyond a Long", "jet_hex(2147483648)", "!Overflow in Hex()");
    Row("Asc of an empty text", "jet_asc('')", "!Invalid procedure call or argument in Asc()");
    Row("Asc of Null", "jet_asc(NULL)", "!Invalid use of Null in Asc()");
    Row("AscW of Null", "jet_ascw(NULL)", "!Invalid use of Null in AscW()");
    Row("Chr beyond the code page", "jet_chr(256)", "!Invalid procedure call or argument in Chr()");
    Row("Chr of Null", "jet_chr(NULL)", "!Invalid use of Null in Chr()");
    Row("ChrW beyond 16 bits", "jet_chrw(65536)", "!Invalid procedure call or argument in ChrW()");
    Row("ChrW of half a surrogate pair", "jet_chrw(55296)", "!Invalid procedure call or argument in ChrW()");
    Row("StrComp with an unknown comparison", "jet_strcomp('a', 'b', 3)",
        "!Invalid procedure call or argument in StrComp()");
    Row("StrReverse of Null", "jet_strreverse(NULL)", "!Invalid use of Null in StrReverse()");
    Row("InStrRev from position 0", "jet_instrrev('abc', 'a', 0)", "!Invalid procedure call or argument in InStrRev()");
    Row("InStrRev with a Null start", "jet_instrrev('abc', 'a', NULL)", "!Invalid use of Null in InStrRev()");
    Row("WeekdayName beyond 7", "jet_weekdayname(8)", "!Invalid procedure call or argument in WeekdayName()");
    Row("WeekdayName of Null", "jet_weekdayname(NULL)", "!Invalid use of Null in WeekdayName()");
    Row("MonthName beyond 12", "jet_monthname(13)", "!Invalid procedure call or argument in MonthName()");
    Row("DateValue of a word", "jet_datevalue('abc')", "!Type mismatch in DateValue()");
    Row("Partition with a negative start", "jet_partition(1, -1, 5, 1)",
        "!Invalid procedure call or argument in Partition()");
    Row("Partition with stop not above start", "jet_partition(1, 5, 5, 1)",
        "!Invalid procedure call or argument in Partition()");
    Row("Partition with interval 0", "jet_partition(1, 0, 5, 0)", "!Invalid procedure call or argument in Partition()");
}

void TestJetFunctions::nulls_data()
{
    AddColumns();
    // Null passes through these...
    for (const char* expression :
         {"jet_month(NULL)", "jet_weekday(NULL)", "jet_dateadd('m', 1, NULL)", "jet_datediff('d', '2020-01-01', NULL)",
          "jet_datepart('q', NULL)", "jet_right(NULL, 1)", "jet_mid(NULL, 1, 1)", "jet_lcase(NULL)",
          "jet_ltrim(NULL)", "jet_rtrim(NULL)", "jet_instr(1, 'a', NULL)", "jet_format(NULL)",
          "jet_format(NULL, 'Short Date')", "jet_fix(NULL)", "jet_sgn(NULL)", "jet_concat(NULL, NULL)",
          "jet_mod(1, NULL)", "jet_pow(2, NULL)", "jet_sub(NULL, '2020-01-01 00:00:00')", "jet_like('a', NULL)",
          "jet_string(2, NULL)"})
        Row(expression, expression, "Null");
    // ...and these take the place of a Null.
    Row("IIf", "jet_iif(jet_isnull(NULL), 'none', 'some')", "'none'");
    Row("Nz of a Null result", "jet_nz(jet_year(NULL), 0)", "0");
    Row("& of a Null result", "jet_concat(jet_left(NULL, 1), 'x')", "'x'");
    // The conversions refuse it.
    for (const char* expression : {"jet_clng(NULL)", "jet_ccur(NULL)", "jet_cdbl(NULL)", "jet_sqr(NULL)",
                                   "jet_space(NULL)", "jet_mid('abc', NULL)"})
        Row(expression, expression, "!Invalid use of Null in ");
    Row("Weekday with an unknown first day", "jet_weekday('2020-01-31', 8)",
        "!Invalid procedure call or argument in Weekday()");
    Row("DatePart with an unknown first week", "jet_datepart('ww', '2020-01-31', 1, 4)",
        "!Invalid procedure call or argument in DatePart()");
    Row("InStr with an unknown comparison", "jet_instr(1, 'a', 'a', 5)",
        "!Invalid procedure call or argument in InStr()");
    Row("DateDiff with an unknown interval", "jet_datediff('mm', '2020-01-01', '2020-02-01')",
        "!Invalid procedure call or argument in DateDiff()");
}

void TestJetFunctions::patternsAndFormatsVaryingByRecord()
{
    // The engine keeps a constant pattern or format between records; one that changes
    // from record to record must be read again for each.
    const QString records = u"(SELECT 'Banda' AS s, 'B*' AS p, '0.00' AS f, 2.5 AS n UNION ALL "
                            u"SELECT 'Banda', 'P*', '#,##0', 1234.5 UNION ALL "
                            u"SELECT 'Phiri', 'P*', 'Percent', 0.5 UNION ALL "
                            u"SELECT 'Phiri', '[!P]*', NULL, 7)"_s;
    QCOMPARE(Run(db_->QueryConnection(), u"SELECT jet_like(s, p), jet_format(n, f) FROM "_s + records),
             u"-1|'2.50';0|'1,235';-1|'50.00%';0|'7'"_s);
    QCOMPARE(Run(db_->QueryConnection(), u"SELECT jet_like(s, 'B*'), jet_format(n, 'Fixed') FROM "_s + records),
             u"-1|'2.50';-1|'1234.50';0|'0.50';0|'7.00'"_s);
}

void TestJetFunctions::hostileTexts_data()
{
    // Short statements with texts that make a plain search, match or layout take hours:
    // each finishes at once only when its time grows with the texts' length, not its square.
    AddColumns();
    Row("Like with a long run after a star",
        "jet_like(jet_string(2000000, 'a'), '*' || jet_string(500000, 'a') || 'b*')", "0");
    Row("Like with a long list", "jet_like(jet_string(2000000, 'a'), '*[' || jet_string(500000, 'b') || ']*c')", "0");
    Row("Like with many stars",
        "jet_like(jet_string(2000000, 'a'), replace(hex(zeroblob(100000)), '00', '*a') || '*b')", "0");
    Row("InStr of an almost matching text", "jet_instr(jet_string(2000000, 'a'), jet_string(500000, 'A') || 'b')", "0");
    Row("InStr in accented text", "jet_instr(jet_string(1000000, 'ñ'), 'b' || jet_string(500000, 'Ñ'))", "0");
    Row("Replace of an almost matching text",
        "jet_len(jet_replace(jet_string(2000000, 'a'), jet_string(500000, 'a') || 'b', 'x'))", "2000000");
    Row("InStrRev of an almost matching text",
        "jet_instrrev(jet_string(2000000, 'a'), 'b' || jet_string(500000, 'A'), -1, 1)", "0");
    Row("StrReverse of a long text", "jet_len(jet_strreverse(jet_string(4000000, 'ñ')))", "4000000");
    Row("Format with a long run of one letter", "jet_len(jet_format('2020-01-31', jet_string(500000, 'q')))", "500000");
    Row("UCase of letters whose capitals are longer", "jet_len(jet_ucase(jet_string(4000000, 'ß')))", "8000000");
    Row("a text too long to build", "jet_replace(jet_string(1000000, 'ñ'), 'ñ', jet_space(2600))",
        "!Invalid procedure call or argument in Replace(): the text would be too long");
}

void TestJetFunctions::cancelStopsALongMatch()
{
    // A run holding ? between stars still costs a word for every 64 of its elements at
    // each character: Cancel must stop it inside the call, where the engine cannot.
    const auto connection = db_->QueryConnection();
    std::atomic<bool> done = false;
    std::thread cancel([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        for (; !done; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            sqlite3_interrupt(connection->Handle());
    });
    const QString result = Run(connection, u"SELECT jet_like(jet_string(4000000, 'a'), "
                                           u"'*' || replace(hex(zeroblob(500000)), '00', 'a?') || 'b*')"_s);
    done = true;
    cancel.join();
    QCOMPARE(result, u"!The operation was stopped."_s);
}

void TestJetFunctions::aggregates_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const char* select, const char* values, const char* expected) {
        QTest::newRow(name) << u"SELECT %1 FROM %2"_s.arg(QString::fromUtf8(select), Values(values))
                            << QString::fromUtf8(expected);
    };
    row("Sum skips Nulls", "jet_sum(v)", "(1), (NULL), (2)", "3");
    row("Sum of only Nulls", "jet_sum(v)", "(NULL), (NULL)", "Null");
    row("Sum of amounts adds exactly", "jet_sum(v)", "(0.1), (0.2)", "0.3");
    row("Sum of ten tenths is one", "jet_sum(v)", "(0.1), (0.1), (0.1), (0.1), (0.1), (0.1), (0.1), (0.1), (0.1), (0.1)",
        "1.0");
    row("Sum of whole and decimal amounts", "jet_sum(v)", "(1), (0.05)", "1.05");
    row("Sum of numeric texts", "jet_sum(v)", "('5'), ('2.5')", "7.5");
    row("Sum of a thirds keeps the double", "jet_sum(v)", "(1.0 / 3), (1.0 / 3), (1.0 / 3)", "1.0");
    row("Avg skips Nulls", "jet_avg(v)", "(1), (NULL), (2)", "1.5");
    row("Avg of amounts", "jet_avg(v)", "(0.1), (0.2)", "0.15");
    row("Avg of nothing", "jet_avg(v)", "(NULL)", "Null");
    row("Count skips Nulls", "jet_count(v)", "(1), (NULL), (2)", "2");
    row("Count(*) counts every record", "jet_count(*)", "(1), (NULL), (2)", "3");
    row("Count of only Nulls", "jet_count(v)", "(NULL)", "0");
    row("Min of numbers", "jet_min(v)", "(3), (NULL), (-1), (2.5)", "-1");
    row("Max of numbers", "jet_max(v)", "(3), (NULL), (-1), (2.5)", "3");
    row("Min of texts ignores case", "jet_min(v)", "('banda'), ('Adams'), ('carl')", "'Adams'");
    row("Max of texts ignores case", "jet_max(v)", "('banda'), ('Adams'), ('carl')", "'carl'");
    row("Min of stored dates", "jet_min(v)", "('2020-01-31 00:00:00'), ('2019-12-31 23:00:00')",
        "'2019-12-31 23:00:00'");
    row("Max of nothing", "jet_max(v)", "(NULL)", "Null");
    row("First in record order", "jet_first(v)", "('b'), (NULL), ('a'), ('c')", "'b'");
    row("Last in record order", "jet_last(v)", "('b'), (NULL), ('a'), ('c')", "'c'");
    row("First skips a leading Null", "jet_first(v)", "(NULL), ('x')", "'x'");
    row("Last skips a trailing Null", "jet_last(v)", "('x'), (NULL)", "'x'");
    row("First keeps the value's type", "jet_first(v)", "(2.5), (1)", "2.5");
    row("StDev of one value is Null", "jet_stdev(v)", "(5)", "Null");
    row("StDevP of one value is 0", "jet_stdevp(v)", "(5)", "0.0");
    row("VarP of nothing is Null", "jet_varp(v)", "(NULL)", "Null");
    // Eight values of mean 5 whose squared deviations add up to 32.
    row("StDev divides by n - 1", "jet_round(jet_stdev(v), 9)", "(2), (4), (4), (4), (5), (5), (7), (9)",
        "2.138089935");
    row("StDevP divides by n", "jet_round(jet_stdevp(v), 9)", "(2), (4), (4), (4), (5), (5), (7), (9), (NULL)", "2.0");
    row("Var divides by n - 1", "jet_round(jet_var(v), 9)", "(2), (4), (4), (4), (5), (5), (7), (9)", "4.571428571");
    row("VarP divides by n", "jet_round(jet_varp(v), 9)", "(2), (4), (4), (4), (5), (5), (7), (9)", "4.0");
    row("Var of large, close values", "jet_round(jet_var(v), 9)", "(100000.1), (100000.2), (100000.3)",
        "0.01");
    QTest::newRow("groups keep their own totals")
        << u"SELECT g, jet_sum(v), jet_first(v), jet_last(v) FROM (SELECT 'a' AS g, 1 AS v UNION ALL "
           u"SELECT 'b', 2 UNION ALL SELECT 'a', 3 UNION ALL SELECT 'b', NULL) GROUP BY g ORDER BY g"_s
        << u"'a'|4|1|3;'b'|2|2|2"_s;
}

void TestJetFunctions::aggregates()
{
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    const QString actual = Run(db_->QueryConnection(), sql);
    if (expected.startsWith(u'!'))
        QVERIFY2(actual.startsWith(expected), qPrintable(actual));
    else
        QCOMPARE(actual, expected);
}

void TestJetFunctions::storedColumns_data()
{
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const char* select, const char* expected) {
        QTest::newRow(name) << QString::fromUtf8(select) << QString::fromUtf8(expected);
    };
    row("date parts of a column", "jet_year([Transaction Date]), jet_month([Transaction Date])",
        "2020|1;2020|2;2019|12;Null|Null");
    row("formatted dates of a column", "jet_format([Transaction Date], 'Short Date')",
        "'31/01/2020';'29/02/2020';'31/12/2019';Null");
    row("a column's date joined to text", "jet_concat('Paid ', [Transaction Date])",
        "'Paid 31/01/2020';'Paid 29/02/2020 14:05:09';'Paid 31/12/2019';'Paid '");
    row("a month added to a column", "jet_dateadd('m', 1, [Transaction Date]) > [Transaction Date]", "1;1;1;Null");
    row("amounts formatted", "jet_format(Amount, 'Standard')", "'0.10';'0.20';'1,234.50';Null");
}

void TestJetFunctions::storedColumns()
{
    QFETCH(QString, select);
    QFETCH(QString, expected);
    QCOMPARE(Run(db_->QueryConnection(),
                 u"SELECT %1 FROM [Levy Account Credits] ORDER BY [Receipt Number]"_s.arg(select)),
             expected);
    // Amounts of the column add exactly, and whole dates compare with the column.
    QCOMPARE(Run(db_->QueryConnection(),
                 u"SELECT jet_sum(Amount) FROM [Levy Account Credits] WHERE [Receipt Number] < 'R3'"_s),
             u"0.3"_s);
    QCOMPARE(Run(db_->QueryConnection(),
                 u"SELECT count(*) FROM [Levy Account Credits] WHERE [Transaction Date] = jet_dateserial(2020, 1, 31)"_s),
             u"1"_s);
}

void TestJetFunctions::clockFunctions()
{
    const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    const QString result = Run(db_->QueryConnection(), u"SELECT jet_date(), jet_now(), jet_time()"_s);
    const QStringList parts = result.split(u'|');
    QCOMPARE(parts.size(), 3);
    // Run across midnight, the date may have moved on between the calls.
    if (!parts[0].startsWith(u'\'' + today))
        QSKIP("the date changed while the test ran");
    QCOMPARE(parts[0], u"'%1 00:00:00'"_s.arg(today));
    QVERIFY(parts[1].startsWith(u'\'' + today + u' '));
    QVERIFY(parts[2].startsWith(u"'1899-12-30 "_s));
    QCOMPARE(parts[2].size(), 21);
}

void TestJetFunctions::everyFunctionIsRegistered()
{
    auto connection = db_->QueryConnection();
    QVERIFY(JetFunctionTable().size() > 60);
    for (const JetFunctionInfo& info : JetFunctionTable()) {
        QVERIFY2(info.sqlName.startsWith(u"jet_"_s), qPrintable(info.sqlName));
        if (!info.isOperator)
            QCOMPARE(info.sqlName, u"jet_"_s + info.jetName.toLower());
        QCOMPARE(FindJetFunction(info.jetName.toUpper()), &info);
        // Each count of arguments it takes prepares through the read-only authorizer.
        const int most = info.maxArgs < 0 ? info.minArgs + 2 : info.maxArgs;
        for (int n = info.minArgs; n <= most; ++n) {
            QStringList arguments;
            for (int i = 0; i < n; ++i)
                arguments.append(u"1"_s);
            const QString sql = u"SELECT %1(%2)"_s.arg(info.sqlName, arguments.join(u", "_s));
            try {
                jet::PrepareReadOnlyQuery(connection, sql);
            } catch (const RuntimeError& e) {
                QFAIL(qPrintable(sql + u": "_s + e.description));
            }
        }
    }
    QCOMPARE(FindJetFunction(u"NoSuchFunction"_s), nullptr);
}

void TestJetFunctions::wrongArgumentCountFailsAtPreparation()
{
    auto connection = db_->QueryConnection();
    for (const QString& sql : {u"SELECT jet_left('abc')"_s, u"SELECT jet_iif(1, 2)"_s, u"SELECT jet_mid('a', 1, 2, 3)"_s,
                               u"SELECT jet_sum(1, 2)"_s, u"SELECT jet_now(1)"_s}) {
        bool failed = false;
        try {
            jet::PrepareReadOnlyQuery(connection, sql);
        } catch (const RuntimeError& e) {
            failed = e.description.contains(u"wrong number of arguments"_s);
        }
        QVERIFY2(failed, qPrintable(sql));
    }
}

void TestJetFunctions::resultKindsForTyping_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("argument");
    QTest::addColumn<bool>("aggregate");
    QTest::newRow("CCur is an amount") << u"CCur"_s << int(JetResultKind::Currency) << -1 << false;
    QTest::newRow("Sum is its argument's type") << u"sum"_s << int(JetResultKind::SameAsArgument) << 0 << true;
    QTest::newRow("First is its argument's type") << u"First"_s << int(JetResultKind::SameAsArgument) << 0 << true;
    QTest::newRow("Count is a long") << u"Count"_s << int(JetResultKind::Long) << -1 << true;
    QTest::newRow("DateAdd is a date") << u"DateAdd"_s << int(JetResultKind::Date) << -1 << false;
    QTest::newRow("Round keeps its argument's type") << u"Round"_s << int(JetResultKind::SameAsArgument) << 0 << false;
    QTest::newRow("Format is text") << u"Format"_s << int(JetResultKind::Text) << -1 << false;
    QTest::newRow("IsNull is a boolean") << u"IsNull"_s << int(JetResultKind::Boolean) << -1 << false;
    QTest::newRow("& is text") << u"&"_s << int(JetResultKind::Text) << -1 << false;
    QTest::newRow("CInt is a 16-bit integer") << u"CInt"_s << int(JetResultKind::Integer) << -1 << false;
    QTest::newRow("CLng is a long") << u"CLng"_s << int(JetResultKind::Long) << -1 << false;
}

void TestJetFunctions::resultKindsForTyping()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(int, argument);
    QFETCH(bool, aggregate);
    const JetFunctionInfo* info = FindJetFunction(name);
    QVERIFY(info);
    QCOMPARE(int(info->result), kind);
    QCOMPARE(info->argument, argument);
    QCOMPARE(info->aggregate, aggregate);
}

void TestJetFunctions::queriesThroughTheDatabaseSeeTheFunctions()
{
    auto rs = db_->OpenRecordset(u"SELECT jet_format(jet_sum(Amount), 'Standard') AS Total FROM [Levy Account Credits]"_s);
    QVERIFY(!rs->IsEOF());
    QCOMPARE(rs->FieldValue(0).ToDisplayText(), u"1,234.80"_s);
}

QTEST_MAIN(TestJetFunctions)
#include "test_jet_functions.moc"
