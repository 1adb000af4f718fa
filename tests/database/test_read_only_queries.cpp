#include "support/TestSupport.h"

#include "engine/EngineErrors.h"
#include "database/QueryDef.h"
#include "jet/gate/ReadOnlyAuthorizer.h"
#include "engine/Sqlite.h"
#include "platform/RuntimeError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;
using levy::engine::Statement;

namespace {
// Absent: a function the engine is built without, so that no statement can reach it.
enum Outcome { Accepted, Refused, Trailing, Denied, Absent };

const QString direct = u"Direct SQL Query Object"_s;
const QString previous = u"SELECT 1"_s;
const QString hidden = u"Admin|Null;Mary|Null"_s;

std::shared_ptr<Database> Fixture(test::Sandbox& s)
{
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    auto db = test::OpenLevy(path);
    auto users = db->OpenRecordset(u"Users"_s, dbOpenTable);
    // Password order is the reverse of record order, so a sort by the real value shows.
    for (const auto& [name, password] : {std::pair{u"Admin"_s, u"\u00A7Qz9\u00A7"_s}, {u"Mary"_s, u"\u00A7Ka1\u00A7"_s}}) {
        users->AddNew();
        users->SetFieldValue(u"User Name"_s, name);
        users->SetFieldValue(u"User Password"_s, password);
        users->SetFieldValue(u"User Rights"_s, u"1"_s);
        users->Update();
    }
    db->MainConnection()->Execute(u"INSERT INTO Students ([Student ID], Surname) VALUES ('S1', 'Banda'), ('S2', 'Phiri')"_s);
    db->MainConnection()->Execute(u"CREATE VIEW [Account View] AS SELECT * FROM Users"_s);
    db->QueryDefs(u"General Query Obj"_s)->SetSQL(u"SELECT * FROM Students"_s);
    db->QueryDefs(u"Report Query Object"_s)->SetSQL(u"DELETE FROM Students"_s);
    db->QueryDefs(direct)->SetSQL(previous);
    return db;
}

// Schema, settings and every record but the written stored query's; the folder; the file.
struct State {
    QStringList content, files;
    QByteArray hash;
};

State Take(Database& db)
{
    State state;
    auto dump = [&](const QString& sql) {
        Statement s(db.MainConnection(), sql);
        while (s.Step())
            for (int i = 0; i < s.ColumnCount(); ++i)
                state.content.append(s.ColumnIsNull(i) ? u"Null"_s : s.ColumnText(i));
        state.content.append(u"--"_s);
    };
    dump(u"PRAGMA user_version"_s);
    dump(u"SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid"_s);
    for (const QString& table : db.TableNames())
        dump(u"SELECT * FROM %1 ORDER BY rowid"_s.arg(engine::QuoteName(table)));
    dump(u"SELECT count(*) FROM [~StoredQueries]"_s);
    dump(u"SELECT * FROM [~StoredQueries] WHERE Name <> '%1' ORDER BY rowid"_s.arg(direct));
    const QFileInfo file(db.Name());
    state.files = file.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    // Read while no statement is active: closing this descriptor drops the process's locks.
    QFile f(db.Name());
    if (f.open(QIODevice::ReadOnly))
        state.hash = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    return state;
}

bool KeyOpens(const QString& path, const QByteArray& key)
{
    try {
        Statement s(engine::Connection::Open(path, true, false, key), u"SELECT count(*) FROM sqlite_master"_s);
        return s.Step();
    } catch (const RuntimeError&) {
        return false;
    }
}

void CheckUnchanged(Database& db, const State& before, bool sameFile)
{
    const State after = Take(db);
    QCOMPARE(after.content, before.content);
    QCOMPARE(after.files, before.files);
    if (sameFile)
        QCOMPARE(after.hash, before.hash);
    QVERIFY(KeyOpens(db.Name(), "47193605"));
    for (const QByteArray& wrong : {QByteArray("x"), QByteArray(), QByteArray("47193606")})
        QVERIFY2(!KeyOpens(db.Name(), wrong), wrong.constData());
    QVERIFY(!sqlite3_db_filename(db.QueryConnection()->Handle(), "evil"));
    // The read-only connection still has its key and its authorizer.
    QCOMPARE(test::RenderRecords(*db.OpenRecordset(u"SELECT [User Name], [User Password] FROM Users"_s)), hidden);
}
} // namespace

