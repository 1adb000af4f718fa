#include "QuerySnapshot.h"

#include "ResultCache.h"
#include "engine/EngineErrors.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using levy::engine::RaiseEngine;
using levy::engine::Statement;

namespace levy {
namespace {
[[noreturn]] void CannotCopy(const QString& folder, int error)
{
    RaiseEngine(engine::errCantCreate,
                u"A private copy of the levy database for the query could not be made in \"%1\": %2."_s.arg(
                    QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(error))));
}

// Copies `size` bytes from the start of `from` to `to`, leaving `from`'s offset alone.
bool CopyBytes(int from, int to, off_t size)
{
    off_t offset = 0;
    while (offset < size) {
        const ssize_t n = ::copy_file_range(from, &offset, to, nullptr, size_t(size - offset), 0);
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)
            break;
        return false;
    }
    // Where the kernel cannot copy between the two files, the bytes go through here.
    char buffer[1 << 16];
    while (offset < size) {
        const ssize_t n = ::pread(from, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 ? (errno = EIO, false) : false;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(to, buffer + written, size_t(n - written));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return false;
            written += w;
        }
        offset += n;
    }
    return true;
}
} // namespace

bool UsesWriteAheadLog(const std::shared_ptr<engine::Connection>& main)
{
    Statement s(main, u"PRAGMA journal_mode"_s);
    return s.Step() && s.ColumnText(0).compare(u"wal"_s, Qt::CaseInsensitive) == 0;
}

int64_t DataVersion(const std::shared_ptr<engine::Connection>& main)
{
    Statement s(main, u"PRAGMA data_version"_s);
    s.Step();
    return s.ColumnInteger(0);
}

QuerySnapshot TakeQuerySnapshot(const std::shared_ptr<engine::Connection>& main, int descriptor, const QByteArray& key,
                                const std::function<void(const QString& path, int lock)>& handOver)
{
    const QString folder = ResultCache::PrivateFolder();
    QString path;
    const int fd = ResultCache::CreateLockedFile(folder, path);
    if (fd < 0)
        CannotCopy(folder, errno);
    const QByteArray named = QFile::encodeName(path);
    QuerySnapshot snapshot;
    try {
        // A read transaction keeps any writer from changing the file while it is copied,
        // and a hot journal has been rolled back before it is granted.
        main->Execute(u"BEGIN"_s);
        try {
            Statement read(main, u"SELECT count(*) FROM sqlite_master"_s);
            read.Step();
            snapshot.dataVersion = DataVersion(main);
            struct stat info {};
            if (::fstat(descriptor, &info) != 0 || !CopyBytes(descriptor, fd, info.st_size))
                CannotCopy(folder, errno);
        } catch (...) {
            main->Execute(u"ROLLBACK"_s);
            throw;
        }
        main->Execute(u"COMMIT"_s);
        snapshot.connection = engine::Connection::Open(path, true, false, key);
        Statement check(snapshot.connection, u"SELECT count(*) FROM sqlite_master"_s);
        check.Step();
    } catch (...) {
        ::unlink(named.constData());
        ::close(fd);
        throw;
    }
    if (handOver) {
        handOver(path, fd);
        return snapshot;
    }
    // The open connection keeps the copy's bytes for as long as it needs them.
    ::unlink(named.constData());
    ::close(fd);
    return snapshot;
}

} // namespace levy
