#include "support/TestSupport.h"

#include "engine/Sqlite.h"
#include "jet/syntax/JetParser.h"
#include "jet/translation/JetSchema.h"
#include "jet/translation/JetTranslator.h"
#include "platform/RuntimeError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

// Runs files of the public SQL logic test corpus through the query path users' statements
// take (translation included) and checks that the engine's own SQL still returns what
// the corpus records. A query the dialect reads differently (for example 7 / 2, which
// it divides exactly) is counted and passed over; so is one the engine here answers
// differently from the one that wrote the file (checked by running it untranslated).
namespace {
struct Record {
    QString kind;  // statement, query, hash-threshold, halt
    QStringList header;
    QString sql;
    QStringList expected;
    int line = 0;
};

QList<Record> ReadRecords(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    QList<Record> records;
    bool skip = false;
    qsizetype i = 0;
    while (i < lines.size()) {
        QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            ++i;
            continue;
        }
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (words[0] == u"skipif"_s || words[0] == u"onlyif"_s) {
            const bool sqlite = words.size() > 1 && words[1] == u"sqlite"_s;
            skip = skip || (words[0] == u"skipif"_s ? sqlite : !sqlite);
            ++i;
            continue;
        }
        Record r;
        r.kind = words[0];
        r.header = words;
        r.line = int(i + 1);
        ++i;
        QStringList sql;
        while (i < lines.size() && !lines[i].trimmed().isEmpty() && lines[i].trimmed() != u"----"_s)
            sql.append(lines[i++]);
        r.sql = sql.join(u'\n');
        if (i < lines.size() && lines[i].trimmed() == u"----"_s) {
            ++i;
            while (i < lines.size() && !lines[i].trimmed().isEmpty())
                r.expected.append(lines[i++].trimmed());
        }
        if (!skip)
            records.append(r);
        skip = false;
    }
    return records;
}

// The integer a value reads as, the way the corpus prints integer columns.
qint64 LeadingInteger(const QString& text)
{
    static const QRegularExpression number(u"^\\s*([-+]?\\d+(?:\\.\\d*)?(?:[eE][-+]?\\d+)?)"_s);
    const auto m = number.match(text);
    return m.hasMatch() ? qint64(m.captured(1).toDouble()) : 0;
}

QString Printed(const Value& v, QChar type)
{
    if (v.IsNull())
        return u"NULL"_s;
    if (type == u'I') {
        if (v.IsInteger())
            return QString::number(int32_t(v.AsInteger()));
        if (v.IsDouble())
            return QString::number(int32_t(qint64(v.AsDouble())));
        return QString::number(int32_t(LeadingInteger(v.ToDisplayText())));
    }
    if (type == u'R') {
        const double d = v.IsInteger() || v.IsDouble() ? v.AsDouble() : double(LeadingInteger(v.ToDisplayText()));
        return QString::asprintf("%.3f", d);
    }
    QString text = v.ToDisplayText();
    if (text.isEmpty())
        return u"(empty)"_s;
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            c = u'@';
    return text;
}

QStringList Arranged(QList<QStringList> rows, const QString& sort)
{
    if (sort == u"rowsort"_s)
        std::sort(rows.begin(), rows.end(), [](const QStringList& a, const QStringList& b) {
            for (qsizetype i = 0; i < a.size(); ++i)
                if (const int c = QString::compare(a[i], b[i]); c != 0)
                    return c < 0;
            return false;
        });
    QStringList values;
    for (const QStringList& r : rows)
        values.append(r);
    if (sort == u"valuesort"_s)
        std::sort(values.begin(), values.end());
    return values;
}

bool Matches(const QStringList& values, const QStringList& expected)
{
    static const QRegularExpression hashed(u"^(\\d+) values hashing to ([0-9a-f]{32})$"_s);
    if (expected.size() == 1)
        if (const auto m = hashed.match(expected[0]); m.hasMatch()) {
            QByteArray all;
            for (const QString& v : values)
                all += v.toUtf8() + '\n';
            return m.captured(1).toInt() == values.size() &&
                   QCryptographicHash::hash(all, QCryptographicHash::Md5).toHex() == m.captured(2).toLatin1();
        }
    return values == expected;
}

// The engine's own answer, untranslated, on the writable connection.
QList<QStringList> EngineRows(engine::Connection& connection, const QString& sql, const QString& types)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(connection.Handle(), text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return {{u"(error)"_s}};
    }
    QList<QStringList> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            Value v;
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER: v = Value(int64_t(sqlite3_column_int64(stmt, c))); break;
            case SQLITE_FLOAT: v = Value(sqlite3_column_double(stmt, c)); break;
            case SQLITE_NULL: break;
            default:
                v = Value(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                            sqlite3_column_bytes(stmt, c)));
            }
            row.append(Printed(v, c < types.size() ? types[c] : u'T'));
        }
        rows.append(row);
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return {{u"(error)"_s}};
    return rows;
}

struct Tally {
    int compared = 0;
    int dialect = 0;
    int engineDiffers = 0;
    int statements = 0;
    QMap<QString, int> readings;
};
} // namespace

class TestSqlLogicTest : public QObject {
    Q_OBJECT

private slots:
    void corpus_data();
    void corpus();
};

