#include "support/TestSupport.h"

#include "DatabaseMaintenance.h"
#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmSteward.h"
#include "frmSteward_DBInitialisation.h"
#include "frmSteward_InstallSampleDB.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "levy/DatabaseToUse.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"
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

#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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

// What a completion message says after its own text.
QString InUse(const QString& path)
{
    return u"\r\n\r\nThe levy office now uses \"%1\"."_s.arg(QDir::toNativeSeparators(path));
}

// Rows written and two thirds deleted again: a file that compaction shrinks.
void LeaveFreePages(const QString& path)
{
    auto db = test::OpenLevy(path);
    auto c = db->MainConnection();
    c->Execute(u"BEGIN"_s);
    for (int i = 0; i < 3000; ++i)
        c->Execute(u"INSERT INTO Students ([Student ID], [Guardian Address]) VALUES ('S%1', '%2')"_s.arg(i).arg(
            QString(100, u'x')));
    c->Execute(u"COMMIT"_s);
    c->Execute(u"DELETE FROM Students WHERE rowid % 3 <> 0"_s);
}

struct stat Stat(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// A folder this user cannot write in. Mode bits do not stop root: a read-only mount does.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(path)
    {
        QDir().mkpath(path);
        if (::geteuid() == 0)
            mounted_ = ::mount("levy-test", QFile::encodeName(path).constData(), "tmpfs", MS_RDONLY, "size=64k") == 0;
        else
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    ~ReadOnlyFolder()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
        else
            QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool Usable() const { return mounted_ || ::geteuid() != 0; }

private:
    QString path_;
    bool mounted_ = false;
};

// One of the two install dialogs, by kind ("blank" or "sample").
std::unique_ptr<QDialog> InstallDialog(const QString& kind)
{
    if (kind == u"blank"_s)
        return std::make_unique<frmSteward_DBInitialisation>(nullptr);
    return std::make_unique<frmSteward_InstallSampleDB>(nullptr);
}
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
    void compactionKeepsTheFileWhatItWas_data();
    void compactionKeepsTheFileWhatItWas();
    void compactionThatWouldChangeTheFileIsRefused_data();
    void compactionThatWouldChangeTheFileIsRefused();
    void compactionRightAfterABlankInstallation();

    void resetPath();
    void resetPathRefusesWhatIsNoLevyDatabase_data();
    void resetPathRefusesWhatIsNoLevyDatabase();
    void consoleShowsTheDatabaseInUse();
    void storedPathIsTheFileChecked_data();
    void storedPathIsTheFileChecked();
    void installingAsksBeforeLeavingAWorkingDatabase_data();
    void installingAsksBeforeLeavingAWorkingDatabase();

    void sampleInstallation();
    void sampleInstallationRefusals();
    void sampleInstallationWithoutAtomicRename_data();
    void sampleInstallationWithoutAtomicRename();

    void installFormShowsItsControlsInOrder_data();
    void installFormShowsItsControlsInOrder();
    void locationBoxTakesATypedPath_data();
    void locationBoxTakesATypedPath();
    void unwritableFolderIsRefusedBeforeAnyWork_data();
    void unwritableFolderIsRefusedBeforeAnyWork();
    void savedNamesGetTheDialogsExtension_data();
    void savedNamesGetTheDialogsExtension();

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
    frmSteward_InstallSampleDB::SetPlacementFaultForTests({});
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
    // Opens at its design size, which it never outgrows (a small screen shrinks it).
    QCOMPARE(console.size(), console.maximumSize());
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
    QCOMPARE(box.text, u"Database succesfully created."_s + InUse(path));
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
    LeaveFreePages(path);
    test::OpenLevy(path)->QueryDefs(u"Report Query Object"_s)->SetSQL(u"SELECT * FROM Classes"_s);
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

void TestSteward::compactionKeepsTheFileWhatItWas_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("note");  // what the success box says after its first line
    QTest::newRow("through a symbolic link") << u"link"_s << QString();
    QTest::newRow("owned by a clerk, shared through a group") << u"group"_s << QString();
    QTest::newRow("the folder's last write-out fails") << u"sync"_s
                                                       << u"The compaction was stopped at step 5 (a fault injected "
                                                          u"for testing). The compacted database is in place"_s;
}

