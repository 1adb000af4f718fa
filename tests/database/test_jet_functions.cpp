#include "jet_functions/FunctionTesting.h"
#include "support/TestSupport.h"

#include "jet/gate/ReadOnlyAuthorizer.h"
#include "engine/Sqlite.h"
#include "jet/functions/JetFunctionCatalog.h"
#include "platform/RuntimeError.h"

#include <QDate>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace levy;
using namespace levy::jet;
using namespace levy::test;

class TestJetFunctions : public QObject {
    Q_OBJECT

private slots:
    void nulls_data();
    void nulls() { db_.Check(); }
    void patternsAndFormatsVaryingByRecord();
    void hostileTexts_data();
    void hostileTexts() { db_.Check(); }
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
    FunctionDatabase db_;
};

void TestJetFunctions::nulls_data()
{
    AddExpressionColumns();
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
    QCOMPARE(db_.Run(u"SELECT jet_like(s, p), jet_format(n, f) FROM "_s + records),
             u"-1|'2.50';0|'1,235';-1|'50.00%';0|'7'"_s);
    QCOMPARE(db_.Run(u"SELECT jet_like(s, 'B*'), jet_format(n, 'Fixed') FROM "_s + records),
             u"-1|'2.50';-1|'1234.50';0|'0.50';0|'7.00'"_s);
}

void TestJetFunctions::hostileTexts_data()
{
    // Short statements with texts that make a plain search, match or layout take hours:
    // each finishes at once only when its time grows with the texts' length, not its square.
    AddExpressionColumns();
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
    const auto connection = db_.Db().QueryConnection();
    std::atomic<bool> done = false;
    std::thread cancel([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        for (; !done; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            sqlite3_interrupt(connection->Handle());
    });
    const QString result = RunQuery(connection, u"SELECT jet_like(jet_string(4000000, 'a'), "
                                           u"'*' || replace(hex(zeroblob(500000)), '00', 'a?') || 'b*')"_s);
    done = true;
    cancel.join();
    QCOMPARE(result, u"!The operation was stopped."_s);
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
    QCOMPARE(db_.Run(u"SELECT %1 FROM [Levy Account Credits] ORDER BY [Receipt Number]"_s.arg(select)),
             expected);
    // Amounts of the column add exactly, and whole dates compare with the column.
    QCOMPARE(db_.Run(u"SELECT jet_sum(Amount) FROM [Levy Account Credits] WHERE [Receipt Number] < 'R3'"_s),
             u"0.3"_s);
    QCOMPARE(db_.Run(u"SELECT count(*) FROM [Levy Account Credits] WHERE [Transaction Date] = jet_dateserial(2020, 1, 31)"_s),
             u"1"_s);
}

void TestJetFunctions::clockFunctions()
{
    const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    const QString result = db_.Run(u"SELECT jet_date(), jet_now(), jet_time()"_s);
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
    auto connection = db_.Db().QueryConnection();
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
    auto connection = db_.Db().QueryConnection();
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
    auto rs = db_.Db().OpenRecordset(u"SELECT jet_format(jet_sum(Amount), 'Standard') AS Total FROM [Levy Account Credits]"_s);
    QVERIFY(!rs->IsEOF());
    QCOMPARE(rs->FieldValue(0).ToDisplayText(), u"1,234.80"_s);
}

QTEST_MAIN(TestJetFunctions)
#include "test_jet_functions.moc"
