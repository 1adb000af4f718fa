#include "DBEngine.h"

#include "engine/EngineErrors.h"
#include "engine/Sqlite.h"
#include "platform/HiddenWorkingName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using levy::engine::QuoteName;
using levy::engine::RaiseEngine;
using levy::engine::Statement;

namespace levy {

QByteArray PasswordFromConnect(const QString& connect)
{
    for (const QString& part : connect.split(u';')) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq > 0 && part.left(eq).trimmed().compare(u"pwd"_s, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).toUtf8();
    }
    return {};
}

std::shared_ptr<Database> Workspace::CreateDatabase(const QString& path, const QString& connect, int)
{
    // A password always encrypts the file; the locale's "General" order is the file's
    // case-insensitive text order, whatever the connect text says.
    return Database::Create(path, PasswordFromConnect(connect));
}

std::shared_ptr<Database> Workspace::OpenDatabase(const QString& path, bool exclusive, bool readOnly,
                                                  const QString& connect)
{
    return Database::Open(path, exclusive, readOnly, PasswordFromConnect(connect));
}

DBEngine& DBEngine::Instance()
{
    static DBEngine engine;
    return engine;
}

Workspace& DBEngine::Workspaces(int index)
{
    if (index != 0)
        RaiseEngine(3265, u"Item not found in this collection: there is only workspace 0."_s);
    return workspace_;
}