void TestSteward::compactionKeepsTheFileWhatItWas()
{
    QFETCH(QString, kind);
    QFETCH(QString, note);
    QDir().mkdir(sandbox_->Path(u"data"_s));
    const QString real = sandbox_->Path(u"data/levy.mdb"_s);
    test::MakeBlankDatabase(real);
    LeaveFreePages(real);
    QString path = real;
    if (kind == u"link"_s) {
        path = sandbox_->Path(u"levy.mdb"_s);
        QVERIFY(QFile::link(u"data/levy.mdb"_s, path));
    }
    const group* users = ::getgrnam("users");
    const passwd* clerk = ::getpwnam("daemon");
    if (kind == u"group"_s) {
        QVERIFY(users && clerk);
        QCOMPARE(::chown(QFile::encodeName(real).constData(), clerk->pw_uid, users->gr_gid), 0);
        QCOMPARE(::chmod(QFile::encodeName(real).constData(), 0660), 0);
    }
    if (kind == u"sync"_s)
        DBEngine::SetCompactionFaultForTests(5);
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, path);
    const struct stat before = Stat(real);

    frmSteward console;
    console.mnAdmin_RepairOptimiseDatabase->trigger();
    const MessageRequest box = test::OnlyMessage();
    if (note.isEmpty())
        QCOMPARE(box.text, u"Database successfully compacted."_s);
    else
        QVERIFY2(box.text.startsWith(u"Database successfully compacted.\r\n\r\n"_s + note), qPrintable(box.text));
    QCOMPARE(box.icon, Icon::Information);
    const struct stat after = Stat(real);
    QVERIFY(after.st_size < before.st_size);
    QCOMPARE(test::Scalar(path, u"SELECT count(*) FROM Students"_s), u"1000"_s);
    QCOMPARE(FolderEntries(sandbox_->Path(u"data"_s)), QStringList({u"levy.mdb"_s}));
    if (kind == u"link"_s) {
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(QFileInfo(path).symLinkTarget(), QFileInfo(real).canonicalFilePath());
        QCOMPARE(FolderEntries(sandbox_->Folder()), QStringList({u"levy.mdb"_s}));
    }
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(after.st_mode, before.st_mode);
    if (kind == u"group"_s)
        QCOMPARE(after.st_gid, users->gr_gid);
}

void TestSteward::compactionThatWouldChangeTheFileIsRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("a file with two names") << u"hard link"_s
                                           << u"The database \"%1\" is not compacted: the file has 2 names on this "
                                              u"disk (hard links), and a compacted copy under one name would leave "
                                              u"the others holding the old data. The database is as it was. Remove "
                                              u"the other names, then compact again."_s;
    QTest::newRow("a group the copy cannot be given")
        << u"group"_s
        << u"The database \"%1\" is not compacted: the compacted copy could not be given the file's owner root and "
           u"group users (Operation not permitted), and without them the people who share the file could not open "
           u"it. The database is as it was. Compact it as the file's owner or as the system's administrator."_s;
}

void TestSteward::compactionThatWouldChangeTheFileIsRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    const QString path = Database();
    LeaveFreePages(path);
    if (kind == u"hard link"_s) {
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(sandbox_->Path(u"other.mdb"_s)).constData()), 0);
    } else {
        const group* users = ::getgrnam("users");
        QVERIFY(users);
        QCOMPARE(::chown(QFile::encodeName(path).constData(), 0, users->gr_gid), 0);
        DBEngine::SetCompactionFaultForTests(4);  // as for an administrator who is not in that group
    }
    const QByteArray before = Bytes(path);
    const struct stat was = Stat(path);
    frmSteward console;
    console.mnAdmin_RepairOptimiseDatabase->trigger();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, message.arg(path));
    QCOMPARE(box.icon, Icon::Critical);
    QCOMPARE(Bytes(path), before);
    QCOMPARE(Stat(path).st_ino, was.st_ino);
    QCOMPARE(Stat(path).st_gid, was.st_gid);
    QStringList expected{u"levy.mdb"_s};
    if (kind == u"hard link"_s)
        expected.append(u"other.mdb"_s);
    QCOMPARE(FolderEntries(sandbox_->Folder()), expected);
}

