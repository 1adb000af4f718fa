// Whatever happens to the process that runs a clerk's statement, Delver stays, with the
// clerk's text, and the next statement runs.
#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/QueryValidation.h"
#include "frmDelver.h"
#include "workbench/SqlEditor.h"
#include "frmDelverResults.h"
#include "results/FlexGrid.h"
#include "results/ResultRows.h"
#include "widgets/StatusBar.h"
#include "history/QueryHistory.h"
#include "database/QueryWorker.h"
#include "database/ResultCache.h"
#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "platform/MessageBox.h"
#include "widgets/QtMessageBackend.h"

#include <QDir>
#include <QProcess>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/types.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestQueryWorker : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void aWorkerThatFailsLeavesDelverRunning_data();
    void aWorkerThatFailsLeavesDelverRunning();
    void cancelEndsAWorkerThatDoesNotStop();
    void killedAtRandomMoments();
    void aResultReadAgainGivesWhatItsRunGave();
    void endsWithTheProgramThatStartedIt_data();
    void endsWithTheProgramThatStartedIt();

private:
    void Start();
    pid_t WorkerProcess();
    // Runs a short statement through the real windows; the number of records shown.
    qint64 RunShortStatement();
    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<frmDelver> editor_;
    QByteArray oldDataHome_;
};

namespace {
// 27 million records: page 1 at once, the count for a long time.
const QString longStatement = u"SELECT a.Class FROM Classes AS a, Classes AS b, Classes AS c"_s;

bool Gone(pid_t pid) { return ::kill(pid, 0) != 0; }

// Ended, or ended and not yet reaped by whichever process took it over.
bool Ended(pid_t pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
}

QStringList ResultFiles() { return QDir(ResultCache::Folder()).entryList(QDir::Files | QDir::Hidden); }
} // namespace

void TestQueryWorker::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    oldDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox_->Path(u"data"_s)));
    test::DelverDatabase(sandbox_->Folder());
    frmDelver::showResults = frmDelverResults::Show;
    Start();
    auto& c = *levyDatabase->MainConnection();
    c.Execute(u"BEGIN"_s);
    for (int i = 0; i < 300; ++i)
        c.Execute(u"INSERT INTO Classes (Class) VALUES ('C%1')"_s.arg(i));
    c.Execute(u"COMMIT"_s);
    MessageLog::Clear();
}

