#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "database/QueryRecordset.h"
#include "engine/Sqlite.h"
#include "platform/RuntimeError.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestRecordsets : public QObject {
    Q_OBJECT

private slots:
    void seekThroughTheIndexIgnoresCase();
    void noCurrentRecordAfterAMiss();
    void seekWithoutAnIndexFails();
    void editUpdateAndDeleteWriteAtOnce();
    void tableRecordsetSeesRowsWrittenElsewhere();
    void valuesRoundTripByType();
    void queryRecordCountBeforeAndAfterMoveLast();
    void queryMovesForwardWithoutRereading();
    void queryMovesBackAndBeyondTheEnds();
    void fieldTypesOfAResult();
    void closingTheDatabaseInvalidatesItsRecordsets();
    void anOpenResultLocksNobodyOut();
    void aResultRunsOnlyAsOftenAsItMustBeRead();
    void storedDatesRead_data();
    void storedDatesRead();

private:
    void AddUser(Recordset& rs, const QString& name, const QString& password = u"\u00A7x\u00A7"_s)
    {
        rs.AddNew();
        rs.SetFieldValue(u"User Name"_s, name);
        rs.SetFieldValue(u"User Password"_s, password);
        rs.SetFieldValue(u"User Rights"_s, QString(30, u'0'));
        rs.Update();
    }
    void AddStudents(Database& db, int count)
    {
        auto c = db.MainConnection();
        c->Execute(u"BEGIN"_s);
        for (int i = 1; i <= count; ++i)
            c->Execute(u"INSERT INTO Students (\"Student ID\", Surname) VALUES ('S%1', 'Name%1')"_s.arg(i, 4, 10,
                                                                                                          QChar(u'0')));
        c->Execute(u"COMMIT"_s);
    }
};

void TestRecordsets::seekThroughTheIndexIgnoresCase()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    auto rs = db->OpenRecordset(u"Users"_s, dbOpenTable);
    AddUser(*rs, u"Mary"_s);
    AddUser(*rs, u"Peter"_s);
    rs->SetIndex(u"User Name Index"_s);
    rs->Seek(u"="_s, u"MARY"_s);
    QVERIFY(!rs->NoMatch());
    QCOMPARE(rs->FieldValue(u"User Name"_s).AsText(), u"Mary"_s);
    rs->Seek(u"="_s, u"peter"_s);
    QVERIFY(!rs->NoMatch());
    QCOMPARE(rs->FieldValue(u"User Name"_s).AsText(), u"Peter"_s);
    // In index order after a seek.
    rs->MoveFirst();
    QCOMPARE(rs->FieldValue(0).AsText(), u"Mary"_s);
    rs->MoveNext();
    QCOMPARE(rs->FieldValue(0).AsText(), u"Peter"_s);
    rs->MoveNext();
    QVERIFY(rs->IsEOF());
}

void TestRecordsets::noCurrentRecordAfterAMiss()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    auto rs = db->OpenRecordset(u"Users"_s, dbOpenTable);
    AddUser(*rs, u"Mary"_s);
    rs->SetIndex(u"User Name Index"_s);
    rs->Seek(u"="_s, u"Mar"_s);
    QVERIFY(rs->NoMatch());
    try {
        rs->FieldValue(0);
        QFAIL("read a field with no current record");
    } catch (const RuntimeError& e) {
        QCOMPARE(e.description, u"No current record."_s);
    }
    // A key too long for the field matches nothing.
    rs->Seek(u"="_s, QString(40, u'M'));
    QVERIFY(rs->NoMatch());
}

void TestRecordsets::seekWithoutAnIndexFails()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    auto rs = db->OpenRecordset(u"Users"_s, dbOpenTable);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs->Seek(u"="_s, u"x"_s));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs->SetIndex(u"No Such Index"_s));
}

void TestRecordsets::editUpdateAndDeleteWriteAtOnce()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    auto rs = db->OpenRecordset(u"Users"_s, dbOpenTable);
    AddUser(*rs, u"Mary"_s);
    rs->SetIndex(u"User Name Index"_s);
    rs->Seek(u"="_s, u"mary"_s);
    rs->Edit();
    rs->SetFieldValue(u"User Rights"_s, QString(25, u'1'));
    rs->Update();
    QCOMPARE(test::Scalar(db->Name(), u"SELECT [User Rights] FROM Users"_s), QString(25, u'1'));
    // A field write without Edit or AddNew is refused.
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs->SetFieldValue(u"User Rights"_s, u"0"_s));
    rs->Delete();
    QCOMPARE(rs->RecordCount(), int64_t(0));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs->FieldValue(0));
}

