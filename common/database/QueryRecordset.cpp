#include "QueryRecordset.h"

#include "values/DaoConstants.h"
#include "engine/EngineErrors.h"
#include "engine/Sqlite.h"
#include "ValueStorage.h"
#include "jet/JetQuery.h"

using namespace Qt::Literals::StringLiterals;
using levy::engine::RaiseEngine;

namespace levy {

QueryRecordset::QueryRecordset()
{
    complete_ = true;
    position_ = 0;
}

QueryRecordset::QueryRecordset(std::shared_ptr<engine::Connection> connection, jet::UserStatement sql,
                               QueryReading reading)
    : QueryRecordset(ConnectionQuerySource(std::move(connection)), std::move(sql), reading)
{
}

QueryRecordset::QueryRecordset(std::shared_ptr<QuerySource> source, jet::UserStatement sql, QueryReading reading)
    : source_(std::move(source)), sql_(std::move(sql))
{
    if (reading == QueryReading::OnDemand && sql_.type == dbQCrosstab) {
        // A crosstab runs a query for its pivot values before its columns are known, and
        // that query may take any time: it waits, with the rest, for the first look at the
        // records, where the reader can stop it. Faults of the text show now.
        source_->Compile(sql_);
    } else {
        OpenRows();
    }
    cache_ = std::make_unique<ResultCache>();
    position_ = 0;
    if (reading == QueryReading::OnDemand)
        pending_ = true;
    else
        ReadFirst(true);
}

void QueryRecordset::OpenRows()
{
    rows_ = source_->Open(sql_);
    fields_ = rows_->Columns().fields;
    valuesSeen_.clear();
    for (bool known : rows_->Columns().known)
        valuesSeen_.append(known ? -1 : 0);
    kindsToNote_ = valuesSeen_.contains(0);
}

void QueryRecordset::ReadFirst(bool letGo)
{
    pending_ = false;
    // The count is 0 exactly when the result is empty.
    if (!ReadNext())
        return;
    position_ = 0;
    bof_ = eof_ = false;
    rowAt_ = -1;
    // Let go of the database until more is asked for.
    if (letGo && !complete_)
        LetGo();
}

void QueryRecordset::Start() const
{
    if (!pending_)
        return;
    Live();
    // Reading changes only what the answers of the const look-ups depend on; the
    // recordset itself was never created const.
    auto* self = const_cast<QueryRecordset*>(this);
    if (!rows_ && source_)
        self->OpenRows();
    self->ReadFirst(false);
}

bool QueryRecordset::IsEOF() const
{
    std::lock_guard lock(mutex_);
    Start();
    return eof_;
}

bool QueryRecordset::IsBOF() const
{
    std::lock_guard lock(mutex_);
    Start();
    return bof_;
}

int64_t QueryRecordset::RecordCount() const
{
    std::lock_guard lock(mutex_);
    Start();
    return read_;
}

void QueryRecordset::NoteValueKinds(const QList<Value>& stored)
{
    enum : int { wholeNumber = 1, largeWholeNumber = 2, realNumber = 4, text = 8 };
    for (int c = 0; c < fields_.size(); ++c) {
        int& seen = valuesSeen_[c];
        const Value& v = stored[c];
        if (seen < 0 || v.IsNull())
            continue;
        const int before = seen;
        if (v.IsInteger())
            seen |= (v.AsInteger() >= INT32_MIN && v.AsInteger() <= INT32_MAX) ? wholeNumber : largeWholeNumber;
        else if (v.IsDouble())
            seen |= realNumber;
        else
            seen |= text;
        if (seen == before)
            continue;
        // Numbers mixed with texts read as texts; whole numbers mixed with others, or
        // beyond 32 bits, as doubles.
        fields_[c].type = (seen & text) ? dbText : (seen & (realNumber | largeWholeNumber)) ? dbDouble : dbLong;
    }
}

void QueryRecordset::Live() const
{
    if (closed_ || (source_ && !source_->IsOpen()))
        RaiseEngine(engine::errObjectClosed, u"The recordset has been closed."_s);
}

int QueryRecordset::FieldCount() const
{
    std::lock_guard lock(mutex_);
    // A deferred crosstab knows its columns only once its pivot has been read; other
    // statements know them without reading a record.
    if (pending_ && !rows_ && source_)
        Start();
    return int(fields_.size());
}

const FieldDef& QueryRecordset::Field(int index) const
{
    std::lock_guard lock(mutex_);
    Start();
    if (index < 0 || index >= fields_.size())
        RaiseEngine(3265, u"Item not found in this collection."_s);
    return fields_[index];
}

Value QueryRecordset::FieldValue(int index) const
{
    std::lock_guard lock(mutex_);
    Live();
    Start();
    Field(index);
    if (bof_ || eof_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    LoadRow();
    return row_[index];
}

bool QueryRecordset::ReadNext()
{
    if (complete_ || !rows_)
        return false;
    std::lock_guard fetch(fetching_);
    try {
        return ReadNextRecord();
    } catch (const RuntimeError&) {
        // A failed step has reset the statement: a later read starts it again.
        statementAt_ = 0;
        throw;
    }
}

bool QueryRecordset::ReadNextRecord()
{
    // A statement that was let go of starts again and passes over what was read.
    // Passing over, the result may have shrunk since it was first read: it ends there.
    do {
        if (!rows_->Step()) {
            complete_ = true;
            cache_->Flush();
            rows_->Reset();
            return false;
        }
    } while (statementAt_++ < read_);
    // Columns of known types go to the cache as they are stored; the others' values are
    // looked at first, for the type they show.
    if (kindsToNote_) {
        const QList<Value> stored = rows_->CurrentStored();
        NoteValueKinds(stored);
        cache_->Append(stored);
    } else {
        rows_->AppendCurrentRow(*cache_);
    }
    ++read_;
    return true;
}

void QueryRecordset::GoTo(int64_t target)
{
    Live();
    Start();
    if (target < 0) {
        position_ = -1;
        bof_ = true;
        eof_ = read_ == 0 && complete_;
        row_.clear();
        return;
    }
    // A move past what was read reads the rest of the result: a statement left in the
    // middle of its result would keep every other program from writing.
    if (target >= read_)
        while (ReadNext()) {
        }
    if (target >= read_) {
        position_ = read_;
        eof_ = true;
        bof_ = read_ == 0;
        row_.clear();
        return;
    }
    position_ = target;
    bof_ = eof_ = false;
    // The record is converted when a value of it is asked for: a page is reached by a
    // move to the first record and a move from there, and the first is never looked at.
    rowAt_ = -1;
}

void QueryRecordset::LoadRow() const
{
    if (rowAt_ == position_)
        return;
    const QList<Value>& stored = cache_->Row(position_);
    row_.resize(fields_.size());
    for (int c = 0; c < fields_.size(); ++c)
        row_[c] = FromStorage(stored[c], fields_[c].type);
    rowAt_ = position_;
}

void QueryRecordset::MoveFirst()
{
    std::lock_guard lock(mutex_);
    GoTo(0);
}

void QueryRecordset::MoveNext()
{
    std::lock_guard lock(mutex_);
    Start();
    if (eof_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    GoTo(position_ + 1);
}

void QueryRecordset::MoveLast()
{
    std::lock_guard lock(mutex_);
    Live();
    Start();
    while (ReadNext()) {
    }
    GoTo(read_ == 0 ? 0 : read_ - 1);
}

void QueryRecordset::Move(int64_t n)
{
    std::lock_guard lock(mutex_);
    Start();
    if (bof_ || eof_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    GoTo(position_ + n);
}

void QueryRecordset::Interrupt()
{
    if (source_)
        source_->Interrupt();
}

void QueryRecordset::LetGo()
{
    // A statement that holds up no one is kept where it is: starting it again would read
    // again what was read.
    if (rows_ && !complete_ && source_->HoldsUpWriters()) {
        rows_->Reset();
        statementAt_ = 0;
    }
}

void QueryRecordset::ReadAhead(int64_t count)
{
    std::lock_guard lock(mutex_);
    Live();
    Start();
    while (read_ < count && ReadNext()) {
    }
}

void QueryRecordset::ReadRest(const std::atomic<bool>& stop)
{
    // The lock is let go of every few hundred records, so that the records read so far
    // can be shown meanwhile, and while the next batch of rows is waited for.
    constexpr int step = 500;
    for (;;) {
        std::shared_ptr<QueryRows> rows;
        {
            std::lock_guard lock(mutex_);
            Live();
            Start();
            for (int i = 0; i < step; ++i) {
                if (rows_ && !complete_ && !rows_->Ready())
                    break;
                if (!ReadNext())
                    return;
            }
            if (stop) {
                LetGo();
                return;
            }
            if (!rows_ || rows_->Ready())
                continue;
            rows = rows_;
        }
        try {
            std::lock_guard fetch(fetching_);
            rows->Prefetch();
        } catch (const RuntimeError&) {
            std::lock_guard lock(mutex_);
            statementAt_ = 0;
            throw;
        }
    }
}

bool QueryRecordset::Complete() const
{
    std::lock_guard lock(mutex_);
    return complete_ && !pending_;
}

QList<Value> QueryRecordset::Record(int64_t index) const
{
    std::lock_guard lock(mutex_);
    Live();
    Start();
    if (index < 0 || index >= read_)
        RaiseEngine(engine::errNoCurrentRecord, u"No current record."_s);
    const QList<Value>& stored = cache_->Row(index);
    QList<Value> record(fields_.size());
    for (int c = 0; c < fields_.size(); ++c)
        record[c] = FromStorage(stored[c], fields_[c].type);
    return record;
}

void QueryRecordset::VisitStored(int64_t first, int64_t end,
                                 const std::function<void(int64_t, const std::vector<StoredCell>&)>& visit) const
{
    std::lock_guard lock(mutex_);
    Live();
    Start();
    cache_->VisitRows(std::max<int64_t>(first, 0), std::min(end, read_), visit);
}

QByteArray QueryRecordset::Kept(int64_t key) const
{
    std::lock_guard lock(mutex_);
    Live();
    return cache_->Kept(key);
}

void QueryRecordset::Close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    rows_.reset();
    cache_.reset();
    row_.clear();
}

} // namespace levy
