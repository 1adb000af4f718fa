#pragma once

#include "ResultRows.h"

#include <functional>
#include <vector>

namespace levy {

class QueryRecordset;
class ResultFilter;
class ResultOrder;

// The results window's whole result in the order it shows it: the statement's order, or a
// sort by one column, ascending or descending; only the records a filter finds, while one
// is on.
class ShownResult : public ResultRows {
public:
    // `readAll` reads the result to its end for RowCount (the window shows its progress),
    // raising the cancellation when the user stops it.
    ShownResult(QueryRecordset& records, std::function<void()> readAll);

    // Null: the statement's order.
    void SetOrder(ResultOrder* order);
    ResultOrder* Order() const { return order_; }
    // Null: every record. A filter that finds its records in the order shown shows them as
    // they are found; one set before the sort shows them once it has finished (SortFound).
    void SetFilter(const ResultFilter* filter);
    const ResultFilter* Filter() const { return filter_; }
    // With a finished filter that found its records in another order than the one shown
    // (the sort's, or the statement's): puts them in that order. Reads the sort's order; raises what the cache raises. True when
    // it put them now.
    bool SortFound();

    // The records known to be shown so far, and whether that is all of them.
    int64_t Known() const;
    bool AllKnown() const;

    // The record shown at `row` as it was read, with the fields' types.
    QList<Value> Record(int64_t row);

    int ColumnCount() const override;
    const FieldDef& Column(int column) const override;
    int64_t RowCount() override;
    Value At(int64_t row, int column) override;
    QString TextAt(int64_t row, int column) override;

private:
    bool FoundInOrder() const;

    QueryRecordset& records_;
    std::function<void()> readAll_;
    ResultOrder* order_ = nullptr;
    const ResultFilter* filter_ = nullptr;
    std::vector<uint32_t> sortedFound_;  // the filter's records in the order shown
    bool foundSorted_ = false;
    int64_t recordAt_ = -1;  // the record `record_` holds, for the cells of one row in turn
    QList<Value> record_;
};

} // namespace levy
