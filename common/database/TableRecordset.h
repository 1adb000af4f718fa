#pragma once

#include "Recordset.h"
#include "engine/EngineErrors.h"
#include "engine/SqliteHandle.h"

#include <QMap>
#include <memory>
#include <optional>

namespace levy {

// A table-type recordset: every move reads the table as it is now, so rows written by
// anyone are seen; an index orders the rows and serves Seek.
class TableRecordset : public Recordset {
public:
    TableRecordset(std::shared_ptr<engine::Connection> connection, const QString& table);

    int FieldCount() const override { return int(fields_.size()); }
    const FieldDef& Field(int index) const override;
    Value FieldValue(int index) const override;

    void MoveFirst() override;
    void MoveNext() override;
    void MoveLast() override;
    void Move(int64_t n) override;
    bool IsEOF() const override { return eof_; }
    bool IsBOF() const override { return bof_; }
    int64_t RecordCount() const override;

    void SetIndex(const QString& indexName) override;
    QString Index() const override { return indexName_; }
    void Seek(const QString& comparison, const Value& key) override;
    bool NoMatch() const override { return noMatch_; }
    void AddNew() override;
    void Edit() override;
    void SetFieldValue(const QString& name, const Value& value) override;
    void Update() override;
    void CancelUpdate() override;
    void Delete() override;
    void Close() override;

    const QString& TableName() const { return table_; }

private:
    enum class EditMode { None, AddNew, Edit };
    struct Position {
        int64_t rowid;
        Value key;
    };
    std::shared_ptr<engine::Connection> Live() const;
    QString OrderBy(bool descending) const;
    std::optional<Position> Neighbour(const Position* from, bool forward) const;
    std::optional<Position> Read(engine::Statement& stmt) const;
    void SetCurrent(std::optional<Position> p, bool atStartIfNone);
    void RequireCurrent() const;
    [[noreturn]] void RaiseWriteError(const RuntimeError& error) const;

    std::shared_ptr<engine::Connection> connection_;
    QString table_;
    QList<FieldDef> fields_;
    QMap<QString, QString> indexFields_;  // index name -> its first field
    QString indexName_;
    QString indexField_;
    std::optional<Position> current_;
    bool currentDeleted_ = false;
    bool bof_ = true;
    bool eof_ = true;
    bool noMatch_ = false;
    bool closed_ = false;
    EditMode mode_ = EditMode::None;
    QList<QPair<int, Value>> buffer_;
};

} // namespace levy
