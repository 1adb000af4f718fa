// The levy file is the contract with the office's other programs, which read it with the
// SQLCipher 3 settings: Debian's sqlcipher 3.4.1 shell stands in for them here.
#include "support/TestSupport.h"

#include "database/DBEngine.h"
#include "engine/SqliteHandle.h"
#include "levy/DatabaseAccess.h"
#include "platform/RuntimeError.h"

#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
// The shell's output for statements run on a levy file with the levy key.
QString Shell(const QString& path, const QString& statements)
{
    QProcess shell;
    shell.start(u"sqlcipher"_s, {u"-batch"_s, path});
    shell.write((u"PRAGMA key = '47193605';\n"_s + statements + u'\n').toUtf8());
    shell.closeWriteChannel();
    if (!shell.waitForFinished(60000))
        return u"(the shell did not finish)"_s;
    return QString::fromUtf8(shell.readAllStandardOutput() + shell.readAllStandardError()).trimmed();
}

int64_t Count(Database& db, const QString& sql)
{
    engine::Statement s(db.MainConnection(), sql);
    s.Step();
    return s.ColumnInteger(0);
}
} // namespace

class TestFileFormat : public QObject {
    Q_OBJECT
private slots:
    void theOfficesOtherProgramsReadWhatWeWrite();
    void weReadWhatTheyWrite();
};

void TestFileFormat::theOfficesOtherProgramsReadWhatWeWrite()
{
    test::Sandbox sandbox;
    const QString path = sandbox.Path(u"levy.mdb"_s);
    int64_t tables = 0;
    try {
        auto db = test::FreshLevy(sandbox);
        db->MainConnection()->Execute(u"INSERT INTO Classes (Class) VALUES ('1A'), ('2B')"_s);
        tables = Count(*db, u"SELECT count(*) FROM sqlite_master"_s);
        db->Close();
    } catch (const RuntimeError& e) {
        QFAIL(qPrintable(e.description));
    }
    QCOMPARE(Shell(path, u"PRAGMA integrity_check; SELECT count(*) FROM sqlite_master; "
                         u"SELECT group_concat(Class) FROM Classes;"_s),
             u"ok\n%1\n1A,2B"_s.arg(tables));
    // Compaction writes a new file through an attached database, which takes the
    // engine's own format unless told.
    QCOMPARE(DBEngine::Instance().CompactDatabaseInPlace(path, levyPasswordConnect), QString());
    QCOMPARE(Shell(path, u"PRAGMA integrity_check; SELECT group_concat(Class) FROM Classes;"_s), u"ok\n1A,2B"_s);
}

void TestFileFormat::weReadWhatTheyWrite()
{
    test::Sandbox sandbox;
    const QString path = sandbox.Path(u"theirs.mdb"_s);
    QCOMPARE(Shell(path, u"CREATE TABLE Receipts (No INTEGER, Payer TEXT); "
                         u"INSERT INTO Receipts VALUES (1, 'Mensah'), (2, 'Ołowska');"_s),
             QString());
    auto db = DBEngine::Instance().Workspaces(0).OpenDatabase(path, false, false, levyPasswordConnect);
    QCOMPARE(Count(*db, u"SELECT count(*) FROM Receipts WHERE Payer IN ('Mensah', 'Ołowska')"_s), 2);
    engine::Statement check(db->MainConnection(), u"PRAGMA integrity_check"_s);
    QVERIFY(check.Step());
    QCOMPARE(check.ColumnText(0), u"ok"_s);
}

QTEST_GUILESS_MAIN(TestFileFormat)
#include "test_file_format.moc"
