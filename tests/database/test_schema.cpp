#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "engine/Sqlite.h"
#include "engine/SqliteHandle.h"
#include "platform/RuntimeError.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestSchema : public QObject {
    Q_OBJECT

private slots:
    void freshDatabaseHasTheTablesInOrder();
    void columnsTypesAndSizes_data();
    void columnsTypesAndSizes();
    void indexesAreSingleFieldAndNotUnique();
    void storedQueriesAreEmptyAndEveryTableIsEmpty();
    void duplicatesAreAllowedUnderEveryIndex();
    void emptyTextOnlyInTemplateData();
    void refusedValuesNameTableAndFieldAndWriteNothing_data();
    void refusedValuesNameTableAndFieldAndWriteNothing();
    void fileIsEncryptedAndKeyedWithThePassword();
    void compactedCopyKeepsRowsAndPassword();
    void compactionRefusesAnExistingDestination();
    void appendingAnExistingTableFailsAndKeepsEarlierTables();

private:
    QString Build(test::Sandbox& sandbox)
    {
        const QString path = sandbox.Path(u"levy.mdb"_s);
        test::MakeBlankDatabase(path);
        return path;
    }
};

void TestSchema::freshDatabaseHasTheTablesInOrder()
{
    test::Sandbox sandbox;
    auto db = test::OpenLevy(Build(sandbox));
    QCOMPARE(db->TableNames(),
             QStringList({u"Students"_s, u"Deregistered Students"_s, u"Classes"_s, u"Registered Fees"_s,
                          u"Fees Templates"_s, u"Levy Account Debits"_s, u"Levy Account Credits"_s,
                          u"Caution Fee Account Debits"_s, u"Caution Fee Account Credits"_s, u"Users"_s}));
}

void TestSchema::columnsTypesAndSizes_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("columns");  // name:type:size, in order
    QTest::newRow("Students") << u"Students"_s
                              << u"Student ID:10:8|Surname:10:20|First Names:10:30|Sex:10:1|Class:10:6|"
                                 u"Guardian Title:10:6|Guardian Surname:10:20|Guardian Initials:10:6|"
                                 u"Guardian Address:10:150|Guardian Telephone:10:15"_s;
    QTest::newRow("Deregistered Students")
        << u"Deregistered Students"_s
        << u"Student ID:10:8|Surname:10:20|First Names:10:30|Sex:10:1|Date Deregistered:8:0|"
           u"Guardian Title:10:6|Guardian Surname:10:20|Guardian Initials:10:6|"
           u"Guardian Address:10:150|Guardian Telephone:10:15"_s;
    QTest::newRow("Classes") << u"Classes"_s << u"Class:10:6|Form Teacher:10:50|Minimum Balance:5:0"_s;
    QTest::newRow("Registered Fees") << u"Registered Fees"_s << u"Fee Code:3:0|Fee Name:10:30"_s;
    QTest::newRow("Fees Templates") << u"Fees Templates"_s << u"Template Name:10:30|Template Data:12:0"_s;
    QTest::newRow("Levy Account Debits") << u"Levy Account Debits"_s
                                         << u"Transaction Date:8:0|Amount:5:0|Fee Code:3:0|Student ID:10:8"_s;
    QTest::newRow("Levy Account Credits") << u"Levy Account Credits"_s
                                          << u"Transaction Date:8:0|Amount:5:0|Receipt Number:10:15|Student ID:10:8"_s;
    QTest::newRow("Caution Fee Account Debits")
        << u"Caution Fee Account Debits"_s
        << u"Transaction Date:8:0|Reason:10:30|Amount:5:0|Reference code:10:15|Student ID:10:8"_s;
    QTest::newRow("Caution Fee Account Credits")
        << u"Caution Fee Account Credits"_s
        << u"Transaction Date:8:0|Amount:5:0|Receipt Number:10:15|Student ID:10:8"_s;
    QTest::newRow("Users") << u"Users"_s << u"User Name:10:30|User Password:10:32|User Rights:10:30"_s;
}

void TestSchema::columnsTypesAndSizes()
{
    QFETCH(QString, table);
    QFETCH(QString, columns);
    test::Sandbox sandbox;
    auto db = test::OpenLevy(Build(sandbox));
    const TableDef def = db->ReadTableDef(table);
    QStringList actual;
    for (const FieldDef& f : def.Fields())
        actual.append(u"%1:%2:%3"_s.arg(f.name).arg(f.type).arg(f.size));
    QCOMPARE(actual.join(u'|'), columns);
}

