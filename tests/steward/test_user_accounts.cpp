#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "frmSteward.h"
#include "frmSteward_UserAccounts.h"
#include "frmSteward_UserAccounts_AccessRights.h"
#include "frmSteward_UserAccounts_CreateNew.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QScrollArea>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
struct RecordingHelp : HelpDialog {
    QList<int> topics;
    void ShowHelp() override { topics.append(HelpContext); }
};

// Every box shown, as "title|icon|text".
QStringList Described()
{
    static const QStringList icons = {u"none"_s, u"critical"_s, u"question"_s, u"warning"_s, u"information"_s};
    QStringList all;
    for (const MessageRequest& m : MessageLog::Shown())
        all.append(m.title + u'|' + icons[int(m.icon)] + u'|' + m.text);
    return all;
}

QStringList ReadLog(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts) : QStringList();
}

// A stored row; every test account's password is its name in lower case.
QString Row(const QString& name, const QString& rights)
{
    return name + u'|' + EncryptText(name.toLower()) + u'|' + rights;
}

const QString zeros30(30, u'0');
// The rights of the account beside the edited one.
const QString alRights = u"0101010101010101010101011"_s;
} // namespace

class TestUserAccounts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s); }
    void init()
    {
        sandbox_ = std::make_unique<test::Sandbox>();
        path_ = sandbox_->Path(u"levy.mdb"_s);
        SetHelpDialog(&help_);
        help_.topics.clear();
    }
    void cleanup()
    {
        window_.reset();
        SetHelpDialog(nullptr);
        LogOffUser();
        sandbox_.reset();
    }

    void windowAndMenu();
    void create_data();
    void create();
    void createDialogControls();
    void deleteAndRefresh_data();
    void deleteAndRefresh();
    void onlyTheSelectionLooksSelected();
    void keysActOnTheChosenAccount();
    void rights_data();
    void rights();
    void rightsEditorLayout();
    void accountMissingInTheEditor_data();
    void accountMissingInTheEditor();
    void failingSaveKeepsTheStoredText();
    void newAccountReachesDelverOnlyWithTheRight_data();
    void newAccountReachesDelverOnlyWithTheRight();
    void opening_data();
    void opening();
    void realDelverIsKeptOutWhileTheWindowIsOpen();

private:
    // A levy database with these accounts (name, rights), made the system's.
    void Accounts(const QList<QPair<QString, QString>>& accounts)
    {
        test::MakeBlankDatabase(path_);
        auto db = test::OpenLevy(path_);
        auto users = db->OpenRecordset(u"Users"_s, dbOpenTable);
        for (const auto& [name, rights] : accounts) {
            users->AddNew();
            users->SetFieldValue(u"User Name"_s, name);
            users->SetFieldValue(u"User Password"_s, EncryptText(name.toLower()));
            users->SetFieldValue(u"User Rights"_s, rights);
            users->Update();
        }
        db->Close();
        SaveSetting(settingsApplication, settingsSection, settingsDBPath, path_);
    }
    void Open(const QString& select = {})
    {
        window_ = std::make_unique<frmSteward_UserAccounts>(nullptr);
        QVERIFY(window_->Loaded());
        window_->show();
        const auto found = window_->lstUsers->findItems(select, Qt::MatchExactly);
        if (!found.isEmpty())
            window_->lstUsers->setCurrentItem(found.first());
    }
    QStringList Listed() const
    {
        QStringList names;
        for (int i = 0; i < window_->lstUsers->count(); ++i)
            names.append(window_->lstUsers->item(i)->text());
        return names;
    }
    // Every Users row as "name|stored password|rights", read past the window.
    QStringList Stored() const
    {
        auto rs = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
        QStringList rows;
        for (; !rs->IsEOF(); rs->MoveNext())
            rows.append(rs->FieldValue(0).ToDisplayText() + u'|' + rs->FieldValue(1).ToDisplayText() + u'|' +
                        rs->FieldValue(2).ToDisplayText());
        return rows;
    }
    void Execute(const QString& sql) const { levyDatabase->MainConnection()->Execute(sql); }

    std::unique_ptr<test::Sandbox> sandbox_;
    QString path_;
    std::unique_ptr<frmSteward_UserAccounts> window_;
    RecordingHelp help_;
};