void TestQueryWorker::Start()
{
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    editor_ = std::make_unique<frmDelver>();
    editor_->show();
    QTRY_COMPARE(editor_->barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
}

void TestQueryWorker::cleanup()
{
    editor_.reset();
    LogOffUser();
    CloseLevyDatabase();
    qputenv("XDG_DATA_HOME", oldDataHome_);
    sandbox_.reset();
}

pid_t TestQueryWorker::WorkerProcess()
{
    levyDatabase->StatementSource();
    return levyDatabase->CurrentQueryWorker()->ProcessId();
}

qint64 TestQueryWorker::RunShortStatement()
{
    return test::RunAndCloseOnceCounted(*editor_, u"SELECT [User Name] FROM Users"_s)
               ? editor_->History()->Entries().value(0).records
               : -1;
}

void TestQueryWorker::aWorkerThatFailsLeavesDelverRunning_data()
{
    QTest::addColumn<bool>("whileChecked");
    QTest::newRow("while the statement is checked") << true;
    QTest::newRow("while the result is read") << false;
}

void TestQueryWorker::aWorkerThatFailsLeavesDelverRunning()
{
    QFETCH(bool, whileChecked);
    const pid_t worker = WorkerProcess();
    // A memory fault of the engine, as a faulty statement would cause it.
    auto fault = [worker] {
        ::kill(worker, SIGSEGV);
        ::kill(worker, SIGCONT);
    };
    if (whileChecked) {
        // Held still, so that the fault comes while the editor waits for the check.
        ::kill(worker, SIGSTOP);
        QTimer::singleShot(300, fault);
    } else {
        test::WhenModal<frmDelverResults>([&](frmDelverResults* results) {
            auto* poll = new QTimer(results);
            QObject::connect(poll, &QTimer::timeout, results, [results, poll, fault] {
                if (results->Counting()) {
                    poll->stop();
                    fault();
                }
            });
            poll->start(10);
        });
    }
    editor_->txtSQL->SetText(longStatement);
    editor_->ExecuteQuery();

    const MessageRequest shown = test::OnlyMessage();
    QCOMPARE(shown.icon, Icon::Exclamation);
    QCOMPARE(shown.title, whileChecked ? u"Compiling Error"_s : QString());
    // (Under the address sanitizer the fault ends the worker with its own abort.)
    QVERIFY2(shown.text.startsWith(u"The query stopped the query engine: the engine failed (signal "_s), qPrintable(shown.text));
    QVERIFY(shown.text.endsWith(u". Your statement is kept."_s));
    QVERIFY(Gone(worker));
    QCOMPARE(editor_->txtSQL->Text(), longStatement);
    const HistoryEntry last = editor_->History()->Entries().value(0);
    QCOMPARE(last.statement, longStatement);
    QCOMPARE(last.error, shown.text);
    MessageLog::Clear();

    // A new worker runs the next statement.
    QCOMPARE(RunShortStatement(), 3);
    QVERIFY(WorkerProcess() != worker);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestQueryWorker::cancelEndsAWorkerThatDoesNotStop()
{
    // Deaf to the engine's interruption, as in one long call of its own.
    const pid_t worker = WorkerProcess();
    ::kill(worker, SIGSTOP);
    auto cancelled = test::WhenModal(u"QProgressDialog"_s, [](QWidget* progress) {
        QCOMPARE(progress->findChild<QLabel*>()->text(), u"Checking the statement..."_s);
        progress->findChild<QPushButton*>()->click();
    }, 10000);
    editor_->txtSQL->SetText(longStatement);
    editor_->ExecuteQuery();
    QVERIFY(*cancelled);
    QVERIFY(Gone(worker));
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(editor_->History()->Entries().value(0).error, u"The check of the statement was stopped."_s);
    QCOMPARE(RunShortStatement(), 3);
}

void TestQueryWorker::killedAtRandomMoments()
{
    // The kill moments' seed: LEVY_FAULT_SEED, as for the fault campaign, or a fixed one.
    const quint32 seed = test::CampaignSeed("LEVY_FAULT_SEED", 20261207);
    const auto tell = qScopeGuard([seed] { test::TellHowToRepeat("LEVY_FAULT_SEED", seed); });
    QRandomGenerator random(seed);
    // Eight rounds, a few seconds, whether the campaigns run whole or not; the fault
    // campaign (scripts/faults.sh) asks for many.
    const int rounds = std::max(8, qEnvironmentVariableIntValue("LEVY_FAULT_ROUNDS"));
    qInfo("%d rounds, kill moments from seed %u (LEVY_FAULT_SEED)", rounds, seed);
    for (int round = 0; round < rounds; ++round) {
        // A change by another program: the next statement takes a new copy and a new worker.
        levyDatabase->MainConnection()->Execute(u"INSERT INTO Classes (Class) VALUES ('R%1')"_s.arg(round));
        const int after = int(random.bounded(400));
        qInfo("worker killed %d ms after the run started", after);
        QTimer::singleShot(after, [] {
            if (auto worker = levyDatabase->CurrentQueryWorker(); worker && worker->ProcessId() > 0)
                ::kill(worker->ProcessId(), SIGKILL);
        });
        test::WhenModal<frmDelverResults>([](frmDelverResults* results) {
            QTimer::singleShot(600, results, [results] { results->close(); });
        });
        editor_->txtSQL->SetText(longStatement);
        editor_->ExecuteQuery();
        for (const MessageRequest& m : MessageLog::Shown())
            QVERIFY2(m.text.contains(u"The query stopped the query engine: "_s), qPrintable(m.text));
        MessageLog::Clear();
        QCOMPARE(editor_->txtSQL->Text(), longStatement);
        QCOMPARE(RunShortStatement(), 3);
    }
    // Closing the database (as Log Off does) ends the worker, though a result still holds
    // it, and nothing is left in the result folder.
    const pid_t last = WorkerProcess();
    editor_.reset();
    CloseLevyDatabase();
    QVERIFY(Ended(last));
    rsDirectQuery.reset();
    QCOMPARE(ResultFiles(), QStringList());
}

// A count stopped, another statement run on the same worker, the count taken up again:
// the rows read again give the time and the random numbers of the statement's run.
void TestQueryWorker::aResultReadAgainGivesWhatItsRunGave()
{
    QVERIFY(ValidateQuery(u"SELECT Rnd() AS r, Now() AS n FROM Classes AS a, Classes AS b"_s));
    auto window = std::make_unique<frmDelverResults>(nullptr);
    window->show();
    QTRY_VERIFY(window->Counting());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTRY_VERIFY(!window->Counting());
    levyDatabase->OpenRecordset(u"SELECT Rnd() FROM Classes"_s)->MoveLast();
    QTest::qWait(1100);
    QTest::keyClick(&*window->grdResults, Qt::Key_End, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!window->Counting() && !window->Reading(), 30000);
    QCOMPARE(window->Failure(), QString());

    ResultRows& rows = window->Rows();
    QCOMPARE(rows.RowCount(), int64_t(300) * 300);
    const QString now = rows.TextAt(0, 1);
    // Each number follows from the one before as the dialect's sequence makes them.
    uint32_t seed = uint32_t(rows.At(0, 0).AsDouble() * 16777216.0);
    for (int64_t r = 1; r < rows.RowCount(); ++r) {
        const uint32_t next = uint32_t(rows.At(r, 0).AsDouble() * 16777216.0);
        QVERIFY2(next == ((seed * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFF), qPrintable(u"record %1"_s.arg(r)));
        QVERIFY2(rows.TextAt(r, 1) == now, qPrintable(u"record %1"_s.arg(r)));
        seed = next;
    }
}

void TestQueryWorker::endsWithTheProgramThatStartedIt_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("a crash") << int(SIGKILL);
    QTest::newRow("the end of the session") << int(SIGTERM);
}

// Whatever the worker is doing when Delver ends (here a sum over 27 million records in one
// step of the engine), it ends within a second.
void TestQueryWorker::endsWithTheProgramThatStartedIt()
{
    QFETCH(int, signal);
    QProcess host;
    host.start(QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/statement_host"),
               {levyDatabase->Name(), u"SELECT Sum(Len(a.Class & b.Class & c.Class)) FROM Classes AS a, Classes AS b, Classes AS c"_s});
    QVERIFY(host.waitForReadyRead(30000));
    const pid_t worker = pid_t(QString::fromLatin1(host.readLine()).section(u' ', 1).trimmed().toInt());
    QVERIFY(worker > 0);
    QTest::qWait(100);
    QVERIFY2(!Ended(worker), "the count ended before the test could end its program");
    ::kill(pid_t(host.processId()), signal);
    QVERIFY(host.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(Ended(worker), 1000);
}

QTEST_MAIN(TestQueryWorker)
#include "test_query_worker.moc"
