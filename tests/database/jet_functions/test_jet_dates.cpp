#include "FunctionTesting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy::test;

// The dialect's dates and times, a row or more per documented case.
class TestJetDates : public QObject {
    Q_OBJECT

private slots:
    void dates_data();
    void dates() { db_.Check(); }

private:
    FunctionDatabase db_;
};

void TestJetDates::dates_data()
{
    AddExpressionColumns();
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
    Row("DateSerial of Null", "jet_dateserial(NULL, 1, 1)", "!Invalid use of Null in DateSerial()");
    Row("DateSerial beyond 9999", "jet_dateserial(10000, 1, 1)",
        "!Invalid procedure call or argument in DateSerial()");
    Row("DateAdd before the year 100", "jet_dateadd('yyyy', -2000, '2020-01-01')",
        "!Invalid procedure call or argument in DateAdd()");
    Row("DateAdd with an unknown interval", "jet_dateadd('x', 1, '2020-01-01')",
        "!Invalid procedure call or argument in DateAdd(): \"x\" is not an interval");
    Row("Year of a word", "jet_year('abc')", "!Type mismatch in Year(): \"abc\" is not a date.");
    Row("WeekdayName beyond 7", "jet_weekdayname(8)", "!Invalid procedure call or argument in WeekdayName()");
    Row("WeekdayName of Null", "jet_weekdayname(NULL)", "!Invalid use of Null in WeekdayName()");
    Row("MonthName beyond 12", "jet_monthname(13)", "!Invalid procedure call or argument in MonthName()");
    Row("DateValue of a word", "jet_datevalue('abc')", "!Type mismatch in DateValue()");
    Row("TimeSerial with minutes below 0", "jet_timeserial(12 - 6, -15, 0)", "'1899-12-30 05:45:00'");
    Row("TimeSerial", "jet_timeserial(16, 35, 17)", "'1899-12-30 16:35:17'");
    Row("TimeSerial past midnight", "jet_timeserial(25, 0, 0)", "'1899-12-31 01:00:00'");
    Row("TimeSerial before midnight", "jet_timeserial(0, 0, -1)", "'1899-12-29 23:59:59'");
    Row("TimeSerial beyond an Integer", "jet_timeserial(40000, 0, 0)", "!Overflow in TimeSerial()");
    Row("TimeSerial of Null", "jet_timeserial(NULL, 0, 0)", "!Invalid use of Null in TimeSerial()");
    Row("Timer counts the seconds of the day", "jet_timer() >= 0 AND jet_timer() < 86400", "1");
}

QTEST_MAIN(TestJetDates)
#include "test_jet_dates.moc"