void TestUserAccounts::windowAndMenu()
{
    Accounts({});
    Open();
    QCOMPARE(window_->windowTitle(), u"User Accounts"_s);
    // The design size, which a smaller screen may shrink.
    QCOMPARE(window_->size(), QSize(366, 289 + window_->mnuBar->sizeHint().height()));
    QCOMPARE(window_->maximumSize(), window_->size());
    QCOMPARE(window_->lstUsers->toolTip(), u"List of users"_s);
    QCOMPARE(window_->mnuTools->title(), u"Tools"_s);
    QStringList items;
    for (QAction* a : window_->mnuTools->actions())
        items.append(a->objectName() + u'=' + (a->isSeparator() ? u"-"_s : a->text()));
    QCOMPARE(items, QStringList({u"mnuTools_CreateNewAccount=Create New Account"_s,
                                 u"mnuTools_ChangeUserRights=Change User Rights"_s,
                                 u"mnuTools_DeleteAccount=Delete Account"_s, u"mnuTools_Bar1=-"_s,
                                 u"mnuTools_Help=Help"_s, u"mnuTools_Bar2=-"_s, u"mnuTools_Close=Close"_s}));

    // The pop-up of a double click follows the selection each time it opens.
    auto enabledOnPopUp = [&] {
        QTest::mouseClick(window_->lstUsers->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
        QTest::mouseDClick(window_->lstUsers->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
        QStringList enabled;
        if (!QTest::qWaitFor([&] { return window_->mnuTools->isVisible(); }))
            return QStringList(u"no pop-up"_s);
        for (QAction* a : window_->mnuTools->actions())
            if (!a->isSeparator() && a->isEnabled())
                enabled.append(a->text());
        window_->mnuTools->hide();
        return enabled;
    };
    QCOMPARE(window_->lstUsers->count(), 0);
    QCOMPARE(enabledOnPopUp(), QStringList({u"Create New Account"_s, u"Help"_s, u"Close"_s}));
    Execute(u"INSERT INTO Users VALUES ('Mary', 'x', '0')"_s);
    window_->RefreshUserList();
    QCOMPARE(enabledOnPopUp().size(), 5);
    QCOMPARE(window_->SelectedName(), u"Mary"_s);

    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_->lstUsers, Qt::Key_F1);
    QCOMPARE(help_.topics, QList<int>({300}));
    QVERIFY(window_->isVisible());
    QTest::keyClick(window_->lstUsers, Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
    QVERIFY(!levyDatabase);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestUserAccounts::create_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("reentered");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");  // empty when the account is created
    const QString created = u"User account successfull created."_s, noName = u"Please enter a user name first."_s,
                  differ = u"Entered passwords are different. Please try again."_s,
                  taken = u"This user name is alredy in use"_s;
    QTest::newRow("surrounding spaces") << u"  Mary Ann  "_s << u"Pw 1!"_s << u"Pw 1!"_s << created << u""_s;
    QTest::newRow("admin is any name") << u"admin"_s << u"a"_s << u"a"_s << created << u""_s;
    QTest::newRow("only spaces") << u"    "_s << u"a"_s << u"a"_s << noName << u"txtUserName"_s;
    QTest::newRow("name first") << u""_s << u""_s << u""_s << noName << u"txtUserName"_s;
    QTest::newRow("no password") << u"Ann"_s << u""_s << u"a"_s << u"Please enter a password first."_s
                                 << u"txtPassword"_s;
    QTest::newRow("no re-entry") << u"Ann"_s << u"a"_s << u""_s
                                 << u"Please reenter the password in the space provided."_s << u"txtReEnterPassword"_s;
    QTest::newRow("differ in case") << u"Ann"_s << u"Secret"_s << u"secret"_s << differ << u"txtPassword"_s;
    QTest::newRow("mismatch before duplicate") << u"Bob"_s << u"a"_s << u"b"_s << differ << u"txtPassword"_s;
    QTest::newRow("duplicate") << u"Bob"_s << u"a"_s << u"a"_s << taken << u"txtUserName"_s;
    QTest::newRow("duplicate, other case") << u" bOB"_s << u"a"_s << u"a"_s << taken << u"txtUserName"_s;
    // The file's collation folds A-Z only; the dialog folds every letter.
    QTest::newRow("duplicate, other case beyond A-Z") << u"JOS\u00C9"_s << u"a"_s << u"a"_s << taken
                                                      << u"txtUserName"_s;
    QTest::newRow("unmatchable password")
        << u"Ann"_s << u"caf\u00E9"_s << u"caf\u00E9"_s
        << u"The password may only hold unaccented letters, digits, spaces and the punctuation marks of a standard "
           u"keyboard: any other character could never be matched at log-in."_s
        << u"txtPassword"_s;
}

void TestUserAccounts::create()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, reentered);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    Accounts({{u"Bob"_s, zeros30}, {u"Jos\u00E9"_s, zeros30}});
    Open();
    frmSteward_UserAccounts_CreateNew dialog(window_.get());
    dialog.show();
    dialog.txtUserName->setText(name);
    dialog.txtPassword->setText(password);
    dialog.txtReEnterPassword->setText(reentered);
    // Enter in the last box presses Create, the dialog's default button.
    QTest::keyClick(dialog.txtReEnterPassword, Qt::Key_Return);
    QCOMPARE(Described(), QStringList(u"Stewardry|"_s + (focus.isEmpty() ? u"information|"_s : u"warning|"_s) + message));
    QCOMPARE(dialog.txtUserName->text(), TrimSpaces(name));
    QCOMPARE(dialog.isVisible(), !focus.isEmpty());
    QStringList expected = {Row(u"Bob"_s, zeros30), Row(u"Jos\u00E9"_s, zeros30)};
    if (focus.isEmpty())
        expected.append(TrimSpaces(name) + u'|' + EncryptText(password) + u'|' + zeros30);
    QCOMPARE(Stored(), expected);
    if (focus.isEmpty())
        return;
    QCOMPARE(dialog.focusWidget()->objectName(), focus);
    // Refused passwords are emptied; other refusals keep what was typed.
    const bool passwordsRefused = message.startsWith(u"Entered"_s) || message.startsWith(u"The password"_s);
    QCOMPARE(dialog.txtPassword->text(), passwordsRefused ? QString() : password);
    QCOMPARE(dialog.txtReEnterPassword->text(), passwordsRefused ? QString() : reentered);
}

