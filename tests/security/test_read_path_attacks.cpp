#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/QueryValidation.h"
#include "levy/DatabaseAccess.h"
#include "database/QueryDef.h"
#include "database/Recordset.h"
#include "engine/Sqlite.h"
#include "frmDelverResults.h"
#include "platform/AppInfo.h"
#include "platform/RuntimeError.h"
#include "levy/Encryption.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
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
    explicit Watchdog(Database& database, int seconds = 20)
        : thread_([this, &database, seconds] {
              std::unique_lock lock(mutex_);
              if (!done_cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
                  fired_ = true;
                  while (!done_) {
                      database.InterruptQueries();
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
    void corpusIsRefusedOrHarmless();
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

namespace {
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

// One statement of the corpus in tests/data/attacks (its README gives the format).
struct Attack {
    QString file, name, expect, sql;
};

// \u{HEX} is a character, \repeat{N}{TEXT} is TEXT N times.
QString Expand(const QString& line)
{
    static const QRegularExpression escape(uR"(\\u\{([0-9A-Fa-f]+)\}|\\repeat\{(\d+)\}\{([^}]*)\})"_s);
    QString out;
    qsizetype at = 0;
    for (auto it = escape.globalMatch(line); it.hasNext();) {
        const auto m = it.next();
        out += line.mid(at, m.capturedStart() - at);
        if (m.hasCaptured(1)) {
            const char32_t code = m.captured(1).toUInt(nullptr, 16);
            // A lone surrogate can only be written as one UTF-16 unit.
            out += code < 0x10000 ? QString(QChar(char16_t(code))) : QString::fromUcs4(&code, 1);
        } else {
            out += m.captured(3).repeated(m.captured(2).toInt());
        }
        at = m.capturedEnd();
    }
    return out + line.mid(at);
}

QList<Attack> LoadAttacks()
{
    QList<Attack> attacks;
    const QDir folder(QStringLiteral(QT_TESTCASE_SOURCEDIR "/data/attacks"));
    for (const QString& name : folder.entryList({u"*.txt"_s}, QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            if (line.startsWith(u"== "_s))
                attacks.append({name, line.mid(3), {}, {}});
            else if (attacks.isEmpty() || attacks.last().file != name)
                continue;  // the family's opening comment
            else if (line.startsWith(u"expect: "_s) && attacks.last().expect.isEmpty())
                attacks.last().expect = line.mid(8);
            else
                attacks.last().sql += (attacks.last().sql.isEmpty() ? QString() : u"\n"_s) + Expand(line);
        }
        while (!attacks.isEmpty() && attacks.last().sql.endsWith(u'\n'))
            attacks.last().sql.chop(1);
    }
    return attacks;
}

// What the statement reads, run straight through the database: the records (up to a
// few hundred) or the message it ends with.
QString ReadThrough(const QString& sql, bool& stopped, int seconds)
{
    Watchdog dog(*levyDatabase, seconds);
    QString read;
    try {
        auto rs = levyDatabase->OpenRecordset(sql);
        for (int n = 0; !rs->IsEOF() && n < 300; ++n, rs->MoveNext()) {
            for (int c = 0; c < rs->FieldCount(); ++c)
                read += test::Shown(rs->FieldValue(c)) + u'|';
            read += u'\n';
        }
    } catch (const RuntimeError& e) {
        read = u"error: "_s + e.description;
    }
    stopped = dog.Finish();
    return read;
}

QStringList StoredPasswords()
{
    QStringList stored;
    Statement s(levyDatabase->MainConnection(), u"SELECT [User Password] FROM Users ORDER BY rowid"_s);
    while (s.Step())
        stored.append(s.ColumnText(0));
    return stored;
}

void StorePasswords(const QStringList& stored)
{
    Statement names(levyDatabase->MainConnection(), u"SELECT rowid FROM Users ORDER BY rowid"_s);
    QList<int64_t> rows;
    while (names.Step())
        rows.append(names.ColumnInteger(0));
    for (int i = 0; i < rows.size(); ++i)
        levyDatabase->MainConnection()->Execute(u"UPDATE Users SET [User Password] = %1 WHERE rowid = %2"_s
                                                     .arg(engine::QuoteText(stored.value(i)))
                                                     .arg(rows[i]));
}

// Why the statement broke its expectation; empty when it kept it.
QString Breach(const Attack& attack, const QString& path)
{
    State before = Take(path);
    const QString kind = attack.expect.section(u':', 0, 0);
    const QString text = attack.expect.section(u':', 1).trimmed();
    MessageLog::Clear();
    auto unchanged = [&](bool bytes) -> QString {
        const State after = Take(path);
        if (after.content != before.content) {
            QString first;
            for (qsizetype i = 0; i < std::max(after.content.size(), before.content.size()); ++i)
                if (after.content.value(i) != before.content.value(i)) {
                    first = before.content.value(i).left(80) + u" became "_s + after.content.value(i).left(80);
                    break;
                }
            return u"the records or the schema changed: "_s + first;
        }
        if (after.files != before.files)
            return u"the folder changed: "_s + after.files.join(u", "_s);
        if (bytes && after.hash != before.hash)
            return u"the file's bytes changed"_s;
        return {};
    };
    bool stopped = false;
    if (kind == u"refused"_s) {
        if (ValidateQuery(attack.sql))
            return u"accepted"_s;
        const QList<MessageRequest> shown = MessageLog::Shown();
        if (shown.size() != 1 || shown[0].title != compiling || !shown[0].text.contains(text))
            return u"refused with: "_s + (shown.isEmpty() ? u"no message"_s : shown[0].title + u": "_s + shown[0].text);
        // Refused before it was saved, it leaves the file as it was, byte for byte.
        if (QString why = unchanged(qryDirectSQL->SQL() != attack.sql); !why.isEmpty())
            return why;
        const State straight = Take(path);
        ReadThrough(attack.sql, stopped, 20);
        const State last = Take(path);
        if (last.content != straight.content || last.files != straight.files || last.hash != straight.hash)
            return u"run straight through the database, it changed the file"_s;
        return stopped ? u"run straight through the database, it did not end"_s : QString();
    }
    if (kind == u"fails"_s) {
        const QString read = ReadThrough(attack.sql, stopped, 60);
        if (stopped || !read.contains(text))
            return u"read: "_s + read.left(200);
        // Refused before it was built, not after a gigabyte had been allocated.
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        // The sanitizers keep freed memory aside for a while: their peak says nothing here.
        if (!sanitized && usage.ru_maxrss > 600 * 1024)
            return u"took %1 KiB"_s.arg(usage.ru_maxrss);
        return unchanged(true);
    }
    if (kind == u"stops"_s) {
        const QString read = ReadThrough(attack.sql, stopped, 1);
        if (!stopped)
            return u"ended by itself: "_s + read.left(200);
        if (!ValidateQuery(u"SELECT count(*) FROM Notes"_s))
            return u"the connection did not answer after the stop"_s;
        return unchanged(false);
    }
    if (kind == u"harmless"_s) {
        // Delver saves what it accepts: that is the file's state to keep from here on.
        ValidateQuery(attack.sql);
        MessageLog::Clear();
        before = Take(path);
        const QStringList stored = StoredPasswords();
        const QString read = ReadThrough(attack.sql, stopped, 20);
        QStringList others;
        for (qsizetype i = 0; i < stored.size(); ++i)
            others.append(EncryptText(u"other"_s + QString::number(i)));
        StorePasswords(others);
        const QString readAgain = ReadThrough(attack.sql, stopped, 20);
        StorePasswords(stored);
        if (stopped)
            return u"did not end"_s;
        if (read != readAgain)
            return u"read differently with other passwords: "_s + read.left(200) + u" / "_s + readAgain.left(200);
        for (const QString& s : stored)
            if (read.contains(s))
                return u"showed a stored password: "_s + read.left(200);
        return unchanged(false);
    }
    return u"unknown expectation \""_s + attack.expect + u'"';
}
} // namespace

void TestReadPathAttacks::corpusIsRefusedOrHarmless()
{
    const QList<Attack> attacks = LoadAttacks();
    QVERIFY2(attacks.size() >= 300, qPrintable(QString::number(attacks.size())));
    const quint32 seed = test::CampaignSeed("LEVY_CAMPAIGN_SEED", 20261207);
    const auto tell = qScopeGuard([seed] { test::TellHowToRepeat("LEVY_CAMPAIGN_SEED", seed); });
    QList<Attack> run = attacks;
    if (!test::FullCampaigns()) {
        // The suite's sample: two statements of each family and expectation, drawn from the
        // seed, in the corpus's order.
        QMap<QString, QList<qsizetype>> groups;
        for (qsizetype i = 0; i < attacks.size(); ++i)
            groups[attacks[i].file + u'|' + attacks[i].expect.section(u':', 0, 0)].append(i);
        QRandomGenerator random(seed);
        QList<qsizetype> chosen;
        for (const QList<qsizetype>& group : std::as_const(groups))
            for (qsizetype k : test::Sample(group.size(), 2, random))
                chosen.append(group[k]);
        std::sort(chosen.begin(), chosen.end());
        run.clear();
        for (qsizetype i : chosen)
            run.append(attacks[i]);
        qInfo("a sample of %lld of the %lld statements, two of each family and expectation, from seed %u "
              "(LEVY_CAMPAIGN_SEED; LEVY_FULL_CAMPAIGNS=1 runs them all)",
              qlonglong(run.size()), qlonglong(attacks.size()), seed);
    }
    QStringList breaches;
    for (Attack attack : run) {
        attack.sql.replace(u"FOLDER"_s, sandbox_->Folder());
        if (const QString why = Breach(attack, path_); !why.isEmpty())
            breaches.append(attack.file + u": "_s + attack.name + u": "_s + why);
    }
    QVERIFY2(breaches.isEmpty(), qPrintable(breaches.join(u'\n')));
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
    QTest::newRow("endless group_concat") << endless + u"SELECT length(group_concat(String(2000, '0'))) FROM r"_s;
    // Its pivot values alone take longer than anyone waits; validating it must not run them.
    QTest::newRow("crosstab over a huge join")
        << u"TRANSFORM Count(*) SELECT a.Amount > 0 AS k FROM Notes a, Notes b, Notes c, Notes d, Notes e, Notes f, "
           u"Notes g, Notes h, Notes i, Notes j GROUP BY a.Amount > 0 "
           u"PIVOT a.Topic & b.Topic & c.Topic & d.Topic & e.Topic & f.Topic & g.Topic & h.Topic & i.Topic"_s;
}

void TestReadPathAttacks::endlessQueriesStopOnCancel()
{
    QFETCH(QString, sql);
    {
        Watchdog dog(*levyDatabase, 20);
        QVERIFY(ValidateQuery(sql));
        QVERIFY2(!dog.Finish(), "validating the statement ran it");
    }
    QVERIFY(MessageLog::Shown().isEmpty());
    const State before = Take(path_);
    Watchdog dog(*levyDatabase, 120);
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
        // Stopped before its first page, the window closes; with page 1 on screen, only
        // the count stops, and the user closes the window.
        QTRY_VERIFY_WITH_TIMEOUT(clicked && (!w.isVisible() || (!w.Reading() && !w.Counting())), 100000);
        w.close();
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