void TestSteward::compactionRightAfterABlankInstallation()
{
    const QString path = sandbox_->Path(u"levy.mdb"_s);
    frmSteward console;
    test::WhenModal<frmSteward_DBInitialisation>([path](frmSteward_DBInitialisation* dialog) {
        CommonDialog::QueueFileName(path);
        dialog->cmdBrowse->click();
        dialog->cmdCreateDatabase->click();
    });
    console.mnuAdmin_InstallBlankDatabase->trigger();
    QCOMPARE(test::OnlyMessage().text, u"Database succesfully created."_s + InUse(path));
    QVERIFY(levyDatabase && levyDatabase->IsOpen());
    MessageLog::Clear();
    console.mnAdmin_RepairOptimiseDatabase->trigger();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"Database successfully compacted."_s);
    QCOMPARE(box.icon, Icon::Information);
    QCOMPARE(FolderEntries(sandbox_->Folder()), QStringList({u"levy.mdb"_s}));
    QCOMPARE(test::Scalar(path, u"SELECT count(*) FROM Users"_s), u"0"_s);
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
    QCOMPARE(shown.filterIndex, 1);
    QCOMPARE(shown.kind, u"save"_s);
    // It opens beside the database in use and picks a file to use, saving nothing.
    QCOMPARE(shown.initDir, sandbox_->Folder());
    QCOMPARE(shown.acceptLabel, u"Use"_s);

    // A name that does not exist is refused by the dialog itself, which asks again.
    const QString other = sandbox_->Path(u"other.mdb"_s);
    test::MakeBlankDatabase(other);
    CommonDialog::QueueFileName(sandbox_->Path(u"missing.mdb"_s));
    CommonDialog::QueueFileName(other);
    ResetDatabasePath(dialog);
    const auto boxes = MessageLog::Shown();
    QCOMPARE(boxes.size(), 2);
    QVERIFY(boxes[0].text.contains(u"File not found."_s));
    QCOMPARE(boxes[1].text, u"New Database Path Set"_s + InUse(other));
    QCOMPARE(boxes[1].icon, Icon::Information);
    QCOMPARE(StoredPath(), other);
}

void TestSteward::resetPathRefusesWhatIsNoLevyDatabase_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("an exported text file") << u"text"_s
                                           << u"is not a levy database: it could not be opened with the levy "
                                              u"system's key."_s;
    QTest::newRow("a plain database") << u"plain"_s
                                      << u"is not a levy database: it could not be opened with the levy system's key."_s;
    QTest::newRow("enciphered with another key") << u"other key"_s
                                                 << u"is not a levy database: it could not be opened with the levy "
                                                    u"system's key."_s;
    QTest::newRow("a levy file without its accounts") << u"no users"_s
                                                      << u"is a database, but it has no table \"Users\": it is not a "
                                                         u"levy database."_s;
}

// Stored, any of these would keep every program of the office from starting.
void TestSteward::resetPathRefusesWhatIsNoLevyDatabase()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString old = Database();
    const QString chosen = sandbox_->Path(u"chosen.mdb"_s);
    if (kind == u"text"_s) {
        QFile f(chosen);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Student ID,Owed\r\nS1,120.50\r\n");
    } else if (kind == u"plain"_s || kind == u"other key"_s) {
        auto db = Database::Create(chosen, kind == u"plain"_s ? QByteArray() : QByteArray("12345678"));
        db->MainConnection()->Execute(u"CREATE TABLE Users (x)"_s);
        db->Close();
    } else {
        test::MakeBlankDatabase(chosen);
        auto db = test::OpenLevy(chosen);
        db->MainConnection()->Execute(u"DROP TABLE Users"_s);
        db->Close();
    }
    CommonDialog dialog(nullptr, u"dlgAdmin"_s);
    CommonDialog::QueueFileName(chosen);
    MessageLog::Clear();
    ResetDatabasePath(dialog);
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.title, u"Path Not Changed"_s);
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(box.text, u"\""_s + QDir::toNativeSeparators(chosen) + u"\" "_s + reason +
                           u"\r\n\r\nThe database path was not changed."_s);
    QCOMPARE(StoredPath(), old);
}

