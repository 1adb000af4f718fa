#include "values/DaoConstants.h"
#include "jet/syntax/SqlClassifier.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestSqlClassifier : public QObject {
    Q_OBJECT

private slots:
    void types_data();
    void types();
    void textAfterTheStatement_data();
    void textAfterTheStatement();
};

void TestSqlClassifier::types_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("type");
    QTest::newRow("select") << u"SELECT * FROM Students"_s << int(dbQSelect);
    QTest::newRow("leading blanks and comment") << u"\r\n  -- all of them\r\n select 1"_s << int(dbQSelect);
    QTest::newRow("block comment") << u"/* UPDATE */ SELECT 1"_s << int(dbQSelect);
    QTest::newRow("union") << u"SELECT a FROM t UNION SELECT b FROM u"_s << int(dbQSetOperation);
    QTest::newRow("union all lower case") << u"select a from t union all select b from u"_s << int(dbQSetOperation);
    QTest::newRow("except") << u"SELECT a FROM t EXCEPT SELECT b FROM u"_s << int(dbQSetOperation);
    QTest::newRow("union inside a subquery") << u"SELECT * FROM (SELECT 1 UNION SELECT 2)"_s << int(dbQSelect);
    QTest::newRow("parenthesised union") << u"(SELECT 1) UNION (SELECT 2)"_s << int(dbQSetOperation);
    QTest::newRow("union in a string") << u"SELECT 'a UNION b'"_s << int(dbQSelect);
    QTest::newRow("with") << u"WITH x AS (SELECT 1) SELECT * FROM x"_s << int(dbQSelect);
    QTest::newRow("with then delete") << u"WITH x AS (SELECT 1) DELETE FROM t"_s << int(dbQDelete);
    QTest::newRow("crosstab") << u"TRANSFORM Sum(Amount) SELECT Class FROM t GROUP BY Class PIVOT Sex"_s
                              << int(dbQCrosstab);
    QTest::newRow("parameters then crosstab")
        << u"PARAMETERS [x] Text; TRANSFORM Count(*) SELECT a FROM t GROUP BY a PIVOT b"_s << int(dbQCrosstab);
    QTest::newRow("parameters then update") << u"PARAMETERS [x] Text; UPDATE t SET a = 1"_s << int(dbQUpdate);
    QTest::newRow("select into") << u"SELECT * INTO Copy FROM Students"_s << int(dbQMakeTable);
    QTest::newRow("into in a bracketed name") << u"SELECT [INTO] FROM t"_s << int(dbQSelect);
    QTest::newRow("insert") << u"INSERT INTO t VALUES (1)"_s << int(dbQAppend);
    QTest::newRow("replace") << u"REPLACE INTO t VALUES (1)"_s << int(dbQAppend);
    QTest::newRow("update") << u"UPDATE Users SET [User Rights] = '1'"_s << int(dbQUpdate);
    QTest::newRow("delete") << u"DELETE FROM Users"_s << int(dbQDelete);
    QTest::newRow("create") << u"CREATE TABLE x (a)"_s << int(dbQDDL);
    QTest::newRow("drop") << u"DROP TABLE Users"_s << int(dbQDDL);
    QTest::newRow("alter") << u"ALTER TABLE Users ADD COLUMN x"_s << int(dbQDDL);
    QTest::newRow("pragma") << u"PRAGMA rekey = 'x'"_s << int(dbQAction);
    QTest::newRow("attach") << u"ATTACH 'x' AS y"_s << int(dbQAction);
    QTest::newRow("begin") << u"BEGIN"_s << int(dbQAction);
    QTest::newRow("vacuum") << u"VACUUM"_s << int(dbQAction);
    QTest::newRow("empty") << QString() << int(dbQAction);
    QTest::newRow("mistyped verb, left to the parser") << u"SELEC * FRM Students"_s << int(dbQSelect);
    QTest::newRow("select in a name only") << u"[SELECT]"_s << int(dbQAction);
}

void TestSqlClassifier::types()
{
    QFETCH(QString, sql);
    QFETCH(int, type);
    QCOMPARE(jet::ClassifyStatement(sql), type);
}

void TestSqlClassifier::textAfterTheStatement_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("after");
    QTest::newRow("one statement") << u"SELECT 1"_s << false;
    QTest::newRow("closing semicolon") << u"SELECT 1;"_s << false;
    QTest::newRow("semicolon and comment") << u"SELECT 1; -- done\r\n"_s << false;
    QTest::newRow("second statement") << u"SELECT 1; DELETE FROM Users"_s << true;
    QTest::newRow("second behind a comment") << u"SELECT 1 /* ; */; DROP TABLE Users"_s << true;
    QTest::newRow("semicolon in a string") << u"SELECT ';DROP TABLE x'"_s << false;
    QTest::newRow("parameters clause") << u"PARAMETERS a Text; SELECT a"_s << false;
}

void TestSqlClassifier::textAfterTheStatement()
{
    QFETCH(QString, sql);
    QFETCH(bool, after);
    QCOMPARE(jet::HasTextAfterStatement(sql), after);
}

QTEST_GUILESS_MAIN(TestSqlClassifier)
#include "test_sql_classifier.moc"