void TestUserAccounts::createDialogControls()
{
    Accounts({});
    Open();
    frmSteward_UserAccounts_CreateNew dialog(window_.get());
    QStringList order;
    for (QWidget* w = dialog.txtUserName; order.size() < 6; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            order.append(w->objectName());
    QCOMPARE(order, QStringList({u"txtUserName"_s, u"txtPassword"_s, u"txtReEnterPassword"_s, u"cmdCreate"_s,
                                 u"cmdHelp"_s, u"cmdCancel"_s}));
    QCOMPARE(dialog.txtPassword->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog.txtReEnterPassword->echoMode(), QLineEdit::Password);
    // Only characters of the code page, up to the limit.
    for (QLineEdit* box : {dialog.txtUserName, dialog.txtPassword, dialog.txtReEnterPassword}) {
        for (QChar c : u"a\u00E9\u4E2D\u20AC"_s) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
        }
        QCOMPARE(box->text(), u"a\u00E9\u20AC"_s);
        QTest::keyClicks(box, QString(40, u'x'));
        QCOMPARE(box->text().size(), 30);
    }
    dialog.show();
    dialog.cmdHelp->click();
    QCOMPARE(help_.topics, QList<int>({310}));
    QTest::keyClick(dialog.txtPassword, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(Stored().isEmpty());
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestUserAccounts::deleteAndRefresh_data()
{
    QTest::addColumn<QString>("meanwhile");  // done behind the list's back after Bob was selected
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("selected");
    const QString gone = u"DELETE FROM Users WHERE [User Name] = 'Bob'"_s;
    QTest::newRow("Yes") << u""_s << Answer::Yes << u"Stewardry|information|Account successfully deleted."_s
                         << QStringList({u"Alice"_s, u"Carol"_s}) << u""_s;
    QTest::newRow("No") << u""_s << Answer::No << u""_s << QStringList({u"Alice"_s, u"Bob"_s, u"Carol"_s}) << u"Bob"_s;
    QTest::newRow("gone meanwhile") << gone << Answer::Yes << u"System Error|critical|User Acount Not Found"_s
                                    << QStringList({u"Alice"_s, u"Carol"_s}) << u""_s;
    QTest::newRow("case changed meanwhile, No")
        << u"UPDATE Users SET [User Name] = 'BOB' WHERE [User Name] = 'Bob'"_s << Answer::No << u""_s
        << QStringList({u"Alice"_s, u"BOB"_s, u"Carol"_s}) << u""_s;
}

void TestUserAccounts::deleteAndRefresh()
{
    QFETCH(QString, meanwhile);
    QFETCH(Answer, answer);
    QFETCH(QString, outcome);
    QFETCH(QStringList, listed);
    QFETCH(QString, selected);
    Accounts({{u"Carol"_s, zeros30}, {u"Bob"_s, zeros30}, {u"Alice"_s, zeros30}});
    Open(u"Bob"_s);
    if (!meanwhile.isEmpty())
        Execute(meanwhile);
    MessageLog::QueueAnswer(answer);
    window_->mnuTools_DeleteAccount->trigger();
    QStringList expected = {u"Delete User Account|question|Are you sure you want to delete the account for Bob"_s};
    if (!outcome.isEmpty())
        expected.append(outcome);
    QCOMPARE(Described(), expected);
    QCOMPARE(MessageLog::Shown().first().buttons, Buttons::YesNo);
    QCOMPARE(MessageLog::Shown().first().defaultButton, DefaultButton::Second);
    QCOMPARE(Listed(), listed);
    QCOMPARE(window_->SelectedName(), selected);
    QCOMPARE(Stored().size(), listed.size());
}

// With nothing selected no entry may look current; the arrow keys select what they reach,
// and the commands act on that.
void TestUserAccounts::onlyTheSelectionLooksSelected()
{
    Accounts({{u"Carol"_s, zeros30}, {u"Bob"_s, zeros30}, {u"Alice"_s, zeros30}});
    Open();
    QListWidget* list = window_->lstUsers;
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    list->clearFocus();
    const QImage unmarked = list->viewport()->grab().toImage();
    auto looksUnmarked = [&] { return list->viewport()->grab().toImage() == unmarked; };
    // Whether the menu, opened now, offers the commands on a selected account.
    auto offered = [&] {
        window_->mnuTools->popup(window_->mapToGlobal(QPoint(10, 10)));
        const bool enabled = window_->mnuTools_DeleteAccount->isEnabled();
        window_->mnuTools->hide();
        return enabled;
    };
    auto deleteQuestion = [&] {
        if (!offered())
            return QStringList(u"not offered"_s);
        MessageLog::Clear();
        MessageLog::QueueAnswer(Answer::No);
        window_->mnuTools_DeleteAccount->trigger();
        return Described();
    };

    // Tab into the list (the style frames the current entry once keys move the focus),
    // and a click on it below its entries: still nothing marked.
    window_->setAttribute(Qt::WA_KeyboardFocusChange);
    list->setFocus(Qt::TabFocusReason);
    QVERIFY(list->hasFocus());
    QVERIFY(looksUnmarked());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, list->viewport()->height() - 5));
    QVERIFY(looksUnmarked());
    QCOMPARE(window_->SelectedName(), QString());

    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(window_->SelectedName(), u"Alice"_s);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(window_->SelectedName(), u"Bob"_s);
    QCOMPARE(deleteQuestion(),
             QStringList(u"Delete User Account|question|Are you sure you want to delete the account for Bob"_s));
    QCOMPARE(window_->SelectedName(), u"Bob"_s);

    // Taking the selection away leaves no frame behind, and the next key starts afresh.
    QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(window_->SelectedName(), QString());
    QVERIFY(looksUnmarked());
    QVERIFY(!offered());
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(window_->SelectedName(), u"Alice"_s);
    QCOMPARE(deleteQuestion(),
             QStringList(u"Delete User Account|question|Are you sure you want to delete the account for Alice"_s));
}

