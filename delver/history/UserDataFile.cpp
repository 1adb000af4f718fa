#include "UserDataFile.h"

#include "platform/RuntimeError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
QString SystemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }
} // namespace

UserDataFile::UserDataFile(QString path, QString what, qint64 largest)
    : path_(std::move(path)), what_(std::move(what)), largest_(largest)
{
}

QString UserDataFile::PathFor(const QString& prefix, const QString& userName, const QString& suffix)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           u"/AHS Levy System/Delver"_s;
    return folder + u'/' + prefix + QString::fromLatin1(QUrl::toPercentEncoding(userName.toLower())) + suffix;
}

void UserDataFile::RaiseFile(const QString& what, const QString& path, int code) const
{
    Raise(75, u"Delver"_s, u"The %1 %2 \"%3\": %4."_s.arg(what_, what, QDir::toNativeSeparators(path), SystemError(code)));
}

// The folder is made for the user alone; one that is not theirs is not used.
void UserDataFile::EnsureFolder() const
{
    const QString folder = QFileInfo(path_).path();
    const QByteArray native = QFile::encodeName(folder);
    QDir().mkpath(QFileInfo(folder).path());
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        RaiseFile(u"folder could not be made at"_s, folder, errno);
    struct stat st{};
    if (::lstat(native.constData(), &st) != 0)
        RaiseFile(u"folder could not be read at"_s, folder, errno);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        Raise(75, u"Delver"_s,
              u"The %1 folder \"%2\" is not a folder of yours."_s.arg(what_, QDir::toNativeSeparators(folder)));
}

UserDataFile::SetAside UserDataFile::Read(const std::function<bool(const QByteArray&)>& use, const QString& damaged,
                                          bool* found)
{
    if (found)
        *found = false;
    EnsureFolder();
    const QByteArray native = QFile::encodeName(path_);
    struct stat st{};
    if (::lstat(native.constData(), &st) != 0) {
        if (errno == ENOENT)
            return {};
        RaiseFile(u"file could not be read at"_s, path_, errno);
    }
    if (found)
        *found = true;
    if (S_ISLNK(st.st_mode))
        return MoveAside(u"it is a link to another file"_s);
    if (!S_ISREG(st.st_mode))
        return MoveAside(u"it is not a file"_s);
    if (st.st_uid != ::getuid())
        return MoveAside(u"it belongs to another user"_s);
    // Opened without following a link put there since, and checked to be the same file.
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        RaiseFile(u"file could not be read at"_s, path_, errno);
    struct stat opened{};
    QByteArray bytes;
    const bool same = ::fstat(fd, &opened) == 0 && opened.st_ino == st.st_ino && opened.st_dev == st.st_dev;
    if (same && opened.st_size <= largest_) {
        // Others may have been able to read it; from now on they cannot.
        if ((opened.st_mode & 077) != 0)
            ::fchmod(fd, 0600);
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            bytes = file.readAll();
    }
    ::close(fd);
    if (!same)
        return MoveAside(u"it was changed while it was read"_s);
    if (opened.st_size > largest_ || !use(bytes))
        return MoveAside(damaged);
    return {};
}

UserDataFile::SetAside UserDataFile::MoveAside(const QString& reason)
{
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    QString aside = path_ + u".set-aside-"_s + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path_ + u".set-aside-"_s + stamp + u'-' + QString::number(n);
    // rename() moves a link itself, never the file it points to.
    if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(aside).constData()) != 0)
        RaiseFile(u"file could not be set aside at"_s, path_, errno);
    return {reason, QDir::toNativeSeparators(aside)};
}

void UserDataFile::Write(const QByteArray& bytes)
{
    EnsureFolder();
    const QString folder = QFileInfo(path_).path();
    QByteArray temp = QFile::encodeName(folder + u"/."_s + QFileInfo(path_).completeBaseName() + u"-XXXXXX"_s);
    const int fd = ::mkstemp(temp.data());  // made with mode 0600
    if (fd < 0)
        RaiseFile(u"could not be written in"_s, folder, errno);
    qint64 done = 0;
    int failure = 0;
    while (done < bytes.size() && failure == 0) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            failure = errno;
        else if (n > 0)
            done += n;
    }
    if (failure == 0 && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temp.constData(), QFile::encodeName(path_).constData()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temp.constData());
        RaiseFile(u"could not be written to"_s, path_, failure);
    }
}

} // namespace levy
