#include "QuerySnapshot.h"

#include "ResultCache.h"
#include "engine/EngineErrors.h"
#include "engine/Sqlite.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

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

// Copies the bytes from `begin` to `end` of `from` to `to`'s current offset, leaving
// `from`'s offset alone.
bool CopyBytesAt(int from, int to, off_t begin, off_t size)
{
    off_t offset = begin;
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

namespace {
// The most of the file copied under one read lock: a writer waits no longer than this
// takes (a few hundredths of a second from the page cache).
constexpr off_t copyStep = off_t(8) * 1024 * 1024;
// Copies taken in steps and spoilt by a write meanwhile, before one is taken whole.
constexpr int steppedAttempts = 3;

// Runs `copy` under a read transaction of `main`, which a writer of another program waits
// for; the data version the file had then.
int64_t UnderReadLock(const std::shared_ptr<engine::Connection>& main, const std::function<void()>& copy)
{
    // A hot journal has been rolled back before the read lock is granted.
    main->Execute(u"BEGIN"_s);
    int64_t version = 0;
    try {
        Statement read(main, u"SELECT count(*) FROM sqlite_master"_s);
        read.Step();
        version = DataVersion(main);
        copy();
    } catch (...) {
        main->Execute(u"ROLLBACK"_s);
        throw;
    }
    main->Execute(u"COMMIT"_s);
    return version;
}

// The file's own enciphered bytes, copied a step at a time, each under a read lock of its
// own: a writer waits for one step, never for the whole file. A copy spoilt by a write
// between two steps is taken again; after a few, whole under one lock, as a file written
// to without pause can give no other. Nothing when the file keeps a write-ahead log.
std::optional<int64_t> CopyFileBytes(const std::shared_ptr<engine::Connection>& main, int descriptor, int to,
                                     const QString& folder)
{
#ifndef LEVY_PACKAGE_BUILD
    // A slow disk or a network share, for the tests and benchmarks: each step takes longer.
    const int slowDiskMs = qEnvironmentVariableIntValue("LEVY_SLOW_COPY_STEP_MS");
#else
    const int slowDiskMs = 0;
#endif
    auto copyRange = [&](off_t from, off_t end) {
        for (off_t at = from; at < end; at += copyStep) {
            if (::lseek(to, at, SEEK_SET) < 0 || !CopyBytesAt(descriptor, to, at, std::min(end, at + copyStep)))
                CannotCopy(folder, errno);
            if (slowDiskMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(slowDiskMs));
        }
    };
    auto fileSize = [&] {
        struct stat info {};
        if (::fstat(descriptor, &info) != 0)
            CannotCopy(folder, errno);
        return info.st_size;
    };
    // A file another program has put in write-ahead mode meanwhile is copied the other way.
    bool logged = false;
    for (int attempt = 0; attempt < steppedAttempts; ++attempt) {
        off_t size = 0;
        const int64_t version = UnderReadLock(main, [&] {
            logged = UsesWriteAheadLog(main);
            size = fileSize();
        });
        if (logged)
            return std::nullopt;
        bool spoilt = false;
        for (off_t at = 0; at < size && !spoilt; at += copyStep)
            UnderReadLock(main, [&] {
                spoilt = DataVersion(main) != version || fileSize() != size;
                if (!spoilt)
                    copyRange(at, std::min(size, at + copyStep));
            });
        if (!spoilt && ::ftruncate(to, size) == 0)
            return version;
    }
    const int64_t version = UnderReadLock(main, [&] {
        logged = UsesWriteAheadLog(main);
        if (logged)
            return;
        const off_t size = fileSize();
        copyRange(0, size);
        if (::ftruncate(to, size) != 0)
            CannotCopy(folder, errno);
    });
    return logged ? std::nullopt : std::optional<int64_t>(version);
}

// A file in write-ahead mode keeps committed pages in its log: the engine copies what one
// read transaction sees, page by page, which keeps no writer waiting. The copy is then
// made an ordinary file, readable without the log.
int64_t BackUpPages(const std::shared_ptr<engine::Connection>& main, const QString& path, const QByteArray& key)
{
    const int64_t version = DataVersion(main);
    const auto copy = engine::Connection::Open(path, false, false, key);
    sqlite3_backup* backup = sqlite3_backup_init(copy->Handle(), "main", main->Handle(), "main");
    if (!backup)
        engine::RaiseSqlite(copy->Handle(), sqlite3_errcode(copy->Handle()), path);
    int rc = SQLITE_OK;
    do {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            sqlite3_sleep(20);
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        engine::RaiseSqlite(copy->Handle(), rc, path);
    copy->Execute(u"PRAGMA journal_mode = DELETE"_s);
    copy->Close();
    return version;
}
} // namespace

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
        const std::optional<int64_t> copied = CopyFileBytes(main, descriptor, fd, folder);
        if (!copied && ::ftruncate(fd, 0) != 0)
            CannotCopy(folder, errno);
        snapshot.dataVersion = copied ? *copied : BackUpPages(main, path, key);
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
