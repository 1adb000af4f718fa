#include "support/TestSupport.h"

#include "values/DaoConstants.h"
#include "engine/EngineErrors.h"
#include "database/QueryDef.h"
#include "platform/RuntimeError.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
void AddRecords(Database& db)
{
    auto c = db.MainConnection();
    c->Execute(u"INSERT INTO Students ([Student ID], Surname, Sex, Class) VALUES "
               u"('S1', 'Banda', 'F', '4A'), ('S2', 'phiri', 'M', '4A'), ('S3', 'Mwale', 'M', '4B'), "
               u"('S4', 'Zulu', 'F', NULL)"_s);
    c->Execute(u"INSERT INTO [Levy Account Debits] VALUES ('2026-01-13 00:00:00', 1500, 1, 'S1'), "
               u"('2026-01-13 00:00:00', 250.5, 2, 'S1'), ('2026-02-02 09:30:00', 1500, 1, 'S2'), "
               u"('2026-03-01 00:00:00', 75.25, 3, 'S3'), ('2026-03-01 00:00:00', -100, 10, 'S3'), "
               u"('2026-03-01 00:00:00', 20, 10, 'S3')"_s);
}

QString Headings(Recordset& rs)
{
    QStringList names;
    for (int i = 0; i < rs.FieldCount(); ++i)
        names.append(rs.FieldName(i));
    return names.join(u'|');
}
} // namespace

class TestCrosstab : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void crosstabs_data();
    void crosstabs();
    void cellsHaveTheAggregatesType();
    void pivotValuesAreReadWhenOpened();
    void pivotValuesCannotInjectSql();
    void faultyCrosstabs_data();
    void faultyCrosstabs();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    std::shared_ptr<Database> db_;
};

void TestCrosstab::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    db_ = test::FreshLevy(*sandbox_);
    AddRecords(*db_);
}

void TestCrosstab::cleanup()
{
    db_->Close();
    db_.reset();
    sandbox_.reset();
}

void TestCrosstab::crosstabs_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("headings");
    QTest::addColumn<QString>("records");
    QTest::newRow("numbers ascending, not as texts")
        << u"TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Debits] GROUP BY [Student ID] "
           u"PIVOT [Fee Code]"_s
        << u"Student ID|1|2|3|10"_s << u"S1|1500|250.5|Null|Null;S2|1500|Null|Null|Null;S3|Null|Null|75.25|-80"_s;
    QTest::newRow("texts ascending without regard to case")
        << u"TRANSFORM Count(*) SELECT Sex FROM Students GROUP BY Sex PIVOT Left(Surname, 1)"_s
        << u"Sex|B|M|p|Z"_s << u"F|1|Null|Null|1;M|Null|1|1|Null"_s;
    QTest::newRow("dates in date order")
        << u"TRANSFORM Count(*) SELECT [Fee Code] FROM [Levy Account Debits] WHERE [Fee Code] = 1 "
           u"GROUP BY [Fee Code] PIVOT [Transaction Date]"_s
        << u"Fee Code|13/01/2026|02/02/2026 09:30:00"_s << u"1|1|1"_s;
    QTest::newRow("a Null pivot value is <>")
        << u"TRANSFORM Count(*) SELECT Sex FROM Students GROUP BY Sex PIVOT Class"_s << u"Sex|<>|4A|4B"_s
        << u"F|1|1|Null;M|Null|1|1"_s;
    QTest::newRow("IN list: its columns in its order, empty ones too")
        << u"TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Debits] GROUP BY [Student ID] "
           u"PIVOT [Fee Code] IN (10, 1, 7)"_s
        << u"Student ID|10|1|7"_s << u"S1|Null|1500|Null;S2|Null|1500|Null;S3|-80|Null|Null"_s;
    QTest::newRow("IN list of texts and Null")
        << u"TRANSFORM Count(*) SELECT Sex FROM Students GROUP BY Sex PIVOT Class IN ('4b', Null, '5C')"_s
        << u"Sex|4b|<>|5C"_s << u"F|Null|1|Null;M|1|Null|Null"_s;
    QTest::newRow("count per cell and a row total")
        << u"TRANSFORM Count(*) AS N SELECT [Student ID], Sum(Amount) AS Total, Count(*) AS Entries "
           u"FROM [Levy Account Debits] GROUP BY [Student ID] PIVOT [Fee Code]"_s
        << u"Student ID|Total|Entries|1|2|3|10"_s
        << u"S1|1750.5|2|1|1|Null|Null;S2|1500|1|1|Null|Null|Null;S3|-4.75|3|Null|Null|1|2"_s;
    QTest::newRow("expression of aggregates in the cell")
        << u"TRANSFORM Nz(Sum(Amount), 0) * 2 SELECT [Student ID] FROM [Levy Account Debits] "
           u"WHERE [Student ID] <> 'S2' GROUP BY [Student ID] PIVOT [Fee Code] IN (1, 10)"_s
        << u"Student ID|1|10"_s << u"S1|3000|Null;S3|Null|-160"_s;
    QTest::newRow("where, having and order")
        << u"TRANSFORM Max(Amount) SELECT [Student ID] FROM [Levy Account Debits] WHERE Amount > 0 "
           u"GROUP BY [Student ID] HAVING Count(*) >= 1 ORDER BY [Student ID] DESC PIVOT [Fee Code]"_s
        << u"Student ID|1|2|3|10"_s << u"S3|Null|Null|75.25|20;S2|1500|Null|Null|Null;S1|1500|250.5|Null|Null"_s;
    QTest::newRow("a join and parameters clause")
        << u"PARAMETERS [unused] Text; TRANSFORM Sum(d.Amount) SELECT s.Class FROM Students s INNER JOIN "
           u"[Levy Account Debits] d ON s.[Student ID] = d.[Student ID] GROUP BY s.Class PIVOT s.Sex"_s
        << u"Class|F|M"_s << u"4A|1750.5|1500;4B|Null|-4.75"_s;
    QTest::newRow("no records, no pivot columns")
        << u"TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Debits] WHERE Amount > 99999 "
           u"GROUP BY [Student ID] PIVOT [Fee Code]"_s
        << u"Student ID"_s << QString();
}

