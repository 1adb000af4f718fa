#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_LogIn.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestLogIn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }
    void init();
    void cleanup();
    void controls();
    void refusals_data();
    void refusals();
    void successLogsInWithTheStoredName_data();
    void successLogsInWithTheStoredName();
    void enterPressesLogIn();
    void escapeDoesNothing();
    void cancelAndCloseBoxEndTheProgram();
    void presetNamePutsTheFocusInThePassword();
    void administratorNeedsAStoredPassword();
    void textBoxesRefuseCharactersOutsideTheCodePage();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<frmSystem_LogIn> dialog_;
};

void TestLogIn::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    const QString path = sandbox_->Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    levyDatabase = test::OpenLevy(path);
    rsUsers = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
    rsUsers->AddNew();
    rsUsers->SetFieldValue(u"User Name"_s, u"Mary"_s);
    rsUsers->SetFieldValue(u"User Password"_s, EncryptText(u"Secret1"_s));
    rsUsers->SetFieldValue(u"User Rights"_s, QString(25, u'1'));
    rsUsers->Update();
    rsUsers->AddNew();
    rsUsers->SetFieldValue(u"User Name"_s, u"Jos\u00E9"_s);
    rsUsers->SetFieldValue(u"User Password"_s, EncryptText(u"Pw1"_s));
    rsUsers->SetFieldValue(u"User Rights"_s, QString(25, u'1'));
    rsUsers->Update();
    rsUsers->AddNew();
    rsUsers->SetFieldValue(u"User Name"_s, u"Broken"_s);
    rsUsers->SetFieldValue(u"User Rights"_s, QString(25, u'1'));
    rsUsers->Update();
    SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(u"admin"_s));
    LogOffUser();
    dialog_ = std::make_unique<frmSystem_LogIn>();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
}

void TestLogIn::cleanup()
{
    dialog_.reset();
    LogOffUser();
    sandbox_.reset();
}

void TestLogIn::controls()
{
    QCOMPARE(dialog_->windowTitle(), u"Log In"_s);
    QCOMPARE(dialog_->findChild<QLabel*>(u"Label1"_s)->text(), u"User Name"_s);
    QCOMPARE(dialog_->findChild<QLabel*>(u"Label2"_s)->text(), u"Password"_s);
    QCOMPARE(dialog_->txtUserName->maxLength(), 30);
    QCOMPARE(dialog_->txtUserName->toolTip(), u"Username goes here"_s);
    QCOMPARE(dialog_->txtPassword->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog_->txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                      dialog_->txtPassword),
             int(u'*'));
    QCOMPARE(dialog_->txtPassword->toolTip(), u"Enter your passwor here. Mind the CAPS!"_s);
    QCOMPARE(dialog_->cmdLogIn->text(), u"Log In"_s);
    QVERIFY(dialog_->cmdLogIn->isDefault());
    QCOMPARE(dialog_->cmdHelp->text(), u"Help"_s);
    QCOMPARE(dialog_->cmdCancel->text(), u"Cancel"_s);
    QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
    QCOMPARE(dialog_->focusWidget(), dialog_->txtUserName);
    QWidget* order = dialog_->txtUserName;
    for (QWidget* expected : std::initializer_list<QWidget*>{dialog_->txtPassword, dialog_->cmdLogIn, dialog_->cmdHelp,
                                                             dialog_->cmdCancel}) {
        do
            order = order->nextInFocusChain();
        while (order->focusPolicy() == Qt::NoFocus);
        QCOMPARE(order, expected);
    }
}

void TestLogIn::refusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("nameAfter");
    QTest::addColumn<QString>("passwordAfter");
    QTest::addColumn<QString>("focus");
    const QString noRecord = u"There is no record of an account under that name. Please check that the supplied user "
                             u"name is correct."_s;
    const QString wrong = u"The entered password is incorrect. Remember that passwords are case sensitive."_s;
    QTest::newRow("empty name") << QString() << u"x"_s << u"Please enter a username first"_s
                                << int(Icon::Exclamation) << u"Log In"_s << QString() << u"x"_s << u"txtUserName"_s;
    QTest::newRow("spaces only") << u"   "_s << u"x"_s << u"Please enter a username first"_s
                                 << int(Icon::Exclamation) << u"Log In"_s << QString() << u"x"_s << u"txtUserName"_s;
    QTest::newRow("no account, no password") << u"Nobody"_s << QString() << noRecord << int(Icon::Critical)
                                             << u"Delver"_s << u"Nobody"_s << QString() << u"txtUserName"_s;
    QTest::newRow("empty password") << u" Mary "_s << QString() << u"Please enter a password first"_s
                                    << int(Icon::Exclamation) << u"Log In"_s << u"Mary"_s << QString()
                                    << u"txtPassword"_s;
    QTest::newRow("wrong case") << u"mary"_s << u"secret1"_s << wrong << int(Icon::Critical) << u"Delver"_s
                                << u"mary"_s << QString() << u"txtPassword"_s;
    QTest::newRow("account without a password") << u"Broken"_s << u"x"_s << noRecord << int(Icon::Critical)
                                                << u"Delver"_s << u"Broken"_s << u"x"_s << u"txtUserName"_s;
}

