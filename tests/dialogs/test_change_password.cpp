#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_ChangePassword.h"
#include "dialogs/frmSystem_LogIn.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"
#include "utilities/HelpRoutines.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString adminPassword = u"Adm1n pass"_s;
const QString maryPassword = u"Secret1"_s;

struct RecordingHelp : HelpDialog {
    int shown = 0;
    void ShowHelp() override { ++shown; }
};

// While it lives, every file write past a few bytes fails, as on a full disk (root
// writes through file permissions, so those cannot make the store unwritable).
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    FileSizeLimit()
    {
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tight = old;
        tight.rlim_cur = 8;
        setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};

enum class Fault { AccountVanished, SettingsIsAFolder, SettingsWriteFails, DatabaseReadOnly };
} // namespace

class TestChangePassword : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s); }
    void init();
    void cleanup();
    void controls();
    void enterSavesAndEscapeCancels();
    void refusals_data();
    void refusals();
    void changes_data();
    void changes();
    void failures_data();
    void failures();
    void cancelAndHelpWriteNothing();
    void textBoxesRefuseCharactersOutsideTheCodePage();

private:
    void Open(const QString& user);
    void Fill(const QString& current, const QString& newPassword, const QString& reEntered);
    QString StoredSecurity() const { return GetSetting(settingsApplication, settingsSection, settingsSecurity); }
    QString StoredMaryPassword() const;
    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<frmSystem_ChangePassword> dialog_;
    QString databasePath_;
};

void TestChangePassword::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    databasePath_ = sandbox_->Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(databasePath_);
    levyDatabase = test::OpenLevy(databasePath_);
    rsUsers = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
    rsUsers->AddNew();
    rsUsers->SetFieldValue(u"User Name"_s, u"Mary"_s);
    rsUsers->SetFieldValue(u"User Password"_s, EncryptText(maryPassword));
    rsUsers->SetFieldValue(u"User Rights"_s, QString(30, u'0'));
    rsUsers->Update();
    SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(adminPassword));
}

void TestChangePassword::cleanup()
{
    dialog_.reset();
    LogOffUser();
    sandbox_.reset();
}

void TestChangePassword::Open(const QString& user)
{
    LogInUser(user);
    dialog_ = std::make_unique<frmSystem_ChangePassword>();
    dialog_->show();
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
}

// Types into each box as a user would; keyClicks takes Latin-1 keys only, so every
// character arrives as typed text.
void TestChangePassword::Fill(const QString& current, const QString& newPassword, const QString& reEntered)
{
    for (auto [box, text] : {std::pair{dialog_->txtCurrentPassword, current}, std::pair{dialog_->txtNewPassword, newPassword},
                             std::pair{dialog_->txtReEnterPassword, reEntered}}) {
        box->setFocus();
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
        }
        QCOMPARE(box->text(), text);
    }
}

// Read on a connection of its own, so that only what reached the file counts (queries
// cannot read the column: it reads as Null to them).
QString TestChangePassword::StoredMaryPassword() const
{
    auto db = test::OpenLevy(databasePath_);
    auto users = db->OpenRecordset(u"Users"_s, dbOpenTable);
    users->SetIndex(u"User Name Index"_s);
    users->Seek(u"="_s, u"Mary"_s);
    const QString stored = users->NoMatch() ? u"(no account)"_s : users->FieldValue(u"User Password"_s).AsText();
    users.reset();
    db->Close();
    return stored;
}

