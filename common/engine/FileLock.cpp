#include "FileLock.h"

#include "EngineErrors.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy::engine {

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        Release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FileLock FileLock::Acquire(const QString& path, Mode mode)
{
    const QString file = QDir::toNativeSeparators(path);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            RaiseEngine(errNotFound, u"Could not find the file \"%1\"."_s.arg(file));
        RaiseEngine(errCantCreate,
                    u"The file \"%1\" could not be opened: %2."_s.arg(file, QString::fromLocal8Bit(std::strerror(errno))));
    }
    const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    int rc;
    do
        rc = ::flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            if (mode == Mode::Exclusive)
                RaiseEngine(errInUse,
                            u"The levy database \"%1\" is in use by another program, so it cannot be opened "
                            u"exclusively. Close the other program and try again."_s.arg(file));
            RaiseEngine(errHeldExclusively,
                        u"The levy database \"%1\" is held exclusively by another program and cannot be opened "
                        u"until that program releases it."_s.arg(file));
        }
        RaiseEngine(errIo, u"The file \"%1\" could not be locked: %2."_s.arg(file, QString::fromLocal8Bit(std::strerror(error))));
    }
    FileLock lock;
    lock.fd_ = fd;
    return lock;
}

void FileLock::Release()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace levy::engine