namespace {
QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

QString UserName(uid_t uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

QString GroupName(gid_t gid)
{
    const group* entry = ::getgrgid(gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(gid);
}

// Row counts of every table, to compare a copy with its source.
QList<QPair<QString, int64_t>> Census(const std::shared_ptr<engine::Connection>& c)
{
    QList<QPair<QString, int64_t>> out;
    QStringList names;
    {
        Statement s(c, u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s);
        while (s.Step())
            names.append(s.ColumnText(0));
    }
    for (const QString& n : names) {
        Statement s(c, u"SELECT count(*) FROM %1"_s.arg(QuoteName(n)));
        s.Step();
        out.append({n, s.ColumnInteger(0)});
    }
    return out;
}

bool LooksPlain(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.read(16) == QByteArray("SQLite format 3\0", 16);
}
} // namespace

namespace {
int compactionFault = 0;

void InjectedFault(int step)
{
    if (compactionFault == step)
        RaiseEngine(engine::errIo, u"The compaction was stopped at step %1 (a fault injected for testing)."_s.arg(step));
}

// Writes a compacted, checked copy of an open source database into a new file.
void CompactInto(Database& src, const QString& destination, const QByteArray& key)
{
    // The copy is made as a new, empty file first, so that no existing file is ever
    // written over.
    const int fd = ::open(QFile::encodeName(destination).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            RaiseEngine(engine::errAlreadyExists, u"The file \"%1\" already exists."_s.arg(Native(destination)));
        RaiseEngine(engine::errCantCreate, u"The compacted copy \"%1\" could not be created: %2."_s.arg(
                                               Native(destination), QString::fromLocal8Bit(std::strerror(errno))));
    }
    ::close(fd);
    auto c = src.MainConnection();
    bool attached = false;
    try {
        {
            Statement attach(c, u"ATTACH DATABASE ? AS compacted KEY ?"_s);
            attach.Bind(1, destination);
            attach.Bind(2, QString::fromUtf8(key));
            attach.Step();
            attached = true;
        }
        // An attached file takes the engine's own settings unless told: the copy must be
        // the levy file's format, which every other levy program reads.
        if (!key.isEmpty())
            c->Execute(u"PRAGMA compacted.cipher_compatibility = 3"_s);
        try {
            Statement exportAll(c, u"SELECT sqlcipher_export('compacted')"_s);
            exportAll.Step();
        } catch (const RuntimeError& error) {
            // The copy's failure comes back as a plain error with the engine's bare text.
            const QString folder = Native(QFileInfo(destination).absolutePath());
            if (error.number == engine::errDiskFull || error.description.contains(u"disk is full"_s))
                RaiseEngine(engine::errDiskFull, u"The disk is full: the folder \"%1\" has no room for the compacted "
                                                 u"copy. The database is as it was."_s.arg(folder));
            if (const int system = sqlite3_system_errno(c->Handle()); system && error.description.contains(u"I/O"_s))
                RaiseEngine(engine::errIo, u"The compacted copy could not be written in the folder \"%1\": %2. "
                                           u"The database is as it was."_s
                                               .arg(folder, QString::fromLocal8Bit(std::strerror(system))));
            throw;
        }
        c->Execute(u"DETACH DATABASE compacted"_s);
        attached = false;
        InjectedFault(1);
        const auto expected = Census(c);
        if (!key.isEmpty() && LooksPlain(destination))
            RaiseEngine(engine::errIo, u"The compacted copy \"%1\" was not encrypted."_s.arg(Native(destination)));
        auto copy = Database::Open(destination, true, false, key);
        {
            Statement check(copy->MainConnection(), u"PRAGMA integrity_check"_s);
            check.Step();
            if (check.ColumnText(0) != u"ok"_s)
                RaiseEngine(engine::errDamaged, u"The compacted copy failed its check: %1."_s.arg(check.ColumnText(0)));
        }
        if (Census(copy->MainConnection()) != expected)
            RaiseEngine(engine::errDamaged, u"The compacted copy does not hold every row of the database."_s);
        copy->Close();
        InjectedFault(2);
    } catch (const RuntimeError&) {
        if (attached && c->IsOpen())
            sqlite3_exec(c->Handle(), "DETACH DATABASE compacted", nullptr, nullptr, nullptr);
        QFile::remove(destination);
        // A copy that failed on a full disk may not have been able to remove its journal.
        QFile::remove(destination + u"-journal"_s);
        throw;
    }
}

void SyncPath(const QString& path, bool directory)
{
    const int fd = ::open(QFile::encodeName(path).constData(), (directory ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        RaiseEngine(engine::errIo, u"\"%1\" could not be opened to be written out: %2."_s.arg(
                                       Native(path), QString::fromLocal8Bit(std::strerror(errno))));
    const int rc = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (rc != 0)
        RaiseEngine(engine::errIo, u"\"%1\" could not be written out: %2."_s.arg(
                                       Native(path), QString::fromLocal8Bit(std::strerror(error))));
}

// Gives the copy the original's owner, group and permission bits (an office shares its
// database through a group), and writes it out. A copy that cannot be given them must not
// replace the original.
void KeepOwnerAndMode(const QString& copy, const struct stat& original, const QString& shownPath)
{
    const int fd = ::open(QFile::encodeName(copy).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        RaiseEngine(engine::errIo, u"The compacted copy \"%1\" could not be opened: %2."_s.arg(
                                       Native(copy), QString::fromLocal8Bit(std::strerror(errno))));
    struct stat made {};
    int failure = ::fstat(fd, &made) == 0 ? 0 : errno;
    if (!failure && (made.st_uid != original.st_uid || made.st_gid != original.st_gid)) {
        const uid_t owner = made.st_uid == original.st_uid ? uid_t(-1) : original.st_uid;
        const gid_t group = made.st_gid == original.st_gid ? gid_t(-1) : original.st_gid;
        if (compactionFault == 4 || ::fchown(fd, owner, group) != 0) {
            const int error = compactionFault == 4 ? EPERM : errno;
            ::close(fd);
            RaiseEngine(engine::errNotAuthorized,
                        u"The database \"%1\" is not compacted: the compacted copy could not be given the "
                        u"file's owner %2 and group %3 (%4), and without them the people who share the file could "
                        u"not open it. The database is as it was. Compact it as the file's owner or as the "
                        u"system's administrator."_s.arg(Native(shownPath), UserName(original.st_uid),
                                                          GroupName(original.st_gid),
                                                          QString::fromLocal8Bit(std::strerror(error))));
        }
    }
    // After the owner: changing the owner clears the set-ID bits.
    if (!failure && ::fchmod(fd, original.st_mode & 07777) != 0)
        failure = errno;
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    ::close(fd);
    if (failure)
        RaiseEngine(engine::errIo, u"The compacted copy \"%1\" could not be made ready: %2. The database is as "
                                   u"it was."_s.arg(Native(copy), QString::fromLocal8Bit(std::strerror(failure))));
}

// A compaction that was killed leaves its hidden copy behind. Only a compaction holds
// the database exclusively, so once we hold it every such copy is abandoned.
void RemoveAbandonedCopies(const QFileInfo& database)
{
    const QString prefix = HiddenWorkingPrefix(database.fileName()) + u"compacting-"_s;
    const QDir folder(database.absolutePath());
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        QStringView suffix = QStringView(name).mid(prefix.size());
        if (suffix.endsWith(u"-journal"))  // the copy's own rollback journal
            suffix.chop(8);
        if (name.startsWith(prefix) && !suffix.isEmpty() &&
            std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.unicode() < 128 && std::isxdigit(c.unicode()); }))
            QFile::remove(folder.filePath(name));
    }
}
} // namespace

void DBEngine::SetCompactionFaultForTests(int step) { compactionFault = step; }

void DBEngine::CompactDatabase(const QString& source, const QString& destination, const QString&, int,
                               const QString& password)
{
    if (QFileInfo::exists(destination))
        RaiseEngine(engine::errAlreadyExists, u"The file \"%1\" already exists."_s.arg(Native(destination)));
    const QByteArray key = PasswordFromConnect(password);
    auto src = Database::Open(source, true, false, key);
    try {
        CompactInto(*src, destination, key);
    } catch (const RuntimeError&) {
        src->Close();
        throw;
    }
    src->Close();
}

QString DBEngine::CompactDatabaseInPlace(const QString& path, const QString& password)
{
    const QByteArray key = PasswordFromConnect(password);
    // Held exclusively from the first read to the replacement, so that no other program
    // can write to the original in between.
    auto src = Database::Open(path, true, false, key);
    // Through a symbolic link, the file it names is the database: that file is replaced
    // and the link keeps naming it.
    const QFileInfo info(QFileInfo(path).canonicalFilePath());
    struct stat original {};
    if (::stat(QFile::encodeName(info.filePath()).constData(), &original) != 0) {
        const int error = errno;
        src->Close();
        RaiseEngine(engine::errIo, u"\"%1\" could not be examined: %2."_s.arg(
                                       Native(path), QString::fromLocal8Bit(std::strerror(error))));
    }
    if (original.st_nlink > 1) {
        src->Close();
        RaiseEngine(engine::errInvalidOperation,
                    u"The database \"%1\" is not compacted: the file has %2 names on this disk (hard links), and "
                    u"a compacted copy under one name would leave the others holding the old data. The database "
                    u"is as it was. Remove the other names, then compact again."_s
                        .arg(Native(path))
                        .arg(original.st_nlink));
    }
    RemoveAbandonedCopies(info);
    QString temporary;
    do
        temporary = info.absolutePath() + u'/' + HiddenWorkingPrefix(info.fileName()) + u"compacting-"_s +
                    QString::number(QRandomGenerator::global()->generate(), 16);
    while (QFileInfo::exists(temporary));
    try {
        CompactInto(*src, temporary, key);
        KeepOwnerAndMode(temporary, original, path);
        InjectedFault(3);
        if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(info.filePath()).constData()) != 0)
            RaiseEngine(engine::errIo, u"The compacted copy could not replace \"%1\": %2."_s.arg(
                                           Native(path), QString::fromLocal8Bit(std::strerror(errno))));
    } catch (const RuntimeError&) {
        QFile::remove(temporary);
        src->Close();
        throw;
    }
    src->Close();
    // The compacted copy is the database now; nothing that fails from here undoes that.
    try {
        InjectedFault(5);
        SyncPath(info.absolutePath(), true);
    } catch (const RuntimeError& error) {
        return error.description + u" The compacted database is in place; until the system has written its folder "
                                   u"out to the disk, a power failure could bring back the database as it was "
                                   u"before compacting."_s;
    }
    return {};
}

} // namespace levy