void TestSchema::indexesAreSingleFieldAndNotUnique()
{
    test::Sandbox sandbox;
    auto db = test::OpenLevy(Build(sandbox));
    QStringList all;
    for (const QString& table : db->TableNames()) {
        const TableDef def = db->ReadTableDef(table);
        for (const IndexDef& i : def.Indexes())
            all.append(table + u'/' + i.name + u'/' + i.fields.join(u','));
    }
    QCOMPARE(all, QStringList({u"Students/Student ID Index/Student ID"_s,
                               u"Deregistered Students/Student ID Index/Student ID"_s,
                               u"Classes/Class Index/Class"_s,
                               u"Registered Fees/Fee Code Index/Fee Code"_s,
                               u"Registered Fees/Fee Name Index/Fee Name"_s,
                               u"Fees Templates/Template Name Index/Template Name"_s,
                               u"Levy Account Credits/Receipt Number Index/Receipt Number"_s,
                               u"Caution Fee Account Credits/Receipt Number Index/Receipt Number"_s,
                               u"Users/User Name Index/User Name"_s}));
    for (const QString& table : db->TableNames()) {
        engine::Statement list(db->MainConnection(), u"PRAGMA index_list(%1)"_s.arg(engine::QuoteName(table)));
        while (list.Step())
            QVERIFY2(list.ColumnInteger(2) == 0, qPrintable(list.ColumnText(1)));
    }
}

void TestSchema::storedQueriesAreEmptyAndEveryTableIsEmpty()
{
    test::Sandbox sandbox;
    auto db = test::OpenLevy(Build(sandbox));
    QCOMPARE(db->QueryDefNames(),
             QStringList({u"General Query Obj"_s, u"Report Query Object"_s, u"Direct SQL Query Object"_s}));
    for (const QString& name : db->QueryDefNames())
        QCOMPARE(db->QueryDefs(name)->SQL(), QString());
    for (const QString& table : db->TableNames())
        QCOMPARE(db->OpenRecordset(table, dbOpenTable)->RecordCount(), int64_t(0));
}

void TestSchema::duplicatesAreAllowedUnderEveryIndex()
{
    test::Sandbox sandbox;
    auto db = test::OpenLevy(Build(sandbox));
    const QList<QPair<QString, QString>> keyed = {{u"Students"_s, u"Student ID"_s},
                                                  {u"Users"_s, u"User Name"_s},
                                                  {u"Levy Account Credits"_s, u"Receipt Number"_s}};
    for (const auto& [table, field] : keyed) {
        auto rs = db->OpenRecordset(table, dbOpenTable);
        for (int i = 0; i < 2; ++i) {
            rs->AddNew();
            rs->SetFieldValue(field, u"K1"_s);
            rs->Update();
        }
        QCOMPARE(rs->RecordCount(), int64_t(2));
    }
}

void TestSchema::emptyTextOnlyInTemplateData()
{
    test::Sandbox sandbox;
    auto db = test::OpenLevy(Build(sandbox));
    auto templates = db->OpenRecordset(u"Fees Templates"_s, dbOpenTable);
    templates->AddNew();
    templates->SetFieldValue(u"Template Name"_s, u"Term 1"_s);
    templates->SetFieldValue(u"Template Data"_s, QString(u""_s));
    templates->Update();
    templates->MoveFirst();
    QVERIFY(templates->FieldValue(u"Template Data"_s).IsText());
    QCOMPARE(templates->FieldValue(u"Template Data"_s).AsText(), QString());

    for (const QString& table : db->TableNames()) {
        const TableDef def = db->ReadTableDef(table);
        for (const FieldDef& f : def.Fields()) {
            if (f.type != dbText && f.type != dbMemo)
                continue;
            if (f.name == u"Template Data"_s)
                continue;
            auto rs = db->OpenRecordset(table, dbOpenTable);
            rs->AddNew();
            bool refused = false;
            try {
                rs->SetFieldValue(f.name, QString(u""_s));
            } catch (const RuntimeError& e) {
                refused = true;
                QVERIFY2(e.description.contains(u"\"%1.%2\""_s.arg(table, f.name)), qPrintable(e.description));
            }
            QVERIFY2(refused, qPrintable(table + u'.' + f.name));
        }
    }
}

void TestSchema::refusedValuesNameTableAndFieldAndWriteNothing_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("rawInsert");  // what another program might try directly
    QTest::newRow("text too long") << u"Students"_s << u"Sex"_s << u"'MF'"_s;
    QTest::newRow("empty text") << u"Users"_s << u"User Name"_s << u"''"_s;
    QTest::newRow("integer out of range") << u"Registered Fees"_s << u"Fee Code"_s << u"40000"_s;
    QTest::newRow("integer not whole") << u"Registered Fees"_s << u"Fee Code"_s << u"1.5"_s;
    QTest::newRow("amount not a number") << u"Classes"_s << u"Minimum Balance"_s << u"'lots'"_s;
    QTest::newRow("date not a date") << u"Levy Account Debits"_s << u"Transaction Date"_s << u"'yesterday'"_s;
}

