#pragma once

#include "database/RowEncoding.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace levy {

class QueryRecordset;
class ResultOrder;

// The records of a result whose texts, as the grid shows them, contain every word typed:
// letters compared as the dialect compares texts (ASCII letters without regard to case),
// every other character as it is, nothing in the words a pattern. Found in the records the
// result cache holds, never by running the statement again, on a thread of its own that
// follows the count while it reads the result on.
class ResultFilter {
public:
    // How the grid shows an amount's text (its sign), given the cell's colour.
    using AmountText = std::function<QString(const QString& text, int colour)>;

    // The words of a filter text: what lies between blanks.
    static QStringList Words(const QString& typed);

    // Starts looking through `records` for the words of `typed`, which must hold one.
    // `countRuns`: whether the count still reads the result on, so that more records follow.
    // With `order`, a sort of the whole result read, the records are found in its order
    // (a sorted page 1 shows as soon as its records are found); it must outlive the filter.
    ResultFilter(QueryRecordset& records, const QString& typed, AmountText amountText, bool countRuns,
                 const ResultOrder* order = nullptr);
    ResultFilter(const ResultFilter&) = delete;
    ResultFilter& operator=(const ResultFilter&) = delete;
    ~ResultFilter();

    const QString& Typed() const { return typed_; }
    // The count ended (read to the end, stopped or failed): no more records follow.
    void CountEnded();
    // Whether it still looks for records the count reads on.
    bool FollowsCount() const { return countRuns_; }

    // The order the records are found in; null for the result's.
    const ResultOrder* Order() const { return order_; }
    // The records found so far, and the record found at place `row`, from 0.
    int64_t Found() const;
    int64_t RecordAt(int64_t row) const;
    // The records looked through so far.
    int64_t Looked() const { return looked_; }
    // True once every record there is to look through was looked at.
    bool Finished() const { return finished_; }
    // Why the look failed (the cache could not be read); empty while it did not.
    QString Failure() const;

    // Waits until `rows` records are found or the look is finished, `stop` is set or
    // `ms` milliseconds pass (-1: no limit); true when the records are found or finished.
    bool WaitFor(int64_t rows, int ms, const std::atomic<bool>& stop) const;

    // Whether the stored values of one record, of fields of the types given, show the words.
    bool Matches(const std::vector<StoredCell>& cells) const;

private:
    void Look();
    void LookAsRead();
    void LookInOrder();
    void Publish(std::vector<uint32_t>& batch, int64_t looked);
    bool Contains(const StoredCell& cell, int column, unsigned& missing) const;

    QueryRecordset& records_;
    const ResultOrder* order_;
    QString typed_;
    AmountText amountText_;
    QList<QByteArray> words_;  // UTF-8, ASCII letters in lower case
    QList<bool> wordsInNumbers_;  // whether a word may be found in a number's or a date's text
    QList<int> types_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<uint32_t> found_;
    QString failure_;
    std::atomic<bool> countRuns_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<int64_t> looked_{0};
    std::thread thread_;
};

} // namespace levy
