#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmDelver.h"
#include "frmSystem_CheckDate.h"
#include "workbench/SqlEditor.h"
#include "frmSystem_StartUp.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/InstanceLock.h"
#include "platform/SettingsStore.h"
#include "levy/SecurityEnforcement.h"
#include "widgets/StatusBar.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <functional>
#include <stdexcept>
#include <utility>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString product = u"Ashcombe Levy Management System Delver Utility"_s;

QStringList ReadLog(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// Answers the log-in that Log Off shows next, and its date question; `onLogIn` looks at
// the windows first.
void AnswerNextLogIn(const QString& name, const QString& password, const std::function<void()>& onLogIn = {},
                     bool* dateAsked = nullptr)
{
    test::WhenModal<frmSystem_LogIn>([=](frmSystem_LogIn* login) {
        if (onLogIn)
            onLogIn();
        login->txtUserName->setText(name);
        login->txtPassword->setText(password);
        login->cmdLogIn->click();
        test::WhenModal<frmSystem_CheckDate>([=](frmSystem_CheckDate* date) {
            if (dateAsked)
                *dateAsked = true;
            date->cmdYes->click();
        });
    });
}

void CheckSecurityViolation(const MessageRequest& box)
{
    QCOMPARE(box.text, u"You are not authorised to carry out delver operations."_s);
    QCOMPARE(box.title, u"Security Violation"_s);
    QCOMPARE(box.icon, Icon::Critical);
}
} // namespace

class TestDelverStartUp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, product); }
    void init()
    {
        sandbox_ = std::make_unique<test::Sandbox>();
        SetPrevInstanceForTests(false);
    }
    void cleanup()
    {
        LogOffUser();
        sandbox_.reset();
    }

    void startsWithLogInAndDateAboveTheSplash();
    void secondCopyIsRefusedWhileTheFirstRuns();
    void previousInstanceMessage();
    void anyOtherFailureEndsTheStartUp();
    void exclusivelyHeldDatabaseOffersRetry();
    void cancelInTheErrorBoxEndsTheProgram();
    void missingLocationEnds();
    void dateWindowShowsTheClock();
    void refusingTheDateEndsTheProgram_data();
    void refusingTheDateEndsTheProgram();
    void accountWithoutTheRightIsRefused();
    void logOffAndOnAgainAsAnotherUser();
    void accountWithoutTheRightIsRefusedAfterLogOff();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
};

void TestDelverStartUp::startsWithLogInAndDateAboveTheSplash()
{
    test::DelverDatabase(sandbox_->Folder());
    frmSystem_StartUp splash;
    QRect splashFrame, loginFrame, dateFrame;
    test::WhenModal<frmSystem_LogIn>([&](frmSystem_LogIn* login) {
        splashFrame = splash.frameGeometry();
        loginFrame = login->frameGeometry();
        QCOMPARE(login->txtUserName->text(), QString());
        login->txtUserName->setText(u"clerk"_s);
        login->txtPassword->setText(u"clerk"_s);
        login->cmdLogIn->click();
        test::WhenModal<frmSystem_CheckDate>([&](frmSystem_CheckDate* date) {
            dateFrame = date->frameGeometry();
            QCOMPARE(date->focusWidget(), date->cmdYes);
            date->cmdYes->click();
        });
    });
    splash.show();
    QTRY_VERIFY(!splash.isVisible());
    QCOMPARE(splash.result(), int(QDialog::Accepted));
    QCOMPARE(splash.lblDescription->text(), product);
    QCOMPARE(splash.Label1->text(), u"Loading......"_s);
    QCOMPARE(CurrentUserName, u"Clerk"_s);
    QVERIFY(levyDatabase && rsUsers && qryDirectSQL && rsCautionFeeAccountCredits);
    // Both windows stand on the splash's top edge, centred on it.
    QCOMPARE(loginFrame.bottom() + 1, splashFrame.top());
    QVERIFY(qAbs(loginFrame.center().x() - splashFrame.center().x()) <= 1);
    QCOMPARE(dateFrame.bottom() + 1, splashFrame.top());
    QVERIFY(qAbs(dateFrame.center().x() - splashFrame.center().x()) <= 1);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestDelverStartUp::secondCopyIsRefusedWhileTheFirstRuns()
{
    test::DelverDatabase(sandbox_->Folder());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"XDG_CONFIG_HOME"_s, sandbox_->Folder() + u"/config"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, sandbox_->Folder());
    const QString underTest = QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/delver_under_test");
    auto start = [&](QProcess& p, const QString& log, const QString& program) {
        QProcessEnvironment e = env;
        e.insert(u"LEVY_TEST_MESSAGE_LOG"_s, log);
        p.setProcessEnvironment(e);
        p.start(program, {});
        QVERIFY(p.waitForStarted());
    };
    QProcess first, second, installed;
    start(first, sandbox_->Path(u"first.log"_s), underTest);
    // The first copy waits at its log-in.
    QTest::qWait(1500);
    QCOMPARE(first.state(), QProcess::Running);
    start(second, sandbox_->Path(u"second.log"_s), underTest);
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(ReadLog(sandbox_->Path(u"second.log"_s)),
             QStringList({u"Levy System|1|Another copy of the "_s + product +
                          u" is already running. Please use that copy instead."_s}));
    // The installed program holds no test seam: told the same, it neither logs nor answers
    // its box, which waits for a person.
    start(installed, sandbox_->Path(u"installed.log"_s), QStringLiteral(LEVY_PROGRAM_DIR "/delver"));
    QVERIFY(!installed.waitForFinished(1500));
    QVERIFY(!QFile::exists(sandbox_->Path(u"installed.log"_s)));
    installed.kill();
    installed.waitForFinished();
    for (const char* program : {"/steward", "/delver"})
        QVERIFY(!test::FileBytes(QStringLiteral(LEVY_PROGRAM_DIR) + QLatin1String(program))
                     .contains("LEVY_TEST_MESSAGE_LOG"));
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(ReadLog(sandbox_->Path(u"first.log"_s)).isEmpty());
    first.kill();
    first.waitForFinished();
    // Once the first has gone, a new copy starts normally.
    QProcess third;
    start(third, sandbox_->Path(u"third.log"_s), underTest);
    QTest::qWait(1500);
    QCOMPARE(third.state(), QProcess::Running);
    QVERIFY(ReadLog(sandbox_->Path(u"third.log"_s)).isEmpty());
    third.kill();
    third.waitForFinished();
}