void TestSchema::refusedValuesNameTableAndFieldAndWriteNothing()
{
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, rawInsert);
    test::Sandbox sandbox;
    const QString path = Build(sandbox);
    auto db = test::OpenLevy(path);
    // Through the engine layer: refused before writing, with a clear description.
    auto rs = db->OpenRecordset(table, dbOpenTable);
    engine::Statement literal(db->MainConnection(), u"SELECT "_s + rawInsert);
    literal.Step();
    const Value value = literal.ColumnStorage(0);
    bool refused = false;
    try {
        rs->AddNew();
        rs->SetFieldValue(field, value);
        rs->Update();
    } catch (const RuntimeError& e) {
        refused = true;
        QVERIFY2(e.description.contains(u"\"%1.%2\""_s.arg(table, field)), qPrintable(e.description));
    }
    QVERIFY(refused);
    // Directly in the file, as another program would write: the file's own rule refuses it.
    bool fileRefused = false;
    try {
        db->MainConnection()->Execute(
            u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(engine::QuoteName(table), engine::QuoteName(field), rawInsert));
    } catch (const RuntimeError&) {
        fileRefused = true;
    }
    QVERIFY(fileRefused);
    QCOMPARE(rs->RecordCount(), int64_t(0));
}

void TestSchema::fileIsEncryptedAndKeyedWithThePassword()
{
    test::Sandbox sandbox;
    const QString path = Build(sandbox);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(16) != QByteArray("SQLite format 3\0", 16));
    file.close();

    // A plain reader sees no database.
    sqlite3* plain = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &plain, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_exec(plain, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr), SQLITE_NOTADB);
    sqlite3_close(plain);

    for (const QString& wrong : {u";pwd=47193606"_s, u";pwd="_s, QString(), u";pwd=4719360"_s}) {
        try {
            DBEngine::Instance().Workspaces(0).OpenDatabase(path, false, false, wrong);
            QFAIL(qPrintable(u"opened with "_s + wrong));
        } catch (const RuntimeError& e) {
            QVERIFY2(e.description.contains(u"not a levy database"_s), qPrintable(e.description));
        }
    }
    auto db = DBEngine::Instance().Workspaces(0).OpenDatabase(path, false, false, levyPasswordConnect);
    QCOMPARE(db->TableNames().size(), 10);
}

void TestSchema::compactedCopyKeepsRowsAndPassword()
{
    test::Sandbox sandbox;
    const QString path = Build(sandbox);
    {
        auto db = test::OpenLevy(path);
        auto rs = db->OpenRecordset(u"Students"_s, dbOpenTable);
        for (int i = 0; i < 500; ++i) {
            rs->AddNew();
            rs->SetFieldValue(u"Student ID"_s, u"S%1"_s.arg(i));
            rs->SetFieldValue(u"Guardian Address"_s, QString(120, u'x'));
            rs->Update();
        }
        db->QueryDefs(u"Direct SQL Query Object"_s)->SetSQL(u"SELECT * FROM Students"_s);
        db->MainConnection()->Execute(u"DELETE FROM Students WHERE rowid > 20"_s);
        db->Close();
    }
    const QString copy = sandbox.Path(u"compacted.mdb"_s);
    DBEngine::Instance().CompactDatabase(path, copy, {}, 0, levyPasswordConnect);
    QVERIFY(QFileInfo(copy).size() < QFileInfo(path).size());
    auto db = test::OpenLevy(copy);
    QCOMPARE(db->OpenRecordset(u"Students"_s, dbOpenTable)->RecordCount(), int64_t(20));
    QCOMPARE(db->QueryDefs(u"Direct SQL Query Object"_s)->SQL(), u"SELECT * FROM Students"_s);
    QCOMPARE(db->ReadTableDef(u"Users"_s).Indexes().size(), 1);
    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(16) != QByteArray("SQLite format 3\0", 16));
}

void TestSchema::compactionRefusesAnExistingDestination()
{
    test::Sandbox sandbox;
    const QString path = Build(sandbox);
    const QString other = sandbox.Path(u"other.mdb"_s);
    test::MakeBlankDatabase(other);
    const QByteArray before = [&] {
        QFile f(other);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QVERIFY_THROWS_EXCEPTION(RuntimeError, DBEngine::Instance().CompactDatabase(path, other, {}, 0, levyPasswordConnect));
    QFile f(other);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestSchema::appendingAnExistingTableFailsAndKeepsEarlierTables()
{
    test::Sandbox sandbox;
    const QString path = Build(sandbox);
    auto db = test::OpenLevy(path);
    TableDef again(u"Students"_s);
    again.AppendField(again.CreateField(u"X"_s, dbText, 5));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, db->AppendTableDef(again));
    QCOMPARE(db->TableNames().size(), 10);
}

QTEST_GUILESS_MAIN(TestSchema)
#include "test_schema.moc"
