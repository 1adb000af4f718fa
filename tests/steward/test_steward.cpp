#include "support/TestSupport.h"

#include "DatabaseMaintenance.h"
#include "database/DatabaseAccess.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmSteward.h"
#include "frmSteward_DBInitialisation.h"
#include "frmSteward_InstallSampleDB.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "security/Encryption.h"
#include "security/SecurityEnforcement.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/CommonDialog.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
QByteArray Bytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QString StoredPath() { return GetSetting(settingsApplication, settingsSection, settingsDBPath); }
} // namespace

class TestSteward : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void administratorIsAdmitted();
    void wrongPasswordIsRefusedThenCancelEnds();
    void closingTheLogInEndsTheProgram();
    void menuItems();

    void blankInstallationRefusals();
    void blankInstallationWritesTheBoxText();

    void compactionShrinksAndKeepsEveryRow();
    void compactionFailsCleanlyWhileAnotherProgramHoldsTheFile();
    void compactionFailureAtAnyStepLosesNothing_data();
    void compactionFailureAtAnyStepLosesNothing();

    void resetPath();

    void sampleInstallation();
    void sampleInstallationRefusals();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    QString Database(const QString& name = u"levy.mdb"_s)
    {
        const QString path = sandbox_->Path(name);
        test::MakeBlankDatabase(path);
        SaveSetting(settingsApplication, settingsSection, settingsDBPath, path);
        return path;
    }
    void LogInAs(const QString& password)
    {
        test::WhenModal<frmSystem_LogIn>([password](frmSystem_LogIn* login) {
            login->txtPassword->setText(password);
            login->cmdLogIn->click();
        });
    }
};

void TestSteward::initTestCase()
{
    AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s);
}

void TestSteward::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    AppInfo::SetPathForTests(QStringLiteral(LEVY_PROGRAM_DIR));
    SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(u"Head1"_s));
    CommonDialog::ClearQueue();
    DBEngine::SetCompactionFaultForTests(0);
}

void TestSteward::cleanup()
{
    LogOffUser();
    CommonDialog::ClearQueue();
    DBEngine::SetCompactionFaultForTests(0);
    AppInfo::SetPathForTests({});
    sandbox_.reset();
}

void TestSteward::administratorIsAdmitted()
{
    frmSteward console;
    QString preset;
    bool locked = false;
    test::WhenModal<frmSystem_LogIn>([&](frmSystem_LogIn* login) {
        preset = login->txtUserName->text();
        locked = login->txtUserName->isReadOnly();
        login->txtPassword->setText(u"Head1"_s);
        login->cmdLogIn->click();
    });
    console.show();
    QTRY_VERIFY(console.FirstActivationDone());
    QTRY_COMPARE(console.barBottomStatusBar->SessionText(), u"Logged in as Admin"_s);
    QCOMPARE(preset, u"Admin"_s);
    QVERIFY(locked);
    QVERIFY(!EndProgramCalled());
    QVERIFY(MessageLog::Shown().isEmpty());
    // A later activation asks nobody to log in again.
    auto second = test::WhenModal<frmSystem_LogIn>([](frmSystem_LogIn* login) { login->hide(); }, 300);
    console.hide();
    console.show();
    console.activateWindow();
    QTest::qWait(400);
    QVERIFY(!*second);
}

void TestSteward::wrongPasswordIsRefusedThenCancelEnds()
{
    frmSteward console;
    test::WhenModal<frmSystem_LogIn>([](frmSystem_LogIn* login) {
        login->txtPassword->setText(u"head1"_s);
        login->cmdLogIn->click();
        QCOMPARE(login->txtPassword->text(), QString());
        QVERIFY(login->isVisible());
        login->cmdCancel->click();
    });
    console.show();
    QTRY_VERIFY(EndProgramCalled());
    QCOMPARE(test::OnlyMessage().text,
             u"The entered password is incorrect. Remember that passwords are case sensitive."_s);
    QCOMPARE(console.barBottomStatusBar->SessionText(), QString());
    QVERIFY(CurrentUserName.isEmpty());
}