void TestChangePassword::controls()
{
    Open(u"admin"_s);
    QCOMPARE(dialog_->windowTitle(), u"Change User Password"_s);
    QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
    QVERIFY(!(dialog_->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    for (auto [name, caption] : {std::pair{"Label4", "User Name"}, {"Label3", "Current Password"},
                                 {"Label1", "New Password"}, {"Label2", "Re-enter Password"}})
        QCOMPARE(dialog_->findChild<QLabel*>(QString::fromLatin1(name))->text(), QString::fromLatin1(caption));
    QCOMPARE(dialog_->txtUserName->text(), u"Admin"_s);
    QVERIFY(dialog_->txtUserName->isReadOnly());
    const QList<std::tuple<QWidget*, QString, QString>> tips{
        {dialog_->txtUserName, {}, u"Enter username here"_s},
        {dialog_->txtCurrentPassword, {}, u"Enter the password you wish to change"_s},
        {dialog_->txtNewPassword, {}, u"Enter the password you would like to change to."_s},
        {dialog_->txtReEnterPassword, {}, u"Reenter your new password here."_s},
        {dialog_->cmdSave, u"Save"_s, u"Click here to Change Password"_s},
        {dialog_->cmdHelp, u"Help"_s, u"Get assistance"_s},
        {dialog_->cmdCancel, u"Cancel"_s, u"Close window without changing your password"_s}};
    for (const auto& [widget, caption, tip] : tips) {
        QCOMPARE(widget->toolTip(), tip);
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->isDefault(), button == dialog_->cmdSave);
        }
    }
    QCOMPARE(dialog_->txtCurrentPassword->maxLength(), QLineEdit().maxLength());
    QCOMPARE(dialog_->txtNewPassword->maxLength(), 30);
    QCOMPARE(dialog_->txtReEnterPassword->maxLength(), 30);
    QCOMPARE(dialog_->txtUserName->echoMode(), QLineEdit::Normal);
    for (QLineEdit* box : {dialog_->txtCurrentPassword, dialog_->txtNewPassword, dialog_->txtReEnterPassword}) {
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        QCOMPARE(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), int(u'*'));
    }
    // Tab order, starting where the focus starts.
    QWidget* order = dialog_->focusWidget();
    QCOMPARE(order, dialog_->txtCurrentPassword);
    for (QWidget* expected : std::initializer_list<QWidget*>{dialog_->txtNewPassword, dialog_->txtReEnterPassword, dialog_->cmdSave,
                              dialog_->cmdHelp, dialog_->cmdCancel, dialog_->txtUserName, dialog_->txtCurrentPassword}) {
        do
            order = order->nextInFocusChain();
        while (order->focusPolicy() == Qt::NoFocus);
        QCOMPARE(order, expected);
    }
}

void TestChangePassword::enterSavesAndEscapeCancels()
{
    Open(u"admin"_s);
    Fill(adminPassword, u"n"_s, u"n"_s);
    QTest::keyClick(dialog_->txtReEnterPassword, Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(StoredSecurity(), EncryptText(adminPassword));
    Open(u"admin"_s);
    Fill(adminPassword, u"n"_s, u"n"_s);
    QTest::keyClick(dialog_->txtReEnterPassword, Qt::Key_Return);
    QCOMPARE(test::OnlyMessage().text, u"Password successfully changed."_s);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(StoredSecurity(), EncryptText(u"n"_s));
}

void TestChangePassword::refusals_data()
{
    QTest::addColumn<QStringList>("typed");  // current, new, re-entered
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("focus");
    const QString& ok = adminPassword;
    const QString wrong = u"The entered current password is incorrect."_s;
    const QString mismatch = u"The entered new passwords do not match."_s;
    QTest::newRow("every box empty") << QStringList{u""_s, u""_s, u""_s} << u"Please enter the current password"_s
                                     << QStringList{u""_s, u""_s, u""_s} << u"txtCurrentPassword"_s;
    QTest::newRow("wrong current before empty new ones") << QStringList{u"x"_s, u""_s, u""_s} << wrong
                                                         << QStringList{u""_s, u""_s, u""_s} << u"txtCurrentPassword"_s;
    QTest::newRow("wrong current keeps the new ones") << QStringList{u"x"_s, u"n1"_s, u"n1"_s} << wrong
                                                      << QStringList{u""_s, u"n1"_s, u"n1"_s} << u"txtCurrentPassword"_s;
    QTest::newRow("current in other case") << QStringList{ok.toUpper(), u"n1"_s, u"n1"_s} << wrong
                                           << QStringList{u""_s, u"n1"_s, u"n1"_s} << u"txtCurrentPassword"_s;
    QTest::newRow("new before re-entry") << QStringList{ok, u""_s, u""_s} << u"Please enter the new password"_s
                                         << QStringList{ok, u""_s, u""_s} << u"txtNewPassword"_s;
    QTest::newRow("re-entry empty") << QStringList{ok, u"n1"_s, u""_s}
                                    << u"Please reenter the new password in the space provided."_s
                                    << QStringList{ok, u"n1"_s, u""_s} << u"txtReEnterPassword"_s;
    QTest::newRow("mismatch") << QStringList{ok, u"n1"_s, u"n2"_s} << mismatch << QStringList{ok, u""_s, u""_s}
                              << u"txtNewPassword"_s;
    QTest::newRow("mismatch by case only") << QStringList{ok, u"New"_s, u"new"_s} << mismatch
                                           << QStringList{ok, u""_s, u""_s} << u"txtNewPassword"_s;
    // Stored, it would decipher to another text and lock the account out for good.
    QTest::newRow("character the cipher cannot bring back")
        << QStringList{ok, u"caf\u00E9"_s, u"caf\u00E9"_s}
        << u"The new password may only hold unaccented letters, digits, spaces and the punctuation marks of a "_s
           u"standard keyboard: any other character could never be matched at the next log-in."_s
        << QStringList{ok, u""_s, u""_s} << u"txtNewPassword"_s;
}

void TestChangePassword::refusals()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, after);
    QFETCH(QString, focus);
    Open(u"admin"_s);
    Fill(typed[0], typed[1], typed[2]);
    QTest::mouseClick(dialog_->cmdSave, Qt::LeftButton);
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, message);
    QCOMPARE(int(box.icon), int(Icon::Exclamation));
    QCOMPARE(box.title, u"Change Password"_s);
    QCOMPARE((QStringList{dialog_->txtCurrentPassword->text(), dialog_->txtNewPassword->text(),
                          dialog_->txtReEnterPassword->text()}),
             after);
    QCOMPARE(dialog_->focusWidget()->objectName(), focus);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(StoredSecurity(), EncryptText(adminPassword));
    QCOMPARE(StoredMaryPassword(), EncryptText(maryPassword));
}

