// A clerk's long statement must not keep the office's other programs from writing.
#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/QueryValidation.h"
#include "results/FlexGrid.h"
#include "results/ResultRows.h"
#include "frmDelverResults.h"
#include "database/DBEngine.h"
#include "database/Database.h"
#include "levy/DatabaseAccess.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestOfficeWritesMeanwhile : public QObject {
    Q_OBJECT
private slots:
    void aWriterWithAOneSecondTimeoutIsNotHeldUp();
    void aFileInWriteAheadModeIsCopiedWithItsLog();
    void eachRecordOnceWhileTheOfficeWrites();
    void takingACopyHoldsNoWriterUp();
};

namespace {
// Another program of the office: the reference shell, running `sql` with the levy key and
// a busy timeout of `timeoutMs`. What it printed (nothing, when all went well).
QString OfficeWrites(const QString& path, const QByteArray& sql, int timeoutMs = 1000)
{
    QProcess writer;
    writer.start(u"sqlcipher"_s, {u"-batch"_s, path});
    writer.write("PRAGMA key = '47193605';\n.timeout " + QByteArray::number(timeoutMs) + "\n" + sql + "\n");
    writer.closeWriteChannel();
    if (!writer.waitForFinished(60000))
        return u"the writer did not finish"_s;
    return QString::fromUtf8(writer.readAllStandardOutput() + writer.readAllStandardError()).trimmed() +
           (writer.exitCode() == 0 ? QString() : u" (exit code %1)"_s.arg(writer.exitCode()));
}
} // namespace