void TestSteward::consoleShowsTheDatabaseInUse()
{
    const QString old = Database();
    const QString other = sandbox_->Path(u"other.mdb"_s);
    test::MakeBlankDatabase(other);
    frmSteward console;
    LogInAs(u"Head1"_s);
    console.show();
    QLabel* shown = console.lblDatabaseInUse;
    QTRY_COMPARE(shown->text(), u"Database in use: "_s + old);
    QCOMPARE(shown->toolTip(), old);

    // A reset changes it at once; a refused one does not.
    CommonDialog::QueueFileName(other);
    console.mnuAdmin_ResetDatabasePath->trigger();
    QCOMPARE(shown->text(), u"Database in use: "_s + other);
    test::WriteFile(sandbox_->Path(u"owed.txt"_s), "Student ID,Owed\r\n");
    CommonDialog::QueueFileName(sandbox_->Path(u"owed.txt"_s));
    console.mnuAdmin_ResetDatabasePath->trigger();
    QCOMPARE(shown->text(), u"Database in use: "_s + other);
    QCOMPARE(StoredPath(), other);

    // What became of the file shows after the next command, here a cancelled reset.
    QFile::remove(other);
    CommonDialog::QueueFileName(QString());
    console.mnuAdmin_ResetDatabasePath->trigger();
    QCOMPARE(shown->text(), u"Database in use: "_s + other + u" (missing)"_s);
    QCOMPARE(shown->toolTip(), other + u"\n\""_s + other + u"\" does not exist."_s);
    test::WriteFile(other, QByteArray(4096, 'x'));
    CommonDialog::QueueFileName(QString());
    console.mnuAdmin_ResetDatabasePath->trigger();
    QCOMPARE(shown->text(), u"Database in use: "_s + other + u" (not a levy database)"_s);
    QCOMPARE(shown->toolTip(), other + u"\n\""_s + other +
                                   u"\" is not a levy database: it could not be opened with the levy system's key."_s);
}

void TestSteward::storedPathIsTheFileChecked_data()
{
    // "%c" is the chosen name, "%f" its folder, "%o" the other file that a link leads to.
    QTest::addColumn<QString>("command");    // reset, blank or sample
    QTest::addColumn<QString>("meanwhile");  // what happens to the chosen name, and when
    QTest::addColumn<QString>("box");        // "title|text" of the last box
    QTest::addColumn<bool>("stored");        // the other file became the database in use
    const QString notChanged = u"\r\n\r\nThe database path was not changed."_s;
    QTest::newRow("reset, the folder went after the dialog")
        << u"reset"_s << u"folder gone"_s
        << u"Path Not Changed|The folder \"%f\" no longer exists, so \"%c\" cannot be used."_s + notChanged << false;
    QTest::newRow("reset, a link to a text file took its place after the dialog")
        << u"reset"_s << u"link to text"_s
        << u"Path Not Changed|\"%c\" leads to \"%o\".\r\n\"%o\" is not a levy database: it could not be opened with "
           u"the levy system's key."_s + notChanged
        << false;
    QTest::newRow("reset, a link to another levy database took its place after the dialog")
        << u"reset"_s << u"link to levy"_s << u"Stewardry|New Database Path Set"_s + InUse(u"%o"_s) << true;
    QTest::newRow("reset, a link took its place during the check")
        << u"reset"_s << u"link while checked"_s
        << u"Path Not Changed|\"%c\" changed while it was being checked: another file or a link took its place. "
           u"Choose it again."_s + notChanged
        << false;
    for (const QString& command : {u"blank"_s, u"sample"_s})
        QTest::addRow("%s, a link to another levy database took its place before it was stored", qPrintable(command))
            << command << u"link to levy"_s
            << u"Stewardry|\"%c\" leads to \"%o\".\r\n\"%c\" is no longer the database that was just made: another "
               u"file took its place."_s + notChanged
            << false;
}

