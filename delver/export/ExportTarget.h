#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <optional>

namespace levy {

// The file an export writes. The data goes to a temporary file in the target's folder
// and is moved over the target only when complete, so that a failed or abandoned export
// never destroys the file it was to replace nor leaves a half-written one under its name.
//
// The constructor refuses, before anything is written, a target that cannot be replaced:
// a read-only file (never forced), a folder, a missing folder, a folder that cannot be
// written to. A replaced file keeps its permissions; a new one gets the usual ones.
//
//   ExportTarget target(path);      // raises RuntimeError when the target is unusable
//   target.File().write(...);       // or write to TemporaryPath() after closing File()
//   target.Commit();                // the target now holds the new data
// Destroying it without Commit (or Discard) removes the temporary file; the target
// stays exactly as it was.
//
// The temporary file is hidden, readable by its owner only and locked (flock) for as long
// as the export runs. An export that was killed leaves it behind unlocked; the next export
// to the same folder removes such leftovers of this user's.
class ExportTarget {
public:
    explicit ExportTarget(const QString& path);
    ~ExportTarget();
    ExportTarget(const ExportTarget&) = delete;
    ExportTarget& operator=(const ExportTarget&) = delete;

    // The file that will be replaced (symbolic links resolved).
    const QString& TargetPath() const { return target_; }
    const QString& TemporaryPath() const { return temporary_; }

    // The temporary file, open for writing until closed or committed.
    QFile& File() { return file_; }

    // Flushes the temporary file to disk and moves it over the target; raises when any
    // of it fails, leaving the target as it was.
    void Commit();

    // Removes the temporary file; the target is untouched. Does nothing after Commit.
    void Discard() noexcept;

    // Raises a write failure of this target with the system's reason.
    [[noreturn]] void RaiseWriteError(const QString& reason) const;

private:
    void CreateTemporaryFile(const QString& folder);
    void RemoveAbandonedTemporaryFiles(const QString& folder) const;
    void Unlock() noexcept;

    QString target_;
    QString temporary_;
    QFile file_;
    int lockFd_ = -1;               // holds the temporary file's lock
    std::optional<uint32_t> mode_;  // permission bits of the file being replaced
    bool finished_ = false;
};

} // namespace levy
