// Kills the programs' operations at random moments and runs them out of disk space,
// then checks that the database still holds every row, the settings are intact and no
// temporary file is left where a user would find it.
//
// LEVY_FAULT_SEED and LEVY_FAULT_ROUNDS choose other kill moments and more of them;
// LEVY_FAULT_NO_MOUNT=1 tries the limit on file sizes that stands in for a full disk
// where mounting one is not allowed. Without LEVY_FULL_CAMPAIGNS=1 the campaign is a
// sample drawn from the seed: every operation killed once, and every operation, fault
// kind and free space left under a failing or full disk, but not each with each.
#include "FaultOperations.h"
#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "engine/SqliteHandle.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;
using namespace levy::faults;

namespace {
const QString workerProgram = QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/fault_worker");
const QString sampleDatabase = QStringLiteral(LEVY_PROGRAM_DIR "/setup/SampleDB.mdb");
const QString ioFaultLibrary = QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/io_faults.so");
const QString zeros30(30, u'0');

int EnvironmentNumber(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// Where the kill moments, the aimed calls and the sample of the campaign come from.
quint32 FaultSeed() { return quint32(EnvironmentNumber("LEVY_FAULT_SEED", 20261207)); }

const char* const notSampled = "not in this run's sample of the campaign (LEVY_FULL_CAMPAIGNS=1 runs every case)";

// The sample database with its largest table doubled `doublings` times, made once: a
// campaign sets up thousands of offices.
QString TemplateDatabase(int doublings)
{
    static const QTemporaryDir folder;
    const QString path = folder.path() + u"/levy-%1.mdb"_s.arg(doublings);
    if (!QFileInfo::exists(path)) {
        QFile::copy(sampleDatabase, path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        auto db = test::OpenLevy(path);
        for (int i = 0; i < doublings; ++i)
            db->MainConnection()->Execute(u"INSERT INTO [Levy Account Debits] SELECT * FROM [Levy Account Debits]"_s);
        db->Close();
    }
    return path;
}

// One office on disk: the database in its folder, the settings, a folder for exports.
class Office {
public:
    // The sample database with its largest table doubled `doublings` times.
    Office(const QString& root, int doublings)
        : root_(root), oldConfigHome_(qgetenv("XDG_CONFIG_HOME"))
    {
        for (const char* folder : {"db", "config", "exports", "cache"})
            QDir(root).mkpath(QString::fromLatin1(folder));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(ConfigFolder()));
        QFile::copy(TemplateDatabase(doublings), Database());
        QFile::setPermissions(Database(), QFile::ReadOwner | QFile::WriteOwner);
        SaveSettings(settingsApplication, settingsSection,
                     {{settingsDBPath, Database()}, {settingsSecurity, EncryptText(adminPasswords[0])}});
    }
    ~Office()
    {
        if (oldConfigHome_.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfigHome_);
    }
    QString Root() const { return root_; }
    QString DatabaseFolder() const { return root_ + u"/db"_s; }
    QString Database() const { return DatabaseFolder() + u"/levy.mdb"_s; }
    QString ConfigFolder() const { return root_ + u"/config"_s; }
    QString ExportFolder() const { return root_ + u"/exports"_s; }
    // Where Delver keeps a result for paging: on the same disk.
    QString CacheFolder() const { return root_ + u"/cache"_s; }
    QString ExportTarget(bool workbook) const
    {
        return ExportFolder() + (workbook ? u"/result.xlsx"_s : u"/result.txt"_s);
    }
    // A second levy database, in a folder of its own, for the database path to be reset to.
    QString OtherDatabase() const
    {
        const QString path = root_ + u"/other/levy.mdb"_s;
        if (!QFileInfo::exists(path)) {
            QDir(root_).mkpath(u"other"_s);
            QFile::copy(TemplateDatabase(0), path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        }
        return path;
    }

private:
    QString root_;
    QByteArray oldConfigHome_;
};

// What the office has stored, read as the programs would after a crash.
struct Stored {
    QString integrity;
    QMap<QString, QByteArray> tables;  // every table but Users: a hash of its sorted rows
    QStringList users;                  // "name|stored password|rights", sorted
    QString adminPassword;
    QString dbPath;
};

Stored Read(const Office& office)
{
    Stored stored;
    stored.dbPath = GetSetting(settingsApplication, settingsSection, settingsDBPath);
    stored.adminPassword = DecryptText(GetSetting(settingsApplication, settingsSection, settingsSecurity));
    // Opening rolls back whatever a killed write left half done.
    auto db = test::OpenLevy(office.Database());
    auto c = db->MainConnection();
    {
        engine::Statement check(c, u"PRAGMA integrity_check"_s);
        check.Step();
        stored.integrity = check.ColumnText(0);
    }
    for (const QString& table : db->TableNames()) {
        engine::Statement s(c, u"SELECT * FROM %1"_s.arg(engine::QuoteName(table)));
        QStringList rows;
        while (s.Step()) {
            QStringList values;
            for (int i = 0; i < s.ColumnCount(); ++i)
                values.append(s.ColumnIsNull(i) ? u"<null>"_s : s.ColumnText(i));
            rows.append(values.join(u'|'));
        }
        rows.sort();
        if (table == u"Users"_s)
            stored.users = rows;
        else
            stored.tables[table] = QCryptographicHash::hash(rows.join(u'\n').toUtf8(), QCryptographicHash::Sha256);
    }
    db->Close();
    return stored;
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The workbook's parts but its creation time, as one hash.
QByteArray WorkbookContents(const QString& path)
{
    QProcess python;
    python.start(u"/usr/bin/python3"_s,
                 {u"-c"_s, u"import sys, zipfile, hashlib\n"
                           u"z = zipfile.ZipFile(sys.argv[1])\n"
                           u"assert z.testzip() is None\n"
                           u"h = hashlib.sha256()\n"
                           u"for n in sorted(z.namelist()):\n"
                           u"    if n != 'docProps/core.xml': h.update(n.encode() + z.read(n))\n"
                           u"print(h.hexdigest())\n"_s,
                  path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return "unreadable workbook: " + python.readAllStandardError();
    return python.readAllStandardOutput().trimmed();
}

QByteArray ExportContents(const QString& path, bool workbook)
{
    if (workbook)
        return WorkbookContents(path);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

// The worker process, with the office's settings.
class Worker {
public:
    // `runAs` ("USER:GROUP") runs it as that user, with that group only.
    // `ioFault` ("write:N" ...) fails that call on the office's files (io_faults.cpp).
    Worker(const Office& office, const QString& operation, int rounds, const QString& fileLimit = {},
           const QString& runAs = {}, const QString& ioFault = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!ioFault.isEmpty()) {
            env.insert(u"LD_PRELOAD"_s, ioFaultLibrary);
            env.insert(u"LEVY_IO_FAULT"_s, ioFault);
            env.insert(u"LEVY_IO_FAULT_DIR"_s, office.Root());
            // Under the sanitizers their runtime then is not the first library loaded.
            env.insert(u"ASAN_OPTIONS"_s, env.value(u"ASAN_OPTIONS"_s) + u":verify_asan_link_order=0"_s);
        }
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, office.ConfigFolder());
        env.insert(u"XDG_CACHE_HOME"_s, office.CacheFolder());
        if (!fileLimit.isEmpty())
            env.insert(u"LEVY_FAULT_FILE_LIMIT"_s, fileLimit);
        process_.setProcessEnvironment(env);
        QStringList args = {operation, QString::number(rounds)};
        if (operation.startsWith(u"export"_s))
            args.append(office.ExportTarget(operation == u"export-workbook"_s));
        if (operation == u"reset"_s)
            args.append(office.OtherDatabase());
        if (runAs.isEmpty()) {
            process_.start(workerProgram, args);
            return;
        }
        process_.start(u"/usr/bin/setpriv"_s, QStringList{u"--reuid="_s + runAs.section(u':', 0, 0),
                                                          u"--regid="_s + runAs.section(u':', 1, 1),
                                                          u"--clear-groups"_s, u"--"_s, workerProgram} +
                                                  args);
    }
    ~Worker()
    {
        process_.kill();
        process_.waitForFinished(10000);
    }
    // Reads the worker's lines until one equals `line`; false when it ended first.
    bool WaitFor(const QString& line, int timeoutMs = 120000)
    {
        QElapsedTimer clock;
        clock.start();
        do {
            while (process_.canReadLine()) {
                const QString read = QString::fromUtf8(process_.readLine()).trimmed();
                if (read.startsWith(u"box|"_s))
                    boxes_.append(read.mid(4));
                if (read.startsWith(u"shown|"_s))
                    shown_.append(read.mid(6));
                if (read.startsWith(u"done "_s))
                    ++rounds_;
                if (read == line)
                    return true;
            }
            if (process_.state() == QProcess::NotRunning && !process_.canReadLine())
                return false;
            process_.waitForReadyRead(100);
        } while (clock.elapsed() < timeoutMs);
        return false;
    }
    // Ends the worker with `signal`, as a crash (SIGKILL) or the end of the session
    // (SIGTERM) would; its process id.
    qint64 Kill(int signal = SIGKILL)
    {
        const qint64 pid = process_.processId();
        if (pid > 0)
            ::kill(pid_t(pid), signal);
        if (!process_.waitForFinished(10000))
            process_.kill();
        process_.waitForFinished(10000);
        WaitFor(u"(the end)"_s, 0);
        return pid;
    }
    bool Finish()
    {
        const bool finished = process_.waitForFinished(300000);
        WaitFor(u"(the end)"_s, 0);
        errors_ = process_.readAllStandardError();
        return finished && process_.exitStatus() == QProcess::NormalExit;
    }
    // "TITLE|ICON|TEXT" of every box shown so far.
    const QStringList& Boxes() const { return boxes_; }
    // The database the console showed in use after each round.
    const QStringList& Shown() const { return shown_; }
    bool FaultInjected() const { return errors_.contains("io fault injected"); }
    // What the worker wrote on its standard error stream, once it has finished.
    const QByteArray& Errors() const { return errors_; }
    int CompletedRounds() const { return rounds_; }

private:
    QProcess process_;
    QStringList boxes_;
    QStringList shown_;
    QByteArray errors_;
    int rounds_ = 0;
};

// A small file system of its own: a disk that really fills up. Mounting needs the
// right to; without it the tests fall back to a limit on the size of each file.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes)
    {
        if (!folder_.isValid() || qEnvironmentVariableIsSet("LEVY_FAULT_NO_MOUNT"))
            return;
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
        mounted_ = ::mount("tmpfs", QFile::encodeName(folder_.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                           options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(folder_.path()).constData(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    QString Path() const { return folder_.path(); }
    qint64 Free() const
    {
        struct statvfs s {};
        ::statvfs(QFile::encodeName(folder_.path()).constData(), &s);
        return qint64(s.f_bavail) * qint64(s.f_frsize);
    }
    // Fills the disk until only `bytes` are free.
    void LeaveFree(qint64 bytes)
    {
        QFile filler(Path() + u"/filler"_s);
        filler.open(QIODevice::WriteOnly | QIODevice::Append);
        const QByteArray block(4096, 'x');
        while (Free() > bytes && filler.write(block) == block.size())
            filler.flush();
    }
    void Empty() { QFile::remove(Path() + u"/filler"_s); }

private:
    QTemporaryDir folder_;
    bool mounted_ = false;
};

// The boxes a round of each operation shows when all goes well.
bool OnlyGoodNews(const QStringList& boxes)
{
    for (const QString& box : boxes) {
        const QString icon = box.section(u'|', 1, 1);
        if (icon != u"information"_s && icon != u"question"_s)
            return false;
    }
    return true;
}

// What may differ from `before` after `operation` was stopped anywhere: the operation's
// own change, done completely or not at all.
void CheckNothingLost(const QString& operation, const Stored& before, const Stored& after)
{
    QCOMPARE(after.integrity, u"ok"_s);
    QCOMPARE(after.tables, before.tables);
    QCOMPARE(after.dbPath, before.dbPath);
    if (operation == u"password"_s)
        QVERIFY2(after.adminPassword == adminPasswords[0] || after.adminPassword == adminPasswords[1],
                 qPrintable(after.adminPassword));
    else
        QCOMPARE(after.adminPassword, before.adminPassword);

    QStringList expected = before.users;
    if (operation == u"accounts"_s && after.users.size() == before.users.size() + 1) {
        expected.append(createdAccount + u'|' + EncryptText(createdPassword) + u'|' + zeros30);
        expected.sort();
    }
    if (operation == u"rights"_s) {
        for (QString& row : expected) {
            if (!row.startsWith(rightsAccount + u'|'))
                continue;
            const QString stored = after.users.filter(rightsAccount + u'|').value(0).section(u'|', 2);
            if (stored == RightsPattern(0) || stored == RightsPattern(1))
                row = row.section(u'|', 0, 1) + u'|' + stored;
        }
    }
    QCOMPARE(after.users, expected);
}

// The query workers still running (not yet ended, zombies aside) that the process `parent`
// started.
QStringList QueryWorkersOf(qint64 parent)
{
    QStringList alive;
    const QByteArray parentText = QByteArray::number(parent);
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile commandLine(u"/proc/"_s + entry + u"/cmdline"_s);
        if (!commandLine.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = commandLine.readAll().split('\0');
        if (args.size() < 2 || !args[0].endsWith("levy-query-worker") || args[1] != parentText)
            continue;
        QFile status(u"/proc/"_s + entry + u"/stat"_s);
        if (status.open(QIODevice::ReadOnly) && status.readAll().contains(") Z "))
            continue;
        alive.append(entry);
    }
    return alive;
}

// The office's folders hold nothing but what they held before, and the leftovers of a
// killed run that are hidden and removed by the next run.
void CheckNoLeftovers(const Office& office, bool killed)
{
    QStringList files = FilesIn(office.DatabaseFolder());
    if (killed)
        files.removeIf([](const QString& f) { return f.startsWith(u".levy.mdb.compacting-"_s); });
    QCOMPARE(files.join(u", "_s), u"levy.mdb"_s);
    files = FilesIn(office.ExportFolder());
    if (killed)
        files.removeIf([](const QString& f) { return f.startsWith(u".result."_s) && f.endsWith(u".part"_s); });
    files.removeOne(u"result.txt"_s);
    files.removeOne(u"result.xlsx"_s);
    QCOMPARE(files.join(u", "_s), QString());
    // A killed Delver's result file is removed by the next one that keeps a result.
    files = FilesIn(office.CacheFolder() + u"/AHS Levy System/results"_s);
    if (killed)
        files.removeIf([](const QString& f) { return f.endsWith(u".result"_s); });
    QCOMPARE(files.join(u", "_s), QString());
    // The settings' lock names a dead process then, and the next write takes it over
    // and removes the copy that the killed write left.
    const QFileInfo settings(SettingsFilePath(settingsApplication));
    files = FilesIn(settings.absolutePath());
    if (killed) {
        files.removeOne(settings.fileName() + u".lock"_s);
        files.removeOne(settings.fileName() + u".lock.rmlock"_s);
        const QRegularExpression copy(u"^"_s + QRegularExpression::escape(settings.fileName()) + u"\\.\\w{6}$"_s);
        files.removeIf([&copy](const QString& f) { return copy.match(f).hasMatch(); });
    }
    QCOMPARE(files.join(u", "_s), settings.fileName());
}

// After one run of `operation` that may have failed on the way: nothing lost, nothing
// left over, each failure told in a message that says something, and success reported
// only for a change that is really there. `bad` receives the boxes that told a failure.
// With `failureChangesNothing`, a failure leaves the users as they were; a disk that
// fails after the engine's commit (unlocking, say) may report a failure of a change that
// is whole in the file.
void CheckOneRun(const QString& operation, const QStringList& boxes, const Stored& before, const Office& office,
                 QStringList& bad, bool failureChangesNothing = true)
{
    const bool exporting = operation.startsWith(u"export"_s), workbook = operation == u"export-workbook"_s;
    const bool failed = !OnlyGoodNews(boxes);
    const Stored after = Read(office);
    CheckNothingLost(operation, before, after);
    CheckNoLeftovers(office, false);
    bad = boxes.filter(QRegularExpression(u"^[^|]*\\|(critical|warning)\\|"_s));
    for (const QString& box : bad)
        QVERIFY2(!box.contains(u"constraint"_s, Qt::CaseInsensitive) && !box.section(u'|', 2).trimmed().isEmpty(),
                 qPrintable(box));
    if (operation == u"rights"_s && !failed)
        QVERIFY(after.users.contains(after.users.filter(rightsAccount + u'|').value(0).section(u'|', 0, 1) + u'|' +
                                     RightsPattern(1)));
    if (operation == u"rights"_s && failed && failureChangesNothing)
        QCOMPARE(after.users, before.users);
    if (operation == u"password"_s)
        QCOMPARE(after.adminPassword, adminPasswords[failed ? 0 : 1]);
    // A disk failing once the engine has committed the deletion (at its unlocking) reports
    // the failure of a deletion that is whole; CheckNothingLost holds the users to one
    // of the two.
    if (operation == u"accounts"_s && (failureChangesNothing || !failed)) {
        const bool created = boxes.contains(u"Stewardry|information|User account successfull created."_s);
        const bool deleted = boxes.contains(u"Stewardry|information|Account successfully deleted."_s);
        QCOMPARE(after.users.size(), before.users.size() + (created && !deleted ? 1 : 0));
    }
    if (exporting) {
        const QString target = office.ExportTarget(workbook);
        QCOMPARE(QFileInfo::exists(target), !failed);
        if (!failed && workbook)
            QVERIFY(!WorkbookContents(target).startsWith("unreadable"));
    }
}
} // namespace

class TestFaultInjection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void killedAtRandomMoments_data();
    void killedAtRandomMoments();
    void diskFull_data();
    void diskFull();
    void ioErrors_data();
    void ioErrors();
    void resetPathWithAFailingDisk_data();
    void resetPathWithAFailingDisk();
    void compactionByAnAdministratorWhoIsNotTheOwner_data();
    void compactionByAnAdministratorWhoIsNotTheOwner();

private:
    quint32 seed_ = 0;
};

void TestFaultInjection::initTestCase()
{
    QVERIFY2(QFileInfo::exists(workerProgram), qPrintable(workerProgram));
    QVERIFY2(QFileInfo::exists(sampleDatabase), qPrintable(sampleDatabase));
    seed_ = FaultSeed();
    qInfo("kill moments from seed %u (LEVY_FAULT_SEED)%s", seed_,
          test::FullCampaigns() ? "" : ", a sample of the campaign (LEVY_FULL_CAMPAIGNS=1 runs it whole)");
}

void TestFaultInjection::cleanup() { test::TellHowToRepeat("LEVY_FAULT_SEED", seed_); }

void TestFaultInjection::killedAtRandomMoments_data()
{
    QTest::addColumn<QString>("operation");
    for (const char* operation : {"compact", "accounts", "rights", "password", "export-text", "export-workbook", "count"})
        QTest::newRow(operation) << QString::fromLatin1(operation);
}

void TestFaultInjection::killedAtRandomMoments()
{
    QFETCH(QString, operation);
    const bool exporting = operation.startsWith(u"export"_s), workbook = operation == u"export-workbook"_s;
    const int rounds = EnvironmentNumber("LEVY_FAULT_ROUNDS", test::FullCampaigns() ? 8 : 1);
    test::Sandbox sandbox;
    Office office(sandbox.Folder(), 3);
    const Stored before = Read(office);
    QRandomGenerator random(seed_ ^ qHash(operation));

    // A whole round first: how long one takes, and what a complete export holds.
    QElapsedTimer clock;
    QByteArray complete;
    {
        Worker first(office, operation, 2);
        QVERIFY(first.WaitFor(u"ready"_s));
        clock.start();
        QVERIFY(first.WaitFor(u"done 1"_s));
        const qint64 roundMs = clock.elapsed();
        QVERIFY(first.Finish());
        QVERIFY2(OnlyGoodNews(first.Boxes()), qPrintable(first.Boxes().join(u'\n')));
        if (exporting)
            complete = ExportContents(office.ExportTarget(workbook), workbook);
        QFile::remove(office.ExportTarget(workbook));
        qInfo("%s: one round takes %lld ms", qPrintable(operation), roundMs);

        for (int r = 0; r < rounds; ++r) {
            const int moment = int(random.bounded(quint32(3 * roundMs + 1)));
            Worker worker(office, operation, 0);
            QVERIFY(worker.WaitFor(u"ready"_s));
            QTest::qSleep(moment);
            const bool terminated = random.bounded(2) == 1;
            const qint64 killed = worker.Kill(terminated ? SIGTERM : SIGKILL);
            // Nothing of it goes on computing: its query workers end with it.
            QDeadlineTimer second(1000);
            while (!QueryWorkersOf(killed).isEmpty() && !second.hasExpired())
                QTest::qSleep(10);
            QVERIFY2(QueryWorkersOf(killed).isEmpty(),
                     qPrintable(u"query workers alive a second after %1: %2"_s.arg(
                         terminated ? u"SIGTERM"_s : u"SIGKILL"_s, QueryWorkersOf(killed).join(u' '))));
            const bool leftover = !FilesIn(office.DatabaseFolder()).filter(u".compacting-"_s).isEmpty() ||
                                  !FilesIn(office.ExportFolder()).filter(u".part"_s).isEmpty();
            qInfo("killed %d ms after start (%s), %d rounds complete%s", moment, terminated ? "SIGTERM" : "SIGKILL",
                  worker.CompletedRounds(), leftover ? ", in the middle of writing" : "");
            QVERIFY2(OnlyGoodNews(worker.Boxes()), qPrintable(worker.Boxes().join(u'\n')));
            const Stored after = Read(office);
            CheckNothingLost(operation, before, after);
            CheckNoLeftovers(office, true);
            if (QTest::currentTestFailed()) {
                return;
            }
            // An export is there whole or not at all.
            if (exporting && QFileInfo::exists(office.ExportTarget(workbook)))
                QCOMPARE(ExportContents(office.ExportTarget(workbook), workbook), complete);
        }
    }

    // The next run clears what the killed ones left.
    Worker last(office, operation, 1);
    QVERIFY(last.Finish());
    QVERIFY2(OnlyGoodNews(last.Boxes()), qPrintable(last.Boxes().join(u'\n')));
    CheckNoLeftovers(office, false);
    if (exporting)
        QCOMPARE(ExportContents(office.ExportTarget(workbook), workbook), complete);
}

void TestFaultInjection::diskFull_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<double>("free");  // bytes left free, as a share of the database's size
    QTest::addColumn<bool>("sampled");
    // The sample: each operation with one of the free spaces, taken in turn from a place the
    // seed chooses, so that each free space comes too.
    const QList<double> frees = {0.0, 0.002, 0.02, 0.2, 1.5};
    QRandomGenerator random(FaultSeed() ^ 0x64697363u);
    qsizetype turn = qsizetype(random.bounded(quint32(frees.size())));
    for (const char* operation : {"compact", "accounts", "rights", "password", "export-text", "export-workbook"}) {
        const qsizetype chosen = turn++ % frees.size();
        for (qsizetype i = 0; i < frees.size(); ++i)
            QTest::addRow("%s, %g free", operation, frees[i])
                << QString::fromLatin1(operation) << frees[i] << (test::FullCampaigns() || i == chosen);
    }
}

void TestFaultInjection::diskFull()
{
    QFETCH(bool, sampled);
    if (!sampled)
        QSKIP(notSampled);
    QFETCH(QString, operation);
    QFETCH(double, free);
    SmallDisk disk(64 << 20);
    const QString root = disk.Mounted() ? disk.Path() : disk.Path() + u"/plain"_s;
    std::optional<Office> office;
    office.emplace(root, 2);
    const Stored before = Read(*office);
    const qint64 size = QFileInfo(office->Database()).size();
    const qint64 leave = qint64(free * double(size));
    QString fileLimit;
    if (disk.Mounted())
        disk.LeaveFree(leave);
    else
        fileLimit = QString::number(leave);  // no file may grow beyond this

    Worker worker(*office, operation, 1, fileLimit);
    QVERIFY(worker.Finish());
    disk.Empty();
    const QStringList boxes = worker.Boxes();
    qInfo("%s with %lld bytes free: %s", qPrintable(operation), leave, qPrintable(boxes.join(u" / "_s)));
    QStringList bad;
    CheckOneRun(operation, boxes, before, *office, bad);
    // A file that may not grow gives the engine an I/O error rather than a full disk,
    // which leaves the window's next read failing too.
    if (disk.Mounted() && !OnlyGoodNews(boxes))
        QCOMPARE(bad.size(), 1);
    for (const QString& box : bad)
        QVERIFY2(box.contains(QRegularExpression(u"is full|No space left on device|File too large|is the disk full"_s)),
                 qPrintable(box));
}

void TestFaultInjection::ioErrors_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("sampled");
    // Which calls fail: the first and the last of each kind, and as many more as
    // LEVY_IO_FAULT_POINTS asks, each at a random share ("~N" per mille) of the calls the
    // operation makes.
    const int points = EnvironmentNumber("LEVY_IO_FAULT_POINTS", 2);
    QRandomGenerator random(FaultSeed());
    // The sample: each operation with one call of one kind failing, the kinds taken in turn
    // from a place the seed chooses, so that each kind fails too.
    QRandomGenerator sample(FaultSeed() ^ 0x696f6572u);
    int turn = int(sample.bounded(4));
    for (const char* operation : {"compact", "accounts", "rights", "password", "export-text", "export-workbook"}) {
        const int chosenKind = turn++ % 4;
        const int chosenPoint = int(sample.bounded(quint32(std::max(points, 1))));
        int k = 0;
        for (const char* kind : {"read", "write", "sync", "lock"}) {
            for (int p = 0; p < points; ++p) {
                const QString call = p == 0   ? u"1"_s
                                     : p == 1 ? u"~1000"_s
                                              : u"~"_s + QString::number(random.bounded(1, 1001));
                const QString fault = QString::fromLatin1(kind) + u':' + call;
                QTest::addRow("%s, %s", operation, qPrintable(fault))
                    << QString::fromLatin1(operation) << fault
                    << (test::FullCampaigns() || (k == chosenKind && p == chosenPoint));
            }
            ++k;
        }
    }
}

// "KIND:~N" as the call N per mille of the way through the calls of that kind that one
// round of the operation makes (counted once per operation by a worker that fails nothing).
QString AimedFault(const QString& operation, const QString& fault)
{
    if (!fault.contains(u'~'))
        return fault;
    static QHash<QString, QMap<QString, long>> counts;
    if (!counts.contains(operation)) {
        test::Sandbox sandbox;  // the count's own office: the round changes what it works on
        Office office(sandbox.Folder(), 1);
        Worker counter(office, operation, 1, {}, {}, u"count:0"_s);
        counter.Finish();
        const QRegularExpressionMatch m =
            QRegularExpression(u"io calls: read (\\d+) write (\\d+) sync (\\d+) lock (\\d+)"_s)
                .match(QString::fromLatin1(counter.Errors()));
        QMap<QString, long>& c = counts[operation];
        for (int i = 0; i < 4; ++i)
            c[QStringList{u"read"_s, u"write"_s, u"sync"_s, u"lock"_s}[i]] = m.captured(i + 1).toLong();
        qInfo("%s makes %ld reads, %ld writes, %ld syncs, %ld locks", qPrintable(operation), c[u"read"_s],
              c[u"write"_s], c[u"sync"_s], c[u"lock"_s]);
    }
    const QString kind = fault.section(u':', 0, 0);
    const long calls = counts[operation].value(kind);
    const long share = fault.section(u'~', 1).toLong();
    return kind + u':' + QString::number(std::max(1L, (share * calls + 999) / 1000));
}

// A disk that fails one read, write, sync or lock: the operation says so or did its work
// whole, the file is as it was or whole and new, and the next run works.
void TestFaultInjection::ioErrors()
{
    QFETCH(bool, sampled);
    if (!sampled)
        QSKIP(notSampled);
    QFETCH(QString, operation);
    QFETCH(QString, fault);
    fault = AimedFault(operation, fault);
    test::Sandbox sandbox;
    Office office(sandbox.Folder(), 1);
    const Stored before = Read(office);
    Worker worker(office, operation, 1, {}, {}, fault);
    QVERIFY2(worker.Finish(), worker.Errors().right(2000).constData());
    const bool injected = worker.FaultInjected();
    qInfo("%s, %s%s: %s", qPrintable(operation), qPrintable(fault), injected ? "" : " (never reached)",
          qPrintable(worker.Boxes().join(u" / "_s)));
    QStringList bad;
    CheckOneRun(operation, worker.Boxes(), before, office, bad, false);
    if (QTest::currentTestFailed())
        return;
    Worker next(office, operation, 1);
    QVERIFY(next.Finish());
    QVERIFY2(OnlyGoodNews(next.Boxes()), qPrintable(next.Boxes().join(u'\n')));
    CheckNoLeftovers(office, false);
}

void TestFaultInjection::resetPathWithAFailingDisk_data()
{
    QTest::addColumn<QString>("fault");
    for (const char* fault : {"read:1", "read:~1000", "write:1", "write:2", "write:~1000", "sync:~1000", "lock:1",
                              "lock:~1000"})
        QTest::newRow(fault) << QString::fromLatin1(fault);
}

// Resetting the database path through the console while the disk fails once: either
// the new path is stored whole and shown, or the administrator is told under "Path Not
// Changed" and the previous path is kept, with nothing of the settings half written.
void TestFaultInjection::resetPathWithAFailingDisk()
{
    QFETCH(QString, fault);
    const bool lastWrite = fault == u"write:~1000"_s;
    fault = AimedFault(u"reset"_s, fault);
    test::Sandbox sandbox;
    Office office(sandbox.Folder(), 0);
    const QString target = office.OtherDatabase();
    const Stored before = Read(office);
    Worker worker(office, u"reset"_s, 1, {}, {}, fault);
    QVERIFY2(worker.Finish(), worker.Errors().right(2000).constData());
    qInfo("reset, %s%s: %s", qPrintable(fault), worker.FaultInjected() ? "" : " (never reached)",
          qPrintable(worker.Boxes().join(u" / "_s)));
    const Stored after = Read(office);  // the settings read back whole
    QCOMPARE(worker.Boxes().size(), 1);
    const QString box = worker.Boxes().first();
    if (OnlyGoodNews(worker.Boxes())) {
        QVERIFY2(box.startsWith(u"Stewardry|information|New Database Path Set"_s) && box.contains(target),
                 qPrintable(box));
        QCOMPARE(after.dbPath, target);
    } else {
        QVERIFY2(box.startsWith(u"Path Not Changed|warning|"_s) && !box.section(u'|', 2).trimmed().isEmpty(),
                 qPrintable(box));
        QCOMPARE(after.dbPath, before.dbPath);
    }
    // The last write under the office is the settings file's.
    if (lastWrite)
        QVERIFY(worker.FaultInjected() && !OnlyGoodNews(worker.Boxes()));
    QCOMPARE(after.adminPassword, before.adminPassword);
    QCOMPARE(after.users, before.users);
    QCOMPARE(worker.Shown(), QStringList(after.dbPath));
    CheckNoLeftovers(office, false);
}

void TestFaultInjection::compactionByAnAdministratorWhoIsNotTheOwner_data()
{
    // The administrator is "daemon", working in the office's group "users".
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("message");
    QTest::newRow("the administrator's own file") << u"daemon"_s << u"Database successfully compacted."_s;
    QTest::newRow("a clerk's file") << u"bin"_s
                                    << u"The database \"%1\" is not compacted: the compacted copy could not be given "
                                       u"the file's owner bin and group users (Operation not permitted), and "
                                       u"without them the people who share the file could not open it. The "
                                       u"database is as it was. Compact it as the file's owner or as the system's "
                                       u"administrator."_s;
}

// A real user, whom the system refuses to give a file away: only root can start one.
void TestFaultInjection::compactionByAnAdministratorWhoIsNotTheOwner()
{
    QFETCH(QString, owner);
    QFETCH(QString, message);
    const passwd* user = ::getpwnam(qPrintable(owner));
    const group* users = ::getgrnam("users");
    if (::geteuid() != 0 || !user || !users || !QFileInfo::exists(u"/usr/bin/setpriv"_s))
        QSKIP("needs root, setpriv and the users daemon, bin and group users");
    test::Sandbox sandbox;
    Office office(sandbox.Folder(), 0);
    const Stored before = Read(office);
    auto open = [](const QString& path, QFile::Permissions p) { QVERIFY(QFile::setPermissions(path, p)); };
    const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    open(sandbox.Folder(), everyone);
    open(office.DatabaseFolder(), everyone | QFile::WriteGroup | QFile::WriteOther);
    const QFileInfo settings(SettingsFilePath(settingsApplication));
    for (QDir d = settings.absoluteDir(); d.absolutePath().startsWith(sandbox.Folder() + u'/'); d.cdUp())
        open(d.absolutePath(), everyone);
    open(settings.filePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray database = QFile::encodeName(office.Database());
    QCOMPARE(::chown(database.constData(), user->pw_uid, users->gr_gid), 0);
    QCOMPARE(::chmod(database.constData(), 0660), 0);
    struct stat was {};
    ::stat(database.constData(), &was);
    QFile original(office.Database());
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();

    Worker worker(office, u"compact"_s, 1, {}, u"daemon:users"_s);
    QVERIFY(worker.Finish());
    QCOMPARE(worker.Boxes(), QStringList{(owner == u"daemon"_s ? u"Stewardry|information|"_s
                                                               : u"Stewardry|critical|"_s) +
                                         QString(message).replace(u"%1"_s, office.Database())});
    struct stat now {};
    ::stat(database.constData(), &now);
    QCOMPARE(now.st_uid, was.st_uid);
    QCOMPARE(now.st_gid, was.st_gid);
    QCOMPARE(now.st_mode, was.st_mode);
    if (owner != u"daemon"_s) {
        QCOMPARE(now.st_ino, was.st_ino);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), bytes);
    }
    QCOMPARE(FilesIn(office.DatabaseFolder()), QStringList{u"levy.mdb"_s});
    const Stored after = Read(office);
    QCOMPARE(after.integrity, u"ok"_s);
    QCOMPARE(after.tables, before.tables);
    QCOMPARE(after.users, before.users);
}

QTEST_MAIN(TestFaultInjection)
#include "test_fault_injection.moc"
