#pragma once

#include <QString>

namespace levy::engine {

// An open mode that holds across processes: a shared or exclusive flock(2) on the
// database file, held on a descriptor kept for the whole session and released when the
// process ends. SQLite's own locks cannot say "opened exclusively".
class FileLock {
public:
    enum class Mode { Shared, Exclusive };
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Raises a clear error when another program's open mode forbids this one.
    static FileLock Acquire(const QString& path, Mode mode);
    void Release();
    bool Held() const { return fd_ >= 0; }
    // The descriptor the lock is held on, open for reading the file. Never close it, nor
    // open and close the file elsewhere: that would drop SQLite's own locks.
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
};

} // namespace levy::engine