// From the keyboard alone: the arrows choose, Enter changes the rights, Delete deletes
// after its question, and the menu key offers the Tools menu.
void TestUserAccounts::keysActOnTheChosenAccount()
{
    Accounts({{u"Carol"_s, zeros30}, {u"Bob"_s, zeros30}, {u"Alice"_s, zeros30}});
    Open();
    QListWidget* list = window_->lstUsers;
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(Described(), QStringList());

    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QString edited;
    auto editorCame = test::WhenModal<frmSteward_UserAccounts_AccessRights>([&](frmSteward_UserAccounts_AccessRights* editor) {
        edited = editor->windowTitle();
        editor->cmdCancel->click();
    });
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(*editorCame);
    QCOMPARE(edited, u"User Access Rights: Bob"_s);

    MessageLog::QueueAnswer(Answer::Yes);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(Described(), QStringList({u"Delete User Account|question|Are you sure you want to delete the account for Bob"_s,
                                       u"Stewardry|information|Account successfully deleted."_s}));
    QCOMPARE(Listed(), QStringList({u"Alice"_s, u"Carol"_s}));

    QTest::keyClick(list, Qt::Key_Up);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), list->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(list, &menuKey);
    QTRY_VERIFY(window_->mnuTools->isVisible());
    QVERIFY(window_->mnuTools_ChangeUserRights->isEnabled());
    window_->mnuTools->hide();
}