void TestChangePassword::changes_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("newPassword");
    QTest::newRow("administrator") << u"Admin"_s << adminPassword << u"N3w Pass"_s;
    QTest::newRow("administrator, same password") << u"Admin"_s << adminPassword << adminPassword;
    QTest::newRow("ordinary account") << u"mary"_s << maryPassword << u"x"_s;
    QTest::newRow("ordinary account, 30 characters") << u"Mary"_s << maryPassword << u"abcdefghij KLMNOPQRS ~!@#$%^&*"_s;
}

void TestChangePassword::changes()
{
    QFETCH(QString, user);
    QFETCH(QString, current);
    QFETCH(QString, newPassword);
    Open(user);
    const bool admin = IsAdministrator(user);
    const QString sessionName = CurrentUserName;
    QCOMPARE(dialog_->txtUserName->text(), admin ? u"Admin"_s : u"Mary"_s);
    Fill(current, newPassword, newPassword);
    QTest::mouseClick(dialog_->cmdSave, Qt::LeftButton);
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"Password successfully changed."_s);
    QCOMPARE(int(box.icon), int(Icon::Information));
    QCOMPARE(box.title, u"Change Password"_s);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(CurrentUserName, sessionName);
    QCOMPARE(GetUserPassword(user), newPassword);
    QCOMPARE(StoredSecurity(), EncryptText(admin ? newPassword : adminPassword));
    QCOMPARE(StoredMaryPassword(), EncryptText(admin ? maryPassword : newPassword));

    // The next log-in takes the new password only.
    MessageLog::Clear();
    LogOffUser();
    frmSystem_LogIn logIn;
    logIn.txtUserName->setText(user);
    logIn.show();
    if (newPassword != current) {
        logIn.txtPassword->setText(current);
        QTest::mouseClick(logIn.cmdLogIn, Qt::LeftButton);
        QVERIFY(test::OnlyMessage().text.startsWith(u"The entered password is incorrect."_s));
        QVERIFY(CurrentUserName.isEmpty());
        MessageLog::Clear();
    }
    logIn.txtPassword->setText(newPassword);
    QTest::mouseClick(logIn.cmdLogIn, Qt::LeftButton);
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(CurrentUserName, sessionName);
}

void TestChangePassword::failures_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    const QString notChanged = u"Password Not Changed"_s;
    const int warning = int(Icon::Exclamation);
    QTest::newRow("account vanished") << u"Mary"_s << int(Fault::AccountVanished) << int(Icon::Critical)
                                      << u"System Error"_s;
    QTest::newRow("settings store is a folder") << u"Admin"_s << int(Fault::SettingsIsAFolder) << warning << notChanged;
    QTest::newRow("settings write fails") << u"Admin"_s << int(Fault::SettingsWriteFails) << warning << notChanged;
    QTest::newRow("database read-only") << u"Mary"_s << int(Fault::DatabaseReadOnly) << warning << notChanged;
}

