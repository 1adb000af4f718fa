#include "ShownResult.h"

#include "ResultCellText.h"
#include "ResultFilter.h"
#include "ResultOrder.h"
#include "database/QueryRecordset.h"
#include "platform/RuntimeError.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

ShownResult::ShownResult(QueryRecordset& records, std::function<void()> readAll)
    : records_(records), readAll_(std::move(readAll))
{
}

void ShownResult::SetOrder(ResultOrder* order)
{
    order_ = order;
    foundSorted_ = false;
    sortedFound_.clear();
    recordAt_ = -1;
}

void ShownResult::SetFilter(const ResultFilter* filter)
{
    filter_ = filter;
    foundSorted_ = false;
    sortedFound_.clear();
    recordAt_ = -1;
}

bool ShownResult::FoundInOrder() const { return filter_ && filter_->Order() == order_; }

bool ShownResult::SortFound()
{
    if (!filter_ || FoundInOrder() || foundSorted_ || !filter_->Finished())
        return false;
    const int64_t records = records_.RecordCount();
    std::vector<bool> found(size_t(records), false);
    for (int64_t i = 0, n = filter_->Found(); i < n; ++i)
        found[size_t(filter_->RecordAt(i))] = true;
    sortedFound_.clear();
    for (int64_t p = 0; p < records; ++p)
        if (const int64_t r = order_ ? order_->RecordAt(p) : p; found[size_t(r)])
            sortedFound_.push_back(uint32_t(r));
    foundSorted_ = true;
    recordAt_ = -1;
    return true;
}

int64_t ShownResult::Known() const
{
    if (!filter_)
        return records_.RecordCount();
    if (!FoundInOrder())
        return foundSorted_ ? int64_t(sortedFound_.size()) : 0;
    return filter_->Found();
}

bool ShownResult::AllKnown() const
{
    if (!filter_)
        return records_.Complete();
    return filter_->Finished() && (FoundInOrder() || foundSorted_);
}

QList<Value> ShownResult::Record(int64_t row)
{
    int64_t record = row;
    if (filter_ && !FoundInOrder()) {
        if (row < 0 || row >= int64_t(sortedFound_.size()))
            Raise(9, u"SQL Result"_s, u"Subscript out of range"_s);
        record = sortedFound_[size_t(row)];
    } else if (filter_) {
        record = filter_->RecordAt(row);
    } else if (order_) {
        record = order_->RecordAt(row);
    }
    if (record != recordAt_) {
        record_ = records_.Record(record);
        recordAt_ = record;
    }
    return record_;
}

int ShownResult::ColumnCount() const { return records_.FieldCount(); }

const FieldDef& ShownResult::Column(int column) const { return records_.Field(column); }

int64_t ShownResult::RowCount()
{
    if (!AllKnown())
        readAll_();
    return Known();
}

Value ShownResult::At(int64_t row, int column) { return Record(row).value(column); }

QString ShownResult::TextAt(int64_t row, int column)
{
    return FormatResultCell(At(row, column), Column(column).type).text;
}

} // namespace levy
