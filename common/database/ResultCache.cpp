#include "ResultCache.h"
#include "RowEncoding.h"

#include "engine/EngineErrors.h"
#include "engine/Sqlite.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using levy::engine::RaiseEngine;

namespace levy {
namespace {
QByteArray RandomKey()
{
    QByteArray hex;
    for (int i = 0; i < 8; ++i)
        hex += QByteArray::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, '0');
    // A raw key: no key derivation is needed for a key that is random already.
    return "x'" + hex + "'";
}

void RemoveStaleFiles(const QString& folder)
{
    QDirIterator it(folder, {u"*.result"_s}, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QString file = it.next();
        // Only a regular file of our own is looked at: a link or a FIFO planted here
        // would otherwise be followed, or freeze the opening.
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info {};
        // A file whose lock can be taken belongs to no running program.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            QFile::remove(file);
        ::close(fd);
    }
}

// The folder holds enciphered results and their locks: it must be a folder of this user's
// that nobody else may enter, not a link to somewhere else.
void CheckFolderIsPrivate(const QString& folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        RaiseEngine(engine::errCantCreate, u"The folder \"%1\" for query results could not be read: %2."_s.arg(
                                               shown, QString::fromLocal8Bit(std::strerror(errno))));
    QString fault;
    if (S_ISLNK(info.st_mode))
        fault = u"it is a link to another place"_s;
    else if (!S_ISDIR(info.st_mode))
        fault = u"it is not a folder"_s;
    else if (info.st_uid != ::geteuid())
        fault = u"it belongs to another user"_s;
    else if ((info.st_mode & 077) != 0)
        fault = u"other users may open it"_s;
    if (!fault.isEmpty())
        RaiseEngine(engine::errCantCreate,
                    u"The folder \"%1\" for query results cannot be used safely: %2. Remove it, and Delver will "
                    u"make it again."_s.arg(shown, fault));
}
} // namespace

QString ResultCache::Folder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + u"/AHS Levy System/results"_s;
}

void ResultCache::RemoveStaleResults()
{
    const QString folder = Folder();
    struct stat info {};
    // Only a folder that is ours and private is looked into; none is made here.
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & 077) != 0)
        return;
    RemoveStaleFiles(folder);
}

QString ResultCache::PrivateFolder()
{
    const QString folder = Folder();
    // Made private from the start; one that exists is taken only as it is.
    if (!QDir().mkpath(QFileInfo(folder).absolutePath()) ||
        (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST))
        RaiseEngine(engine::errCantCreate,
                    u"The folder \"%1\" for query results could not be created."_s.arg(QDir::toNativeSeparators(folder)));
    CheckFolderIsPrivate(folder);
    return folder;
}

