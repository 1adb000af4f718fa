#pragma once

#include "ResultRows.h"

#include <functional>

namespace levy {

class QueryRecordset;
class ResultOrder;

// The results window's whole result in the order it shows it: the statement's order, or a
// sort by one column, ascending or descending.
class ShownResult : public ResultRows {
public:
    // `readAll` reads the result to its end for RowCount (the window shows its progress),
    // raising the cancellation when the user stops it.
    ShownResult(QueryRecordset& records, std::function<void()> readAll);

    // Null: the statement's order.
    void SetOrder(ResultOrder* order);
    const ResultOrder* Order() const { return order_; }

    // The record shown at `row` as it was read, with the fields' types.
    QList<Value> Record(int64_t row);

    int ColumnCount() const override;
    const FieldDef& Column(int column) const override;
    int64_t RowCount() override;
    Value At(int64_t row, int column) override;
    QString TextAt(int64_t row, int column) override;

private:
    QueryRecordset& records_;
    std::function<void()> readAll_;
    ResultOrder* order_ = nullptr;
    int64_t recordAt_ = -1;  // the record `record_` holds, for the cells of one row in turn
    QList<Value> record_;
};

} // namespace levy
