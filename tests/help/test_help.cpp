#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/SqlEditor.h"
#include "dialogs/frmSystem_ChangePassword.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmDelver.h"
#include "frmDelverResults.h"
#include "frmSteward.h"
#include "frmSteward_DBInitialisation.h"
#include "frmSteward_InstallSampleDB.h"
#include "frmSteward_UserAccounts.h"
#include "frmSteward_UserAccounts_AccessRights.h"
#include "frmSteward_UserAccounts_CreateNew.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "levy/DatabaseAccess.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"
#include "utilities/HelpFile.h"
#include "utilities/HelpRoutines.h"
#include "widgets/CommonDialog.h"
#include "widgets/Guard.h"
#include "widgets/HelpViewer.h"
#include "widgets/Placement.h"
#include "widgets/StatusBar.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
struct RecordingHelp : HelpDialog {
    int shown = 0;
    void ShowHelp() override { ++shown; }
};

// The world of a test that runs the programs' windows: its own settings with an
// administrator's password ("Head1") and the help file of the build; left as found.
struct ProgramWorld {
    test::Sandbox sandbox;
    ProgramWorld()
    {
        AppInfo::SetPathForTests(QStringLiteral(LEVY_PROGRAM_DIR));
        SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(u"Head1"_s));
    }
    ~ProgramWorld()
    {
        HelpViewer::Instance().hide();
        SetHelpDialog(nullptr);
        AppInfo::SetPathForTests({});
        LogOffUser();
    }
};

// F1 as the user presses it: in the window that has the focus.
void PressF1(QWidget* window)
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_F1);
}

// The topic F1 brought up (-1 when the viewer did not open); the viewer is closed again.
int TopicAfterF1(QWidget* window)
{
    HelpViewer& viewer = HelpViewer::Instance();
    viewer.hide();
    PressF1(window);
    // On a loaded machine the window system may hand activation back to the window only
    // after the viewer's hiding has been dealt with, and the first key reaches no window.
    if (!viewer.isVisible()) {
        QTest::qWait(200);
        PressF1(window);
    }
    const int topic = viewer.isVisible() ? viewer.CurrentContext() : -1;
    viewer.hide();
    return topic;
}

// A click that comes through the window system, as the user's own does: a window that a
// modal dialog blocks never sees it.
void ClickThroughTheWindow(QWidget* widget)
{
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, widget->mapTo(top, widget->rect().center()));
}
} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void helpFileFollowsTheProgramFolder();
    void showHelpTopicSetsTheDialog();
    void everyContextHasATopic_data();
    void everyContextHasATopic();
    void viewerShowsTheTopicWithoutBlocking();
    void missingHelpFileIsReportedByTheViewer();
    void f1OpensTheTopicOfEveryWindow();
    void viewerIsUsableBesideAModalDialog_data();
    void viewerIsUsableBesideAModalDialog();
    void exitEndsStewardWhileHelpIsOpen();
};

void TestHelp::helpFileFollowsTheProgramFolder()
{
    AppInfo::SetPathForTests(u"/opt/levy"_s);
    QCOMPARE(HelpFilePath(), u"/opt/levy/levy system.hlp"_s);
    AppInfo::SetPathForTests({});
}

void TestHelp::showHelpTopicSetsTheDialog()
{
    RecordingHelp help;
    SetHelpDialog(&help);
    AppInfo::SetPathForTests(u"/opt/levy"_s);
    ShowHelpTopic(340);
    QCOMPARE(help.shown, 1);
    QCOMPARE(help.HelpFile, u"/opt/levy/levy system.hlp"_s);
    QCOMPARE(help.HelpCommand, 1);
    QCOMPARE(help.HelpContext, 340);
    AppInfo::SetPathForTests({});
    SetHelpDialog(nullptr);
}

void TestHelp::everyContextHasATopic_data()
{
    QTest::addColumn<int>("context");
    for (int c : {130, 200, 230, 240, 300, 310, 320, 340, 720, 730})
        QTest::newRow(qPrintable(QString::number(c))) << c;
}

void TestHelp::everyContextHasATopic()
{
    QFETCH(int, context);
    QString title;
    const QString html = HelpTopicHtml(QStringLiteral(LEVY_PROGRAM_DIR "/levy system.hlp"), context, &title);
    QVERIFY(!title.contains(u"not found"_s));
    QVERIFY(html.startsWith(u"<h1><a name=\"%1\"></a>"_s.arg(context)));
    QVERIFY2(html.size() > 400, qPrintable(title));
    QVERIFY(!html.mid(4).contains(u"<h1>"_s));
}