void TestSteward::closingTheLogInEndsTheProgram()
{
    frmSteward console;
    test::WhenModal<frmSystem_LogIn>([](frmSystem_LogIn* login) { login->close(); });
    console.show();
    QTRY_VERIFY(EndProgramCalled());
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(console.barBottomStatusBar->SessionText(), QString());
}

void TestSteward::menuItems()
{
    frmSteward console;
    QCOMPARE(console.windowTitle(), u"Stewardry"_s);
    QCOMPARE(console.mnuAdmin->title(), u"&Admin"_s);
    QStringList items;
    for (QAction* a : console.mnuAdmin->actions())
        items.append(a->isSeparator() ? u"-"_s : a->objectName() + u'=' + a->text());
    QCOMPARE(items, QStringList({u"mnuAdmin_ManageUserAccounts=&Manage User Accounts"_s,
                                 u"mnuAdmin_ChangeAdminPassword=&Change Admin Password"_s, u"-"_s,
                                 u"mnAdmin_RepairOptimiseDatabase=&Repair/Optimise Database"_s,
                                 u"mnuAdmin_ResetDatabasePath=Reset Database &Path"_s,
                                 u"mnuAdmin_InstallSampleDatabase=Install Sample Database"_s,
                                 u"mnuAdmin_InstallBlankDatabase=&Install Blank Database"_s, u"-"_s,
                                 u"mnuAdmin_Help=&Help"_s, u"mnuAdmin_About=&About...."_s, u"-"_s,
                                 u"mnuAdmin_exit=E&xit"_s}));
    QCOMPARE(console.mnuAdmin_Help->shortcut(), QKeySequence(Qt::Key_F1));
    for (QAction* a : console.mnuAdmin->actions())
        QVERIFY(a->isEnabled() && a->isVisible());
    QCOMPARE(console.barBottomStatusBar->Panel(4)->text(), u"NUM"_s);
    QCOMPARE(console.barBottomStatusBar->Panel(5)->text(), u"CAPS"_s);
    QCOMPARE(console.barBottomStatusBar->Panel(6)->text(), u"SCRL"_s);
    QCOMPARE(console.minimumSize(), console.maximumSize());
}

void TestSteward::blankInstallationRefusals()
{
    frmSteward_DBInitialisation dialog(nullptr);
    dialog.cmdCreateDatabase->click();
    MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"Please enter the database location first"_s);
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(box.title, u"Stewardry"_s);

    // An existing file is left as it was.
    const QString existing = sandbox_->Path(u"old.mdb"_s);
    QFile f(existing);
    f.open(QIODevice::WriteOnly);
    f.write("keep me");
    f.close();
    CommonDialog::QueueFileName(existing);
    dialog.txtDBLocation_Click();
    QCOMPARE(dialog.txtDBLocation->text(), existing);
    const auto shown = CommonDialog::ShownDialogs();
    QCOMPARE(shown.last().title, u"Specify the location for the database"_s);
    QCOMPARE(shown.last().filter, u"Databases (*.mdb)|*.mdb"_s);
    QCOMPARE(shown.last().flags, 34820);
    MessageLog::Clear();
    dialog.cmdCreateDatabase->click();
    box = test::OnlyMessage();
    QCOMPARE(box.text, u"Unable to create database because it already exits.\r\n"
                       u"To create a new database delete the old one first."_s);
    QCOMPARE(box.icon, Icon::Critical);
    QCOMPARE(Bytes(existing), QByteArray("keep me"));

    // An engine failure: the folder does not exist.
    MessageLog::Clear();
    dialog.txtDBLocation->setText(sandbox_->Path(u"no such folder/levy.mdb"_s));
    dialog.cmdCreateDatabase->click();
    box = test::OnlyMessage();
    QVERIFY2(box.text.contains(u"could not be created"_s), qPrintable(box.text));
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(StoredPath(), QString());

    // Cancelling the location dialog empties the box.
    CommonDialog::QueueFileName(QString());
    dialog.txtDBLocation_Click();
    QCOMPARE(dialog.txtDBLocation->text(), QString());
}