void TestSqlLogicTest::corpus_data()
{
    QTest::addColumn<QString>("path");
    const QDir folder(QStringLiteral(QT_TESTCASE_SOURCEDIR "/data/sqllogictest"));
    const QStringList files = folder.entryList({u"*.test"_s}, QDir::Files, QDir::Name);
    QVERIFY(!files.isEmpty());
    for (const QString& f : files)
        QTest::newRow(qPrintable(f)) << folder.filePath(f);
}

void TestSqlLogicTest::corpus()
{
    QFETCH(QString, path);
    const QList<Record> records = ReadRecords(path);
    QVERIFY(!records.isEmpty());
    const quint32 seed = test::CampaignSeed("LEVY_CAMPAIGN_SEED", 20261207);
    const auto tell = qScopeGuard([seed] { test::TellHowToRepeat("LEVY_CAMPAIGN_SEED", seed); });
    // The suite's sample: every statement (the queries stand on them) and a few hundred of
    // the file's queries, drawn from the seed.
    QList<bool> asked(records.size(), true);
    if (!test::FullCampaigns()) {
        QList<qsizetype> queries;
        for (qsizetype i = 0; i < records.size(); ++i)
            if (records[i].kind == u"query"_s)
                queries.append(i);
        QRandomGenerator random(seed ^ quint32(qHash(QFileInfo(path).fileName())));
        const QList<qsizetype> chosen = test::Sample(queries.size(), 300, random);
        for (qsizetype q : queries)
            asked[q] = false;
        for (qsizetype k : chosen)
            asked[queries[k]] = true;
        qInfo("%s: a sample of %lld of its %lld queries from seed %u (LEVY_CAMPAIGN_SEED; "
              "LEVY_FULL_CAMPAIGNS=1 asks them all)",
              qPrintable(QFileInfo(path).fileName()), qlonglong(chosen.size()), qlonglong(queries.size()), seed);
    }
    test::Sandbox s;
    const QString db = s.Path(u"corpus.mdb"_s);
    test::MakeBlankDatabase(db);
    auto levy = test::OpenLevy(db);
    // The queries run as Delver runs a clerk's: in the query worker.
    levy->UseQueryWorker(true);
    auto main = levy->MainConnection();
    Tally tally;
    QStringList failures;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.kind == u"halt"_s)
            break;
        if (!asked[i])
            continue;
        if (r.kind == u"hash-threshold"_s)
            continue;
        if (r.kind == u"statement"_s) {
            // Set-up runs on the writable connection; the query path would refuse it.
            bool ok = true;
            try {
                main->Execute(r.sql);
            } catch (const RuntimeError&) {
                ok = false;
            }
            if (ok != (r.header.value(1) == u"ok"_s))
                failures.append(u"line %1: statement %2"_s.arg(r.line).arg(ok ? u"ran"_s : u"failed"_s));
            ++tally.statements;
            continue;
        }
        if (r.kind != u"query"_s)
            continue;
        const QString types = r.header.value(1);
        const QString sort = r.header.value(2, u"nosort"_s);
        // Where the dialect reads the statement differently, its answer is the dialect's.
        try {
            const jet::ConnectionSchema schema(levy->QueryConnection()->Handle());
            const QStringList readings =
                jet::TranslateJetQuery(jet::ParseJetQuery(r.sql), r.sql, schema).dialectReadings;
            if (!readings.isEmpty()) {
                ++tally.dialect;
                for (const QString& note : readings)
                    ++tally.readings[note];
                continue;
            }
        } catch (const RuntimeError&) {
            // Beyond the dialect's grammar: the engine's own SQL, run as it stands.
        }
        QList<QStringList> rows;
        bool failed = false;
        QString error;
        try {
            auto rs = levy->OpenRecordset(r.sql);
            for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
                QStringList row;
                for (int c = 0; c < rs->FieldCount(); ++c)
                    row.append(Printed(rs->FieldValue(c), c < types.size() ? types[c] : u'T'));
                rows.append(row);
            }
        } catch (const RuntimeError& e) {
            failed = true;
            error = e.description;
        }
        const QStringList values = Arranged(rows, sort);
        if (!failed && Matches(values, r.expected)) {
            ++tally.compared;
            continue;
        }
        if (!Matches(Arranged(EngineRows(*main, r.sql, types), sort), r.expected)) {
            ++tally.engineDiffers;
            continue;
        }
        failures.append(u"line %1: %2\n  %3"_s.arg(r.line).arg(r.sql, failed ? error : values.join(u' ').left(200)));
    }
    qInfo("%s: %d statements, %d queries compared, %d read differently by the dialect, %d answered differently "
          "by this engine",
          qPrintable(QFileInfo(path).fileName()), tally.statements, tally.compared, tally.dialect,
          tally.engineDiffers);
    for (auto it = tally.readings.cbegin(); it != tally.readings.cend(); ++it)
        qInfo("  %d read differently: %s", it.value(), qPrintable(it.key()));
    QVERIFY2(failures.isEmpty(), qPrintable(failures.mid(0, 10).join(u'\n')));
    QVERIFY(tally.compared > 0);
}

QTEST_GUILESS_MAIN(TestSqlLogicTest)
#include "test_sqllogictest.moc"