// Between choosing a file and storing its name, the name may come to stand for another
// file: what is stored is always the very file that was checked, or nothing.
void TestSteward::storedPathIsTheFileChecked()
{
    QFETCH(QString, command);
    QFETCH(QString, meanwhile);
    QFETCH(QString, box);
    QFETCH(bool, stored);
    const QString old = Database();
    QDir().mkpath(sandbox_->Path(u"branch"_s));
    const QString chosen = sandbox_->Path(u"branch/chosen.mdb"_s);
    if (command == u"reset"_s)
        test::MakeBlankDatabase(chosen);
    const QString other = sandbox_->Path(meanwhile == u"link to levy"_s ? u"other.mdb"_s : u"owed.txt"_s);
    if (meanwhile == u"link to levy"_s)
        test::MakeBlankDatabase(other);
    else
        test::WriteFile(other, "Student ID,Owed\r\nS1,120.50\r\n");
    auto replace = [&](const QString& path) {
        QVERIFY(meanwhile == u"folder gone"_s ? QDir(QFileInfo(path).absolutePath()).removeRecursively()
                                               : QFile::remove(path) && QFile::link(other, path));
    };
    frmSteward console;
    LogInAs(u"Head1"_s);
    console.show();
    QTRY_COMPARE(console.lblDatabaseInUse->text(), u"Database in use: "_s + old);
    MessageLog::Clear();
    std::shared_ptr<bool> shown = std::make_shared<bool>(true);
    if (command == u"reset"_s) {
        if (meanwhile == u"link while checked"_s)
            SetWhileCheckingForTests(replace);
        else
            CommonDialog::WhenChosen(replace);
        CommonDialog::QueueFileName(chosen);
        console.mnuAdmin_ResetDatabasePath->trigger();
    } else {
        // The file is made; while the administrator is asked whether to use it, a link
        // to another database takes its name.
        MessageLog::SetOnShown([&](const MessageRequest& request) {
            if (request.icon == Icon::Question)
                replace(chosen);
        });
        shown = test::WhenModal(command == u"blank"_s ? u"levy::frmSteward_DBInitialisation"_s
                                                      : u"levy::frmSteward_InstallSampleDB"_s,
                                [&](QWidget* dialog) {
                                    auto* location = dialog->findChild<QLineEdit*>(u"txtDBLocation"_s);
                                    QTest::keyClicks(location, chosen);
                                    MessageLog::QueueAnswer(Answer::Yes);
                                    QTest::keyClick(location, Qt::Key_Return);
                                    dialog->close();
                                });
        (command == u"blank"_s ? console.mnuAdmin_InstallBlankDatabase : console.mnuAdmin_InstallSampleDatabase)
            ->trigger();
        MessageLog::SetOnShown(nullptr);
    }
    SetWhileCheckingForTests(nullptr);
    QVERIFY(*shown);
    const MessageRequest last = MessageLog::Shown().value(MessageLog::Shown().size() - 1);
    QCOMPARE(last.title + u'|' + last.text,
             QString(box)
                 .replace(u"%c"_s, chosen)
                 .replace(u"%f"_s, QFileInfo(chosen).absolutePath())
                 .replace(u"%o"_s, other));
    QCOMPARE(last.icon, stored ? Icon::Information : Icon::Exclamation);
    QCOMPARE(StoredPath(), stored ? other : old);
    QCOMPARE(console.lblDatabaseInUse->text(), u"Database in use: "_s + (stored ? other : old));
}

void TestSteward::installingAsksBeforeLeavingAWorkingDatabase_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("working");  // the database in use opens
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("switched");
    QTest::newRow("blank, kept") << u"blank"_s << true << Answer::No << false;
    QTest::newRow("blank, switched") << u"blank"_s << true << Answer::Yes << true;
    QTest::newRow("sample, kept") << u"sample"_s << true << Answer::No << false;
    QTest::newRow("sample, nothing working in use") << u"sample"_s << false << Answer::No << true;
}

void TestSteward::installingAsksBeforeLeavingAWorkingDatabase()
{
    QFETCH(QString, kind);
    QFETCH(bool, working);
    QFETCH(Answer, answer);
    QFETCH(bool, switched);
    const QString old = Database();
    if (!working)
        QFile::remove(old);
    const QString made = sandbox_->Path(u"trial.mdb"_s);
    frmSteward console;
    LogInAs(u"Head1"_s);
    console.show();
    QTRY_COMPARE(console.barBottomStatusBar->SessionText(), u"Logged in as Admin"_s);
    const QString title = kind == u"blank"_s ? u"Install Blank Database"_s : u"Install Sample Database"_s;
    auto shown = test::WhenModal(
        kind == u"blank"_s ? u"levy::frmSteward_DBInitialisation"_s : u"levy::frmSteward_InstallSampleDB"_s,
        [&](QWidget* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(u"txtDBLocation"_s), sandbox_->Path(u"trial"_s));
            MessageLog::QueueAnswer(answer);
            QTest::keyClick(dialog->findChild<QLineEdit*>(u"txtDBLocation"_s), Qt::Key_Return);
        });
    (kind == u"blank"_s ? console.mnuAdmin_InstallBlankDatabase : console.mnuAdmin_InstallSampleDatabase)->trigger();
    QVERIFY(*shown);
    CloseLevyDatabase();
    QVERIFY(test::Scalar(made, u"SELECT count(*) FROM Users"_s).size() > 0);
    const QString done = kind == u"blank"_s ? u"Database succesfully created."_s
                                            : u"Sample database succesfully installed."_s;
    QList<MessageRequest> boxes = MessageLog::Shown();
    if (working) {
        const MessageRequest question = boxes.takeFirst();
        QCOMPARE(question.text, u"The levy office now uses \"%1\". Use the new database instead?"_s.arg(old));
        QCOMPARE(question.title, title);
        QCOMPARE(question.icon, Icon::Question);
        QCOMPARE(question.buttons, Buttons::YesNo);
        QCOMPARE(question.defaultButton, DefaultButton::Second);
    }
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, Icon::Information);
    QCOMPARE(boxes[0].text, done + (switched ? InUse(made)
                                             : u"\r\n\r\n\"%1\" was made; the levy office still uses \"%2\"."_s.arg(
                                                   made, old)));
    QCOMPARE(StoredPath(), switched ? made : old);
    QCOMPARE(console.lblDatabaseInUse->text(),
             u"Database in use: "_s + (switched ? made : old) + (working || switched ? u""_s : u" (missing)"_s));
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
    QCOMPARE(box.text, u"Sample database succesfully installed."_s + InUse(target));
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