void TestRecordsets::tableRecordsetSeesRowsWrittenElsewhere()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    auto rs = db->OpenRecordset(u"Users"_s, dbOpenTable);
    QVERIFY(rs->IsEOF() && rs->IsBOF());
    auto other = test::OpenLevy(db->Name());
    auto rs2 = other->OpenRecordset(u"Users"_s, dbOpenTable);
    AddUser(*rs2, u"Zed"_s);
    QCOMPARE(rs->RecordCount(), int64_t(1));
    rs->MoveFirst();
    QCOMPARE(rs->FieldValue(0).AsText(), u"Zed"_s);
}

void TestRecordsets::valuesRoundTripByType()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    auto rs = db->OpenRecordset(u"Caution Fee Account Debits"_s, dbOpenTable);
    rs->AddNew();
    rs->SetFieldValue(u"Transaction Date"_s, DateTime{QDate(2026, 3, 1), QTime(12, 30)});
    rs->SetFieldValue(u"Amount"_s, Currency{-12345678});  // -1234.5678
    rs->SetFieldValue(u"Reason"_s, u"Broken window \u00E9\u20AC"_s);
    rs->Update();
    rs->AddNew();
    rs->SetFieldValue(u"Amount"_s, Currency::FromUnits(2000));
    rs->Update();
    rs->MoveFirst();
    QCOMPARE(rs->FieldValue(u"Transaction Date"_s).AsDate(), (DateTime{QDate(2026, 3, 1), QTime(12, 30)}));
    QCOMPARE(rs->FieldValue(u"Amount"_s).AsCurrency(), Currency{-12345678});
    QCOMPARE(rs->FieldValue(u"Reason"_s).AsText(), u"Broken window \u00E9\u20AC"_s);
    QVERIFY(rs->FieldValue(u"Student ID"_s).IsNull());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs->FieldValue(u"Student ID"_s).AsText());
    rs->MoveNext();
    QCOMPARE(rs->FieldValue(u"Amount"_s).AsCurrency(), Currency::FromUnits(2000));
    // Stored as plain numbers and text, so other programs' SQL works on them.
    QCOMPARE(test::Scalar(db->Name(), u"SELECT typeof(Amount) || ':' || Amount FROM [Caution Fee Account Debits] "
                                      u"WHERE Reason IS NULL"_s),
             u"integer:2000"_s);
    QCOMPARE(test::Scalar(db->Name(), u"SELECT [Transaction Date] FROM [Caution Fee Account Debits] "
                                      u"WHERE Reason IS NOT NULL"_s),
             u"2026-03-01 12:30:00"_s);
    // A query's result keeps each text as reading the table gives it, even bytes that are
    // not UTF-8, a byte-order mark and a NUL.
    db->MainConnection()->Execute(u"INSERT INTO [Caution Fee Account Debits] (Amount, Reason) "
                                  u"VALUES (1, CAST(x'EFBBBF41FF00420A' AS TEXT))"_s);
    auto query = db->OpenRecordset(u"SELECT Reason FROM [Caution Fee Account Debits]"_s);
    QStringList fromTable, fromQuery;
    for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext())
        fromTable.append(test::Shown(rs->FieldValue(u"Reason"_s)));
    for (query->MoveFirst(); !query->IsEOF(); query->MoveNext())
        fromQuery.append(test::Shown(query->FieldValue(0)));
    QCOMPARE(fromQuery, fromTable);
    QVERIFY(fromQuery.last().contains(QChar(0)));
}

void TestRecordsets::queryRecordCountBeforeAndAfterMoveLast()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    auto empty = db->OpenRecordset(u"SELECT * FROM Students"_s);
    QCOMPARE(empty->RecordCount(), int64_t(0));
    QVERIFY(empty->IsEOF());
    AddStudents(*db, 250);
    auto rs = db->OpenRecordset(u"SELECT * FROM Students"_s);
    QVERIFY(rs->RecordCount() >= 1);
    QVERIFY(rs->RecordCount() < 250);
    rs->MoveLast();
    QCOMPARE(rs->RecordCount(), int64_t(250));
    QCOMPARE(rs->FieldValue(0).AsText(), u"S0250"_s);
    rs->MoveFirst();
    QCOMPARE(rs->FieldValue(0).AsText(), u"S0001"_s);
}

void TestRecordsets::queryMovesForwardWithoutRereading()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    AddStudents(*db, 250);
    auto rs = db->OpenRecordset(u"SELECT [Student ID] FROM Students"_s);
    // Page 3 the way the results window reaches it: first record, then forward.
    rs->MoveFirst();
    rs->Move(200);
    QCOMPARE(rs->FieldValue(0).AsText(), u"S0201"_s);
    for (int i = 0; i < 49; ++i)
        rs->MoveNext();
    QCOMPARE(rs->FieldValue(0).AsText(), u"S0250"_s);
    rs->MoveNext();
    QVERIFY(rs->IsEOF());
    QCOMPARE(rs->RecordCount(), int64_t(250));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, rs->MoveNext());
}