class TestReadOnlyQueries : public QObject {
    Q_OBJECT

private slots:
    void statementChangesNothing_data();
    void statementChangesNothing();
    void passwordReadsAsNull_data();
    void passwordReadsAsNull();
    void passwordStaysHiddenWhenTheSchemaChanges();
    void aRecordPastTheMemoryCapIsRefused();
};

void TestReadOnlyQueries::statementChangesNothing_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("description");
    auto add = [](Outcome outcome, const QString& description, std::initializer_list<const char*> statements) {
        for (const char* sql : statements)
            QTest::newRow(qPrintable(QString::fromUtf8(sql).replace(u"\r\n"_s, u" "_s))) << QString::fromUtf8(sql)
                                                                                       << int(outcome) << description;
    };
    add(Accepted, {},
        {"SELECT * FROM Students", "SELECT replace(Surname, 'a', 'o') FROM Students", "VALUES (1), (2)",
         "WITH x AS (SELECT 1 AS n) SELECT n FROM x", "SELECT 1 UNION SELECT 2", "SELECT * FROM sqlite_master",
         "SELECT 1; -- done\r\n", "SELECT 1 -- ; DROP TABLE Users", "SELECT ';DROP TABLE Users' AS [a;b]",
         "SELECT * FROM Students WHERE Surname = 'x''; DELETE FROM Students; --'",
         "SELECT 'a NATURAL JOIN b USING (c)' AS [USING]"});
    add(Refused, {},
        {"INSERT INTO Students ([Student ID]) VALUES ('S9')", "INSERT OR REPLACE INTO Students SELECT * FROM Students",
         "REPLACE INTO Students SELECT * FROM Students", "UPDATE Users SET [User Rights] = '0'",
         "UPDATE Students SET Surname = 'x' LIMIT 1", "DELETE FROM Users", "DELETE FROM [~StoredQueries]",
         "UPDATE [~StoredQueries] SET SQL = 'x'", "CREATE TABLE x (a)", "CREATE TEMP TABLE x (a)",
         "CREATE INDEX i ON Students (Surname)", "CREATE VIEW v AS SELECT 1", "CREATE TEMP VIEW v AS SELECT 1",
         "CREATE VIRTUAL TABLE f USING fts3(a)", "DROP TABLE Users", "DROP VIEW [Account View]",
         "ALTER TABLE Users RENAME TO Gone", "ALTER TABLE Users ADD COLUMN x", "ATTACH 'FOLDER/evil.db' AS evil",
         "ATTACH DATABASE 'FOLDER/evil.db' AS evil KEY ''", "ATTACH 'FOLDER/evil.db' AS evil KEY '47193605'",
         "DETACH evil", "PRAGMA key = 'x'", "PRAGMA rekey = 'x'", "PRAGMA cipher_page_size = 4096",
         "PRAGMA kdf_iter = 1", "PRAGMA cipher = 'aes-128-cbc'", "PRAGMA cipher_use_hmac = OFF",
         "PRAGMA cipher_migrate", "PRAGMA writable_schema = ON", "PRAGMA journal_mode = WAL",
         "PRAGMA journal_mode = OFF", "PRAGMA user_version = 7", "PRAGMA main.user_version = 7",
         "PRAGMA schema_version = 1", "PRAGMA temp_store = FILE", "PRAGMA locking_mode = EXCLUSIVE",
         "PRAGMA table_info(Users)", "PRAGMA integrity_check", "VACUUM", "VACUUM main", "REINDEX", "REINDEX Users",
         "ANALYZE", "ANALYZE Users", "BEGIN", "BEGIN IMMEDIATE", "BEGIN EXCLUSIVE TRANSACTION", "COMMIT", "END",
         "ROLLBACK", "SAVEPOINT a", "RELEASE a", "ROLLBACK TO a", "EXPLAIN DELETE FROM Users", "EXPLAIN VACUUM",
         "SELECT * INTO Copy FROM Students", "WITH x AS (SELECT 1) SELECT * INTO Copy FROM x",
         "WITH x AS (SELECT 1) DELETE FROM Users", "WITH x(n) AS (SELECT 1) INSERT INTO Students SELECT * FROM Students",
         "WITH a AS (SELECT 1), b AS (SELECT 2) REPLACE INTO Students SELECT * FROM Students",
         "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c) UPDATE Students SET Surname = 'x'",
         "PARAMETERS x Text; DELETE FROM Users", "  \r\n -- note\r\n delete from users", "/* SELECT */ DROP TABLE Users",
         "(DELETE FROM Users)"});
    const QString trailing = u"Characters found after end of SQL statement."_s;
    add(Trailing, trailing,
        {"SELECT 1; DELETE FROM Users", "SELECT 1; SELECT 2", "SELECT 1 /* ; */ ; DROP TABLE Users",
         "SELECT ';' ; DROP TABLE Users", "SELECT 1 -- x\r\n; DELETE FROM Users", "SELECT 1 + #a; DELETE FROM Users; #",
         "(SELECT 1); DELETE FROM Users", "VALUES (1); VACUUM", "SELECT 1; PRAGMA rekey = 'x'",
         "SELECT 1; ATTACH 'FOLDER/evil.db' AS evil", "BEGIN; DELETE FROM Users; COMMIT",
         "CREATE TRIGGER t AFTER INSERT ON Students BEGIN DELETE FROM Users; END"});
    add(Absent, u"Undefined function 'load_extension'"_s,
        {"SELECT load_extension('FOLDER/evil.so')", "select Load_Extension('x') from Students",
         "SELECT * FROM Students WHERE (SELECT load_extension('x')) IS NULL"});
    add(Denied, u"The function sqlcipher_export() cannot"_s,
        {"SELECT sqlcipher_export('main')", "WITH x AS (SELECT sqlcipher_export('evil')) SELECT * FROM x"});
    add(Absent, u"Undefined function 'fts3_tokenizer'"_s, {"SELECT fts3_tokenizer('simple')"});
    // Parameters (#a) hide the rest of the statement from the classifier, not from the engine.
    add(Denied, u"would delete records from \"Users\""_s, {"WITH x AS (SELECT 1 + #a ) DELETE FROM Users -- #"});
    add(Denied, u"would add records to \"Students\""_s,
        {"WITH x AS (SELECT 1 + #a ) INSERT INTO Students SELECT * FROM Students -- #"});
    add(Denied, u"would change records of \"Users\""_s,
        {"WITH x AS (SELECT 1 + #a ) UPDATE Users SET [User Rights] = '0' -- #"});
    add(Denied, u"Joins by column name"_s,
        {"SELECT [User Name] FROM Users JOIN (SELECT '\u00A7Qz9\u00A7' AS [User Password]) USING ([User Password])",
         "SELECT * FROM Users NATURAL JOIN (SELECT 'Admin' AS [User Name], '\u00A7Qz9\u00A7' AS [User Password])",
         "SELECT * FROM Users a natural left join Users b",
         "SELECT * FROM Users JOIN (SELECT #a AS [User Password]) USING ([User Password]) -- #"});
}

