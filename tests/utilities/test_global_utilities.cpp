#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"

#include <QTest>
#include <limits>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestGlobalUtilities : public QObject {
    Q_OBJECT

private slots:
    void formatAmount_data();
    void formatAmount();
    void amountsLineUp();
    void namesMatch_data();
    void namesMatch();
    void isDivisible_data();
    void isDivisible();
};

void TestGlobalUtilities::formatAmount_data()
{
    QTest::addColumn<qint64>("tenThousandths");
    QTest::addColumn<bool>("omitSign");
    QTest::addColumn<bool>("omitSuffix");
    QTest::addColumn<QString>("text");
    QTest::newRow("1234.5 with sign") << qint64(12345000) << false << true << u"$       1 234.50"_s;
    QTest::newRow("1234.5 without sign") << qint64(12345000) << true << true << u"      1 234.50"_s;
    QTest::newRow("1234567") << qint64(12345670000) << true << true << u"  1 234 567.00"_s;
    QTest::newRow("zero") << qint64(0) << true << true << u"          0.00"_s;
    QTest::newRow("negative drops the sign") << qint64(-12345000) << true << true << u"      1 234.50"_s;
    QTest::newRow("zero with suffix") << qint64(0) << true << false << u"          0.00 CR"_s;
    QTest::newRow("negative with suffix") << qint64(-5000) << true << false << u"          0.50 DR"_s;
    QTest::newRow("positive with suffix and sign") << qint64(5000) << false << false << u"$           0.50 CR"_s;
    QTest::newRow("below half a cent") << qint64(49) << true << true << u"          0.00"_s;
    QTest::newRow("half a cent and more") << qint64(51) << true << true << u"          0.01"_s;
    QTest::newRow("fraction carries into the whole") << qint64(19950) << true << true << u"          2.00"_s;
    QTest::newRow("carry across a group") << qint64(9999999) << true << true << u"      1 000.00"_s;
    QTest::newRow("nine digits") << qint64(9999999990000) << true << true << u"999 999 999.00"_s;
    QTest::newRow("ten digits in full") << qint64(21474836470000) << true << true << u"2 147 483 647.00"_s;
    QTest::newRow("ten digits with sign") << qint64(10000000000000) << false << true << u"$ 1 000 000 000.00"_s;
    QTest::newRow("past 2147483647") << qint64(21474836480000) << true << true << u"2 147 483 648.00"_s;
    QTest::newRow("carry past 2147483647") << qint64(21474836479990) << true << true << u"2 147 483 648.00"_s;
    QTest::newRow("a year in shillings") << qint64(123456789012345000) << true << false
                                         << u"12 345 678 901 234.50 CR"_s;
    QTest::newRow("largest amount") << std::numeric_limits<qint64>::max() << false << true
                                    << u"$ 922 337 203 685 477.58"_s;
    QTest::newRow("smallest amount") << std::numeric_limits<qint64>::min() << true << false
                                     << u"922 337 203 685 477.58 DR"_s;
}

void TestGlobalUtilities::formatAmount()
{
    QFETCH(qint64, tenThousandths);
    QFETCH(bool, omitSign);
    QFETCH(bool, omitSuffix);
    QFETCH(QString, text);
    QCOMPARE(FormatAmount(Currency{tenThousandths}, omitSign, omitSuffix), text);
}

void TestGlobalUtilities::amountsLineUp()
{
    for (qint64 units : {0LL, 7LL, 42LL, 999LL, 1000LL, 65432LL, 1000000LL, 999999999LL})
        QCOMPARE(FormatAmount(Currency::FromUnits(units), true, true).size(), 14);
}

void TestGlobalUtilities::namesMatch_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("match");
    QTest::newRow("same") << u"admin"_s << u"admin"_s << true;
    QTest::newRow("case") << u"ADMIN"_s << u"admin"_s << true;
    QTest::newRow("spaces") << u"  Admin "_s << u"admin"_s << true;
    QTest::newRow("added digit") << u"admin1"_s << u"admin"_s << false;
    QTest::newRow("inner space") << u"ad min"_s << u"admin"_s << false;
    QTest::newRow("tab is not a space") << u"\tadmin"_s << u"admin"_s << false;
}

void TestGlobalUtilities::namesMatch()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, match);
    QCOMPARE(NamesMatch(a, b), match);
}

void TestGlobalUtilities::isDivisible_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("divisor");
    QTest::addColumn<bool>("divisible");
    QTest::newRow("whole pages") << 1.0 << 1 << true;
    QTest::newRow("1.01 pages") << 1.01 << 1 << false;
    QTest::newRow("2.5 pages") << 2.5 << 1 << false;
    QTest::newRow("a date at midnight") << 46000.0 << 1 << true;
    QTest::newRow("half past twelve") << 46000.0 + 12.5 / 24.0 << 1 << false;
    QTest::newRow("ten by five") << 10.0 << 5 << true;
}

void TestGlobalUtilities::isDivisible()
{
    QFETCH(double, value);
    QFETCH(int, divisor);
    QFETCH(bool, divisible);
    QCOMPARE(IsDivisible(value, divisor), divisible);
}

QTEST_GUILESS_MAIN(TestGlobalUtilities)
#include "test_global_utilities.moc"
