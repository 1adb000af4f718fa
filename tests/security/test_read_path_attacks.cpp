#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "QueryValidation.h"
#include "levy/DatabaseAccess.h"
#include "database/QueryDef.h"
#include "database/Recordset.h"
#include "engine/Sqlite.h"
#include "frmDelverResults.h"
#include "platform/AppInfo.h"
#include "platform/RuntimeError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/resource.h>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace levy;
using levy::engine::Statement;

namespace {
const QString direct = u"Direct SQL Query Object"_s;
const QString compiling = u"Compiling Error"_s;

// What a statement could have changed: schema, settings and every record (but the
// direct query's text, which every execution saves), the folder's files, the bytes.
struct State {
    QStringList content, files;
    QByteArray hash;
};

State Take(const QString& path)
{
    State state;
    auto dump = [&](const QString& sql) {
        Statement s(levyDatabase->MainConnection(), sql);
        while (s.Step())
            for (int i = 0; i < s.ColumnCount(); ++i)
                state.content.append(s.ColumnIsNull(i) ? u"Null"_s : s.ColumnText(i));
        state.content.append(u"--"_s);
    };
    for (const char* pragma : {"user_version", "schema_version", "page_count", "journal_mode", "auto_vacuum"})
        dump(u"PRAGMA "_s + QString::fromLatin1(pragma));
    dump(u"SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid"_s);
    for (const QString& table : levyDatabase->TableNames())
        dump(u"SELECT * FROM %1 ORDER BY rowid"_s.arg(engine::QuoteName(table)));
    dump(u"SELECT * FROM [~StoredQueries] WHERE Name <> '%1' ORDER BY rowid"_s.arg(direct));
    const QFileInfo file(path);
    state.files = file.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        state.hash = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    return state;
}

// Calls sqlite3_interrupt on the query connection if the code under test has not
// finished within a generous time, so that a statement that never ends fails the test
// instead of hanging it.
class Watchdog {
public:
    explicit Watchdog(sqlite3* handle, int seconds = 20)
        : thread_([this, handle, seconds] {
              std::unique_lock lock(mutex_);
              if (!done_cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
                  fired_ = true;
                  while (!done_) {
                      sqlite3_interrupt(handle);
                      done_cv_.wait_for(lock, std::chrono::milliseconds(50));
                  }
              }
          })
    {
    }
    ~Watchdog() { Finish(); }
    // True when it had to stop the statement.
    bool Finish()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        done_cv_.notify_all();
        if (thread_.joinable())
            thread_.join();
        return fired_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_cv_;
    bool done_ = false;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};
} // namespace

class TestReadPathAttacks : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Delver"_s); }
    void init();
    void cleanup();
    void attacksAreRefused_data();
    void attacksAreRefused();
    void hugeValuesFailWithAMessage_data();
    void hugeValuesFailWithAMessage();
    void userTextStaysWhereItWasWritten_data();
    void userTextStaysWhereItWasWritten();
    void endlessQueriesStopOnCancel_data();
    void endlessQueriesStopOnCancel();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    QString path_;
};

void TestReadPathAttacks::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    path_ = test::DelverDatabase(sandbox_->Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    TableDef t(u"Notes"_s);
    t.AppendField(t.CreateField(u"Topic"_s, dbText, 50));
    t.AppendField(t.CreateField(u"Amount"_s, dbInteger));
    levyDatabase->AppendTableDef(t);
    levyDatabase->MainConnection()->Execute(
        u"INSERT INTO Notes (Topic, Amount) VALUES ('a]b', 1), ('x\"y', 2), ('it''s', 3), ('p;q', 4), "
        u"('c`d', 5), ('a]b', 6), ('e] FROM Notes; DROP TABLE Notes; --', 7), ('l' || char(10) || 'm', 8)"_s);
    qryDirectSQL->SetSQL(u"SELECT 1"_s);
    MessageLog::Clear();
}

void TestReadPathAttacks::cleanup()
{
    rsDirectQuery.reset();
    CloseLevyDatabase();
    sandbox_.reset();
}