void TestReadOnlyQueries::statementChangesNothing()
{
    QFETCH(QString, sql);
    QFETCH(int, outcome);
    QFETCH(QString, description);
    test::Sandbox s;
    auto db = Fixture(s);
    sql.replace(u"FOLDER"_s, s.Folder());
    auto expectError = [&](const RuntimeError& e) {
        QVERIFY2(outcome == Trailing || outcome == Denied || outcome == Absent, qPrintable(e.description));
        QCOMPARE(e.number, outcome == Trailing ? int(engine::errTrailingCharacters)
                           : outcome == Absent ? int(engine::errSyntax)
                                               : int(engine::errNotAuthorized));
        QVERIFY2(e.description.contains(description, Qt::CaseInsensitive), qPrintable(e.description));
    };

    // As the editor runs it: saved into the stored query, opened, read to the end.
    auto q = db->QueryDefs(direct);
    State before = Take(*db);
    try {
        q->SetSQL(sql);
        auto rs = q->OpenRecordset();
        rs->MoveLast();
        QCOMPARE(rs->FieldCount() > 0, outcome == Accepted);
        QVERIFY(outcome == Accepted || outcome == Refused);
    } catch (const RuntimeError& e) {
        expectError(e);
    }
    QCOMPARE(q->SQL(), outcome == Accepted || outcome == Refused ? sql : previous);
    CheckUnchanged(*db, before, false);
    if (QTest::currentTestFailed())
        return;

    // Straight through the database: not even the file's bytes change.
    before = Take(*db);
    try {
        auto rs = db->OpenRecordset(sql);
        rs->MoveLast();
        QCOMPARE(rs->FieldCount() > 0, outcome == Accepted);
        QVERIFY(outcome == Accepted || outcome == Refused);
    } catch (const RuntimeError& e) {
        expectError(e);
    }
    CheckUnchanged(*db, before, true);
    if (QTest::currentTestFailed())
        return;

    // The read-only connection refuses at prepare time on its own, without the classifier.
    bool raised = false;
    try {
        jet::PrepareReadOnlyQuery(db->QueryConnection(), sql);
    } catch (const RuntimeError&) {
        raised = true;
    }
    QCOMPARE(raised, outcome != Accepted);
    CheckUnchanged(*db, before, true);
}