void TestChangePassword::failures()
{
    QFETCH(QString, user);
    QFETCH(int, fault);
    QFETCH(int, icon);
    QFETCH(QString, title);
    const QString current = IsAdministrator(user) ? adminPassword : maryPassword;
    Open(user);
    Fill(current, u"n1"_s, u"n1"_s);
    const QString settingsPath = SettingsFilePath(settingsApplication);
    std::optional<FileSizeLimit> limit;
    switch (Fault(fault)) {
    case Fault::AccountVanished:
        rsUsers->SetIndex(u"User Name Index"_s);
        rsUsers->Seek(u"="_s, u"Mary"_s);
        rsUsers->Delete();
        break;
    case Fault::SettingsIsAFolder:
        QVERIFY(QFile::remove(settingsPath) && QDir().mkpath(settingsPath));
        break;
    case Fault::SettingsWriteFails: limit.emplace(); break;
    case Fault::DatabaseReadOnly:
        rsUsers.reset();
        levyDatabase->Close();
        levyDatabase = DBEngine::Instance().Workspaces(0).OpenDatabase(databasePath_, false, true, levyPasswordConnect);
        rsUsers = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
        break;
    }
    QTest::mouseClick(dialog_->cmdSave, Qt::LeftButton);
    limit.reset();

    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(int(box.icon), icon);
    QCOMPARE(box.title, title);
    if (Fault(fault) == Fault::AccountVanished)
        QCOMPARE(box.text, u"Unable to locate your user account. Please try logging off and logging back on again."_s);
    else if (Fault(fault) == Fault::DatabaseReadOnly)
        QVERIFY2(!box.text.isEmpty() && box.text != u"User Not Found"_s, qPrintable(box.text));
    else
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(settingsPath)), qPrintable(box.text));
    QVERIFY(dialog_->isVisible());
    QCOMPARE((QStringList{dialog_->txtCurrentPassword->text(), dialog_->txtNewPassword->text(),
                          dialog_->txtReEnterPassword->text()}),
             (QStringList{current, u"n1"_s, u"n1"_s}));
    if (Fault(fault) == Fault::SettingsIsAFolder)
        return;
    // Nothing changed, not even for the next write that succeeds.
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, databasePath_);
    QCOMPARE(StoredSecurity(), EncryptText(adminPassword));
    if (Fault(fault) != Fault::AccountVanished)
        QCOMPARE(StoredMaryPassword(), EncryptText(maryPassword));
}

void TestChangePassword::cancelAndHelpWriteNothing()
{
    RecordingHelp help;
    SetHelpDialog(&help);
    Open(u"admin"_s);
    Fill(adminPassword, u"n1"_s, u"n1"_s);
    QTest::mouseClick(dialog_->cmdHelp, Qt::LeftButton);
    SetHelpDialog(nullptr);
    QCOMPARE(help.shown, 1);
    QCOMPARE(help.HelpContext, 340);
    QVERIFY(dialog_->isVisible());
    QTest::mouseClick(dialog_->cmdCancel, Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(StoredSecurity(), EncryptText(adminPassword));
}

void TestChangePassword::textBoxesRefuseCharactersOutsideTheCodePage()
{
    Open(u"admin"_s);
    for (QLineEdit* box : {dialog_->txtCurrentPassword, dialog_->txtNewPassword, dialog_->txtReEnterPassword}) {
        box->setFocus();
        for (QChar c : u"a\u00E9\u4E2D\u20AC"_s) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
        }
        QCOMPARE(box->text(), u"a\u00E9\u20AC"_s);
        QTest::keyClicks(box, QString(40, u'x'));
        QCOMPARE(box->text().size(), box == dialog_->txtCurrentPassword ? 43 : 30);
    }
    QTest::keyClicks(dialog_->txtUserName, u"x"_s);
    QCOMPARE(dialog_->txtUserName->text(), u"Admin"_s);
}

QTEST_MAIN(TestChangePassword)
#include "test_change_password.moc"
