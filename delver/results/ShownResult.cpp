#include "ShownResult.h"

#include "ResultCellText.h"
#include "ResultOrder.h"
#include "database/QueryRecordset.h"

namespace levy {

ShownResult::ShownResult(QueryRecordset& records, std::function<void()> readAll)
    : records_(records), readAll_(std::move(readAll))
{
}

void ShownResult::SetOrder(ResultOrder* order) { order_ = order; }

QList<Value> ShownResult::Record(int64_t row)
{
    const int64_t record = order_ ? order_->RecordAt(row) : row;
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
    if (!records_.Complete())
        readAll_();
    return records_.RecordCount();
}

Value ShownResult::At(int64_t row, int column) { return Record(row).value(column); }

QString ShownResult::TextAt(int64_t row, int column)
{
    return FormatResultCell(At(row, column), Column(column).type).text;
}

} // namespace levy
