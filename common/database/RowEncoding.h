#pragma once

#include "values/Value.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

struct sqlite3_stmt;

namespace levy {

// One stored value as a result row holds it, without a copy; a text points into the
// row's bytes and is valid while they are.
struct StoredCell {
    enum Kind : char { Null = 0, Integer = 1, Double = 2, Text = 3 };
    Kind kind = Null;
    int64_t integer = 0;
    double real = 0;
    QByteArrayView utf8;
};

// A result row in bytes, as the result cache keeps it and the query worker sends it: the
// column count, then per value a tag and the value (Null; a 64-bit integer; a double; a
// UTF-8 text with its length). Machine byte order: the bytes never leave this machine.
void EncodeRow(QByteArray& out, const QList<Value>& row);
// The statement's current row, its first `columns` columns, as EncodeRow would keep their
// stored values.
void EncodeCurrentRow(QByteArray& out, sqlite3_stmt* statement, int columns);
// Decodes the row at p, which must be well formed, and moves p past it.
QList<Value> DecodeRow(const char*& p);
// The value at p, which must be well formed, as it is stored; moves p past it.
StoredCell TakeCell(const char*& p);
uint32_t TakeColumnCount(const char*& p);
// The length of the well-formed row of `columns` values at the start of `bytes`, or -1
// when the bytes are not one: the check for rows that come from another process.
qsizetype WellFormedRowLength(QByteArrayView bytes, int columns);

} // namespace levy