void TestReadPathAttacks::attacksAreRefused_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");
    const QString onlySelect = u"You can only execute select queries."_s;
    const QString trailing = u"Characters found after end of SQL statement."_s;
    const QString setting = u"setting of the database engine"_s;
    auto add = [](const char* name, const QString& sql, const QString& message) {
        QTest::newRow(name) << sql << message;
    };
    // Attaching another file, however it is spelt.
    add("ATTACH lower case", u"attach database 'FOLDER/evil.db' as evil"_s, onlySelect);
    add("ATTACH mixed case with comments", u"AtTaCh/**/'FOLDER/evil.db'/* x */AS/**/evil"_s, onlySelect);
    add("ATTACH odd whitespace", u"\tATTACH\r\n\f'FOLDER/evil.db'\vAS\u00A0evil"_s, onlySelect);
    add("ATTACH after a NUL", u"SELECT 1\u0000; ATTACH 'FOLDER/evil.db' AS evil"_s, trailing);
    add("ATTACH after ;", u"SELECT 1;ATTACH 'FOLDER/evil.db' AS evil"_s, trailing);
    add("ATTACH after a quote trick", u"SELECT 'a'';' ; ATTACH 'FOLDER/evil.db' AS evil --'"_s, trailing);
    add("ATTACH after a bracket trick", u"SELECT [a;]; ATTACH 'FOLDER/evil.db' AS evil"_s, trailing);
    add("ATTACH after a backtick trick", u"SELECT `a``;` ; ATTACH 'FOLDER/evil.db' AS evil"_s, trailing);
    add("ATTACH after a double-quote trick", u"SELECT \"a\"\";\" ; ATTACH 'FOLDER/evil.db' AS evil"_s, trailing);
    add("ATTACH in a WITH", u"WITH x AS (SELECT 1) ATTACH 'FOLDER/evil.db' AS evil"_s, u"Invalid SQL statement"_s);
    add("ATTACH in parentheses", u"(ATTACH 'FOLDER/evil.db' AS evil)"_s, onlySelect);
    add("ATTACH hidden from the classifier by #",
        u"WITH x AS (SELECT 1 + #a ) ATTACH 'FOLDER/evil.db' AS evil -- #"_s, u"Syntax error"_s);
    add("DETACH main", u"DETACH DATABASE main"_s, onlySelect);
    add("DETACH temp with comment", u"detach/**/temp"_s, onlySelect);
    // Keys, settings and the cipher's own pragmas.
    add("PRAGMA key", u"PRAGMA key = 'x'"_s, onlySelect);
    add("PRAGMA main.rekey", u"pragma main.REKEY = '47193605'"_s, onlySelect);
    add("PRAGMA hidden by #", u"WITH x AS (SELECT 1 + #a ) PRAGMA rekey = 'x' -- #"_s, u"Syntax error"_s);
    add("PRAGMA cipher_profile", u"PRAGMA cipher_profile = 'FOLDER/profile.log'"_s, onlySelect);
    add("PRAGMA cipher_default_use_hmac", u"PRAGMA cipher_default_use_hmac = OFF"_s, onlySelect);
    add("PRAGMA cipher_default_kdf_iter", u"PRAGMA cipher_default_kdf_iter = 1"_s, onlySelect);
    add("PRAGMA cipher_store_pass", u"PRAGMA cipher_store_pass = ON"_s, onlySelect);
    add("PRAGMA cipher_add_random", u"PRAGMA cipher_add_random = \"x'00'\""_s, onlySelect);
    add("PRAGMA writable_schema", u"PRAGMA writable_schema = 1"_s, onlySelect);
    add("PRAGMA query_only", u"PRAGMA query_only = 0"_s, onlySelect);
    add("PRAGMA mmap_size", u"PRAGMA mmap_size = 1000000"_s, onlySelect);
    // Functions that reach the cipher, other files or the engine's internals.
    add("sqlcipher_export", u"SELECT sqlcipher_export('main')"_s, u"sqlcipher_export()"_s);
    add("sqlcipher_export two arguments", u"SELECT sqlcipher_export('main', 'main')"_s, u"sqlcipher_export"_s);
    add("sqlcipher_export upper case", u"SELECT SQLCIPHER_EXPORT('main') FROM Notes"_s, u"sqlcipher_export()"_s);
    add("sqlcipher_export quoted name", u"SELECT \"sqlcipher_export\"('main')"_s, u"sqlcipher_export()"_s);
    add("sqlcipher_export bracketed name", u"SELECT [sqlcipher_export]('main')"_s, u"sqlcipher_export()"_s);
    add("sqlcipher_export in WHERE", u"SELECT Topic FROM Notes WHERE sqlcipher_export('main') IS NULL"_s,
        u"sqlcipher_export()"_s);
    add("load_extension quoted name", u"SELECT `load_extension`('FOLDER/evil.so')"_s, u"load_extension()"_s);
    add("load_extension in ORDER BY", u"SELECT Topic FROM Notes ORDER BY load_extension('x')"_s,
        u"load_extension()"_s);
    add("fts3_tokenizer read", u"SELECT fts3_tokenizer('simple')"_s, u"fts3_tokenizer()"_s);
    add("fts3_tokenizer write", u"SELECT fts3_tokenizer('simple', x'0000000000000000')"_s, u"fts3_tokenizer()"_s);
    add("fts3_tokenizer in a subquery", u"SELECT (SELECT hex(fts3_tokenizer('porter'))) AS p FROM Notes"_s,
        u"fts3_tokenizer()"_s);
    // The modules' and the engine's debugging functions: rtreenode reads past its
    // argument and hands back the engine's memory, other users' passwords among it.
    add("rtreenode reading past its argument", u"SELECT rtreenode(0, X'00006000000000000000000000000000') FROM Notes"_s,
        u"rtreenode()"_s);
    add("rtreenode mixed case", u"SELECT RtReeNode(2, zeroblob(64)) AS n"_s, u"rtreenode()"_s);
    add("rtreenode bracketed", u"SELECT [rtreenode](0, X'00') FROM Notes"_s, u"rtreenode()"_s);
    add("rtreenode quoted, in WHERE", u"SELECT Topic FROM Notes WHERE \"rtreenode\"(0, X'00') <> ''"_s,
        u"rtreenode()"_s);
    add("rtreedepth", u"SELECT rtreedepth(X'0000') AS d"_s, u"rtreedepth()"_s);
    add("fts5", u"SELECT fts5(0) AS f"_s, u"fts5"_s);
    add("sqlite_compileoption_get", u"SELECT sqlite_compileoption_get(0) AS o"_s, u"sqlite_compileoption_get()"_s);
    add("sqlite_compileoption_used", u"SELECT SQLITE_COMPILEOPTION_USED('HAS_CODEC') AS o"_s,
        u"sqlite_compileoption_used()"_s);
    add("matchinfo", u"SELECT matchinfo(Topic) FROM Notes"_s, u"matchinfo()"_s);
    add("offsets", u"SELECT offsets(Topic) FROM Notes"_s, u"offsets()"_s);
    add("snippet", u"SELECT snippet(Topic) FROM Notes"_s, u"snippet()"_s);
    add("optimize", u"SELECT optimize(Topic) FROM Notes"_s, u"optimize()"_s);
    add("MATCH operator", u"SELECT Topic FROM Notes WHERE Topic MATCH 'a'"_s, u"MATCH()"_s);
    add("sqlite_version", u"SELECT sqlite_version() AS v"_s, u"sqlite_version()"_s);
    add("sqlite_source_id", u"SELECT sqlite_source_id() AS v"_s, u"sqlite_source_id()"_s);
    add("sqlite_log", u"SELECT sqlite_log(1, 'x') AS v"_s, u"sqlite_log()"_s);
    add("sqlite_rename_parent", u"SELECT sqlite_rename_parent('a', 'b', 'c') AS v"_s, u"sqlite_rename_parent()"_s);
    add("changes", u"SELECT changes() + total_changes() + last_insert_rowid() AS v"_s, u"changes()"_s);
    // Creating anything, even temporary.
    add("CREATE TEMP TABLE", u"CREATE TEMP TABLE t AS SELECT * FROM Users"_s, onlySelect);
    add("CREATE TEMPORARY VIEW", u"create temporary view v as select 1"_s, onlySelect);
    add("CREATE TEMP TRIGGER",
        u"CREATE TEMP TRIGGER t AFTER INSERT ON Notes BEGIN SELECT 1; END"_s, trailing);
    add("CREATE INDEX", u"CREATE INDEX i ON Notes (Topic)"_s, onlySelect);
    add("INSERT through a CTE", u"WITH n AS (SELECT 'z' AS t) INSERT INTO Notes (Topic) SELECT t FROM n"_s, onlySelect);
    add("REPLACE", u"REPLACE INTO Notes (Topic) VALUES ('z')"_s, onlySelect);
    add("VACUUM", u"VACUUM"_s, onlySelect);
    add("REINDEX", u"REINDEX"_s, onlySelect);
    add("ANALYZE", u"ANALYZE"_s, onlySelect);
    add("SAVEPOINT", u"SAVEPOINT s"_s, onlySelect);
    add("BEGIN", u"BEGIN IMMEDIATE"_s, onlySelect);
    add("COMMIT", u"COMMIT"_s, onlySelect);
    // The dialect's own ways to write.
    add("SELECT INTO", u"SELECT * INTO Copy FROM Notes"_s, onlySelect);
    add("SELECT INTO another database", u"SELECT * INTO Copy IN 'FOLDER/evil.mdb' FROM Notes"_s, onlySelect);
    add("TRANSFORM INTO", u"TRANSFORM Count(*) SELECT Topic INTO Copy FROM Notes GROUP BY Topic PIVOT Amount"_s,
        onlySelect);
    add("PARAMETERS then DELETE", u"PARAMETERS p Text; DELETE FROM Notes"_s, onlySelect);
    add("PARAMETERS then a select", u"PARAMETERS p Text; SELECT * FROM Notes WHERE Topic = p"_s,
        u"parameter"_s);
    add("IN another database", u"SELECT * FROM Notes IN 'FOLDER/evil.mdb'"_s, u"other database files"_s);
    add("IN another database, brackets", u"SELECT * FROM Notes IN '' [;database=FOLDER/evil.mdb]"_s,
        u"other database files"_s);
}