void TestDelverStartUp::previousInstanceMessage()
{
    test::DelverDatabase(sandbox_->Folder());
    SetPrevInstanceForTests(true);
    frmSystem_StartUp splash;
    splash.show();
    QTRY_VERIFY(EndProgramCalled());
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.title, u"Levy System"_s);
    QCOMPARE(box.icon, Icon::Critical);
    QVERIFY(!levyDatabase);
}

void TestDelverStartUp::anyOtherFailureEndsTheStartUp()
{
    // A failure that is not the engine's (here the first message box itself fails) must
    // not leave the frameless splash on screen with nothing to close it.
    test::DelverDatabase(sandbox_->Folder());
    SetPrevInstanceForTests(true);
    bool failed = false;
    MessageLog::SetOnShown([&](const MessageRequest&) {
        if (!std::exchange(failed, true))
            throw std::runtime_error("The display could not be reached.");
    });
    frmSystem_StartUp splash;
    splash.show();
    QTRY_VERIFY(EndProgramCalled());
    const MessageRequest box = MessageLog::Shown().last();
    QCOMPARE(box.text, u"The display could not be reached."_s);
    QCOMPARE(box.icon, Icon::Critical);
    QVERIFY(!levyDatabase);
}

void TestDelverStartUp::exclusivelyHeldDatabaseOffersRetry()
{
    const QString path = test::DelverDatabase(sandbox_->Folder());
    QProcess holder;
    holder.start(QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/db_holder"), {u"exclusive"_s, path});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("opened"));
    // While the error box is "open", the other program lets go; then Retry.
    MessageLog::QueueAnswer(Answer::Retry);
    MessageLog::SetOnShown([&](const MessageRequest&) {
        holder.closeWriteChannel();
        holder.waitForFinished();
    });
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    frmSystem_StartUp splash;
    splash.show();
    QTRY_VERIFY(!splash.isVisible());
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.title, u"Error"_s);
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(box.buttons, Buttons::RetryCancel);
    QVERIFY2(box.text.contains(u"held exclusively"_s), qPrintable(box.text));
    QVERIFY(!EndProgramCalled());
    QCOMPARE(CurrentUserName, u"Clerk"_s);
    QVERIFY(levyDatabase && levyDatabase->IsOpen());
}

void TestDelverStartUp::cancelInTheErrorBoxEndsTheProgram()
{
    const QString path = test::DelverDatabase(sandbox_->Folder());
    auto exclusive = test::OpenLevy(path, true);
    MessageLog::QueueAnswer(Answer::Cancel);
    frmSystem_StartUp splash;
    splash.show();
    QTRY_VERIFY(EndProgramCalled());
    QCOMPARE(test::OnlyMessage().title, u"Error"_s);
    QVERIFY(CurrentUserName.isEmpty());
}

void TestDelverStartUp::missingLocationEnds()
{
    frmSystem_StartUp splash;
    splash.show();
    QTRY_VERIFY(EndProgramCalled());
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"Registry entry corrupt. Please contact technical support"_s);
    QCOMPARE(box.title, u"Critical System Error"_s);
}

