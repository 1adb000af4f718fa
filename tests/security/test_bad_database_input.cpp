#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "DatabaseMaintenance.h"
#include "levy/DatabaseAccess.h"
#include "engine/SqliteHandle.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmSteward.h"
#include "frmSteward_DBInitialisation.h"
#include "frmSteward_InstallSampleDB.h"
#include "frmSteward_UserAccounts.h"
#include "frmSystem_StartUp.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/InstanceLock.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/CommonDialog.h"
#include "widgets/StatusBar.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString delverProduct = u"Ashcombe Levy Management System Delver Utility"_s;
const QString stewardProduct = u"Ashcombe Levy Management System Stewardry"_s;

QByteArray Hash(const QString& path) { return QCryptographicHash::hash(test::FileBytes(path), QCryptographicHash::Sha256); }

// Everything of a folder and the settings file, to show that nothing was written.
struct Snapshot {
    QStringList folder, workingFolder;
    QByteArray settings;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const QString& folder)
{
    return {test::FolderEntries(folder), test::FolderEntries(QDir::currentPath()), test::FileBytes(SettingsFilePath(settingsApplication))};
}

// Bytes that are not random-looking enough to pass for an encrypted page by chance.
QByteArray Noise(qsizetype size, int seed)
{
    QByteArray out(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        out[i] = char((i * 131 + seed * 17 + (i >> 7)) & 0xFF);
    return out;
}

// A file at `path` of the given kind: not a database, another kind of database, or a
// levy database damaged or missing a table.
void MakeBadFile(const QString& kind, const QString& path)
{
    if (kind == u"text"_s) {
        test::WriteFile(path, "These are the minutes of the levy committee.\n");
        return;
    }
    if (kind == u"zero length"_s) {
        test::WriteFile(path, {});
        return;
    }
    if (kind == u"plain SQLite"_s) {
        auto c = engine::Connection::Open(path, false, true, {});
        c->Execute(u"CREATE TABLE Users (\"User Name\" TEXT, \"User Password\" TEXT, \"User Rights\" TEXT)"_s);
        c->Execute(u"INSERT INTO Users VALUES ('Clerk', 'x', '1')"_s);
        c->Close();
        return;
    }
    if (kind == u"another password"_s) {
        auto db = DBEngine::Instance().Workspaces(0).CreateDatabase(path, levyLocaleConnect + u";pwd=12345678"_s,
                                                                     dbEncrypt);
        db->Close();
        return;
    }
    test::DelverDatabase(QFileInfo(path).absolutePath());
    const QString made = QFileInfo(path).absolutePath() + u"/levy.mdb"_s;
    if (made != path)
        QFile::rename(made, path);
    if (kind.startsWith(u"missing "_s)) {
        auto db = test::OpenLevy(path);
        db->MainConnection()->Execute(u"DROP TABLE \"%1\""_s.arg(kind.mid(8)));
        db->Close();
        return;
    }
    QByteArray content = test::FileBytes(path);
    if (kind == u"damaged page"_s)
        content.replace(3 * 1024, 1024, Noise(1024, 3));
    else if (kind == u"header overwritten"_s)
        content.replace(0, 100, Noise(100, 1));
    else if (kind == u"cut at half"_s)
        content.truncate(content.size() / 2);
    else if (kind == u"cut at 100 bytes"_s)
        content.truncate(100);
    QFile::remove(path);
    test::WriteFile(path, content);
}

QString StoredPath() { return GetSetting(settingsApplication, settingsSection, settingsDBPath); }
} // namespace

// Whatever the settings name as the levy database, and whatever lies there, every
// program that reaches it says what is wrong in one box and writes nothing.
class TestBadDatabaseInput : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void damagedFiles_data();
    void damagedFiles();
    void badLocations_data();
    void badLocations();
    void oddButWorkingPaths_data();
    void oddButWorkingPaths();
    void oddInstallTargets_data();
    void oddInstallTargets();
    void badSettingsFileAtStartUp_data();
    void badSettingsFileAtStartUp();

private:
    // Runs one entry point against the stored location; the boxes it showed are read
    // back from the log afterwards.
    void Reach(const QString& entry, bool logsIn = false);
    std::unique_ptr<test::Sandbox> sandbox_;
    QString oldWorkingFolder_;
};