void TestOfficeWritesMeanwhile::aWriterWithAOneSecondTimeoutIsNotHeldUp()
{
    test::Sandbox sandbox;
    const QString path = test::DelverDatabase(sandbox.Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    auto& c = *levyDatabase->MainConnection();
    c.Execute(u"BEGIN"_s);
    for (int i = 0; i < 300; ++i)
        c.Execute(u"INSERT INTO Classes (Class) VALUES ('C%1')"_s.arg(i));
    c.Execute(u"COMMIT"_s);

    // 27 million records: page 1 shows at once, the count runs on for many seconds.
    QVERIFY(ValidateQuery(u"SELECT a.Class FROM Classes AS a, Classes AS b, Classes AS c"_s));
    auto window = std::make_unique<frmDelverResults>(nullptr);
    window->show();
    QTest::qWait(50);
    QVERIFY(window->Counting());

    // Another program of the office saves a record, as it would with a one-second wait.
    QProcess writer;
    writer.start(u"sqlcipher"_s, {u"-batch"_s, path});
    writer.write("PRAGMA key = '47193605';\n.timeout 1000\nINSERT INTO Classes (Class) VALUES ('NEW');\n");
    writer.closeWriteChannel();
    QVERIFY(writer.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(writer.readAllStandardOutput() + writer.readAllStandardError()).trimmed(), QString());
    QCOMPARE(writer.exitCode(), 0);
    QVERIFY2(window->Counting(), "the statement ended before the writer came");
    window->close();
    window.reset();

    // The next statement sees the other program's record.
    QVERIFY(ValidateQuery(u"SELECT Class FROM Classes WHERE Class = 'NEW'"_s));
    window = std::make_unique<frmDelverResults>(nullptr);
    window->show();
    QTest::qWait(50);
    QDeadlineTimer deadline(20000);
    while (window->Counting() && !deadline.hasExpired())
        QTest::qWait(5);
    QCOMPARE(window->Rows().RowCount(), int64_t(1));
    window.reset();
    CloseLevyDatabase();
}

// Its committed records may still be in the log beside it, which a copy of the file alone
// would not hold.
void TestOfficeWritesMeanwhile::aFileInWriteAheadModeIsCopiedWithItsLog()
{
    test::Sandbox sandbox;
    const QString path = test::DelverDatabase(sandbox.Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    levyDatabase->MainConnection()->Execute(u"PRAGMA journal_mode = WAL"_s);
    auto other = DBEngine::Instance().Workspaces(0).OpenDatabase(path, false, false, levyPasswordConnect);
    other->MainConnection()->Execute(u"INSERT INTO Classes (Class) VALUES ('LOGGED')"_s);
    QVERIFY(QFileInfo(path + u"-wal"_s).size() > 0);
    QVERIFY(ValidateQuery(u"SELECT Class FROM Classes WHERE Class = 'LOGGED'"_s));
    auto window = std::make_unique<frmDelverResults>(nullptr);
    window->show();
    QTest::qWait(50);
    QTRY_VERIFY(!window->Counting());
    QCOMPARE(window->Rows().RowCount(), int64_t(1));
    window.reset();
    other->Close();
    CloseLevyDatabase();
}

// A count stopped and taken up again after the office has written, on a file in
// write-ahead mode: every record once, as one read of the data before the write gives them.
void TestOfficeWritesMeanwhile::eachRecordOnceWhileTheOfficeWrites()
{
    test::Sandbox sandbox;
    const QString path = test::DelverDatabase(sandbox.Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    auto& c = *levyDatabase->MainConnection();
    c.Execute(u"PRAGMA journal_mode = WAL"_s);
    c.Execute(u"DELETE FROM Classes"_s);
    c.Execute(u"BEGIN"_s);
    constexpr int classes = 40;
    for (int i = 0; i < classes; ++i)
        c.Execute(u"INSERT INTO Classes (Class) VALUES ('C%1')"_s.arg(i, 2, 10, QChar(u'0')));
    c.Execute(u"COMMIT"_s);

    QVERIFY(ValidateQuery(u"SELECT a.Class AS x, b.Class AS y, c.Class AS z FROM Classes AS a, Classes AS b, "
                          u"Classes AS c ORDER BY 1, 2, 3"_s));
    auto window = std::make_unique<frmDelverResults>(nullptr);
    window->show();
    QTRY_VERIFY(window->Counting());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTRY_VERIFY(!window->Counting());
    // Another statement on the same worker meanwhile: the stopped one is read again later.
    levyDatabase->OpenRecordset(u"SELECT Class FROM Classes"_s)->MoveLast();
    // Rows the office adds sort among those already read.
    QCOMPARE(OfficeWrites(path, "INSERT INTO Classes (Class) VALUES ('C00a');\n"
                                "INSERT INTO Classes (Class) VALUES ('C10a');\n"
                                "INSERT INTO Classes (Class) VALUES ('C39a');"),
             QString());
    QTest::keyClick(&*window->grdResults, Qt::Key_End, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!window->Counting() && !window->Reading(), 30000);
    QCOMPARE(window->Failure(), QString());

    ResultRows& rows = window->Rows();
    QCOMPARE(rows.RowCount(), int64_t(classes) * classes * classes);
    QString previous;
    for (int64_t r = 0; r < rows.RowCount(); ++r) {
        const QString row = rows.At(r, 0).AsText() + u'|' + rows.At(r, 1).AsText() + u'|' + rows.At(r, 2).AsText();
        // In order and strictly increasing: no record twice, and none of the new ones.
        QVERIFY2(row > previous && !row.contains(u'a'), qPrintable(u"record %1: %2 after %3"_s.arg(r).arg(row, previous)));
        previous = row;
    }
    window.reset();
    CloseLevyDatabase();
}

// A copy of a large file is taken a step at a time: a writer with a one-second busy
// timeout gets in between the steps, however long the whole copy takes (here a slow disk
// that takes 0.08 s for each step of 8 MB).
void TestOfficeWritesMeanwhile::takingACopyHoldsNoWriterUp()
{
    test::Sandbox sandbox;
    const QString path = test::DelverDatabase(sandbox.Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    auto& c = *levyDatabase->MainConnection();
    c.Execute(u"CREATE TABLE Filler (b BLOB)"_s);
    c.Execute(u"INSERT INTO Filler VALUES (zeroblob(1048576))"_s);
    for (int i = 0; i < 7; ++i)
        c.Execute(u"INSERT INTO Filler SELECT b FROM Filler"_s);  // 128 MB
    QVERIFY(QFileInfo(path).size() > 100 * 1024 * 1024);

    // Each statement after a change copies the file again.
    qputenv("LEVY_SLOW_COPY_STEP_MS", "80");
    QProcess writer;
    writer.start(u"sqlcipher"_s, {u"-batch"_s, path});
    writer.write("PRAGMA key = '47193605';\n.timeout 1000\n");
    int copies = 0;
    for (int i = 0; i < 3 && writer.state() != QProcess::NotRunning; ++i) {
        writer.write("INSERT INTO Classes (Class) VALUES ('W" + QByteArray::number(i) + "');\n");
        writer.waitForBytesWritten(1000);
        levyDatabase->StatementSource();
        ++copies;
    }
    writer.closeWriteChannel();
    QVERIFY(writer.waitForFinished(60000));
    qunsetenv("LEVY_SLOW_COPY_STEP_MS");
    QCOMPARE(QString::fromUtf8(writer.readAllStandardOutput() + writer.readAllStandardError()).trimmed(), QString());
    QCOMPARE(writer.exitCode(), 0);
    qInfo("%d copies of a %lld MB file taken while the office wrote", copies, QFileInfo(path).size() >> 20);
    CloseLevyDatabase();
}

QTEST_MAIN(TestOfficeWritesMeanwhile)
#include "test_office_writes_meanwhile.moc"
