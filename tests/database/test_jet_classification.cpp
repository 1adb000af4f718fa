#include "support/TestSupport.h"

#include "values/DaoConstants.h"
#include "database/QueryDef.h"
#include "jet/syntax/SqlClassifier.h"
#include "platform/RuntimeError.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

// Statements of both dialects sorted by query type, from their text alone.
class TestJetClassification : public QObject {
    Q_OBJECT

private slots:
    void types_data();
    void types();
    void storedQueryTypeNeedsNoDatabaseRead();
};

void TestJetClassification::types_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("type");
    auto add = [](const char* name, const char* sql, int type) {
        QTest::newRow(name) << QString::fromUtf8(sql) << type;
    };
    // Select queries, as the office writes them and as the engine's own SQL.
    add("top with ties", "SELECT TOP 5 Surname FROM Students ORDER BY Surname", dbQSelect);
    add("top percent", "SELECT TOP 10 PERCENT * FROM [Levy Account Debits] ORDER BY Amount DESC", dbQSelect);
    add("distinctrow", "SELECT DISTINCTROW s.* FROM Students s INNER JOIN [Levy Account Credits] c "
                       "ON s.[Student ID] = c.[Student ID]",
        dbQSelect);
    add("date literal and bang", "SELECT Students!Surname FROM Students WHERE #1/31/2026# > Date()", dbQSelect);
    add("double-quoted text", "SELECT * FROM Students WHERE Surname = \"Banda\"", dbQSelect);
    add("SELECT in a text", "SELECT 'UPDATE x SET y = 1' AS [Text] FROM Students", dbQSelect);
    add("INTO in a text", "SELECT \"a INTO b\" FROM Students", dbQSelect);
    add("UNION in a bracketed name", "SELECT [UNION] FROM t", dbQSelect);
    add("INTO in a subquery's text", "SELECT * FROM (SELECT 'INTO' AS x)", dbQSelect);
    add("leading line comment", "-- the class list\r\nSELECT * FROM Students", dbQSelect);
    add("leading block comment", "/* DELETE FROM Users */ SELECT * FROM Users", dbQSelect);
    add("parameters then select", "PARAMETERS [From] DateTime, [To] DateTime; SELECT * FROM t", dbQSelect);
    add("with clause", "WITH d AS (SELECT * FROM [Levy Account Debits]) SELECT * FROM d", dbQSelect);
    add("values", "VALUES (1), (2)", dbQSelect);
    // Crosstabs.
    add("crosstab", "TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Debits] GROUP BY [Student ID] "
                    "PIVOT [Fee Code]",
        dbQCrosstab);
    add("crosstab with IN", "TRANSFORM Count(*) SELECT Class FROM Students GROUP BY Class PIVOT Sex IN ('F', 'M')",
        dbQCrosstab);
    add("crosstab after parameters", "PARAMETERS [Year] Short; TRANSFORM Sum(Amount) SELECT [Student ID] "
                                     "FROM [Levy Account Debits] GROUP BY [Student ID] PIVOT [Fee Code]",
        dbQCrosstab);
    add("crosstab after a comment", "/* per fee */ transform count(*) select a from t group by a pivot b",
        dbQCrosstab);
    // Unions.
    add("union", "SELECT [Student ID] FROM Students UNION SELECT [Student ID] FROM [Deregistered Students]",
        dbQSetOperation);
    add("union all with order", "SELECT a FROM t UNION ALL SELECT b FROM u ORDER BY 1", dbQSetOperation);
    add("union of parenthesised selects", "(SELECT a FROM t) UNION (SELECT b FROM u)", dbQSetOperation);
    add("union after parameters", "PARAMETERS x Text; SELECT a FROM t UNION SELECT b FROM u", dbQSetOperation);
    add("union only inside a subquery", "SELECT * FROM (SELECT a FROM t UNION SELECT b FROM u)", dbQSelect);
    // Action queries, which are refused.
    add("make-table select", "SELECT * INTO Backup FROM Students", dbQMakeTable);
    add("make-table select after parameters", "PARAMETERS x Text; SELECT * INTO Backup FROM Students",
        dbQMakeTable);
    add("make-table crosstab", "TRANSFORM Sum(Amount) SELECT a INTO b FROM t GROUP BY a PIVOT c", dbQMakeTable);
    add("make-table union", "SELECT a INTO b FROM t UNION SELECT a FROM u", dbQMakeTable);
    add("update after parameters", "PARAMETERS [New] Currency; UPDATE Classes SET [Minimum Balance] = [New]",
        dbQUpdate);
    add("delete after parameters", "PARAMETERS x Text; DELETE * FROM Users", dbQDelete);
    add("append query", "INSERT INTO Users ([User Name]) SELECT Surname FROM Students", dbQAppend);
    add("update with SELECT in a text", "UPDATE Students SET Surname = 'SELECT'", dbQUpdate);
    add("delete in a comment then delete", "-- SELECT\r\nDELETE FROM Students", dbQDelete);
    add("select in brackets only", "[SELECT] FROM Students", dbQAction);
    add("data definition", "CREATE TABLE x (a TEXT(5))", dbQDDL);
    add("drop", "DROP TABLE Users", dbQDDL);
    add("parameters alone", "PARAMETERS x Text", dbQAction);
    add("pragma", "PRAGMA key = 'x'", dbQAction);
    add("explain", "EXPLAIN SELECT 1", dbQAction);
    add("procedure", "PROCEDURE p; SELECT 1", dbQAction);
}

void TestJetClassification::types()
{
    QFETCH(QString, sql);
    QFETCH(int, type);
    QCOMPARE(jet::ClassifyStatement(sql), type);
}

void TestJetClassification::storedQueryTypeNeedsNoDatabaseRead()
{
    // Saving an action query classifies it without compiling it; a crosstab naming
    // tables that do not exist is refused when it is saved, because it is compiled.
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    auto db = test::OpenLevy(path);
    auto q = db->QueryDefs(u"Direct SQL Query Object"_s);
    q->SetSQL(u"PARAMETERS x Text; UPDATE Nowhere SET a = 1"_s);
    QCOMPARE(q->Type(), int(dbQUpdate));
    QVERIFY(!IsRunnableQueryType(q->Type()));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, q->SetSQL(u"TRANSFORM Sum(a) SELECT b FROM Nowhere GROUP BY b PIVOT c"_s));
    QCOMPARE(q->Type(), int(dbQUpdate));
    q->SetSQL(u"TRANSFORM Count(*) SELECT Class FROM Students GROUP BY Class PIVOT Sex"_s);
    QCOMPARE(q->Type(), int(dbQCrosstab));
}

QTEST_GUILESS_MAIN(TestJetClassification)
#include "test_jet_classification.moc"