void TestBadDatabaseInput::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    SetPrevInstanceForTests(false);
    AppInfo::SetPathForTests(QStringLiteral(LEVY_PROGRAM_DIR));
    CommonDialog::ClearQueue();
    // The compaction's working files would go to the working folder: make it one to watch.
    oldWorkingFolder_ = QDir::currentPath();
    QDir().mkdir(sandbox_->Path(u"work"_s));
    QDir::setCurrent(sandbox_->Path(u"work"_s));
}

void TestBadDatabaseInput::cleanup()
{
    QDir::setCurrent(oldWorkingFolder_);
    CommonDialog::ClearQueue();
    LogOffUser();
    CloseLevyDatabase();
    AppInfo::SetPathForTests({});
    sandbox_.reset();
}

void TestBadDatabaseInput::Reach(const QString& entry, bool logsIn)
{
    if (entry == u"Delver start-up"_s) {
        AppInfo::Set(u"Delver"_s, delverProduct);
        MessageLog::QueueAnswer(Answer::Cancel);  // in a Retry/Cancel box, if one comes
        // Answered only where it comes: a pending answer would act on a later test's log-in.
        if (logsIn)
            test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
        frmSystem_StartUp splash;
        splash.show();
        QTRY_VERIFY(!splash.isVisible() || EndProgramCalled());
        return;
    }
    AppInfo::Set(u"Stewardry"_s, stewardProduct);
    try {
        if (entry == u"user accounts"_s) {
            frmSteward_UserAccounts window(nullptr);
            if (window.Loaded())
                MsgBox(u"loaded"_s);
        } else {
            RepairOptimiseDatabase();
        }
    } catch (const ProgramEnded&) {
    }
}

void TestBadDatabaseInput::damagedFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("message");  // %1 is the file's path
    const QString notLevy = u"The file \"%1\" is not a levy database, or it was opened with the wrong password."_s;
    const QString empty = u"The file \"%1\" is empty: it is not a levy database."_s;
    const QString noUsers = u"The levy database has no table \"Users\": it may be damaged or not a levy database."_s;
    const QString noStudents =
        u"The levy database has no table \"Students\": it may be damaged or not a levy database."_s;
    const QList<std::pair<QString, QString>> kinds = {
        {u"damaged page"_s, u"The levy database \"%1\" is damaged: ..."_s},
        {u"header overwritten"_s, notLevy},
        {u"cut at half"_s, u"The levy database \"%1\" is damaged: ..."_s},
        {u"cut at 100 bytes"_s, notLevy},
        {u"zero length"_s, empty},
        {u"another password"_s, notLevy},
        {u"plain SQLite"_s, notLevy},
        {u"text"_s, notLevy},
        {u"missing Users"_s, noUsers},
        {u"missing Students"_s, noStudents}};
    for (const QString& entry : {u"Delver start-up"_s, u"user accounts"_s, u"compaction"_s})
        for (auto [kind, message] : kinds) {
            // Only Delver needs every table; the console's windows need only theirs.
            if (kind == u"missing Students"_s && entry != u"Delver start-up"_s)
                message = entry == u"compaction"_s ? u"Database successfully compacted."_s : u"loaded"_s;
            if (kind == u"missing Users"_s && entry == u"compaction"_s)
                message = u"Database successfully compacted."_s;
            // The window reads no page but those of its own table until it lists them.
            if (kind == u"damaged page"_s && entry == u"user accounts"_s)
                message = u"loaded"_s;
            QTest::newRow(qPrintable(kind + u", "_s + entry)) << kind << entry << message;
        }
}

