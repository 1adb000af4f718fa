// A clerk's long statement must not keep the office's other programs from writing.
#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/QueryValidation.h"
#include "results/ResultRows.h"
#include "frmDelverResults.h"
#include "database/DBEngine.h"
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
    void aFileInWriteAheadModeIsReadInPlace();
};

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
void TestOfficeWritesMeanwhile::aFileInWriteAheadModeIsReadInPlace()
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

QTEST_MAIN(TestOfficeWritesMeanwhile)
#include "test_office_writes_meanwhile.moc"