void TestReadOnlyQueries::passwordReadsAsNull_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    const QString nulls = u"Null;Null"_s, none;
    const QString names = u"Admin;Mary"_s;
    const std::initializer_list<std::pair<const char*, QString>> rows = {
        {"SELECT * FROM Users", u"Admin|Null|1;Mary|Null|1"_s},
        {"SELECT [User Name], [User Password] FROM Users", hidden},
        {"SELECT users.[user password] FROM main.users", nulls},
        {"SELECT [User Name], [User Password] FROM [Account View]", hidden},
        {"SELECT p FROM (SELECT [User Password] AS p FROM Users)", nulls},
        {"SELECT Surname FROM Students WHERE 0 UNION ALL SELECT [User Password] FROM Users", nulls},
        {"WITH p AS (SELECT [User Password] AS x FROM Users) SELECT x FROM p", nulls},
        {"SELECT [User Name] FROM Users WHERE [User Password] = '\u00A7Qz9\u00A7'", none},
        {"SELECT [User Name] FROM Users WHERE [User Password] LIKE '\u00A7%' OR [User Password] > ''", none},
        {"SELECT [User Name] FROM Users WHERE '\u00A7Ka1\u00A7' IN (SELECT [User Password] FROM Users)", none},
        {"SELECT [User Name] FROM Users WHERE rowid IN (SELECT rowid FROM [Account View] "
         "WHERE [User Password] = '\u00A7Ka1\u00A7')", none},
        {"SELECT CASE WHEN [User Password] = '\u00A7Qz9\u00A7' THEN 'yes' ELSE 'no' END FROM Users", u"no;no"_s},
        {"SELECT [User Name] FROM Users ORDER BY [User Password]", names},
        {"SELECT [User Name] FROM Users ORDER BY [User Password] DESC", names},
        {"SELECT [User Name] FROM Users ORDER BY substr([User Password], 2, 1) DESC", names},
        {"SELECT max([User Password]), min([User Password]), group_concat([User Password]), "
         "count([User Password]) FROM Users", u"Null|Null|Null|0"_s},
        {"SELECT count(*) FROM Users GROUP BY [User Password]", u"2"_s},
        {"SELECT DISTINCT [User Password] FROM Users", u"Null"_s},
        {"SELECT CAST([User Password] AS BLOB), typeof([User Password]), length([User Password]), "
         "hex([User Password]), quote([User Password]) FROM Users WHERE [User Name] = 'Mary'",
         u"Null|null|Null|Null|NULL"_s},
        {"SELECT [User Password] || '', coalesce([User Password], '-'), instr([User Password], 'z') FROM Users "
         "WHERE [User Name] = 'Admin'", u"Null|-|Null"_s},
        {"SELECT a.[User Name], b.[User Password] FROM Users a JOIN Users b ON a.[User Name] = b.[User Name]", hidden},
        {"SELECT a.[User Name] FROM Users a JOIN Users b ON a.[User Password] = b.[User Password]", none},
        {"SELECT u.[User Name], g.p FROM Users u LEFT JOIN (SELECT '\u00A7Qz9\u00A7' AS p) g "
         "ON g.p = u.[User Password]", hidden},
    };
    for (const auto& [sql, expected] : rows)
        QTest::newRow(sql) << QString::fromUtf8(sql) << expected;
}