void TestReadPathAttacks::attacksAreRefused()
{
    QFETCH(QString, sql);
    QFETCH(QString, message);
    sql.replace(u"FOLDER"_s, sandbox_->Folder());
    const State before = Take(path_);
    const bool accepted = ValidateQuery(sql);
    const MessageRequest shown = test::OnlyMessage();
    QVERIFY(!accepted);
    QCOMPARE(shown.title, compiling);
    QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
    const State after = Take(path_);
    QCOMPARE(after.content, before.content);
    QCOMPARE(after.files, before.files);
    // A statement refused before it was saved leaves the file as it was, byte for byte.
    if (qryDirectSQL->SQL() != sql)
        QCOMPARE(after.hash, before.hash);

    // Straight through the database, nothing is saved: not a byte may change.
    const State straight = Take(path_);
    try {
        auto rs = levyDatabase->OpenRecordset(sql);
        rs->MoveLast();
        QCOMPARE(rs->FieldCount(), 0);
    } catch (const RuntimeError&) {
    }
    const State last = Take(path_);
    QCOMPARE(last.content, straight.content);
    QCOMPARE(last.files, straight.files);
    QCOMPARE(last.hash, straight.hash);
}

void TestReadPathAttacks::hugeValuesFailWithAMessage_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");
    const QString tooLarge = u"A value in this query would be too large"_s;
    const QString tooLong = u"the text would be too long"_s;
    auto add = [](const char* name, const QString& sql, const QString& message) {
        QTest::newRow(name) << sql << message;
    };
    add("randomblob", u"SELECT length(randomblob(999999999))"_s, tooLarge);
    add("zeroblob", u"SELECT zeroblob(999999999)"_s, tooLarge);
    add("zeroblob as hex", u"SELECT length(hex(zeroblob(400000000)))"_s, tooLarge);
    add("zeroblob quoted", u"SELECT length(quote(zeroblob(300000000)))"_s, tooLarge);
    add("replace growing", u"SELECT length(replace(hex(zeroblob(1000000)), '0', hex(zeroblob(600))))"_s, tooLong);
    add("engine's replace growing",
        u"SELECT length(replace(hex(zeroblob(1000000)), '0', hex(zeroblob(600)))) FROM (SELECT 1) WHERE 0 = 1 "
        u"UNION ALL SELECT length(replace(hex(zeroblob(1000000)), '0', hex(zeroblob(600))))"_s,
        tooLong);
    add("Space", u"SELECT Len(Space(999999999))"_s, tooLong);
    add("String", u"SELECT Len(String(300000000, 'x'))"_s, tooLong);
    add("doubling by recursion",
        u"WITH RECURSIVE r(s) AS (SELECT 'xxxxxxxxxx' UNION ALL SELECT s || s FROM r) SELECT length(s) FROM r"_s,
        tooLarge);
    // The engine's printf gives up on a width beyond the limit and answers Null.
    add("printf width", u"SELECT length(printf('%999999999d', 1))"_s, u"Null"_s);
    add("printf precision", u"SELECT length(printf('%.*c', 999999999, 'x'))"_s, u"Null"_s);
}