void TestSteward::sampleInstallationWithoutAtomicRename_data()
{
    // What the file system answers to each call that puts the copy in place; "appears"
    // makes another program's file appear at the target just before that call.
    QTest::addColumn<QString>("rename");
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("installed");
    QTest::newRow("no rename that refuses to replace") << u"EINVAL"_s << QString() << true;
    QTest::newRow("a FUSE file system: no hard links either") << u"ENOSYS"_s << u"EPERM"_s << true;
    QTest::newRow("a network file system: no hard links either") << u"EOPNOTSUPP"_s << u"EOPNOTSUPP"_s << true;
    QTest::newRow("a file appears before the link") << u"EINVAL appears"_s << QString() << false;
    QTest::newRow("a file appears before the new file") << u"EINVAL"_s << u"EPERM appears"_s << false;
}

void TestSteward::sampleInstallationWithoutAtomicRename()
{
    QFETCH(QString, rename);
    QFETCH(QString, link);
    QFETCH(bool, installed);
    const QString target = sandbox_->Path(u"practice.mdb"_s);
    const QHash<QString, int> numbers{{u"EINVAL"_s, EINVAL}, {u"ENOSYS"_s, ENOSYS}, {u"EPERM"_s, EPERM},
                                      {u"EOPNOTSUPP"_s, EOPNOTSUPP}};
    frmSteward_InstallSampleDB::SetPlacementFaultForTests([=](const char* call) {
        const QString answer = QString::fromLatin1(call) == u"rename"_s ? rename
                               : QString::fromLatin1(call) == u"link"_s ? link
                                                                         : QString();
        if (answer.endsWith(u" appears"_s))
            test::WriteFile(target, "someone's");
        return numbers.value(answer.section(u' ', 0, 0));
    });
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, u"/srv/levy.mdb"_s);
    frmSteward_InstallSampleDB dialog(nullptr);
    CommonDialog::QueueFileName(target);
    dialog.cmdBrowse->click();
    dialog.cmdCreateDatabase->click();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(FolderEntries(sandbox_->Folder()), QStringList({u"practice.mdb"_s}));
    if (installed) {
        QCOMPARE(box.text, u"Sample database succesfully installed."_s + InUse(target));
        QCOMPARE(Bytes(target), Bytes(GetSampleDatabasePath()));
        QCOMPARE(QFile::permissions(target) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(StoredPath(), target);
    } else {
        QCOMPARE(box.text, u"The sample database could not be put at \"%1\": File exists."_s.arg(target));
        QCOMPARE(box.icon, Icon::Exclamation);
        QCOMPARE(Bytes(target), QByteArray("someone's"));
        QCOMPARE(StoredPath(), u"/srv/levy.mdb"_s);
    }
}

