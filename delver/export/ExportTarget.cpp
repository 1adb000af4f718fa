#include "ExportTarget.h"

#include "platform/HiddenWorkingName.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int errPermissionDenied = 70;
constexpr int errPathFileAccess = 75;
constexpr int errPathNotFound = 76;
const QString source = u"Export Results"_s;

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString SystemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

// A target that exists must be an ordinary file we may change. A file without any write
// permission counts as read-only even for a user whom the system would let through.
void CheckExistingTarget(const QString& target)
{
    const QFileInfo info(target);
    if (info.isDir())
        Raise(errPathFileAccess, source, u"Path/File access error: \"%1\" is a folder, not a file."_s.arg(Shown(target)));
    if (!info.exists())
        return;
    if (!info.isFile())
        Raise(errPathFileAccess, source, u"Path/File access error: \"%1\" is not an ordinary file."_s.arg(Shown(target)));
    constexpr auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!info.isWritable() || !(info.permissions() & writeBits))
        Raise(errPermissionDenied, source, u"Permission denied: the file \"%1\" is read-only."_s.arg(Shown(target)));
}

// What a new file gets: what the user's file-creation mask allows.
mode_t UsualMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Best effort: makes the rename itself durable.
void SyncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

ExportTarget::ExportTarget(const QString& path)
{
    if (path.isEmpty())
        Raise(errPathFileAccess, source, u"Path/File access error: no file name was given."_s);
    const QFileInfo info(path);
    target_ = info.absoluteFilePath();
    if (info.isSymLink()) {
        // Replace the file the link points at, not the link.
        const QString canonical = info.canonicalFilePath();
        target_ = canonical.isEmpty() ? info.symLinkTarget() : canonical;
    }
    CheckExistingTarget(target_);
    const QFileInfo folder(QFileInfo(target_).absolutePath());
    if (!folder.isDir())
        Raise(errPathNotFound, source,
              u"Path not found: the folder \"%1\" does not exist."_s.arg(Shown(folder.absoluteFilePath())));
    if (!folder.isWritable())
        Raise(errPermissionDenied, source,
              u"Permission denied: the folder \"%1\" cannot be written to."_s.arg(Shown(folder.absoluteFilePath())));
    struct stat status {};
    if (::stat(QFile::encodeName(target_).constData(), &status) == 0)
        mode_ = status.st_mode & 07777;
    RemoveAbandonedTemporaryFiles(folder.absoluteFilePath());
    CreateTemporaryFile(folder.absoluteFilePath());
}

ExportTarget::~ExportTarget() { Discard(); }

namespace {
// ".result.txt.k3j9x.part": hidden, named after the target so that a leftover is
// recognisable, and ending in ".part" so that it never passes for a finished export.
QString TemporaryPrefix(const QString& target) { return HiddenWorkingPrefix(QFileInfo(target).fileName()); }
} // namespace

void ExportTarget::CreateTemporaryFile(const QString& folder)
{
    const QString prefix = TemporaryPrefix(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            u"%1/%2%3.part"_s.arg(folder, prefix, QString::number(QRandomGenerator::global()->generate(), 36));
        file_.setFileName(candidate);
        // Readable by its owner only until it is complete: the result may hold what the
        // target's folder should not show to others before the user chose to.
        if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            temporary_ = candidate;
            ::fchmod(file_.handle(), S_IRUSR | S_IWUSR);
            // A descriptor of its own, so that the lock outlives closing File().
            lockFd_ = ::open(QFile::encodeName(candidate).constData(), O_RDONLY | O_CLOEXEC);
            if (lockFd_ >= 0)
                ::flock(lockFd_, LOCK_EX | LOCK_NB);
            return;
        }
        if (!QFileInfo::exists(candidate))
            break;
    }
    Raise(errPathFileAccess, source,
          u"Path/File access error: no file can be created in the folder \"%1\" (%2)."_s.arg(Shown(folder),
                                                                                          file_.errorString()));
}

void ExportTarget::RemoveAbandonedTemporaryFiles(const QString& folder) const
{
    // Every export's leftover in the folder, whatever its target: hidden, then a name, a
    // random part and ".part", compared by hand (a wildcard pattern would read a '[' in a
    // name as syntax).
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!name.startsWith(u'.') || !name.endsWith(u".part"_s))
            continue;
        const QStringView stem = QStringView(name).chopped(5);
        const qsizetype dot = stem.lastIndexOf(u'.');
        const QStringView random = dot > 1 ? stem.mid(dot + 1) : QStringView();
        if (random.isEmpty() || !std::all_of(random.begin(), random.end(), [](QChar c) {
                return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z');
            }))
            continue;
        const QByteArray path = QFile::encodeName(folder + u'/' + name);
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        // Only this user's own files; locked means another export is writing it now.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

void ExportTarget::Unlock() noexcept
{
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

void ExportTarget::RaiseWriteError(const QString& reason) const
{
    Raise(errPathFileAccess, source, u"The file \"%1\" could not be written: %2."_s.arg(Shown(target_), reason));
}

void ExportTarget::Commit()
{
    if (finished_)
        return;
    int fd = -1;
    bool ownDescriptor = false;
    if (file_.isOpen()) {
        fd = file_.handle();
    } else {
        // Written by someone else under its name: reopen it only to flush it to disk.
        fd = ::open(QFile::encodeName(temporary_).constData(), O_RDONLY);
        if (fd < 0)
            RaiseWriteError(SystemReason());
        ownDescriptor = true;
    }
    const bool synced = ::fsync(fd) == 0;
    const QString syncReason = synced ? QString() : SystemReason();
    if (ownDescriptor)
        ::close(fd);
    else
        file_.close();
    if (!synced)
        RaiseWriteError(syncReason);

    // The target may have changed since the export began; never force a read-only file.
    CheckExistingTarget(target_);
    ::chmod(QFile::encodeName(temporary_).constData(), mode_ ? *mode_ : UsualMode());
    if (std::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        RaiseWriteError(SystemReason());
    finished_ = true;
    Unlock();
    SyncFolder(QFileInfo(target_).absolutePath());
}

void ExportTarget::Discard() noexcept
{
    if (finished_)
        return;
    finished_ = true;
    file_.close();
    if (!temporary_.isEmpty())
        QFile::remove(temporary_);
    Unlock();
}

} // namespace levy