void TestUserAccounts::rights_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<int>>("clicks");  // a negative position greys that box
    QTest::addColumn<QStringList>("commands");  // buttons pressed after the clicks; "tab N" shows tab N
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("saved");
    const QString ones25(25, u'1'), zeros25(25, u'0');
    const QList<int> none;
    QTest::newRow("new account") << zeros30 << none << QStringList() << u"save"_s << zeros25;
    QTest::newRow("cut to 25") << QString(30, u'1') << none << QStringList() << u"save"_s << ones25;
    QTest::newRow("x is clear") << u"x"_s + QString(24, u'1') << none << QStringList() << u"save"_s
                                << u'0' + QString(24, u'1');
    QTest::newRow("only right 1") << u"1"_s << none << QStringList() << u"save"_s << u'1' + QString(24, u'0');
    QTest::newRow("grant Delver") << zeros30 << QList<int>{25} << QStringList() << u"save"_s
                                  << QString(24, u'0') + u'1';
    QTest::newRow("greyed saves 0") << ones25 << QList<int>{-3} << QStringList() << u"save"_s
                                    << u"110"_s + QString(22, u'1');
    QTest::newRow("Cancel") << zeros30 << QList<int>{1, 25} << QStringList() << u"cancel"_s << zeros30;
    QTest::newRow("close box") << u"1"_s << QList<int>{1, 2} << QStringList() << u"close"_s << u"1"_s;
    QTest::newRow("Escape") << zeros30 << none << QStringList{u"cmdGrantAll"_s} << u"escape"_s << zeros30;
    QTest::newRow("grant the tab shown, Enter") << zeros30 << none << QStringList{u"cmdGrantTab"_s} << u"enter"_s
                                                << QString(23, u'0') + u"11"_s;
    QTest::newRow("clear another tab") << ones25 << none << QStringList{u"tab 1"_s, u"cmdClearTab"_s} << u"save"_s
                                       << u"11110000"_s + QString(17, u'1');
    QTest::newRow("grant all but a tab") << zeros30 << none << QStringList{u"cmdGrantAll"_s, u"cmdClearTab"_s}
                                         << u"save"_s << QString(23, u'1') + u"00"_s;
    QTest::newRow("clear all, then one") << ones25 << QList<int>{25} << QStringList{u"cmdClearAll"_s} << u"save"_s
                                         << zeros25;
    QTest::newRow("copied from another account") << ones25 << none << QStringList{u"copy Al"_s} << u"save"_s
                                                 << alRights;
}