void TestDelverStartUp::dateWindowShowsTheClock()
{
    frmSystem_CheckDate date(nullptr);
    QCOMPARE(date.windowTitle(), u"Confirm Date & Time"_s);
    QCOMPARE(date.Label5->text(), u"Are the above Details correct?"_s);
    QCOMPARE(date.tmrTime->interval(), 50);
    QVERIFY(date.tmrTime->isActive());
    QCOMPARE(date.lblDate->text(), QString());
    date.tmrTime_Timer();
    const QDateTime now = QDateTime::currentDateTime();
    QCOMPARE(date.lblDate->text(), QLocale::system().toString(now.date(), u"dddd d MMMM yyyy"_s));
    QVERIFY(QRegularExpression(u"^\\d\\d:\\d\\d:\\d\\d hrs$"_s).match(date.lblTime->text()).hasMatch());
    // The clock runs while the window waits.
    date.show();
    const QString before = date.lblTime->text();
    QTRY_VERIFY_WITH_TIMEOUT(date.lblTime->text() != before, 2500);
    date.cmdYes->click();
    QVERIFY(date.DateConfirmed());
    QVERIFY(!date.tmrTime->isActive());
    QVERIFY(!EndProgramCalled());
}

void TestDelverStartUp::refusingTheDateEndsTheProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("No") << u"no"_s;
    QTest::newRow("Escape") << u"escape"_s;
    QTest::newRow("close box") << u"close"_s;
    QTest::newRow("Enter on No") << u"enter"_s;
}

void TestDelverStartUp::refusingTheDateEndsTheProgram()
{
    QFETCH(QString, how);
    frmSystem_CheckDate date(nullptr);
    date.show();
    QVERIFY(QTest::qWaitForWindowExposed(&date));
    if (how == u"no"_s)
        date.cmdNo->click();
    else if (how == u"escape"_s)
        QTest::keyClick(&date, Qt::Key_Escape);
    else if (how == u"enter"_s) {
        date.cmdNo->setFocus();
        QTest::keyClick(date.cmdNo, Qt::Key_Return);
    } else
        date.close();
    QVERIFY(EndProgramCalled());
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"Please correct the date and/or time using Windows"_s);
    QCOMPARE(box.icon, Icon::Critical);
    QCOMPARE(box.title, u"Delver"_s);
}

void TestDelverStartUp::accountWithoutTheRightIsRefused()
{
    test::DelverDatabase(sandbox_->Folder());
    test::AnswerStartUp(u"Trainee"_s, u"trainee"_s);
    frmDelver editor;
    editor.show();
    QTRY_VERIFY(EndProgramCalled());
    CheckSecurityViolation(test::OnlyMessage());
    QCOMPARE(editor.barBottomStatusBar->SessionText(), QString());
}

void TestDelverStartUp::logOffAndOnAgainAsAnotherUser()
{
    test::DelverDatabase(sandbox_->Folder());
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    frmDelver editor;
    editor.show();
    QTRY_COMPARE(editor.barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
    editor.txtSQL->setFocus();

    bool dateAskedAgain = false;
    const std::weak_ptr<Database> before = levyDatabase;
    AnswerNextLogIn(u"Bursar"_s, u"bursar"_s, [&] {
        // Closed before the start-up ran again, which opened it anew.
        QVERIFY(before.expired() || !before.lock()->IsOpen());
        QCOMPARE(editor.barBottomStatusBar->SessionText(), QString());
    }, &dateAskedAgain);
    MessageLog::QueueAnswer(Answer::Yes);
    editor.LogOff();
    QVERIFY(dateAskedAgain);
    QCOMPARE(MessageLog::Shown().first().text, u"Are you sure you want to log off?"_s);
    QCOMPARE(MessageLog::Shown().first().title, u"Log Off"_s);
    QCOMPARE(editor.barBottomStatusBar->SessionText(), u"Logged in as Bursar"_s);
    QVERIFY(levyDatabase && levyDatabase->IsOpen());
    QVERIFY(!EndProgramCalled());
}

void TestDelverStartUp::accountWithoutTheRightIsRefusedAfterLogOff()
{
    test::DelverDatabase(sandbox_->Folder());
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    frmDelver editor;
    editor.show();
    QTRY_COMPARE(editor.barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);

    AnswerNextLogIn(u"Trainee"_s, u"trainee"_s);
    MessageLog::QueueAnswer(Answer::Yes);
    editor.LogOff();
    QVERIFY(EndProgramCalled());
    CheckSecurityViolation(MessageLog::Shown().last());
    QCOMPARE(editor.barBottomStatusBar->SessionText(), QString());
}

QTEST_MAIN(TestDelverStartUp)
#include "test_delver_startup.moc"