void TestSteward::installFormShowsItsControlsInOrder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("buttons");  // Tab's order, which is also the order on screen
    QTest::addColumn<QString>("helpTip");
    QTest::newRow("blank") << u"blank"_s << u"Install Blank Database"_s
                           << QStringList{u"cmdBrowse"_s, u"cmdCreateDatabase"_s, u"cmdCancel"_s, u"cmdHelp"_s}
                           << u"Click here to launch help"_s;
    QTest::newRow("sample") << u"sample"_s << u"Install Sample Database"_s
                            << QStringList{u"cmdBrowse"_s, u"cmdCreateDatabase"_s, u"cmdHelp"_s, u"cmdCancel"_s}
                            << u"Click here to get help"_s;
}

void TestSteward::installFormShowsItsControlsInOrder()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QStringList, buttons);
    QFETCH(QString, helpTip);
    const auto dialog = InstallDialog(kind);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QCOMPARE(dialog->windowTitle(), title);
    QCOMPARE(dialog->size(), dialog->maximumSize());
    QCOMPARE(dialog->focusWidget(), dialog->findChild<QWidget*>(u"txtDBLocation"_s));
    QVERIFY(dialog->findChild<QPushButton*>(u"cmdCreateDatabase"_s)->isDefault());
    const QMap<QString, QPair<QString, QString>> captions{
        {u"cmdBrowse"_s, {u"Browse..."_s, u"Click here to choose the location"_s}},
        {u"cmdCreateDatabase"_s, {u"Install Database"_s, u"Click here to create the database"_s}},
        {u"cmdHelp"_s, {u"Help"_s, helpTip}},
        {u"cmdCancel"_s, {u"Cancel"_s, u"Click here to exit without creating a database"_s}}};
    QWidget* previous = nullptr;
    for (const QString& name : buttons) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        QVERIFY(button);
        QCOMPARE(button->objectName(), name);
        QCOMPARE(button->text(), captions[name].first);
        QCOMPARE(button->toolTip(), captions[name].second);
        QVERIFY(button->autoDefault());  // takes Enter while it has the focus
        if (previous && previous->objectName() != u"cmdBrowse"_s)
            QVERIFY(previous->x() < button->x());
        previous = button;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"txtDBLocation"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestSteward::locationBoxTakesATypedPath_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("blank") << u"blank"_s;
    QTest::newRow("sample") << u"sample"_s;
}

void TestSteward::locationBoxTakesATypedPath()
{
    QFETCH(QString, kind);
    const auto dialog = InstallDialog(kind);
    auto* box = dialog->findChild<ClickableLineEdit*>(u"txtDBLocation"_s);
    auto* browse = dialog->findChild<QPushButton*>(u"cmdBrowse"_s);
    auto* install = dialog->findChild<QPushButton*>(u"cmdCreateDatabase"_s);
    QVERIFY(box && browse && install);
    QVERIFY(!box->isReadOnly());
    QCOMPARE(box->toolTip(), u"Click here to enter the file name."_s);
    QCOMPARE(browse->text(), u"Browse..."_s);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

    // A click on the empty box browses, and the name typed in the location dialog gets
    // the database's extension; a click in a box that holds a name only places the caret.
    CommonDialog::QueueFileName(sandbox_->Path(u"chosen"_s));
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(box->text(), sandbox_->Path(u"chosen.mdb"_s));
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(CommonDialog::ShownDialogs().size(), 1);
    QCOMPARE(CommonDialog::ShownDialogs().last().title, u"Specify the location for the database"_s);

    // A typed location is checked as the location dialog checks a chosen one.
    box->clear();
    QTest::keyClicks(box, sandbox_->Path(u"no such folder/levy.mdb"_s));
    install->click();
    MessageRequest message = test::OnlyMessage();
    QCOMPARE(message.text, sandbox_->Path(u"no such folder/levy.mdb"_s) +
                               u"\r\nPath does not exist.\r\nCheck the path and try again."_s);
    QCOMPARE(message.icon, Icon::Exclamation);
    QCOMPARE(message.title, u"Specify the location for the database"_s);
    QVERIFY(dialog->isVisible());
    QCOMPARE(StoredPath(), QString());

    // Typed without an extension, the name gets the database's, as in the location dialog.
    const QString typed = sandbox_->Path(u"typed.mdb"_s);
    box->clear();
    QTest::keyClicks(box, sandbox_->Path(u"typed"_s));
    MessageLog::Clear();
    install->click();
    message = test::OnlyMessage();
    QCOMPARE(message.text, (kind == u"blank"_s ? u"Database succesfully created."_s
                                               : u"Sample database succesfully installed."_s) + InUse(typed));
    QCOMPARE(box->text(), typed);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(StoredPath(), typed);
    CloseLevyDatabase();
    QCOMPARE(test::Scalar(typed, u"SELECT count(*) FROM Classes"_s).isEmpty(), false);
}