void TestBadDatabaseInput::damagedFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, entry);
    QFETCH(QString, message);
    const QString folder = sandbox_->Path(u"data"_s);
    QDir().mkdir(folder);
    const QString path = folder + u"/levy.mdb"_s;
    MakeBadFile(kind, path);
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, path);
    const QByteArray before = Hash(path);
    const Snapshot around = Take(folder);

    Reach(entry);

    const MessageRequest box = test::OnlyMessage();
    const QString expected = message.contains(u"%1"_s) ? message.arg(QDir::toNativeSeparators(path)) : message;
    if (expected.endsWith(u"..."_s))
        QVERIFY2(box.text.startsWith(expected.chopped(3)), qPrintable(box.text));
    else
        QCOMPARE(box.text, expected);
    const bool works = message.startsWith(u"Database successfully"_s) || message.startsWith(u"loaded"_s);
    if (entry == u"Delver start-up"_s) {
        QCOMPARE(box.title, u"Error"_s);
        QCOMPARE(box.icon, Icon::Exclamation);
        QCOMPARE(box.buttons, Buttons::RetryCancel);
        QVERIFY(EndProgramCalled());
        QVERIFY(CurrentUserName.isEmpty());
    } else if (entry == u"user accounts"_s) {
        QCOMPARE(box.title, u"Stewardry"_s);
        QCOMPARE(box.icon, works ? Icon::None : Icon::Exclamation);
        QCOMPARE(bool(levyDatabase), false);
    } else {
        QCOMPARE(box.title, u"Stewardry"_s);
        QCOMPARE(box.icon, works ? Icon::Information : Icon::Critical);
    }
    QVERIFY(!works || entry != u"Delver start-up"_s);
    // A compaction rewrites a working file, and only that.
    if (!(works && entry == u"compaction"_s))
        QCOMPARE(Hash(path), before);
    QCOMPARE(Take(folder), around);
    QCOMPARE(StoredPath(), path);
}

void TestBadDatabaseInput::badLocations_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("message");
    const QString corrupt = u"Registry entry corrupt. Please contact technical support"_s;
    const QString notSet = u"Database Path Not Set Please contact technical support"_s;
    const QString notFound = u"Database cannot be located. Please contact technical support"_s;
    const QList<std::pair<QString, QString>> values = {
        {u"FOLDER"_s, notFound},
        {u"/dev/null"_s, notFound},
        {u"/dev/zero"_s, notFound},
        {u"FOLDER/missing.mdb"_s, notFound},
        {u"FOLDER/levy.mdb/"_s, notFound},
        {u"FOLDER/"_s + QString(300, u'n') + u".mdb"_s, notFound},
        {u"FOLDER/"_s + QString(u"d/"_s).repeated(2100) + u"levy.mdb"_s, notFound},
        {u"FOLDER/missing\nlevy.mdb"_s, notFound},
        {QString(), corrupt},
        {u"\u00A4"_s, notSet}};
    for (const QString& entry : {u"Delver start-up"_s, u"user accounts"_s, u"compaction"_s})
        for (const auto& [value, message] : values) {
            QString name = value.left(40);
            name.replace(u'\n', u"\\n"_s);
            QTest::newRow(qPrintable((name.isEmpty() ? u"empty"_s : name) + u", "_s + entry))
                << value << entry << message;
        }
}

void TestBadDatabaseInput::badLocations()
{
    QFETCH(QString, value);
    QFETCH(QString, entry);
    QFETCH(QString, message);
    const QString folder = sandbox_->Path(u"data"_s);
    QDir().mkdir(folder);
    // A working database beside the odd location, to show nothing reaches it.
    test::DelverDatabase(folder);
    const QByteArray before = Hash(folder + u"/levy.mdb"_s);
    value.replace(u"FOLDER"_s, folder);
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, value);
    const Snapshot around = Take(folder);

    Reach(entry);

    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, u"Critical System Error"_s);
    QCOMPARE(box.icon, Icon::Critical);
    QVERIFY(EndProgramCalled());
    QVERIFY(!levyDatabase);
    QCOMPARE(Hash(folder + u"/levy.mdb"_s), before);
    QCOMPARE(Take(folder), around);
    QCOMPARE(StoredPath(), value);
}

void TestBadDatabaseInput::oddButWorkingPaths_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("entry");
    for (const QString& entry : {u"Delver start-up"_s, u"user accounts"_s, u"compaction"_s})
        for (const auto& [row, name] :
             {std::pair{"spaces", u"levy  data .mdb"_s}, std::pair{"quotes", u"it's \"levy\".mdb"_s},
              std::pair{"semicolon and equals", u"levy;pwd=1;x=.mdb"_s}, std::pair{"leading dash", u"-levy.mdb"_s},
              std::pair{"non-Latin letters", u"\u0421\u0431\u043E\u0440 \u5B66\u8CBB.mdb"_s},
              std::pair{"a newline", u"levy\nsecond line.mdb"_s}, std::pair{"URI-like", u"file:levy.mdb?mode=ro"_s},
              // Near the 255-byte limit: the hidden working copies beside them must fit too.
              std::pair{"a long name", QString(240, u'n') + u".mdb"_s},
              std::pair{"a long non-Latin name", QString(80, u'\u5B66') + u".mdb"_s}})
            QTest::newRow(qPrintable(QString::fromLatin1(row) + u", "_s + entry)) << name << entry;
}