void TestUserAccounts::rights()
{
    QFETCH(QString, stored);
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, commands);
    QFETCH(QString, action);
    QFETCH(QString, saved);
    Accounts({{u"Al"_s, alRights}, {u"Bob"_s, stored}});
    Open(u"Bob"_s);
    frmSteward_UserAccounts_AccessRights editor(window_.get());
    QVERIFY(editor.Loaded());
    editor.show();
    QCOMPARE(editor.windowTitle(), u"User Access Rights: Bob"_s);
    for (int k = 1; k <= rightsCount; ++k)
        QCOMPARE(editor.chkRights[k]->isChecked(), RightGranted(stored, k));
    for (int k : clicks)
        if (k > 0)
            editor.chkRights[k]->click();
        else
            editor.chkRights[-k]->setCheckState(Qt::PartiallyChecked);
    QMenu* copyFrom = editor.rightsCommands.mnuCopyFrom;
    QCOMPARE(copyFrom->actions().size(), 1);  // every account but the one edited
    for (const QString& command : commands) {
        if (command.startsWith(u"tab "_s))
            editor.SSTab1->setCurrentIndex(command.mid(4).toInt());
        else if (command.startsWith(u"copy "_s))
            copyFrom->actions().first()->trigger();
        else
            editor.findChild<QPushButton*>(command)->click();
    }
    if (action == u"save"_s)
        editor.cmdSave->click();
    else if (action == u"cancel"_s)
        editor.cmdCancel->click();
    else if (action == u"enter"_s || action == u"escape"_s)
        QTest::keyClick(editor.chkRights[1], action == u"enter"_s ? Qt::Key_Return : Qt::Key_Escape);
    else
        editor.close();
    QVERIFY(!editor.isVisible());
    QCOMPARE(Stored(), QStringList({Row(u"Al"_s, alRights), Row(u"Bob"_s, saved)}));
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestUserAccounts::rightsEditorLayout()
{
    Accounts({{u"Bob"_s, zeros30}});
    Open(u"Bob"_s);
    frmSteward_UserAccounts_AccessRights editor(window_.get());
    QCOMPARE(editor.SSTab1->objectName(), u"SSTab1"_s);
    QCOMPARE(editor.SSTab1->tabText(editor.SSTab1->currentIndex()), u"Utilities"_s);
    const QStringList labels = {u"Label1"_s, u"Label2"_s, u"Label5"_s, u"Label4"_s,
                                u"Label3"_s, u"Label6"_s, u"Label7"_s};
    QStringList seen, expected;
    for (int t = 0; t < editor.SSTab1->count(); ++t) {
        // Each tab's boxes stand in a scroll area of their own.
        const auto* scroller = qobject_cast<QScrollArea*>(editor.SSTab1->widget(t));
        QVERIFY(scroller);
        QWidget* page = scroller->widget();
        const QWidget* label = page->findChild<QLabel*>();
        seen.append(editor.SSTab1->tabText(t) + u'|' + label->objectName() + u'|' +
                    static_cast<const QLabel*>(label)->text());
        expected.append(RightsTabs()[t] + u'|' + labels[t] + u"|Allow the user to do the following:"_s);
        for (const QCheckBox* box : page->findChildren<QCheckBox*>()) {
            seen.append(box->objectName() + u'|' + box->text());
            // Laid out below the previous one.
            QVERIFY(page->layout()->indexOf(box) > page->layout()->indexOf(label));
            label = box;
        }
        for (const RightInfo& r : RightsTable())
            if (r.tab == RightsTabs()[t])
                expected.append(r.checkBox + u'|' + r.caption);
    }
    QCOMPARE(seen, expected);
    QCOMPARE(editor.cmdCancel->nextInFocusChain(), editor.cmdHelp);
    QCOMPARE(editor.cmdHelp->nextInFocusChain(), editor.cmdSave);
    QVERIFY(editor.cmdSave->isDefault());
    editor.show();
    editor.cmdHelp->click();
    QCOMPARE(help_.topics, QList<int>({320}));
}

void TestUserAccounts::accountMissingInTheEditor_data()
{
    QTest::addColumn<bool>("atSave");
    QTest::newRow("at load") << false;
    QTest::newRow("at save") << true;
}

