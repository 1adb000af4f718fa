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

private:
    int fd_ = -1;
};

} // namespace levy::engine
