#pragma once

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QHeaderView;

namespace levy {

class QueryRecordset;
class ResultCache;

// The order of a whole result by one column, made from the records the result cache holds:
// the statement does not run again. Nulls come first, then numbers, dates and amounts as
// values, texts without regard to case as the dialect compares them (ASCII letters folded);
// descending puts them last. Either way equal values keep the statement's order. Memory stays within a few MiB whatever the
// result's size: the keys are sorted in runs, the runs merged, and both the runs and the
// order are kept enciphered in the result's cache.
class ResultOrder {
public:
    // Sorts the `records` records of `result` by column `column` of field type `fieldType`,
    // while no other thread reads the result. Raises the cancellation when `stop` is set on
    // the way, and what the cache raises.
    ResultOrder(QueryRecordset& result, int column, int fieldType, bool descending, int64_t records,
                const std::atomic<bool>& stop);
    ResultOrder(const ResultOrder&) = delete;
    ResultOrder& operator=(const ResultOrder&) = delete;

    int Column() const { return column_; }
    bool Descending() const { return descending_; }
    int64_t Records() const { return records_; }
    // The record shown at `position`, from 0.
    int64_t RecordAt(int64_t position);

    // The records at the positions of one block, for a reader on another thread than the
    // one that calls RecordAt.
    static constexpr int recordsPerBlock = 1024;
    std::vector<uint32_t> Block(int64_t block) const;

private:
    int64_t OrderKey(int64_t block) const;
    int64_t RunKey(int64_t run, int64_t chunk) const;
    void Sort(int fieldType, const std::atomic<bool>& stop);

    QueryRecordset& result_;
    ResultCache& cache_;
    int column_;
    bool descending_;
    int64_t records_;
    int64_t loadedBlock_ = -1;
    std::vector<uint32_t> loaded_;
};

// The order a results window shows, chosen by clicks on a column's heading: ascending,
// then descending, then the statement's order again. Each order is made once, and kept
// while the window lives.
class ResultSort {
public:
    // Whether a click on the heading of `field` goes back to the statement's order, which
    // reads nothing.
    bool ClickRestores(int field) const { return field_ == field && descending_; }
    // The order after a click on the heading of `field`; null for the statement's order.
    // `make` sorts the result in the direction asked, for an order not made before; what
    // it raises passes on, and the sort stays as it was.
    ResultOrder* Click(int field, const std::function<std::unique_ptr<ResultOrder>(bool descending)>& make);
    // Shows the direction on the column's heading; no mark in the statement's order.
    void ShowOn(QHeaderView& header) const;

private:
    std::map<std::pair<int, bool>, std::unique_ptr<ResultOrder>> made_;  // by field and direction
    int field_ = -1;
    bool descending_ = false;
};

} // namespace levy