void TestUserAccounts::accountMissingInTheEditor()
{
    QFETCH(bool, atSave);
    Accounts({{u"Bob"_s, zeros30}, {u"Al"_s, zeros30}});
    Open(u"Bob"_s);
    const QString gone = u"DELETE FROM Users WHERE [User Name] = 'Bob'"_s;
    auto shown = test::WhenModal<frmSteward_UserAccounts_AccessRights>(
        [&](auto* editor) {
            editor->chkRights[1]->click();
            Execute(gone);
            editor->cmdSave->click();
            QVERIFY(!editor->isVisible());
        },
        200);
    if (!atSave)
        Execute(gone);
    window_->mnuTools_ChangeUserRights->trigger();
    QTest::qWait(250);  // lets an unanswered watchdog lapse within this test
    QCOMPARE(*shown, atSave);
    QCOMPARE(Described(), QStringList(atSave ? u"Stewardry|critical|Unable to locate user account"_s
                                             : u"Stewardry|warning|User account not found"_s));
    QCOMPARE(Stored(), QStringList(Row(u"Al"_s, zeros30)));
    QCOMPARE(Listed(), QStringList({u"Al"_s}));
}

void TestUserAccounts::failingSaveKeepsTheStoredText()
{
    Accounts({{u"Bob"_s, zeros30}});
    Open(u"Bob"_s);
    Execute(u"CREATE TRIGGER refuse BEFORE UPDATE ON Users BEGIN SELECT RAISE(ABORT, 'The row is locked.'); END"_s);
    frmSteward_UserAccounts_AccessRights editor(window_.get());
    editor.show();
    editor.chkRights[25]->click();
    editor.cmdSave->click();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(box.title, u"Stewardry"_s);
    QVERIFY2(box.text.contains(u"The row is locked."_s), qPrintable(box.text));
    QVERIFY(editor.isVisible());
    QCOMPARE(Stored(), QStringList(Row(u"Bob"_s, zeros30)));
    // The recordset was left usable: once the refusal has gone, the same press succeeds.
    Execute(u"DROP TRIGGER refuse"_s);
    editor.cmdSave->click();
    QVERIFY(!editor.isVisible());
    QCOMPARE(Stored(), QStringList(Row(u"Bob"_s, QString(24, u'0') + u'1')));
}

void TestUserAccounts::newAccountReachesDelverOnlyWithTheRight_data()
{
    QTest::addColumn<Answer>("setRightsNow");
    QTest::newRow("rights set at once") << Answer::Yes;
    QTest::newRow("rights set later") << Answer::No;
}

// Made while another account is selected, the new account is the one the next command
// acts on.
void TestUserAccounts::newAccountReachesDelverOnlyWithTheRight()
{
    QFETCH(Answer, setRightsNow);
    Accounts({{u"Bob"_s, zeros30}});
    frmSteward console;
    QString selectedAfterCreate, editing;
    bool delverBefore = true, delverAfter = false;
    auto shown = test::WhenModal<frmSteward_UserAccounts>([&](frmSteward_UserAccounts* window) {
        window->SelectName(u"Bob"_s);
        test::WhenModal<frmSteward_UserAccounts_CreateNew>([&](auto* dialog) {
            dialog->txtUserName->setText(u" Dora "_s);
            dialog->txtPassword->setText(u"Door5"_s);
            dialog->txtReEnterPassword->setText(u"Door5"_s);
            MessageLog::QueueAnswer(Answer::OK);
            MessageLog::QueueAnswer(setRightsNow);
            dialog->cmdCreate->click();
        });
        test::WhenModal<frmSteward_UserAccounts_AccessRights>([&](auto* editor) {
            editing = editor->windowTitle();
            editor->chkRights[Utilities_Delver]->click();
            editor->cmdSave->click();
        });
        window->mnuTools_CreateNewAccount->trigger();
        selectedAfterCreate = window->SelectedName();
        LogInUser(u"dora"_s);
        delverBefore = UserRights[Utilities_Delver];
        if (setRightsNow == Answer::No)
            window->mnuTools_ChangeUserRights->trigger();
        LogInUser(u"dora"_s);
        delverAfter = UserRights[Utilities_Delver];
        window->mnuTools_Close->trigger();
    });
    console.mnuAdmin_ManageUserAccounts->trigger();
    QVERIFY(*shown);
    QCOMPARE(selectedAfterCreate, u"Dora"_s);
    QCOMPARE(editing, u"User Access Rights: Dora"_s);
    QCOMPARE(delverBefore, setRightsNow == Answer::Yes);
    QVERIFY(delverAfter);
    QCOMPARE(CurrentUserName, u"Dora"_s);
    QVERIFY(!levyDatabase);
    QCOMPARE(Described(), QStringList({u"Stewardry|information|User account successfull created."_s,
                                       u"Create New User Account|question|The account \"Dora\" has no access "_s
                                       u"rights yet. Set its rights now?"_s}));
}

