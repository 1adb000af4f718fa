#pragma once

#include "engine/SqliteHandle.h"
#include "values/Value.h"

#include <QByteArray>
#include <QList>
#include <memory>

namespace levy {

// Where a query result is kept once it has been read: a private database file of its
// own, encrypted with a random key that never leaves the process, removed when the
// result is closed. Rows are kept in blocks, so any block is found at once and memory
// holds no more than a block or two, however long the result.
class ResultCache {
public:
    static constexpr int blockSize = 100;

    ResultCache();
    ~ResultCache();
    ResultCache(const ResultCache&) = delete;
    ResultCache& operator=(const ResultCache&) = delete;

    // Adds one row of stored values (Null, integer, double or text).
    void Append(const QList<Value>& row);
    // Writes out the last, partly filled block.
    void Flush();
    int64_t RowCount() const { return rows_; }
    // A row by position, from 0; it must have been appended.
    const QList<Value>& Row(int64_t index);

    // The folder of the cache files; stale files left by a program that died are
    // removed when a new cache is made.
    static QString Folder();

private:
    void WriteBlock();
    void ReadBlock(int64_t block);

    QString path_;
    int lockFd_ = -1;
    std::shared_ptr<engine::Connection> connection_;
    std::unique_ptr<engine::Statement> insert_;
    std::unique_ptr<engine::Statement> select_;
    QByteArray pending_;
    int pendingRows_ = 0;
    int64_t rows_ = 0;
    int64_t writtenBlocks_ = 0;
    int64_t loadedBlock_ = -1;
    QList<QList<Value>> loaded_;
};

} // namespace levy
