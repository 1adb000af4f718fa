#pragma once

#include "Recordset.h"
#include "SqliteHandle.h"

#include <memory>

namespace levy {

// A read-only recordset over a statement's result. Moving forward continues the
// statement where it is, so walking a result in order costs one read of it; moving back
// runs the statement again from its first record.
class QueryRecordset : public Recordset {
public:
    // Runs a user's statement, checked as a query, on the read-only query connection.
    QueryRecordset(std::shared_ptr<engine::Connection> connection, const QString& sql);
    // A recordset of a statement that may not run: no fields, no records.
    QueryRecordset();

    int FieldCount() const override { return int(fields_.size()); }
    const FieldDef& Field(int index) const override;
    Value FieldValue(int index) const override;

    void MoveFirst() override;
    void MoveNext() override;
    void MoveLast() override;
    void Move(int64_t n) override;
    bool IsEOF() const override { return eof_; }
    bool IsBOF() const override { return bof_; }
    int64_t RecordCount() const override { return reached_; }
    void Close() override;

private:
    // Makes record `target` current (past the end: EOF), reading forward from where the
    // statement is, or from its start when the target lies behind it.
    void GoTo(int64_t target);
    bool StepStatement();
    void ReadRow();
    void Live() const;

    std::shared_ptr<engine::Connection> connection_;
    std::unique_ptr<engine::Statement> statement_;
    QList<FieldDef> fields_;
    QList<bool> typeFromValues_;
    QList<Value> row_;          // the current record, converted
    QList<Value> lastRow_;      // the last record, once the end has been reached
    int64_t position_ = -1;     // 0-based index of the current record
    int64_t statementAt_ = -1;  // the record the statement sits on; the count when finished
    int64_t reached_ = 0;       // records reached so far
    bool countComplete_ = false;
    bool bof_ = true;
    bool eof_ = true;
    bool closed_ = false;
};

} // namespace levy
