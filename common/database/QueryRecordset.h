#pragma once

#include "Recordset.h"
#include "QueryRows.h"
#include "ResultCache.h"
#include "engine/SqliteHandle.h"
#include "jet/syntax/UserStatement.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace levy {

// A read-only recordset over a statement's result. Each record is read from the
// database once, in order, and kept in a private result cache; moving to a record
// already read costs no second read, wherever it lies. The first record is read when
// the recordset opens (or when first asked for, see QueryReading), the rest at the
// first move past it; the statement is then finished, so an open recordset never keeps
// other programs from writing.
//
// One thread may read the rest of the result (ReadRest) while another looks at the records
// already read: every call takes the recordset's lock, so the engine's handles are used by
// one thread at a time.
class QueryRecordset : public Recordset {
public:
    // Runs a user's statement (in the Access-style dialect or the engine's own SQL),
    // checked as a query, on the read-only query connection.
    QueryRecordset(std::shared_ptr<engine::Connection> connection, jet::UserStatement sql,
                   QueryReading reading = QueryReading::FirstRecordAtOnce);
    // Runs a user's statement where `source` runs statements (the query worker).
    QueryRecordset(std::shared_ptr<QuerySource> source, jet::UserStatement sql,
                   QueryReading reading = QueryReading::FirstRecordAtOnce);
    // A recordset of a statement that may not run: no fields, no records.
    QueryRecordset();

    int FieldCount() const override;
    const FieldDef& Field(int index) const override;
    Value FieldValue(int index) const override;

    void MoveFirst() override;
    void MoveNext() override;
    void MoveLast() override;
    void Move(int64_t n) override;
    bool IsEOF() const override;
    bool IsBOF() const override;
    int64_t RecordCount() const override;
    void Close() override;

    // Stops a long read from another thread (the user's Cancel); the read then fails
    // with "The operation was stopped.".
    void Interrupt();

    // Reads from the start until `count` records are read or the result ends.
    void ReadAhead(int64_t count);
    // Reads on to the end of the result, in steps that let other threads look at what was
    // read. When `stop` is set it lets go of the statement and returns; a later read
    // starts the statement again and passes over what was read. Raises what the engine
    // raises.
    void ReadRest(const std::atomic<bool>& stop);
    // True once the whole result has been read.
    bool Complete() const;
    // A record by its place in the result, from 0, with the fields' types; it must have
    // been read.
    QList<Value> Record(int64_t index) const;
    // Visits the stored values of the records `first` to `end` - 1 that have been read, in
    // order, holding the recordset for the while: a reader of many records on another
    // thread than the window's.
    void VisitStored(int64_t first, int64_t end,
                     const std::function<void(int64_t record, const std::vector<StoredCell>& cells)>& visit) const;
    // The records read, for a reader of the whole result (a sort); only while no other
    // thread reads.
    ResultCache& Cache() { return *cache_; }
    // Data kept beside the result (a sort order), read while another thread may read it
    // or the records.
    QByteArray Kept(int64_t key) const;

private:
    // Reads the first record, if that has not been done yet. Every look at the records
    // goes through here, the const ones too: their answers depend on the first read.
    void Start() const;
    void ReadFirst(bool letGo);
    // Opens the statement and takes its columns.
    void OpenRows();
    // Makes record `target` current (past the end: EOF), reading on as far as needed.
    void GoTo(int64_t target);
    // Converts the current record into row_, unless it holds it already.
    void LoadRow() const;
    // Reads the next record into the cache; false at the end of the result.
    bool ReadNext();
    bool ReadNextRecord();
    // A column whose type neither its declaration nor its expression tells takes it from
    // all its values, as they are read: the first non-Null value alone could be a whole
    // number in a column of fractions, or a number in a column of texts.
    void NoteValueKinds(const QList<Value>& stored);
    void Live() const;
    void LetGo();

    std::shared_ptr<QuerySource> source_;
    jet::UserStatement sql_;
    std::shared_ptr<QueryRows> rows_;
    std::unique_ptr<ResultCache> cache_;
    QList<FieldDef> fields_;
    QList<int> valuesSeen_;        // per column: the kinds of value met, or -1 when typed
    bool kindsToNote_ = false;     // some column is untyped
    mutable QList<Value> row_;     // the current record, converted when first asked for
    mutable int64_t rowAt_ = -1;   // the record row_ holds
    int64_t position_ = -1;        // 0-based index of the current record
    int64_t read_ = 0;             // records read so far
    int64_t statementAt_ = 0;      // records the live statement has delivered
    bool complete_ = false;        // the whole result has been read
    bool pending_ = false;         // the first record has not been read yet
    bool bof_ = true;
    bool eof_ = true;
    bool closed_ = false;
    mutable std::recursive_mutex mutex_;
    // Held while rows_ is read, inside mutex_ or, by ReadRest waiting for a batch, alone:
    // the window's thread never waits on the engine for a look at what was read.
    mutable std::mutex fetching_;
};

} // namespace levy