void TestRecordsets::queryMovesBackAndBeyondTheEnds()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    AddStudents(*db, 10);
    auto rs = db->OpenRecordset(u"SELECT [Student ID] FROM Students ORDER BY [Student ID] DESC"_s);
    rs->MoveLast();
    QCOMPARE(rs->FieldValue(0).AsText(), u"S0001"_s);
    rs->Move(-3);
    QCOMPARE(rs->FieldValue(0).AsText(), u"S0004"_s);
    rs->MoveFirst();
    rs->Move(100);
    QVERIFY(rs->IsEOF());
    rs->MoveFirst();
    rs->Move(-1);
    QVERIFY(rs->IsBOF());
    rs->MoveLast();
    rs->MoveNext();
    QVERIFY(rs->IsEOF());
    rs->MoveFirst();
    QCOMPARE(rs->FieldValue(0).AsText(), u"S0010"_s);
}

void TestRecordsets::fieldTypesOfAResult()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    db->MainConnection()->Execute(
        u"INSERT INTO [Levy Account Debits] VALUES ('2026-01-05 00:00:00', 12.5, 3, 'S1')"_s);
    auto rs = db->OpenRecordset(u"SELECT d.[Transaction Date], d.Amount, d.[Fee Code], d.[Student ID], "
                                u"x.Amount AS Inner, 1 + 1 AS Two, 'a' AS Letter "
                                u"FROM [Levy Account Debits] d, (SELECT Amount FROM [Levy Account Debits]) x"_s);
    QCOMPARE(rs->FieldType(0), int(dbDate));
    QCOMPARE(rs->FieldType(1), int(dbCurrency));
    QCOMPARE(rs->FieldType(2), int(dbInteger));
    QCOMPARE(rs->FieldType(3), int(dbText));
    QCOMPARE(rs->FieldType(4), int(dbCurrency));
    QCOMPARE(rs->FieldType(5), int(dbLong));
    QCOMPARE(rs->FieldType(6), int(dbText));
    QCOMPARE(rs->FieldName(4), u"Inner"_s);
    QCOMPARE(rs->FieldValue(1).AsCurrency(), Currency{125000});
    auto u = db->OpenRecordset(u"SELECT Amount FROM [Levy Account Debits] UNION SELECT 'x'"_s);
    QCOMPARE(u->FieldType(0), int(dbCurrency));
}

void TestRecordsets::closingTheDatabaseInvalidatesItsRecordsets()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    AddStudents(*db, 3);
    auto table = db->OpenRecordset(u"Students"_s, dbOpenTable);
    auto query = db->OpenRecordset(u"SELECT * FROM Students"_s);
    db->Close();
    QVERIFY_THROWS_EXCEPTION(RuntimeError, table->MoveNext());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, query->MoveNext());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, db->TableNames());
}

void TestRecordsets::anOpenResultLocksNobodyOut()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    AddStudents(*db, 350);
    auto other = test::OpenLevy(db->Name());
    // Just opened, parked in the middle, and read to the end: another program writes at once.
    auto rs = db->OpenRecordset(u"SELECT * FROM Students"_s);
    for (int step = 0; step < 3; ++step) {
        if (step == 1) {
            rs->MoveFirst();
            rs->Move(150);
        }
        if (step == 2)
            rs->MoveLast();
        QElapsedTimer timer;
        timer.start();
        other->MainConnection()->Execute(u"INSERT INTO Classes (Class) VALUES ('C%1')"_s.arg(step));
        QVERIFY2(timer.elapsed() < 2000, "a write waited for the open result");
    }
    // The result read before the writes stays as it was read.
    QCOMPARE(rs->RecordCount(), int64_t(350));
    rs->MoveFirst();
    rs->Move(299);
    QCOMPARE(rs->FieldValue(0).AsText(), u"S0300"_s);
}

namespace {
// Counts the rows a statement evaluates: a sorted result evaluates all of them per run.
int evaluated = 0;
void CountEvaluation(sqlite3_context* context, int, sqlite3_value** argv)
{
    ++evaluated;
    sqlite3_result_value(context, argv[0]);
}
} // namespace