void TestCrosstab::crosstabs()
{
    QFETCH(QString, sql);
    QFETCH(QString, headings);
    QFETCH(QString, records);
    auto q = db_->QueryDefs(u"Direct SQL Query Object"_s);
    q->SetSQL(sql);
    QCOMPARE(q->Type(), int(dbQCrosstab));
    auto rs = q->OpenRecordset();
    QCOMPARE(Headings(*rs), headings);
    QCOMPARE(test::RenderRecords(*rs), records);
}

void TestCrosstab::cellsHaveTheAggregatesType()
{
    auto rs = db_->OpenRecordset(u"TRANSFORM Sum(Amount) SELECT [Student ID], Count(*) AS N, Sum(Amount) AS Total "
                                 u"FROM [Levy Account Debits] GROUP BY [Student ID] PIVOT [Fee Code]"_s);
    rs->MoveLast();
    QCOMPARE(rs->FieldType(0), int(dbText));
    QCOMPARE(rs->FieldType(1), int(dbLong));
    QCOMPARE(rs->FieldType(2), int(dbCurrency));
    for (int i = 3; i < rs->FieldCount(); ++i)
        QCOMPARE(rs->FieldType(i), int(dbCurrency));
    auto counts = db_->OpenRecordset(u"TRANSFORM Count(*) SELECT Sex FROM Students GROUP BY Sex PIVOT Class"_s);
    QCOMPARE(counts->FieldType(1), int(dbLong));
}

void TestCrosstab::pivotValuesAreReadWhenOpened()
{
    auto q = db_->QueryDefs(u"Direct SQL Query Object"_s);
    q->SetSQL(u"TRANSFORM Count(*) SELECT Sex FROM Students GROUP BY Sex PIVOT Class"_s);
    db_->MainConnection()->Execute(u"INSERT INTO Students ([Student ID], Sex, Class) VALUES ('S5', 'M', '3C')"_s);
    auto rs = q->OpenRecordset();
    QCOMPARE(Headings(*rs), u"Sex|<>|3C|4A|4B"_s);
}

void TestCrosstab::pivotValuesCannotInjectSql()
{
    // Pivot values become column names and literals; none of their text is read as SQL.
    const QString nasty = u"x') THEN 1 END) > 0 THEN 1 END AS `a`, (SELECT group_concat([User Name]) FROM Users"_s;
    auto students = db_->OpenRecordset(u"Students"_s, dbOpenTable);
    for (const QString& surname : {u"O'Brien"_s, nasty, u"back`tick"_s}) {
        students->AddNew();
        students->SetFieldValue(u"Student ID"_s, u"X"_s);
        students->SetFieldValue(u"Guardian Address"_s, surname);
        students->Update();
    }
    auto rs = db_->OpenRecordset(
        u"TRANSFORM Count(*) SELECT [Student ID] FROM Students WHERE [Student ID] = 'X' GROUP BY [Student ID] "
        u"PIVOT [Guardian Address]"_s);
    QCOMPARE(Headings(*rs), u"Student ID|back`tick|O'Brien|"_s + nasty);
    QCOMPARE(test::RenderRecords(*rs), u"X|1|1|1"_s);
}

void TestCrosstab::faultyCrosstabs_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");
    const QString transform = u"Syntax error in TRANSFORM statement."_s;
    QTest::newRow("no PIVOT") << u"TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Debits] "
                                 u"GROUP BY [Student ID]"_s
                              << transform;
    QTest::newRow("no GROUP BY") << u"TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Debits] "
                                    u"PIVOT [Fee Code]"_s
                                 << transform;
    QTest::newRow("no aggregate") << u"TRANSFORM Amount SELECT [Student ID] FROM [Levy Account Debits] "
                                     u"GROUP BY [Student ID] PIVOT [Fee Code]"_s
                                  << transform;
    QTest::newRow("no SELECT") << u"TRANSFORM Sum(Amount) PIVOT [Fee Code]"_s << transform;
    QTest::newRow("IN list of fields") << u"TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Debits] "
                                          u"GROUP BY [Student ID] PIVOT [Fee Code] IN (Amount)"_s
                                       << transform;
    QTest::newRow("unknown pivot field")
        << u"TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Debits] GROUP BY [Student ID] "
           u"PIVOT FeeCod"_s
        << u"No table of this query has a field named \"FeeCod\" (line 1, column 98)."_s;
}

void TestCrosstab::faultyCrosstabs()
{
    QFETCH(QString, sql);
    QFETCH(QString, message);
    auto q = db_->QueryDefs(u"Direct SQL Query Object"_s);
    try {
        q->SetSQL(sql);
        QFAIL("the crosstab was accepted");
    } catch (const RuntimeError& e) {
        QVERIFY2(e.description.contains(message), qPrintable(e.description));
    }
}

QTEST_GUILESS_MAIN(TestCrosstab)
#include "test_crosstab.moc"