void TestSteward::blankInstallationWritesTheBoxText()
{
    frmSteward_DBInitialisation dialog(nullptr);
    const QString path = sandbox_->Path(u"new levy.mdb "_s);
    CommonDialog::QueueFileName(path);
    dialog.txtDBLocation_Click();
    dialog.show();
    dialog.cmdCreateDatabase->click();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"Database succesfully created."_s);
    QCOMPARE(box.icon, Icon::Information);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(StoredPath(), path);
    QVERIFY(levyDatabase && levyDatabase->IsOpen());
    QCOMPARE(levyDatabase->TableNames().size(), 10);
    QCOMPARE(levyDatabase->QueryDefNames().size(), 3);
    CloseLevyDatabase();
}

void TestSteward::compactionShrinksAndKeepsEveryRow()
{
    const QString path = Database();
    {
        auto db = test::OpenLevy(path);
        auto c = db->MainConnection();
        c->Execute(u"BEGIN"_s);
        for (int i = 0; i < 3000; ++i)
            c->Execute(u"INSERT INTO Students ([Student ID], [Guardian Address]) VALUES ('S%1', '%2')"_s.arg(i).arg(
                QString(100, u'x')));
        c->Execute(u"COMMIT"_s);
        c->Execute(u"DELETE FROM Students WHERE rowid % 3 <> 0"_s);
        db->QueryDefs(u"Report Query Object"_s)->SetSQL(u"SELECT * FROM Classes"_s);
    }
    const qint64 before = QFileInfo(path).size();
    RepairOptimiseDatabase();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"Database successfully compacted."_s);
    QCOMPARE(box.icon, Icon::Information);
    QCOMPARE(box.title, u"Stewardry"_s);
    QVERIFY(QFileInfo(path).size() < before);
    QCOMPARE(test::Scalar(path, u"SELECT count(*) FROM Students"_s), u"1000"_s);
    auto db = test::OpenLevy(path);
    QCOMPARE(db->QueryDefs(u"Report Query Object"_s)->SQL(), u"SELECT * FROM Classes"_s);
    QCOMPARE(FolderEntries(sandbox_->Folder()), QStringList({u"levy.mdb"_s}));
}

void TestSteward::compactionFailsCleanlyWhileAnotherProgramHoldsTheFile()
{
    const QString path = Database();
    QProcess holder;
    holder.start(QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/db_holder"), {u"shared"_s, path});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("opened"));
    const QByteArray before = Bytes(path);
    RepairOptimiseDatabase();
    const MessageRequest box = test::OnlyMessage();
    QVERIFY2(box.text.contains(u"in use by another program"_s), qPrintable(box.text));
    QCOMPARE(box.icon, Icon::Critical);
    QCOMPARE(Bytes(path), before);
    QCOMPARE(FolderEntries(sandbox_->Folder()), QStringList({u"levy.mdb"_s}));
    holder.closeWriteChannel();
    holder.waitForFinished();
}

void TestSteward::compactionFailureAtAnyStepLosesNothing_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("after the copy is written") << 1;
    QTest::newRow("after the copy is checked") << 2;
    QTest::newRow("before it replaces the original") << 3;
}