void TestReadOnlyQueries::passwordReadsAsNull()
{
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    test::Sandbox s;
    auto db = Fixture(s);
    auto q = db->QueryDefs(direct);
    q->SetSQL(sql);
    QCOMPARE(test::RenderRecords(*q->OpenRecordset()), expected);
    QCOMPARE(test::RenderRecords(*db->OpenRecordset(sql)), expected);
}

void TestReadOnlyQueries::passwordStaysHiddenWhenTheSchemaChanges()
{
    test::Sandbox s;
    auto db = Fixture(s);
    auto q = db->QueryDefs(direct);
    q->SetSQL(u"SELECT [User Name], [User Password] FROM [Account View]"_s);
    // A new recordset has read its first record and let go of the statement; another
    // connection then changes the schema, so the engine prepares the statement again when
    // the rest is read, and must ask the authorizer again.
    auto rs = q->OpenRecordset();
    db->MainConnection()->Execute(u"CREATE INDEX Probe ON Users ([User Password])"_s);
    QCOMPARE(test::RenderRecords(*rs), hidden);
    rs = q->OpenRecordset();
    db->MainConnection()->Execute(u"DROP VIEW [Account View]"_s);
    db->MainConnection()->Execute(
        u"CREATE VIEW [Account View] AS SELECT [User Name], sqlite_source_id() AS [User Password] FROM Users"_s);
    try {
        rs->MoveLast();
        QFAIL("a denied function ran after the schema changed");
    } catch (const RuntimeError& e) {
        QCOMPARE(e.number, int(engine::errNotAuthorized));
        QVERIFY2(e.description.contains(u"sqlite_source_id()"_s), qPrintable(e.description));
    }
    // The engine's own table recordsets still read it: the log-in needs it.
    auto users = db->OpenRecordset(u"Users"_s, dbOpenTable);
    users->MoveFirst();
    QCOMPARE(users->FieldValue(u"User Password"_s).AsText(), u"\u00A7Qz9\u00A7"_s);
}

void TestReadOnlyQueries::aRecordPastTheMemoryCapIsRefused()
{
    // Each value is within the limit on one value; the record of 60 of them is not.
    test::Sandbox s;
    auto db = Fixture(s);
    QStringList columns;
    for (int i = 1; i <= 60; ++i)
        columns.append(u"Space(9999999) AS c%1"_s.arg(i));
    auto q = db->QueryDefs(direct);
    try {
        q->SetSQL(u"SELECT "_s + columns.join(u", "_s));
        q->OpenRecordset()->MoveLast();
        QFAIL("a record of 600 MB was read");
    } catch (const RuntimeError& e) {
        QCOMPARE(e.description, u"The query needs more memory than Delver allows (512 MB). Ask for fewer or shorter "
                                u"columns."_s);
    }
    // The connection answers again.
    q->SetSQL(u"SELECT count(*) AS n FROM Users"_s);
    QCOMPARE(test::RenderRecords(*q->OpenRecordset()), u"2"_s);
}

QTEST_GUILESS_MAIN(TestReadOnlyQueries)
#include "test_read_only_queries.moc"
