#pragma once

#include "RowEncoding.h"
#include "engine/SqliteHandle.h"
#include "platform/RuntimeError.h"
#include "values/Value.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace levy {

// Where a query result is kept once it has been read: a private database file of its
// own, encrypted with a random key that never leaves the process, removed when the
// result is closed. Rows are kept in blocks, so any block is found at once and memory
// holds no more than a few blocks, however long the result. Full blocks are written on a
// thread of the cache's own while the result is read on; a failure to write one is
// raised by a later call. Not thread-safe otherwise: its owner serialises the calls.
class ResultCache {
public:
    static constexpr int blockSize = 100;

    using StoredCell = levy::StoredCell;
    ResultCache();
    ~ResultCache();
    ResultCache(const ResultCache&) = delete;
    ResultCache& operator=(const ResultCache&) = delete;

    // Adds one row of stored values (Null, integer, double or text).
    void Append(const QList<Value>& row);
    // Adds the statement's current row, its first `columns` columns, as Append would
    // keep their stored values, without making values of them on the way: the pace of
    // reading a long result on.
    void AppendCurrentRow(const engine::Statement& statement, int columns);
    // Adds one row already in the cache's form (a well-formed row, see RowEncoding.h).
    void AppendEncodedRow(QByteArrayView encoded);
    // Writes out the last, partly filled block, and waits until every block is written.
    void Flush();
    int64_t RowCount() const { return rows_; }
    // A row by position, from 0; it must have been appended. Only that row of its block
    // is decoded, so rows far apart cost no more than rows side by side.
    const QList<Value>& Row(int64_t index);
    // Visits the stored values of rows `first` to `end` - 1 in order, each row's values
    // valid during its visit only. The rows must have been appended.
    void VisitRows(int64_t first, int64_t end, const std::function<void(int64_t row, const std::vector<StoredCell>& cells)>& visit);
    // Visits one column of every row in order; `visit` returns false to stop early.
    void ScanColumn(int column, const std::function<bool(int64_t row, const StoredCell& cell)>& visit);

    // Data derived from the result (a sort order), kept enciphered beside it under a key
    // of the caller's choosing, and removed with it.
    void Keep(int64_t key, QByteArrayView data);
    QByteArray Kept(int64_t key);
    void Forget(int64_t firstKey, int64_t lastKey);

    // The folder of the cache files; stale files left by a program that died are
    // removed when a new cache is made.
    static QString Folder();
    // Removes the results and database copies left by a program of this user's that
    // ended without removing them (killed, or the machine stopped); those of running
    // programs stay. Run at each start.
    static void RemoveStaleResults();
    // The folder, made if need be and checked to be this user's alone; raises otherwise.
    static QString PrivateFolder();
    // A new file of this user's in `folder`, named "*.result" (set in `path`) only once
    // it is locked, so that another program's clean-up never takes it for a stale one.
    // Returns the locked descriptor, or -1 with errno set and nothing left behind.
    static int CreateLockedFile(const QString& folder, QString& path);

private:
    // Around the encoding of a row into the pending block.
    void StartRow();
    void EndRow();
    // Hands the full pending block to the writer.
    void WriteBlock();
    // The writer's loop, and its writing of one block.
    void WriteQueued();
    void StoreBlock(int64_t block, const QByteArray& bytes);
    // Waits until the writer is idle, so that the connection is the caller's; raises the
    // writer's failure.
    void WaitForWriter();
    void StopWriter() noexcept;
    // Makes `block` the loaded one: its bytes and where each of its rows starts.
    void LoadBlock(int64_t block);
    // Closes the connection and removes the file.
    void Release() noexcept;

    QString path_;
    int lockFd_ = -1;
    std::shared_ptr<engine::Connection> connection_;
    std::unique_ptr<engine::Statement> insert_;
    std::unique_ptr<engine::Statement> select_;
    std::unique_ptr<engine::Statement> keep_, kept_, forget_;
    QByteArray pending_;
    int pendingRows_ = 0;
    int64_t rows_ = 0;
    int64_t writtenBlocks_ = 0;
    int64_t loadedBlock_ = -1;
    int loadedRows_ = 0;          // rows of the loaded block (the pending one may grow)
    QByteArray loadedBytes_;
    std::vector<int> rowStarts_;  // offsets of the loaded block's rows
    int64_t decodedAt_ = -1;      // the row decoded_ holds
    QList<Value> decoded_;

    static constexpr size_t maxQueued = 4;  // blocks handed over and not yet written
    std::mutex writeMutex_;
    std::condition_variable writeChanged_;
    std::deque<QByteArray> queued_;      // oldest first
    int64_t queuedFirst_ = 0;            // the number of the oldest queued block
    bool writing_ = false;               // the writer holds the connection
    bool stopWriting_ = false;
    std::optional<RuntimeError> writeFailure_;
    std::thread writer_;
};

} // namespace levy