// A path is only a path: whatever characters it holds, it opens the file it names.
void TestBadDatabaseInput::oddButWorkingPaths()
{
    QFETCH(QString, name);
    QFETCH(QString, entry);
    const QString folder = sandbox_->Path(u"data"_s);
    QDir().mkdir(folder);
    test::DelverDatabase(folder);
    const QString path = folder + u'/' + name;
    QVERIFY(QFile::rename(folder + u"/levy.mdb"_s, path));
    // Relative to the working folder, so that a leading "-" or "file:" begins the value.
    QDir::setCurrent(folder);
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, name);
    const QStringList entries = test::FolderEntries(folder);

    Reach(entry, true);

    if (entry == u"Delver start-up"_s) {
        QVERIFY(MessageLog::Shown().isEmpty());
        QVERIFY(!EndProgramCalled());
        QCOMPARE(CurrentUserName, u"Clerk"_s);
        QVERIFY(levyDatabase && levyDatabase->IsOpen());
        CloseLevyDatabase();
    } else {
        const MessageRequest box = test::OnlyMessage();
        QCOMPARE(box.text, entry == u"compaction"_s ? u"Database successfully compacted."_s : u"loaded"_s);
    }
    QCOMPARE(test::FolderEntries(folder), entries);
    QCOMPARE(test::Scalar(path, u"SELECT count(*) FROM Users"_s), u"3"_s);
    QCOMPARE(StoredPath(), name);
}

void TestBadDatabaseInput::oddInstallTargets_data()
{
    QTest::addColumn<QString>("install");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");  // the start of the one box's text; empty for success
    const QString exists = u"A file with the same name as that specified for the destination already exists."_s;
    const QString exits = u"Unable to create database because it already exits."_s;
    for (const QString& install : {u"blank"_s, u"sample"_s}) {
        const bool blank = install == u"blank"_s;
        auto row = [&](const char* name, const QString& target, const QString& message) {
            QTest::newRow(qPrintable(install + u": "_s + QString::fromLatin1(name))) << install << target << message;
        };
        row("a folder", u"FOLDER"_s, blank ? u"The file \"FOLDER\" already exists."_s : exists);
        row("a device", u"/dev/null"_s, blank ? u"The file \"/dev/null\" already exists."_s : exists);
        row("a missing folder", u"FOLDER/none/levy.mdb"_s,
            blank ? u"The database \"FOLDER/none/levy.mdb\" could not be created: No such file or directory."_s
                  : u"The sample database could not be copied to \"FOLDER/none/levy.mdb\": No such file or directory."_s);
        row("a name beyond the limit", u"FOLDER/"_s + QString(300, u'n') + u".mdb"_s,
            blank ? u"The database \"FOLDER/"_s + QString(300, u'n') + u".mdb\" could not be created: File name too long."_s
                  : u"The sample database could not be put at \"FOLDER/"_s + QString(300, u'n') +
                        u".mdb\": File name too long."_s);
        row("odd characters", u"FOLDER/-it's; a=\"levy\"\n\u5B66\u8CBB.mdb"_s, QString());
        row("a long name", u"FOLDER/"_s + QString(240, u'n') + u".mdb"_s, QString());
    }
}

void TestBadDatabaseInput::oddInstallTargets()
{
    QFETCH(QString, install);
    QFETCH(QString, target);
    QFETCH(QString, message);
    AppInfo::Set(u"Stewardry"_s, stewardProduct);
    const QString folder = sandbox_->Path(u"data"_s);
    QDir().mkdir(folder);
    target.replace(u"FOLDER"_s, folder);
    message.replace(u"FOLDER"_s, folder);
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, u"/srv/levy.mdb"_s);
    const Snapshot around = Take(folder);
    std::unique_ptr<QDialog> dialog;
    if (install == u"blank"_s) {
        auto* d = new frmSteward_DBInitialisation(nullptr);
        d->txtDBLocation->setText(target);
        dialog.reset(d);
        d->cmdCreateDatabase->click();
    } else {
        auto* d = new frmSteward_InstallSampleDB(nullptr);
        d->txtDBLocation->setText(target);
        dialog.reset(d);
        d->cmdCreateDatabase->click();
    }
    CloseLevyDatabase();
    const MessageRequest box = test::OnlyMessage();
    if (message.isEmpty()) {
        QVERIFY2(box.text.contains(u"succesfully created."_s) || box.text.contains(u"succesfully installed."_s),
                 qPrintable(box.text));
        QCOMPARE(StoredPath(), target);
        QCOMPARE(test::Scalar(target, u"SELECT count(*) FROM Classes"_s).isEmpty(), false);
        QCOMPARE(test::FolderEntries(folder), QStringList({QFileInfo(target).fileName()}));
        return;
    }
    QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
    QCOMPARE(Take(folder), around);
    QCOMPARE(StoredPath(), u"/srv/levy.mdb"_s);
    QVERIFY(QFileInfo(u"/dev/null"_s).exists() && !QFileInfo(u"/dev/null"_s).isFile());
}