void TestReadPathAttacks::hugeValuesFailWithAMessage()
{
    QFETCH(QString, sql);
    QFETCH(QString, message);
    const State before = Take(path_);
    Watchdog dog(levyDatabase->QueryConnection()->Handle(), 60);
    QString outcome;
    try {
        auto rs = levyDatabase->OpenRecordset(sql);
        rs->MoveLast();
        outcome = test::Shown(rs->FieldValue(0));
    } catch (const RuntimeError& e) {
        outcome = e.description;
    }
    QVERIFY(!dog.Finish());
    QVERIFY2(outcome.contains(message), qPrintable(outcome));
    // Refused before it was built, not after a gigabyte had been allocated.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    QVERIFY2(usage.ru_maxrss < 600 * 1024, qPrintable(QString::number(usage.ru_maxrss)));
    QCOMPARE(Take(path_).hash, before.hash);
}

void TestReadPathAttacks::userTextStaysWhereItWasWritten_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("records");
    QTest::addColumn<QStringList>("first");
    const QString poisoned = u"e] FROM Notes; DROP TABLE Notes; --"_s;
    // A bracketed type is no longer spliced into the translation; the engine reads the
    // text as written, from Notes (8 records), not from Users (3).
    QTest::newRow("CAST type carrying a clause")
        << u"SELECT CAST(1 AS [INT) AS x FROM Users --]) FROM Notes"_s
        << QStringList{u"CAST(1 AS [INT) AS x FROM Users --])"_s} << 8 << QStringList{u"1"_s};
    QTest::newRow("CAST type carrying a statement")
        << u"SELECT CAST(1 AS [INT); DROP TABLE Notes; --]) AS c FROM Notes"_s << QStringList{u"c"_s} << 8
        << QStringList{u"1"_s};
    QTest::newRow("CAST bracketed plain type") << u"SELECT CAST(Amount AS [Text]) AS c FROM Notes"_s
                                               << QStringList{u"c"_s} << 8 << QStringList{u"1"_s};
    QTest::newRow("name with a backtick") << u"SELECT Topic AS [a`b], Amount FROM Notes"_s
                                          << QStringList{u"a`b"_s, u"Amount"_s} << 8
                                          << QStringList{u"a]b"_s, u"1"_s};
    QTest::newRow("name carrying a clause") << u"SELECT Topic AS [x\" FROM Users --] FROM Notes"_s
                                            << QStringList{u"x\" FROM Users --"_s} << 8 << QStringList{u"a]b"_s};
    QTest::newRow("text carrying a statement")
        << u"SELECT Amount FROM Notes WHERE Topic = 'e] FROM Notes; DROP TABLE Notes; --'"_s
        << QStringList{u"Amount"_s} << 1 << QStringList{u"7"_s};
    QTest::newRow("double-quoted text with a quote") << u"SELECT \"it's\" & Topic AS t FROM Notes"_s
                                                     << QStringList{u"t"_s} << 8 << QStringList{u"it'sa]b"_s};
    QTest::newRow("LIKE pattern with quotes and brackets")
        << u"SELECT Amount FROM Notes WHERE Topic LIKE '*''*' OR Topic LIKE '*[]]*' ORDER BY Amount"_s
        << QStringList{u"Amount"_s} << 4 << QStringList{u"1"_s};
    QTest::newRow("crosstab headed by its values")
        << u"TRANSFORM Sum(Amount) SELECT Amount > 0 AS k FROM Notes GROUP BY Amount > 0 PIVOT Topic"_s
        << QStringList{u"k"_s,   u"a]b"_s, u"c`d"_s, poisoned, u"it's"_s,
                       u"l m"_s, u"p;q"_s, u"x\"y"_s}
        << 1 << QStringList{u"True"_s, u"7"_s, u"5"_s, u"7"_s, u"3"_s, u"8"_s, u"4"_s, u"2"_s};
    QTest::newRow("crosstab IN list")
        << u"TRANSFORM Sum(Amount) SELECT Amount > 0 AS k FROM Notes GROUP BY Amount > 0 "
           u"PIVOT Topic IN ('a]b', 'p;q', 'x`', '\"', 'e] FROM Notes; DROP TABLE Notes; --')"_s
        << QStringList{u"k"_s, u"a]b"_s, u"p;q"_s, u"x`"_s, u"\""_s, poisoned} << 1
        << QStringList{u"True"_s, u"7"_s, u"4"_s, u"Null"_s, u"Null"_s, u"7"_s};
}