void TestLogIn::refusals()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(QString, title);
    QFETCH(QString, nameAfter);
    QFETCH(QString, passwordAfter);
    QFETCH(QString, focus);
    dialog_->txtUserName->setText(name);
    dialog_->txtPassword->setText(password);
    QTest::mouseClick(dialog_->cmdLogIn, Qt::LeftButton);
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, message);
    QCOMPARE(int(box.icon), icon);
    QCOMPARE(box.title, title);
    QCOMPARE(dialog_->txtUserName->text(), nameAfter);
    QCOMPARE(dialog_->txtPassword->text(), passwordAfter);
    QCOMPARE(dialog_->focusWidget()->objectName(), focus);
    QVERIFY(dialog_->isVisible());
    QVERIFY(!EndProgramCalled());
    QVERIFY(CurrentUserName.isEmpty());
}

void TestLogIn::successLogsInWithTheStoredName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("stored");
    QTest::newRow("other case") << u"  mary"_s << u"Secret1"_s << u"Mary"_s;
    // The file's collation folds A-Z only; the log-in folds every letter.
    QTest::newRow("other case beyond A-Z") << u"JOS\u00C9"_s << u"Pw1"_s << u"Jos\u00E9"_s;
}

void TestLogIn::successLogsInWithTheStoredName()
{
    QFETCH(QString, typed);
    QFETCH(QString, password);
    QFETCH(QString, stored);
    dialog_->txtUserName->setText(typed);
    dialog_->txtPassword->setText(password);
    QTest::mouseClick(dialog_->cmdLogIn, Qt::LeftButton);
    QVERIFY(MessageLog::Shown().isEmpty());
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QVERIFY(!EndProgramCalled());
    QCOMPARE(CurrentUserName, stored);
    QVERIFY(UserRights[Utilities_Delver]);
}

void TestLogIn::enterPressesLogIn()
{
    dialog_->txtUserName->setText(u"Admin"_s);
    dialog_->txtPassword->setFocus();
    QTest::keyClicks(dialog_->txtPassword, u"admin"_s);
    QTest::keyClick(dialog_->txtPassword, Qt::Key_Return);
    QCOMPARE(CurrentUserName, u"Admin"_s);
    QVERIFY(!dialog_->isVisible());
}

void TestLogIn::escapeDoesNothing()
{
    QTest::keyClick(dialog_->txtUserName, Qt::Key_Escape);
    QVERIFY(dialog_->isVisible());
    QVERIFY(!EndProgramCalled());
}

void TestLogIn::cancelAndCloseBoxEndTheProgram()
{
    QTest::mouseClick(dialog_->cmdCancel, Qt::LeftButton);
    QVERIFY(EndProgramCalled());
    ResetEndProgramCalled();
    frmSystem_LogIn other;
    other.show();
    other.close();  // the close box
    QVERIFY(EndProgramCalled());
    QVERIFY(CurrentUserName.isEmpty());
}

void TestLogIn::presetNamePutsTheFocusInThePassword()
{
    frmSystem_LogIn preset;
    preset.txtUserName->setText(u"Admin"_s);
    preset.txtUserName->setReadOnly(true);
    preset.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preset));
    preset.activateWindow();
    QCOMPARE(preset.focusWidget(), preset.txtPassword);
    preset.txtPassword->setText(u"admin"_s);
    QTest::mouseClick(preset.cmdLogIn, Qt::LeftButton);
    QCOMPARE(CurrentUserName, u"Admin"_s);
}

void TestLogIn::administratorNeedsAStoredPassword()
{
    SaveSetting(settingsApplication, settingsSection, settingsSecurity, QString());
    dialog_->txtUserName->setText(u"Admin"_s);
    QTest::mouseClick(dialog_->cmdLogIn, Qt::LeftButton);
    QCOMPARE(test::OnlyMessage().text, u"Please enter a password first"_s);
    MessageLog::Clear();
    dialog_->txtPassword->setText(u"anything"_s);
    QTest::mouseClick(dialog_->cmdLogIn, Qt::LeftButton);
    QVERIFY(test::OnlyMessage().text.startsWith(u"The entered password is incorrect."_s));
    QVERIFY(CurrentUserName.isEmpty());
}

void TestLogIn::textBoxesRefuseCharactersOutsideTheCodePage()
{
    dialog_->txtUserName->setFocus();
    for (QChar c : u"Jos\u00E9\u4E2D\u20AC"_s) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(dialog_->txtUserName, &press);
    }
    QCOMPARE(dialog_->txtUserName->text(), u"Jos\u00E9\u20AC"_s);
    QTest::keyClicks(dialog_->txtUserName, QString(40, u'x'));
    QCOMPARE(dialog_->txtUserName->text().size(), 30);
}

QTEST_MAIN(TestLogIn)
#include "test_login.moc"