void TestBadDatabaseInput::badSettingsFileAtStartUp_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("message");  // %1 is the settings file
    const QString damaged =
        u"The settings file \"%1\" is damaged and could not be read. Please contact technical support"_s;
    const QString folder = u"The settings file \"%1\" is not a file. Please contact technical support"_s;
    // The log-in turns every failure into the one message of an unknown account.
    const QString noAccount =
        u"There is no record of an account under that name. Please check that the supplied user name is correct."_s;
    for (const QString& program : {u"Delver"_s, u"Steward"_s}) {
        const bool delver = program == u"Delver"_s;
        QTest::newRow(qPrintable(u"garbage, "_s + program)) << u"garbage"_s << program << (delver ? damaged : noAccount);
        QTest::newRow(qPrintable(u"binary, "_s + program)) << u"binary"_s << program << (delver ? damaged : noAccount);
        QTest::newRow(qPrintable(u"a folder, "_s + program)) << u"folder"_s << program << (delver ? folder : noAccount);
        QTest::newRow(qPrintable(u"unreadable, "_s + program))
            << u"unreadable"_s << program
            << (delver ? u"The settings file \"%1\" could not be read: access was refused. Please contact technical support"_s
                       : noAccount);
    }
}

void TestBadDatabaseInput::badSettingsFileAtStartUp()
{
    QFETCH(QString, kind);
    QFETCH(QString, program);
    QFETCH(QString, message);
    if (kind == u"unreadable"_s && geteuid() == 0)
        QSKIP("root reads through file permissions; the folder rows cover an unreadable store");
    const QString path = SettingsFilePath(settingsApplication);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (kind == u"garbage"_s)
        test::WriteFile(path, "[System\nDBPath=\x01\x02]]]\n==\n[[\n@Variant(\xff\xfe)\n");
    else if (kind == u"binary"_s)
        test::WriteFile(path, Noise(4096, 9));
    else if (kind == u"folder"_s)
        QVERIFY(QDir().mkpath(path));
    else {
        test::WriteFile(path, "[System]\nDBPath=/srv/levy.mdb\n");
        QFile::setPermissions(path, QFileDevice::WriteOwner);
    }
    const Snapshot around = Take(sandbox_->Folder());
    if (program == u"Delver"_s) {
        AppInfo::Set(u"Delver"_s, delverProduct);
        frmSystem_StartUp splash;
        splash.show();
        QTRY_VERIFY(EndProgramCalled());
        const MessageRequest box = test::OnlyMessage();
        QCOMPARE(box.text, message.arg(QDir::toNativeSeparators(path)));
        QCOMPARE(box.title, u"Critical System Error"_s);
        QCOMPARE(box.icon, Icon::Critical);
    } else {
        AppInfo::Set(u"Stewardry"_s, stewardProduct);
        frmSteward console;
        test::WhenModal<frmSystem_LogIn>([](frmSystem_LogIn* login) {
            login->txtPassword->setText(u"Head1"_s);
            login->cmdLogIn->click();
            QVERIFY(login->isVisible());
            login->cmdCancel->click();
        });
        console.show();
        QTRY_VERIFY(EndProgramCalled());
        const MessageRequest box = test::OnlyMessage();
        QCOMPARE(box.text, message);
        QCOMPARE(box.title, u"Stewardry"_s);
        QCOMPARE(box.icon, Icon::Critical);
        QVERIFY(CurrentUserName.isEmpty());
    }
    QCOMPARE(Take(sandbox_->Folder()), around);
    if (kind == u"folder"_s)
        QVERIFY(QFileInfo(path).isDir());
}

QTEST_MAIN(TestBadDatabaseInput)
#include "test_bad_database_input.moc"