void TestReadPathAttacks::userTextStaysWhereItWasWritten()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, names);
    QFETCH(int, records);
    QFETCH(QStringList, first);
    const State before = Take(path_);
    QVERIFY(ValidateQuery(sql));
    auto rs = qryDirectSQL->OpenRecordset();
    rs->MoveLast();
    QStringList columns, values;
    for (int i = 0; i < rs->FieldCount(); ++i)
        columns.append(rs->Field(i).name);
    QCOMPARE(columns, names);
    QCOMPARE(int(rs->RecordCount()), records);
    rs->MoveFirst();
    for (int i = 0; i < rs->FieldCount(); ++i)
        values.append(test::Shown(rs->FieldValue(i)));
    QCOMPARE(values, first);
    rs->Close();
    QCOMPARE(Take(path_).content, before.content);
}

void TestReadPathAttacks::endlessQueriesStopOnCancel_data()
{
    QTest::addColumn<QString>("sql");
    const QString endless = u"WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) "_s;
    QTest::newRow("endless records") << endless + u"SELECT n, 'some text' FROM r"_s;
    QTest::newRow("endless before the first record") << endless + u"SELECT count(*) FROM r"_s;
    QTest::newRow("endless sort") << endless + u"SELECT n FROM r ORDER BY n DESC"_s;
    QTest::newRow("endless distinct") << endless + u"SELECT DISTINCT n FROM r"_s;
    QTest::newRow("endless group_concat") << endless + u"SELECT length(group_concat(hex(zeroblob(1000)))) FROM r"_s;
    // Its pivot values alone take longer than anyone waits; validating it must not run them.
    QTest::newRow("crosstab over a huge join")
        << u"TRANSFORM Count(*) SELECT a.Amount > 0 AS k FROM Notes a, Notes b, Notes c, Notes d, Notes e, Notes f, "
           u"Notes g, Notes h, Notes i, Notes j GROUP BY a.Amount > 0 "
           u"PIVOT a.Topic & b.Topic & c.Topic & d.Topic & e.Topic & f.Topic & g.Topic & h.Topic & i.Topic"_s;
}