void TestHelp::viewerShowsTheTopicWithoutBlocking()
{
    AppInfo::SetPathForTests(QStringLiteral(LEVY_PROGRAM_DIR));
    QWidget owner;
    CommonDialog dialog(&owner, u"dlgAdmin"_s);
    SetHelpDialog(&dialog);
    ShowHelpTopic(720);
    HelpViewer& viewer = HelpViewer::Instance();
    QVERIFY(viewer.isVisible());
    QVERIFY(!viewer.isModal());
    QCOMPARE(viewer.CurrentContext(), 720);
    QVERIFY(!viewer.CurrentText().isEmpty());
    SetHelpDialog(nullptr);
    AppInfo::SetPathForTests({});
    viewer.hide();
}

void TestHelp::missingHelpFileIsReportedByTheViewer()
{
    HelpViewer& viewer = HelpViewer::Instance();
    viewer.ShowTopic(u"/nonexistent/levy system.hlp"_s, 130);
    QVERIFY(viewer.CurrentText().contains(u"could not be opened"_s));
    viewer.hide();
}

void TestHelp::f1OpensTheTopicOfEveryWindow()
{
    ProgramWorld world;
    test::DelverDatabase(world.sandbox.Folder());
    QList<int> topics;

    // Steward, from its log-in through every window of its menu.
    {
        frmSteward console;
        test::WhenModal<frmSystem_LogIn>([&](frmSystem_LogIn* login) {
            topics.append(TopicAfterF1(login));
            login->txtPassword->setText(u"Head1"_s);
            login->cmdLogIn->click();
        });
        console.show();
        QTRY_COMPARE(console.barBottomStatusBar->SessionText(), u"Logged in as Admin"_s);
        topics.append(TopicAfterF1(&console));
        test::WhenModal<frmSystem_ChangePassword>([&](frmSystem_ChangePassword* dialog) {
            topics.append(TopicAfterF1(dialog));
            dialog->cmdCancel->click();
        });
        console.mnuAdmin_ChangeAdminPassword->trigger();
        test::WhenModal<frmSteward_DBInitialisation>([&](frmSteward_DBInitialisation* dialog) {
            topics.append(TopicAfterF1(dialog));
            dialog->cmdCancel->click();
        });
        console.mnuAdmin_InstallBlankDatabase->trigger();
        test::WhenModal<frmSteward_InstallSampleDB>([&](frmSteward_InstallSampleDB* dialog) {
            topics.append(TopicAfterF1(dialog));
            dialog->cmdCancel->click();
        });
        console.mnuAdmin_InstallSampleDatabase->trigger();
        test::WhenModal<frmSteward_UserAccounts>([&](frmSteward_UserAccounts* list) {
            topics.append(TopicAfterF1(list));
            test::WhenModal<frmSteward_UserAccounts_CreateNew>([&](frmSteward_UserAccounts_CreateNew* dialog) {
                topics.append(TopicAfterF1(dialog));
                dialog->cmdCancel->click();
            });
            list->mnuTools_CreateNewAccount->trigger();
            list->lstUsers->setCurrentRow(0);
            test::WhenModal<frmSteward_UserAccounts_AccessRights>([&](frmSteward_UserAccounts_AccessRights* editor) {
                topics.append(TopicAfterF1(editor));
                editor->cmdCancel->click();
            });
            list->mnuTools_ChangeUserRights->trigger();
            list->mnuTools_Close->trigger();
        });
        console.mnuAdmin_ManageUserAccounts->trigger();
    }
    QVERIFY(!levyDatabase);

    // Delver's editor and its results window.
    {
        test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
        frmDelver editor;
        editor.show();
        QTRY_COMPARE(editor.barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
        topics.append(TopicAfterF1(&editor));
        editor.txtSQL->SetText(u"SELECT [User Name] FROM Users"_s);
        // F1 once the first page is in: the window reads it in an event loop of its own,
        // which must not be held up here.
        std::function<void(frmDelverResults*)> whenRead = [&](frmDelverResults* results) {
            if (!results->cmdClose->isEnabled())
                return QTimer::singleShot(20, results, [&, results] { whenRead(results); });
            topics.append(TopicAfterF1(results));
            results->close();
        };
        test::WhenModal<frmDelverResults>([&](frmDelverResults* results) { whenRead(results); });
        editor.mnuTools_ExecuteQuery->trigger();
    }
    QCOMPARE(topics, QList<int>({130, 200, 340, 240, 230, 300, 310, 320, 720, 730}));
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestHelp::viewerIsUsableBesideAModalDialog_data()
{
    // Steward's log-in is owned by its console; Delver's stands, owner-less, on its splash.
    QTest::addColumn<bool>("owned");
    QTest::newRow("owned by the main window") << true;
    QTest::newRow("owner-less, above the splash") << false;
}

void TestHelp::viewerIsUsableBesideAModalDialog()
{
    QFETCH(bool, owned);
    ProgramWorld world;
    QWidget console;
    auto* menuButton = new QPushButton(u"Menu"_s, &console);
    int menuPressed = 0;
    connect(menuButton, &QPushButton::clicked, [&] { ++menuPressed; });
    (new QVBoxLayout(&console))->addWidget(menuButton);
    // Low enough that a dialog above it is still on the screen.
    console.setGeometry(100, 200, 700, 500);
    console.show();
    QVERIFY(QTest::qWaitForWindowExposed(&console));
    CommonDialog dlgAdmin(&console, u"dlgAdmin"_s);
    SetHelpDialog(&dlgAdmin);
    HelpViewer& viewer = HelpViewer::Instance();
    QToolBar* tools = viewer.findChild<QToolBar*>();
    QVERIFY(tools);

    frmSystem_LogIn login(owned ? &console : nullptr);
    login.txtUserName->setText(u"Admin"_s);
    if (owned)
        CentreOverWhenShown(&login, &console);
    else
        PlaceAboveWhenShown(&login, &console);
    QPoint moved;
    QStringList seen;
    auto done = test::WhenModal<frmSystem_LogIn>([&](frmSystem_LogIn* dialog) {
        QVERIFY(qAbs(dialog->frameGeometry().center().x() - console.frameGeometry().center().x()) <= 1);
        if (!owned)
            QCOMPARE(dialog->frameGeometry().bottom() + 1, console.frameGeometry().top());
        QTRY_VERIFY(dialog->isActiveWindow());
        moved = dialog->pos() + QPoint(60, 40);
        dialog->move(moved);
        // Help that was open before the dialog came stays usable too.
        ClickThroughTheWindow(tools->widgetForAction(viewer.actContents));
        QCOMPARE(viewer.CurrentContext(), 0);

        PressF1(dialog);
        QVERIFY(viewer.isVisible());
        QCOMPARE(viewer.CurrentContext(), 130);
        viewer.resize(420, 220);
        QTRY_VERIFY(viewer.isActiveWindow());
        // Scrolled, followed by keyboard, and back and to the contents by mouse.
        QTest::keyClick(viewer.windowHandle(), Qt::Key_PageDown);
        QTRY_VERIFY(viewer.browser->verticalScrollBar()->value() > 0);
        QTest::keyClick(viewer.windowHandle(), Qt::Key_Tab);
        QTest::keyClick(viewer.windowHandle(), Qt::Key_Return);
        seen.append(QString::number(viewer.CurrentContext()) + u' ' + viewer.windowTitle());
        ClickThroughTheWindow(tools->widgetForAction(viewer.actBack));
        seen.append(QString::number(viewer.CurrentContext()) + u' ' + viewer.windowTitle());
        ClickThroughTheWindow(tools->widgetForAction(viewer.actContents));
        seen.append(QString::number(viewer.CurrentContext()) + u' ' + viewer.windowTitle());
        QVERIFY(viewer.CurrentText().contains(u"The results window"_s));
        ClickThroughTheWindow(tools->widgetForAction(viewer.actBack));
        seen.append(QString::number(viewer.CurrentContext()));
        // The program's own window stays blocked meanwhile.
        ClickThroughTheWindow(menuButton);
        QCOMPARE(menuPressed, 0);
        QTest::keyClick(viewer.windowHandle(), Qt::Key_Escape);
        QVERIFY(!viewer.isVisible());
        QTest::keyClick(dialog->cmdHelp, Qt::Key_Space);
        QVERIFY(viewer.isVisible());
        QTRY_VERIFY(viewer.isActiveWindow());
        QTest::keyClick(viewer.windowHandle(), Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!viewer.isVisible());

        // Coming back from help, the dialog is where the user put it.
        dialog->activateWindow();
        QTRY_VERIFY(dialog->isActiveWindow());
        QCOMPARE(dialog->pos(), moved);
        dialog->txtPassword->setText(u"Head1"_s);
        dialog->cmdLogIn->click();
    });
    ShowHelpTopic(200);
    ShowModal(login);
    QVERIFY(*done);
    QCOMPARE(seen, QStringList({u"300 Levy Office Help - User accounts"_s, u"130 Levy Office Help - Logging in"_s,
                                u"0 Levy Office Help - Contents"_s, u"130"_s}));
    QCOMPARE(CurrentUserName, u"Admin"_s);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestHelp::exitEndsStewardWhileHelpIsOpen()
{
    ProgramWorld world;
    frmSteward console;
    test::WhenModal<frmSystem_LogIn>([](frmSystem_LogIn* login) {
        login->txtPassword->setText(u"Head1"_s);
        login->cmdLogIn->click();
    });
    console.show();
    QTRY_COMPARE(console.barBottomStatusBar->SessionText(), u"Logged in as Admin"_s);
    PressF1(&console);
    QVERIFY(HelpViewer::Instance().isVisible());
    // The program's own event loop, as main runs it: E&xit must end it.
    bool ended = true;
    QTimer::singleShot(0, &console, [&] { console.mnuAdmin_exit->trigger(); });
    QTimer::singleShot(5000, qApp, [&] {
        ended = false;
        QApplication::quit();
    });
    QApplication::exec();
    QVERIFY(ended);
}

QTEST_MAIN(TestHelp)
#include "test_help.moc"