void TestSteward::compactionFailureAtAnyStepLosesNothing()
{
    QFETCH(int, step);
    const QString path = Database();
    test::OpenLevy(path)->MainConnection()->Execute(u"INSERT INTO Classes VALUES ('4A', 'Mr Reed', 12.5)"_s);
    const QByteArray before = Bytes(path);
    DBEngine::SetCompactionFaultForTests(step);
    RepairOptimiseDatabase();
    QCOMPARE(test::OnlyMessage().icon, Icon::Critical);
    QCOMPARE(Bytes(path), before);
    QCOMPARE(FolderEntries(sandbox_->Folder()), QStringList({u"levy.mdb"_s}));
    QCOMPARE(test::Scalar(path, u"SELECT [Form Teacher] FROM Classes"_s), u"Mr Reed"_s);
}

void TestSteward::resetPath()
{
    const QString old = Database();
    CommonDialog dialog(nullptr, u"dlgAdmin"_s);
    CommonDialog::QueueFileName(QString());
    ResetDatabasePath(dialog);
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(StoredPath(), old);
    const auto shown = CommonDialog::ShownDialogs().last();
    QCOMPARE(shown.title, u"New Database Path"_s);
    QCOMPARE(shown.filter, u"Databases (*.mdb)|*.mdb|All Files|(*.*)"_s);
    QCOMPARE(shown.kind, u"save"_s);

    // A name that does not exist is refused by the dialog itself, which asks again.
    const QString other = sandbox_->Path(u"other.mdb"_s);
    test::MakeBlankDatabase(other);
    CommonDialog::QueueFileName(sandbox_->Path(u"missing.mdb"_s));
    CommonDialog::QueueFileName(other);
    ResetDatabasePath(dialog);
    const auto boxes = MessageLog::Shown();
    QCOMPARE(boxes.size(), 2);
    QVERIFY(boxes[0].text.contains(u"File not found."_s));
    QCOMPARE(boxes[1].text, u"New Database Path Set"_s);
    QCOMPARE(boxes[1].icon, Icon::Information);
    QCOMPARE(StoredPath(), other);
}

void TestSteward::sampleInstallation()
{
    frmSteward_InstallSampleDB dialog(nullptr);
    dialog.show();
    const QString target = sandbox_->Path(u"practice.mdb"_s);
    CommonDialog::QueueFileName(target);
    dialog.txtDBLocation_Click();
    dialog.cmdCreateDatabase->click();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"Sample database succesfully installed."_s);
    QCOMPARE(box.icon, Icon::Information);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(StoredPath(), target);
    QVERIFY(QFileInfo(target).isWritable());
    QCOMPARE(QFile::permissions(target) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(Bytes(target), Bytes(GetSampleDatabasePath()));
    QCOMPARE(FolderEntries(sandbox_->Folder()), QStringList({u"practice.mdb"_s}));
}

void TestSteward::sampleInstallationRefusals()
{
    frmSteward_InstallSampleDB dialog(nullptr);
    dialog.cmdCreateDatabase->click();
    QCOMPARE(test::OnlyMessage().text, u"Please enter the database location first"_s);

    const QString existing = sandbox_->Path(u"taken.mdb"_s);
    QFile f(existing);
    f.open(QIODevice::WriteOnly);
    f.write("mine");
    f.close();
    MessageLog::Clear();
    dialog.txtDBLocation->setText(existing);
    dialog.cmdCreateDatabase->click();
    MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"A file with the same name as that specified for the destination already exists. To use the "
                       u"filename, delet the current file first."_s);
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(Bytes(existing), QByteArray("mine"));

    AppInfo::SetPathForTests(sandbox_->Folder());
    MessageLog::Clear();
    dialog.txtDBLocation->setText(sandbox_->Path(u"new.mdb"_s));
    dialog.cmdCreateDatabase->click();
    box = test::OnlyMessage();
    QCOMPARE(box.text, u"Unable To Locate Sample Database setupp information. Please contact technical support."_s);
    QCOMPARE(box.icon, Icon::Critical);
    QVERIFY(!QFileInfo::exists(sandbox_->Path(u"new.mdb"_s)));
    QCOMPARE(StoredPath(), QString());
}

QTEST_MAIN(TestSteward)
#include "test_steward.moc"
