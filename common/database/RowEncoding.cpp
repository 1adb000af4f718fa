#include "RowEncoding.h"

#include "engine/Sqlite.h"

#include <QVarLengthArray>

#include <cstring>

namespace levy {
namespace {
enum Tag : char { tagNull = 0, tagInteger = 1, tagDouble = 2, tagText = 3 };

void Put(QByteArray& out, const void* data, qsizetype size) { out.append(static_cast<const char*>(data), size); }

// One stored value each, in the cache's form: a tag, then the value.
void PutNull(QByteArray& out) { out.append(tagNull); }
void PutInteger(QByteArray& out, int64_t i)
{
    out.append(tagInteger);
    Put(out, &i, sizeof i);
}
void PutDouble(QByteArray& out, double d)
{
    out.append(tagDouble);
    Put(out, &d, sizeof d);
}
void PutText(QByteArrayView utf8, QByteArray& out)
{
    out.append(tagText);
    const uint32_t size = uint32_t(utf8.size());
    Put(out, &size, sizeof size);
    out.append(utf8);
}
void PutColumnCount(QByteArray& out, int columns)
{
    const uint32_t n = uint32_t(columns);
    Put(out, &n, sizeof n);
}

template <class T>
T Take(const char*& p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    p += sizeof value;
    return value;
}

} // namespace

void EncodeRow(QByteArray& out, const QList<Value>& row)
{
    PutColumnCount(out, int(row.size()));
    for (const Value& v : row) {
        if (v.IsNull())
            PutNull(out);
        else if (v.IsInteger())
            PutInteger(out, v.AsInteger());
        else if (v.IsDouble())
            PutDouble(out, v.AsDouble());
        else
            PutText(v.AsText().toUtf8(), out);
    }
}

// The row's size is found first and the block grown once: a long result is read at the pace of this loop.
void EncodeCurrentRow(QByteArray& out, sqlite3_stmt* s, int columns)
{
    constexpr int inPlace = 64;
    QVarLengthArray<QByteArrayView, inPlace> texts(columns);
    QVarLengthArray<char, inPlace> types(columns);
    QList<QByteArray> converted;  // texts that are not UTF-8, as their reading gives them back
    qsizetype size = qsizetype(sizeof(uint32_t));
    for (int c = 0; c < columns; ++c) {
        const int type = sqlite3_column_type(s, c);
        types[c] = char(type);
        switch (type) {
        case SQLITE_NULL: size += 1; break;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: size += 1 + qsizetype(sizeof(int64_t)); break;
        default: {
            QByteArrayView bytes(reinterpret_cast<const char*>(sqlite3_column_text(s, c)), sqlite3_column_bytes(s, c));
            if (!bytes.isValidUtf8()) {
                // A QByteArray's bytes stay where they are when the list grows.
                converted.append(QString::fromUtf8(bytes).toUtf8());
                bytes = converted.last();
            }
            texts[c] = bytes;
            size += 1 + qsizetype(sizeof(uint32_t)) + bytes.size();
        }
        }
    }
    const qsizetype at = out.size();
    out.resize(at + size);
    char* p = out.data() + at;
    auto put = [&p](const void* data, size_t n) {
        if (n > 0)
            std::memcpy(p, data, n);
        p += n;
    };
    const uint32_t n = uint32_t(columns);
    put(&n, sizeof n);
    for (int c = 0; c < columns; ++c) {
        switch (types[c]) {
        case SQLITE_NULL: *p++ = tagNull; break;
        case SQLITE_INTEGER: {
            *p++ = tagInteger;
            const int64_t i = sqlite3_column_int64(s, c);
            put(&i, sizeof i);
            break;
        }
        case SQLITE_FLOAT: {
            *p++ = tagDouble;
            const double d = sqlite3_column_double(s, c);
            put(&d, sizeof d);
            break;
        }
        default: {
            const QByteArrayView bytes = texts[c];
            *p++ = tagText;
            const uint32_t length = uint32_t(bytes.size());
            put(&length, sizeof length);
            put(bytes.data(), size_t(bytes.size()));
        }
        }
    }
}

QList<Value> DecodeRow(const char*& p)
{
    const uint32_t n = Take<uint32_t>(p);
    QList<Value> row;
    row.reserve(n);
    for (uint32_t c = 0; c < n; ++c) {
        switch (*p++) {
        case tagInteger: row.append(Value(Take<int64_t>(p))); break;
        case tagDouble: row.append(Value(Take<double>(p))); break;
        case tagText: {
            const uint32_t size = Take<uint32_t>(p);
            row.append(Value(QString::fromUtf8(p, size)));
            p += size;
            break;
        }
        default: row.append(Value()); break;
        }
    }
    return row;
}

StoredCell TakeCell(const char*& p)
{
    StoredCell cell;
    switch (*p++) {
    case tagInteger:
        cell.kind = StoredCell::Integer;
        cell.integer = Take<int64_t>(p);
        break;
    case tagDouble:
        cell.kind = StoredCell::Double;
        cell.real = Take<double>(p);
        break;
    case tagText: {
        const uint32_t size = Take<uint32_t>(p);
        cell.kind = StoredCell::Text;
        cell.utf8 = QByteArrayView(p, qsizetype(size));
        p += size;
        break;
    }
    default: break;
    }
    return cell;
}

uint32_t TakeColumnCount(const char*& p) { return Take<uint32_t>(p); }

qsizetype WellFormedRowLength(QByteArrayView bytes, int columns)
{
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* p = begin;
    auto has = [&](qsizetype n) { return n >= 0 && end - p >= n; };
    if (!has(qsizetype(sizeof(uint32_t))) || Take<uint32_t>(p) != uint32_t(columns))
        return -1;
    for (int c = 0; c < columns; ++c) {
        if (!has(1))
            return -1;
        switch (*p++) {
        case tagNull: break;
        case tagInteger:
        case tagDouble:
            if (!has(8))
                return -1;
            p += 8;
            break;
        case tagText: {
            if (!has(qsizetype(sizeof(uint32_t))))
                return -1;
            const uint32_t size = Take<uint32_t>(p);
            // (Bytes that are not UTF-8 read as replacement characters: harmless.)
            if (!has(qsizetype(size)))
                return -1;
            p += size;
            break;
        }
        default: return -1;
        }
    }
    return p - begin;
}

} // namespace levy
