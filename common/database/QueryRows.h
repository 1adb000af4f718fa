#pragma once

#include "jet/syntax/UserStatement.h"
#include "values/FieldDef.h"
#include "values/Value.h"

#include <QList>
#include <memory>

namespace levy {

class ResultCache;
namespace engine {
class Connection;
class Statement;
} // namespace engine

// A statement's columns: each field, and whether its type is known before any value is
// read (otherwise its values tell it).
struct QueryColumns {
    QList<FieldDef> fields;
    QList<bool> known;
};

// A running statement's rows, one at a time, as a recordset reads them.
class QueryRows {
public:
    virtual ~QueryRows() = default;
    virtual const QueryColumns& Columns() const = 0;
    // Moves to the next row; false at the end of the result. A failure resets the statement.
    virtual bool Step() = 0;
    // The next Step starts from the first row again.
    virtual void Reset() = 0;
    // Rows that come from another process arrive in batches: Prefetch waits for the next
    // batch, so that the Steps through it do not wait; a reader calls it without holding
    // what other threads need. Ready is true while Step would not wait.
    virtual bool Ready() const { return true; }
    virtual void Prefetch() {}
    // The current row, as the result cache keeps it.
    virtual void AppendCurrentRow(ResultCache& cache) = 0;
    virtual QList<Value> CurrentStored() = 0;
};

// Where a clerk's statements run: a read-only connection of this process, or the query
// worker's.
class QuerySource {
public:
    virtual ~QuerySource() = default;
    // Compiles the statement and no more: the faults of its text show.
    virtual void Compile(const jet::UserStatement& statement) = 0;
    virtual std::unique_ptr<QueryRows> Open(const jet::UserStatement& statement) = 0;
    // Stops what runs now, from any thread; what stopped fails with "The operation was stopped.".
    virtual void Interrupt() = 0;
    virtual bool IsOpen() const = 0;
    // Whether a statement left in the middle of its result keeps other programs from
    // writing (so that a recordset lets go of it between reads).
    virtual bool HoldsUpWriters() const = 0;
};

// Makes a read-only connection fit to run clerks' statements: the engine's defences and
// limits, the read-only gate and the dialect's functions.
void ArmQueryConnection(const std::shared_ptr<engine::Connection>& connection);

std::shared_ptr<QuerySource> ConnectionQuerySource(std::shared_ptr<engine::Connection> connection);

// Prepares a clerk's statement on a read-only connection and tells its columns: a plain
// column has its declared type, an expression the type the translation gave it.
std::unique_ptr<engine::Statement> PrepareUserStatement(const std::shared_ptr<engine::Connection>& connection,
                                                        const jet::UserStatement& statement, QueryColumns& columns);

} // namespace levy