int ResultCache::CreateLockedFile(const QString& folder, QString& path)
{
    path = folder + u'/' + QString::number(QRandomGenerator::system()->generate64(), 16) + u".result"_s;
    // Made under a name the clean-up of other programs does not look at, and named a
    // result only once locked: otherwise a program starting at the same moment could
    // take the unlocked file for a stale one and remove it.
    const QByteArray creating = QFile::encodeName(path + u".new"_s);
    const int fd = ::open(creating.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || std::rename(creating.constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        ::unlink(creating.constData());
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

ResultCache::ResultCache()
{
    const QString folder = PrivateFolder();
    RemoveStaleFiles(folder);
    const int fd = CreateLockedFile(folder, path_);
    if (fd < 0)
        RaiseEngine(engine::errCantCreate, u"A file for the query's result could not be created in \"%1\": %2."_s.arg(
                                               QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(errno))));
    lockFd_ = fd;
    try {
        connection_ = engine::Connection::Open(path_, false, false, RandomKey(), engine::Connection::Cipher::Current);
        connection_->Execute(u"PRAGMA cipher_page_size = 4096"_s);
        connection_->Execute(u"PRAGMA journal_mode = OFF"_s);
        connection_->Execute(u"PRAGMA synchronous = OFF"_s);
        connection_->Execute(u"PRAGMA cache_size = 64"_s);
        connection_->Execute(u"CREATE TABLE blocks (n INTEGER PRIMARY KEY, rows BLOB NOT NULL)"_s);
        connection_->Execute(u"CREATE TABLE kept (n INTEGER PRIMARY KEY, data BLOB NOT NULL)"_s);
        connection_->Execute(u"BEGIN"_s);
        insert_ = std::make_unique<engine::Statement>(connection_, u"INSERT INTO blocks (n, rows) VALUES (?, ?)"_s);
        select_ = std::make_unique<engine::Statement>(connection_, u"SELECT rows FROM blocks WHERE n = ?"_s);
        keep_ = std::make_unique<engine::Statement>(connection_, u"INSERT OR REPLACE INTO kept (n, data) VALUES (?, ?)"_s);
        kept_ = std::make_unique<engine::Statement>(connection_, u"SELECT data FROM kept WHERE n = ?"_s);
        forget_ = std::make_unique<engine::Statement>(connection_, u"DELETE FROM kept WHERE n BETWEEN ? AND ?"_s);
        writer_ = std::thread([this] { WriteQueued(); });
    } catch (const RuntimeError&) {
        Release();
        throw;
    }
}

ResultCache::~ResultCache() { Release(); }

void ResultCache::StopWriter() noexcept
{
    if (!writer_.joinable())
        return;
    {
        // What is still queued belongs to a file about to go.
        std::lock_guard lock(writeMutex_);
        queuedFirst_ += int64_t(queued_.size());
        queued_.clear();
        stopWriting_ = true;
    }
    writeChanged_.notify_all();
    writer_.join();
}

void ResultCache::Release() noexcept
{
    StopWriter();
    // The statements go before their connection, and the file with both.
    insert_.reset();
    select_.reset();
    keep_.reset();
    kept_.reset();
    forget_.reset();
    if (connection_)
        connection_->Close();
    QFile::remove(path_);
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

void ResultCache::Append(const QList<Value>& row)
{
    StartRow();
    EncodeRow(pending_, row);
    EndRow();
}

void ResultCache::AppendCurrentRow(const engine::Statement& statement, int columns)
{
    StartRow();
    EncodeCurrentRow(pending_, statement.Handle(), columns);
    EndRow();
}

void ResultCache::AppendEncodedRow(QByteArrayView encoded)
{
    StartRow();
    pending_.append(encoded);
    EndRow();
}

void ResultCache::StartRow()
{
    // The loaded block may be the pending one, whose bytes are about to move.
    if (loadedBlock_ == writtenBlocks_)
        loadedBlock_ = -1;
}

void ResultCache::EndRow()
{
    ++rows_;
    if (++pendingRows_ == blockSize)
        WriteBlock();
}

void ResultCache::Flush()
{
    if (pendingRows_ > 0)
        WriteBlock();
    WaitForWriter();
}

void ResultCache::WriteBlock()
{
    const qsizetype handed = pending_.size();
    {
        std::unique_lock lock(writeMutex_);
        // A few blocks ahead at most: memory stays flat however long the result.
        writeChanged_.wait(lock, [this] { return queued_.size() < maxQueued || writeFailure_; });
        if (writeFailure_)
            throw *writeFailure_;
        queued_.push_back(std::move(pending_));
    }
    writeChanged_.notify_all();
    // The next block is about as long as this one: grown once, not row by row.
    pending_ = QByteArray();
    pending_.reserve(handed + handed / 8);
    pendingRows_ = 0;
    ++writtenBlocks_;
}

void ResultCache::WriteQueued()
{
    std::unique_lock lock(writeMutex_);
    for (;;) {
        writeChanged_.wait(lock, [this] { return stopWriting_ || !queued_.empty(); });
        if (queued_.empty())
            return;
        const int64_t block = queuedFirst_;
        const QByteArray bytes = queued_.front();
        writing_ = true;
        lock.unlock();
        std::optional<RuntimeError> failure;
        try {
            StoreBlock(block, bytes);
        } catch (const RuntimeError& error) {
            failure = error;
        }
        lock.lock();
        writing_ = false;
        if (!queued_.empty()) {
            queued_.pop_front();
            ++queuedFirst_;
        }
        if (failure && !writeFailure_)
            writeFailure_ = failure;
        if (writeFailure_) {
            // Nothing after a block that failed is written: the result is not whole.
            queuedFirst_ += int64_t(queued_.size());
            queued_.clear();
        }
        writeChanged_.notify_all();
    }
}

void ResultCache::StoreBlock(int64_t block, const QByteArray& bytes)
{
    insert_->Reset();
    insert_->Bind(1, block);
    sqlite3_bind_blob(insert_->Handle(), 2, bytes.constData(), int(bytes.size()), SQLITE_STATIC);
    try {
        insert_->Step();
    } catch (const RuntimeError& error) {
        insert_->Reset();
        if (error.number != engine::errDiskFull)
            throw;
        RaiseEngine(engine::errDiskFull,
                    u"The disk holding the folder \"%1\" is full: the query's result cannot be kept there for "
                    u"paging through it."_s.arg(QDir::toNativeSeparators(Folder())));
    }
    insert_->Reset();
}

void ResultCache::WaitForWriter()
{
    std::unique_lock lock(writeMutex_);
    writeChanged_.wait(lock, [this] { return queued_.empty() && !writing_; });
    if (writeFailure_)
        throw *writeFailure_;
}

void ResultCache::LoadBlock(int64_t block)
{
    loadedBlock_ = -1;
    decodedAt_ = -1;
    // The block still being filled, and one not yet written, are read from memory.
    std::optional<QByteArray> inMemory;
    if (block >= writtenBlocks_) {
        inMemory = pending_;
    } else {
        std::lock_guard lock(writeMutex_);
        if (block >= queuedFirst_ && block - queuedFirst_ < int64_t(queued_.size()))
            inMemory = queued_[size_t(block - queuedFirst_)];
    }
    if (inMemory) {
        loadedBytes_ = *inMemory;
    } else {
        WaitForWriter();
        select_->Reset();
        select_->Bind(1, block);
        if (!select_->Step())
            RaiseEngine(engine::errIo, u"A block of the query's result could not be read back."_s);
        loadedBytes_ = QByteArray(static_cast<const char*>(sqlite3_column_blob(select_->Handle(), 0)),
                                  sqlite3_column_bytes(select_->Handle(), 0));
        select_->Reset();
    }
    rowStarts_.clear();
    const char* begin = loadedBytes_.constData();
    const char* p = begin;
    const char* end = p + loadedBytes_.size();
    while (p < end) {
        rowStarts_.push_back(int(p - begin));
        const uint32_t n = TakeColumnCount(p);
        for (uint32_t c = 0; c < n; ++c)
            TakeCell(p);
    }
    loadedRows_ = int(rowStarts_.size());
    loadedBlock_ = block;
}

const QList<Value>& ResultCache::Row(int64_t index)
{
    if (index == decodedAt_)
        return decoded_;
    const int64_t block = index / blockSize;
    const int at = int(index % blockSize);
    if (block != loadedBlock_ || at >= loadedRows_)
        LoadBlock(block);
    if (at >= loadedRows_)
        RaiseEngine(engine::errIo, u"A row of the query's result could not be read back."_s);
    const char* p = loadedBytes_.constData() + rowStarts_[size_t(at)];
    decoded_ = DecodeRow(p);
    decodedAt_ = index;
    return decoded_;
}

void ResultCache::VisitRows(int64_t first, int64_t end,
                            const std::function<void(int64_t row, const std::vector<StoredCell>& cells)>& visit)
{
    std::vector<StoredCell> cells;
    for (int64_t row = first; row < end;) {
        const int64_t block = row / blockSize;
        int at = int(row % blockSize);
        if (block != loadedBlock_ || at >= loadedRows_)
            LoadBlock(block);
        if (at >= loadedRows_)
            RaiseEngine(engine::errIo, u"A row of the query's result could not be read back."_s);
        for (; at < loadedRows_ && row < end; ++at, ++row) {
            const char* p = loadedBytes_.constData() + rowStarts_[size_t(at)];
            cells.resize(TakeColumnCount(p));
            for (StoredCell& cell : cells)
                cell = TakeCell(p);
            visit(row, cells);
        }
    }
}

void ResultCache::ScanColumn(int column, const std::function<bool(int64_t row, const StoredCell& cell)>& visit)
{
    int64_t row = 0;
    auto scan = [&](const char* p, const char* end) {
        while (p < end) {
            const uint32_t n = TakeColumnCount(p);
            StoredCell wanted;
            for (uint32_t c = 0; c < n; ++c) {
                StoredCell cell = TakeCell(p);
                if (int(c) == column)
                    wanted = cell;
            }
            if (!visit(row++, wanted))
                return false;
        }
        return true;
    };
    WaitForWriter();
    for (int64_t block = 0; block < writtenBlocks_; ++block) {
        select_->Reset();
        select_->Bind(1, block);
        if (!select_->Step())
            RaiseEngine(engine::errIo, u"A block of the query's result could not be read back."_s);
        const char* p = static_cast<const char*>(sqlite3_column_blob(select_->Handle(), 0));
        const bool more = scan(p, p + sqlite3_column_bytes(select_->Handle(), 0));
        select_->Reset();
        if (!more)
            return;
    }
    scan(pending_.constData(), pending_.constData() + pending_.size());
}

void ResultCache::Keep(int64_t key, QByteArrayView data)
{
    WaitForWriter();
    keep_->Reset();
    keep_->Bind(1, key);
    sqlite3_bind_blob(keep_->Handle(), 2, data.data(), int(data.size()), SQLITE_STATIC);
    try {
        keep_->Step();
    } catch (const RuntimeError& error) {
        keep_->Reset();
        if (error.number != engine::errDiskFull)
            throw;
        RaiseEngine(engine::errDiskFull, u"The disk holding the folder \"%1\" is full: the query's result cannot be "
                                         u"sorted there."_s.arg(QDir::toNativeSeparators(Folder())));
    }
    keep_->Reset();
}

QByteArray ResultCache::Kept(int64_t key)
{
    WaitForWriter();
    kept_->Reset();
    kept_->Bind(1, key);
    if (!kept_->Step())
        RaiseEngine(engine::errIo, u"A part of the query's sorted result could not be read back."_s);
    QByteArray data(static_cast<const char*>(sqlite3_column_blob(kept_->Handle(), 0)),
                    sqlite3_column_bytes(kept_->Handle(), 0));
    kept_->Reset();
    return data;
}

void ResultCache::Forget(int64_t firstKey, int64_t lastKey)
{
    WaitForWriter();
    forget_->Reset();
    forget_->Bind(1, firstKey);
    forget_->Bind(2, lastKey);
    forget_->Step();
    forget_->Reset();
}

} // namespace levy