void TestUserAccounts::opening_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QString>("failure");
    QTest::newRow("nobody else") << u""_s << u""_s;
    QTest::newRow("left open by this program") << u"self"_s << u""_s;
    QTest::newRow("another program, shared") << u"shared"_s << u"in use by another program"_s;
    QTest::newRow("another program, exclusive") << u"exclusive"_s << u"in use by another program"_s;
}

void TestUserAccounts::opening()
{
    QFETCH(QString, holder);
    QFETCH(QString, failure);
    Accounts({});
    QProcess other;
    if (holder == u"self"_s) {
        levyDatabase = test::OpenLevy(path_);  // as the blank installation leaves it
    } else if (!holder.isEmpty()) {
        other.start(QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/db_holder"), {holder, path_});
        QVERIFY(other.waitForReadyRead(10000));
        QCOMPARE(other.readLine().trimmed(), QByteArray("opened"));
    }
    frmSteward console;
    bool open = false;
    auto shown = test::WhenModal<frmSteward_UserAccounts>(
        [&](frmSteward_UserAccounts* window) {
            open = levyDatabase && levyDatabase->IsOpen();
            window->close();
        },
        200);
    console.mnuAdmin_ManageUserAccounts->trigger();
    QTest::qWait(250);
    QCOMPARE(*shown, failure.isEmpty());
    QCOMPARE(open, failure.isEmpty());
    QVERIFY(!levyDatabase);
    if (failure.isEmpty()) {
        QVERIFY(MessageLog::Shown().isEmpty());
        test::OpenLevy(path_, true)->Close();  // closing let go of the file
    } else {
        const MessageRequest box = test::OnlyMessage();
        QCOMPARE(box.icon, Icon::Exclamation);
        QCOMPARE(box.title, u"Stewardry"_s);
        QVERIFY2(box.text.contains(failure), qPrintable(box.text));
    }
    other.closeWriteChannel();
    other.waitForFinished();
}

void TestUserAccounts::realDelverIsKeptOutWhileTheWindowIsOpen()
{
    Accounts({{u"Clerk"_s, QString(25, u'1')}});
    Open();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"XDG_CONFIG_HOME"_s, sandbox_->Folder() + u"/config"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, sandbox_->Folder());
    auto start = [&](QProcess& p, const QString& log) {
        env.insert(u"LEVY_TEST_MESSAGE_LOG"_s, log);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/delver_under_test"), {});
        QVERIFY(p.waitForStarted());
    };
    QProcess refused, admitted;
    start(refused, sandbox_->Path(u"refused.log"_s));
    QVERIFY(refused.waitForFinished(20000));
    const QStringList log = ReadLog(sandbox_->Path(u"refused.log"_s));
    QCOMPARE(log.size(), 1);
    QVERIFY2(log[0].startsWith(u"Error|3|"_s) && log[0].contains(u"held exclusively"_s), qPrintable(log[0]));

    window_->mnuTools_Close->trigger();
    start(admitted, sandbox_->Path(u"admitted.log"_s));
    // Now it opens the database and waits at its log-in.
    QTest::qWait(1500);
    QCOMPARE(admitted.state(), QProcess::Running);
    QVERIFY(ReadLog(sandbox_->Path(u"admitted.log"_s)).isEmpty());
    admitted.kill();
    admitted.waitForFinished();
}

QTEST_MAIN(TestUserAccounts)
#include "test_user_accounts.moc"