void TestSteward::unwritableFolderIsRefusedBeforeAnyWork_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("typed");
    QTest::newRow("blank, chosen") << u"blank"_s << false;
    QTest::newRow("blank, typed") << u"blank"_s << true;
    QTest::newRow("sample, chosen") << u"sample"_s << false;
    QTest::newRow("sample, typed") << u"sample"_s << true;
}

void TestSteward::unwritableFolderIsRefusedBeforeAnyWork()
{
    QFETCH(QString, kind);
    QFETCH(bool, typed);
    const QString folder = sandbox_->Path(u"read-only"_s);
    ReadOnlyFolder readOnly(folder);
    if (!readOnly.Usable())
        QSKIP("no read-only folder can be made here");
    const QString target = folder + u"/levy.mdb"_s;
    const QString refusal = folder + u"\r\nYou cannot write in this folder.\r\nChoose another folder."_s;
    const auto dialog = InstallDialog(kind);
    auto* box = dialog->findChild<ClickableLineEdit*>(u"txtDBLocation"_s);
    dialog->show();
    if (typed) {
        QTest::keyClicks(box, target);
    } else {
        // The location dialog refuses it and asks again; the second answer cancels.
        CommonDialog::QueueFileName(target);
        CommonDialog::QueueFileName(QString());
        dialog->findChild<QPushButton*>(u"cmdBrowse"_s)->click();
        QCOMPARE(test::OnlyMessage().text, refusal);
        QCOMPARE(box->text(), QString());
        // A name chosen before its folder was made read-only is checked again.
        box->setText(target);
        MessageLog::Clear();
    }
    dialog->findChild<QPushButton*>(u"cmdCreateDatabase"_s)->click();
    const MessageRequest message = test::OnlyMessage();
    QCOMPARE(message.text, refusal);
    QCOMPARE(message.icon, Icon::Exclamation);
    QVERIFY(!levyDatabase);
    QCOMPARE(StoredPath(), QString());
    QVERIFY(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void TestSteward::savedNamesGetTheDialogsExtension_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen");
    const QString databases = u"Databases (*.mdb)|*.mdb|All Files|(*.*)"_s;
    const QString sql = u"Sql Files (*.sql)|*.sql|Text Files (*.TXT)|*.txt"_s;
    QTest::newRow("a database") << databases << 1 << true << u"levy"_s << u"levy.mdb"_s;
    QTest::newRow("a database named with its extension") << databases << 1 << true << u"levy.mdb"_s << u"levy.mdb"_s;
    QTest::newRow("a database named with another") << databases << 1 << true << u"levy.bak"_s << u"levy.bak"_s;
    QTest::newRow("all files") << databases << 2 << true << u"levy"_s << u"levy"_s;
    QTest::newRow("a statement") << sql << 1 << true << u"query"_s << u"query.sql"_s;
    QTest::newRow("a statement as text") << sql << 2 << true << u"query"_s << u"query.txt"_s;
    QTest::newRow("a text export") << u"Text Files (*.TXT)|*.txt"_s << 1 << true << u"result"_s << u"result.txt"_s;
    QTest::newRow("a workbook export") << u"Excel Files (*.xlsx)|*.xlsx"_s << 1 << true << u"result"_s
                                       << u"result.xlsx"_s;
    QTest::newRow("a dot in the folder's name") << sql << 1 << true << u"v1.2/query"_s << u"v1.2/query.sql"_s;
    QTest::newRow("an open dialog adds nothing") << sql << 1 << false << u"query"_s << u"query"_s;
}

void TestSteward::savedNamesGetTheDialogsExtension()
{
    QFETCH(QString, filter);
    QFETCH(int, index);
    QFETCH(bool, save);
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QDir().mkdir(sandbox_->Path(u"v1.2"_s));
    CommonDialog dialog(nullptr, u"dlgTest"_s);
    dialog.Filter = filter;
    dialog.FilterIndex = index;
    CommonDialog::QueueFileName(sandbox_->Path(typed));
    save ? dialog.ShowSave() : dialog.ShowOpen();
    QCOMPARE(dialog.FileName, sandbox_->Path(chosen));
}

QTEST_MAIN(TestSteward)
#include "test_steward.moc"