void TestRecordsets::aResultRunsOnlyAsOftenAsItMustBeRead()
{
    test::Sandbox s;
    auto db = test::FreshLevy(s);
    AddStudents(*db, 250);
    // The dialect's CStr stands in for a counting function: a query may call no other.
    sqlite3_create_function(db->QueryConnection()->Handle(), "jet_cstr", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, CountEvaluation,
                            nullptr, nullptr);
    const QString sorted = u"SELECT CStr([Student ID]) AS Id FROM Students ORDER BY Left([Student ID], 5) DESC"_s;
    auto opened = [&](QueryReading reading) {
        evaluated = 0;
        return std::make_shared<QueryRecordset>(db->QueryConnection(), jet::ReadUserStatement(sorted), reading);
    };
    // Read at once: the first record, then the statement lets go and runs again for the rest.
    auto atOnce = opened(QueryReading::FirstRecordAtOnce);
    QCOMPARE(evaluated, 250);
    atOnce->MoveLast();
    QCOMPARE(evaluated, 500);
    QCOMPARE(atOnce->FieldValue(0).AsText(), u"S0001"_s);
    // On demand: nothing until the first look, then one run to the end.
    auto onDemand = opened(QueryReading::OnDemand);
    QCOMPARE(onDemand->FieldCount(), 1);
    QCOMPARE(evaluated, 0);
    QCOMPARE(onDemand->RecordCount(), int64_t(1));
    QCOMPARE(onDemand->FieldValue(0).AsText(), u"S0250"_s);
    onDemand->MoveLast();
    QCOMPARE(evaluated, 250);
    QCOMPARE(onDemand->RecordCount(), int64_t(250));
    onDemand->MoveFirst();
    onDemand->Move(100);
    QCOMPARE(onDemand->FieldValue(0).AsText(), u"S0150"_s);
    QCOMPARE(evaluated, 250);
    // Every look starts the read: the count of an empty result is 0, its ends are at hand.
    auto none = std::make_shared<QueryRecordset>(db->QueryConnection(),
                                                 jet::ReadUserStatement(u"SELECT * FROM Classes"_s), QueryReading::OnDemand);
    QVERIFY(none->IsEOF());
    QVERIFY(none->IsBOF());
    QCOMPARE(none->RecordCount(), int64_t(0));
    // A crosstab's columns come from its pivot values: counting them reads it.
    auto pivot = std::make_shared<QueryRecordset>(
        db->QueryConnection(),
        jet::ReadUserStatement(u"TRANSFORM Count(*) SELECT Surname FROM Students WHERE [Student ID] < 'S0003' "
                               u"GROUP BY Surname PIVOT [Student ID]"_s),
        QueryReading::OnDemand);
    QCOMPARE(pivot->FieldCount(), 3);
    QCOMPARE(pivot->Field(2).name, u"S0002"_s);
    // A closed recordset that was never read refuses to be read.
    auto closed = opened(QueryReading::OnDemand);
    closed->Close();
    QVERIFY_THROWS_EXCEPTION(RuntimeError, closed->RecordCount());
    QCOMPARE(evaluated, 0);
}

void TestRecordsets::storedDatesRead_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read");  // the storage form read back, or empty when not a date
    QTest::newRow("date") << u"2026-03-01"_s << u"2026-03-01 00:00:00"_s;
    QTest::newRow("minutes") << u"2026-03-01 12:30"_s << u"2026-03-01 12:30:00"_s;
    QTest::newRow("seconds") << u"2026-03-01 23:59:59"_s << u"2026-03-01 23:59:59"_s;
    QTest::newRow("fraction and T") << u"2026-03-01T12:30:45.250"_s << u"2026-03-01 12:30:45"_s;
    QTest::newRow("blanks around") << u" 2024-02-29 \n"_s << u"2024-02-29 00:00:00"_s;
    QTest::newRow("no 29 February") << u"2025-02-29"_s << QString();
    QTest::newRow("month 13") << u"2026-13-01"_s << QString();
    QTest::newRow("one-digit month") << u"2026-3-01"_s << QString();
    QTest::newRow("hour 24") << u"2026-03-01 24:00"_s << QString();
    QTest::newRow("minute 60") << u"2026-03-01 12:60:00"_s << QString();
    QTest::newRow("one-digit second") << u"2026-03-01 12:30:4"_s << QString();
    QTest::newRow("letters") << u"abcd-ef-gh"_s << QString();
    QTest::newRow("slashes") << u"2026/03/01"_s << QString();
    QTest::newRow("year 0") << u"0000-01-01"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestRecordsets::storedDatesRead()
{
    QFETCH(QString, stored);
    QFETCH(QString, read);
    const auto d = DateTime::FromStorageText(stored);
    QCOMPARE(d ? d->ToStorageText() : QString(), read);
}

QTEST_GUILESS_MAIN(TestRecordsets)
#include "test_recordsets.moc"
