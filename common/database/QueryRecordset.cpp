#include "QueryRecordset.h"

#include "EngineErrors.h"
#include "ReadOnlyAuthorizer.h"
#include "ValueStorage.h"

using namespace Qt::Literals::StringLiterals;
using levy::engine::RaiseEngine;

namespace levy {

QueryRecordset::QueryRecordset()
{
    countComplete_ = true;
    statementAt_ = 0;
    position_ = 0;
}

QueryRecordset::QueryRecordset(std::shared_ptr<engine::Connection> connection, const QString& sql)
    : connection_(std::move(connection)), statement_(engine::PrepareReadOnlyQuery(connection_, sql))
{
    const int n = statement_->ColumnCount();
    for (int c = 0; c < n; ++c) {
        FieldDef f;
        f.name = statement_->ColumnName(c);
        const bool known = FieldFromDeclaredType(statement_->ColumnDeclType(c), f);
        if (!known)
            f.type = dbText;
        fields_.append(f);
        typeFromValues_.append(!known);
    }
    // Read the first record at once: the count is then 0 exactly when the result is empty.
    if (StepStatement()) {
        // An expression column takes its type from the first record's values.
        for (int c = 0; c < n; ++c)
            if (typeFromValues_[c] && !statement_->ColumnIsNull(c))
                fields_[c].type = FieldTypeOfStorage(statement_->ColumnStorage(c));
    }
    position_ = statementAt_;
    if (countComplete_) {
        bof_ = eof_ = true;
    } else {
        bof_ = eof_ = false;
        ReadRow();
    }
}

void QueryRecordset::Live() const
{
    if (closed_ || (connection_ && !connection_->IsOpen()))
        RaiseEngine(engine::errObjectClosed, u"The recordset has been closed."_s);
}

const FieldDef& QueryRecordset::Field(int index) const
{
    if (index < 0 || index >= fields_.size())
        RaiseEngine(3265, u"Item not found in this collection."_s);
    return fields_[index];
}

Value QueryRecordset::FieldValue(int index) const
{
    Live();
    Field(index);
    if (bof_ || eof_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    return row_[index];
}

bool QueryRecordset::StepStatement()
{
    if (!statement_ || (countComplete_ && statementAt_ >= reached_))
        return false;
    if (statement_->Step()) {
        ++statementAt_;
        reached_ = std::max(reached_, statementAt_ + 1);
        return true;
    }
    statementAt_ = reached_;
    countComplete_ = true;
    return false;
}

void QueryRecordset::ReadRow()
{
    const int n = int(fields_.size());
    row_.resize(n);
    for (int c = 0; c < n; ++c)
        row_[c] = FromStorage(statement_->ColumnStorage(c), fields_[c].type);
}

void QueryRecordset::GoTo(int64_t target)
{
    Live();
    if (target < 0) {
        position_ = -1;
        bof_ = true;
        eof_ = reached_ == 0 && countComplete_;
        row_.clear();
        return;
    }
    if (countComplete_ && target >= reached_) {
        position_ = reached_;
        eof_ = true;
        bof_ = reached_ == 0;
        row_.clear();
        return;
    }
    if (countComplete_ && target == reached_ - 1 && !lastRow_.isEmpty()) {
        position_ = target;
        row_ = lastRow_;
        bof_ = eof_ = false;
        return;
    }
    if (target < statementAt_ || (target == statementAt_ && countComplete_ && statementAt_ >= reached_)) {
        statement_->Reset();
        statementAt_ = -1;
    }
    while (statementAt_ < target) {
        if (!StepStatement()) {
            if (position_ == reached_ - 1 && !row_.isEmpty())
                lastRow_ = row_;
            position_ = reached_;
            eof_ = true;
            bof_ = reached_ == 0;
            row_.clear();
            return;
        }
    }
    position_ = target;
    bof_ = eof_ = false;
    ReadRow();
}

void QueryRecordset::MoveFirst() { GoTo(0); }

void QueryRecordset::MoveNext()
{
    if (eof_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    GoTo(position_ + 1);
}

void QueryRecordset::MoveLast()
{
    Live();
    if (!countComplete_) {
        // Read to the end, keeping the last record.
        if (statementAt_ >= 0 && statementAt_ < reached_)
            ReadRow();
        QList<Value> last = statementAt_ >= 0 ? row_ : QList<Value>();
        while (StepStatement()) {
            ReadRow();
            last = row_;
        }
        lastRow_ = last;
    }
    if (reached_ == 0) {
        GoTo(0);
        return;
    }
    GoTo(reached_ - 1);
}

void QueryRecordset::Move(int64_t n)
{
    if (bof_ || eof_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    GoTo(position_ + n);
}

void QueryRecordset::Close()
{
    closed_ = true;
    statement_.reset();
    row_.clear();
    lastRow_.clear();
}

} // namespace levy