void TestReadPathAttacks::endlessQueriesStopOnCancel()
{
    QFETCH(QString, sql);
    sqlite3* handle = levyDatabase->QueryConnection()->Handle();
    {
        Watchdog dog(handle, 20);
        QVERIFY(ValidateQuery(sql));
        QVERIFY2(!dog.Finish(), "validating the statement ran it");
    }
    QVERIFY(MessageLog::Shown().isEmpty());
    const State before = Take(path_);
    Watchdog dog(handle, 120);
    {
        frmDelverResults w(nullptr);
        bool clicked = false;
        QTimer user;
        connect(&user, &QTimer::timeout, &w, [&] {
            if (!clicked && w.cmdCancel->isVisible()) {
                clicked = true;
                w.cmdCancel->click();
            }
        });
        user.start(50);
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 100000);
        QVERIFY(clicked);
    }
    QVERIFY2(!dog.Finish(), "Cancel did not stop the statement");
    QVERIFY(MessageLog::Shown().isEmpty());
    const State after = Take(path_);
    QCOMPARE(after.content, before.content);
    QCOMPARE(after.hash, before.hash);
    // The connection answers again at once.
    QVERIFY(ValidateQuery(u"SELECT count(*) FROM Notes"_s));
}

QTEST_MAIN(TestReadPathAttacks)
#include "test_read_path_attacks.moc"
