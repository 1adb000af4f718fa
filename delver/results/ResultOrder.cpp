#include "ResultOrder.h"

#include "database/QueryRecordset.h"
#include "database/ResultCache.h"
#include "platform/RuntimeError.h"
#include "values/DaoConstants.h"
#include "values/Value.h"

#include <QHeaderView>
#include <QString>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <queue>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
// Sort keys are byte strings compared with memcmp: a tag (Null, then numbers and dates,
// then texts), the value in an order-keeping form, and the record's number, so that no
// two keys are equal and equal values keep the statement's order.
enum KeyTag : char { keyNull = 0, keyValue = 1, keyText = 2 };

constexpr qsizetype runBytes = 4 << 20;    // keys sorted in memory at a time
constexpr qsizetype chunkBytes = 64 << 10;  // a stored piece of a sorted run

void PutBigEndian(QByteArray& out, uint64_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

void AppendInteger(QByteArray& out, int64_t v)
{
    out.append(keyValue);
    PutBigEndian(out, uint64_t(v) ^ (uint64_t(1) << 63), 8);
}

void AppendReal(QByteArray& out, double d)
{
    uint64_t bits = std::bit_cast<uint64_t>(d);
    constexpr uint64_t sign = uint64_t(1) << 63;
    bits = (bits & sign) ? ~bits : bits | sign;
    out.append(keyValue);
    PutBigEndian(out, bits, 8);
}

// The dialect's NOCASE: ASCII letters folded, every other byte as it is. A zero byte is
// escaped so that the end marker (two zeros) sorts before any continuation.
void AppendText(QByteArray& out, QByteArrayView utf8)
{
    out.append(keyText);
    for (char c : utf8) {
        if (c >= 'A' && c <= 'Z')
            out.append(char(c + ('a' - 'A')));
        else if (c == 0)
            out.append('\0').append('\1');
        else
            out.append(c);
    }
    out.append('\0').append('\0');
}

// The stored form of a date, "yyyy-mm-dd hh:nn:ss", sorts as its text.
bool IsStoredDate(QByteArrayView t)
{
    if (t.size() != 19)
        return false;
    for (int i = 0; i < 19; ++i) {
        const char c = t[i];
        const bool ok = (i == 4 || i == 7) ? c == '-' : i == 10 ? c == ' ' : (i == 13 || i == 16) ? c == ':'
                                                                                                     : c >= '0' && c <= '9';
        if (!ok)
            return false;
    }
    return true;
}

void AppendValueText(QByteArray& out, const ResultCache::StoredCell& cell)
{
    const Value v = cell.kind == ResultCache::StoredCell::Integer ? Value(cell.integer) : Value(cell.real);
    AppendText(out, v.AsText().toUtf8());
}

void AppendKey(QByteArray& out, const ResultCache::StoredCell& cell, int fieldType)
{
    using Cell = ResultCache::StoredCell;
    if (cell.kind == Cell::Null) {
        out.append(keyNull);
        return;
    }
    const bool number = cell.kind == Cell::Integer || cell.kind == Cell::Double;
    switch (fieldType) {
    case dbText:
    case dbMemo:
        if (number)
            AppendValueText(out, cell);
        else
            AppendText(out, cell.utf8);
        return;
    case dbDate:
        if (!number && IsStoredDate(cell.utf8)) {
            out.append(keyValue);
            out.append(cell.utf8.data(), cell.utf8.size());
        } else if (number) {
            AppendReal(out, cell.kind == Cell::Integer ? double(cell.integer) : cell.real);
        } else {
            AppendText(out, cell.utf8);
        }
        return;
    case dbCurrency:
        if (number) {
            try {
                const Value v = cell.kind == Cell::Integer ? Value(cell.integer) : Value(cell.real);
                AppendInteger(out, v.AsCurrency().tenThousandths);
            } catch (const RuntimeError&) {
                AppendReal(out, cell.kind == Cell::Integer ? double(cell.integer) : cell.real);
            }
            return;
        }
        break;
    case dbInteger:
    case dbLong:
    case dbByte:
        if (number) {
            AppendInteger(out, cell.kind == Cell::Integer ? cell.integer : int64_t(std::llround(cell.real)));
            return;
        }
        break;
    case dbBoolean:
        if (number) {
            // Yes is -1, No is 0.
            AppendInteger(out, (cell.kind == Cell::Integer ? cell.integer != 0 : cell.real != 0.0) ? -1 : 0);
            return;
        }
        break;
    default:
        if (number) {
            AppendReal(out, cell.kind == Cell::Integer ? double(cell.integer) : cell.real);
            return;
        }
        break;
    }
    AppendText(out, cell.utf8);
}

bool Less(QByteArrayView a, QByteArrayView b)
{
    const int c = std::memcmp(a.data(), b.data(), size_t(std::min(a.size(), b.size())));
    return c < 0 || (c == 0 && a.size() < b.size());
}

uint32_t RecordOfKey(QByteArrayView key)
{
    const auto* p = reinterpret_cast<const unsigned char*>(key.data() + key.size() - 4);
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Keys of a run, each as its length and bytes, with its first eight bytes for a quick
// comparison.
struct Run {
    struct Entry {
        uint64_t prefix;
        uint32_t offset;
    };
    QByteArray bytes;
    std::vector<Entry> entries;

    QByteArrayView Key(const Entry& e) const
    {
        uint32_t n;
        std::memcpy(&n, bytes.constData() + e.offset, sizeof n);
        return QByteArrayView(bytes.constData() + e.offset + sizeof n, qsizetype(n));
    }

    void Add(const QByteArray& key)
    {
        Entry e{0, uint32_t(bytes.size())};
        for (int i = 0; i < 8; ++i)
            e.prefix = e.prefix << 8 | (i < key.size() ? uint8_t(key[i]) : 0);
        const uint32_t n = uint32_t(key.size());
        bytes.append(reinterpret_cast<const char*>(&n), sizeof n).append(key);
        entries.push_back(e);
    }

    void Sort()
    {
        std::sort(entries.begin(), entries.end(), [this](const Entry& a, const Entry& b) {
            if (a.prefix != b.prefix)
                return a.prefix < b.prefix;
            return Less(Key(a), Key(b));
        });
    }

    void Clear()
    {
        bytes.clear();
        entries.clear();
    }
};

[[noreturn]] void Stopped()
{
    Raise(errUserCancelled, u"SQL Result"_s, u"The sorting of the result was stopped."_s);
}
} // namespace

ResultOrder::ResultOrder(QueryRecordset& result, int column, int fieldType, bool descending, int64_t records,
                         const std::atomic<bool>& stop)
    : result_(result), cache_(result.Cache()), column_(column), descending_(descending), records_(records)
{
    if (records > int64_t(UINT32_MAX))
        Raise(6, u"SQL Result"_s, u"Overflow"_s);
    try {
        Sort(fieldType, stop);
    } catch (...) {
        try {
            cache_.Forget(OrderKey(0), OrderKey(0) + (int64_t(1) << 40) - 1);
        } catch (const RuntimeError&) {
        }
        throw;
    }
}

// Each order has a range of keys of its own: the column's and the direction's.
int64_t ResultOrder::OrderKey(int64_t block) const
{
    return (int64_t(column_) * 2 + (descending_ ? 2 : 1)) << 40 | block;
}

int64_t ResultOrder::RunKey(int64_t run, int64_t chunk) const
{
    return (int64_t(column_) * 2 + (descending_ ? 2 : 1)) << 40 | int64_t(1) << 39 | run << 20 | chunk;
}

void ResultOrder::Sort(int fieldType, const std::atomic<bool>& stop)
{
    // The order is written in blocks of record numbers.
    std::vector<uint32_t> block;
    block.reserve(recordsPerBlock);
    int64_t blocks = 0;
    auto output = [&](uint32_t record) {
        block.push_back(record);
        if (int(block.size()) == recordsPerBlock) {
            cache_.Keep(OrderKey(blocks++), QByteArrayView(reinterpret_cast<const char*>(block.data()),
                                                          qsizetype(block.size() * sizeof(uint32_t))));
            block.clear();
        }
    };

    Run run;
    run.bytes.reserve(runBytes + 4096);
    std::vector<int64_t> chunksOfRun;
    auto writeRun = [&] {
        run.Sort();
        const int64_t r = int64_t(chunksOfRun.size());
        int64_t chunks = 0;
        QByteArray chunk;
        chunk.reserve(chunkBytes + 4096);
        for (const Run::Entry& e : run.entries) {
            const QByteArrayView key = run.Key(e);
            const uint32_t n = uint32_t(key.size());
            chunk.append(reinterpret_cast<const char*>(&n), sizeof n).append(key.data(), key.size());
            if (chunk.size() >= chunkBytes) {
                cache_.Keep(RunKey(r, chunks++), chunk);
                chunk.clear();
            }
        }
        if (!chunk.isEmpty())
            cache_.Keep(RunKey(r, chunks++), chunk);
        chunksOfRun.push_back(chunks);
        run.Clear();
    };

    QByteArray key;
    bool stopped = false;
    cache_.ScanColumn(column_, [&](int64_t row, const ResultCache::StoredCell& cell) {
        if (row >= records_)
            return false;
        if ((row & 4095) == 0 && stop) {
            stopped = true;
            return false;
        }
        key.clear();
        AppendKey(key, cell, fieldType);
        // The value's encoding ends by itself, so its complement sorts the other way round;
        // the record's number stays as it is, keeping equal values in the statement's order.
        if (descending_)
            for (char& c : key)
                c = char(~c);
        PutBigEndian(key, uint64_t(row), 4);
        run.Add(key);
        if (run.bytes.size() >= runBytes)
            writeRun();
        return true;
    });
    if (stopped)
        Stopped();

    if (chunksOfRun.empty()) {
        // All keys fitted in memory at once: no merge.
        run.Sort();
        for (const Run::Entry& e : run.entries)
            output(RecordOfKey(run.Key(e)));
    } else {
        if (!run.entries.empty())
            writeRun();
        run = Run();
        struct Cursor {
            int64_t run, chunk = 0, chunks;
            QByteArray data;
            qsizetype at = 0;
            QByteArrayView key;
        };
        std::vector<Cursor> cursors;
        auto advance = [&](Cursor& c) {
            if (c.at >= c.data.size()) {
                if (c.chunk >= c.chunks)
                    return false;
                c.data = cache_.Kept(RunKey(c.run, c.chunk++));
                c.at = 0;
            }
            uint32_t n;
            std::memcpy(&n, c.data.constData() + c.at, sizeof n);
            c.key = QByteArrayView(c.data.constData() + c.at + sizeof n, qsizetype(n));
            c.at += qsizetype(sizeof n + n);
            return true;
        };
        for (int64_t r = 0; r < int64_t(chunksOfRun.size()); ++r)
            cursors.push_back(Cursor{r, 0, chunksOfRun[size_t(r)], {}, 0, {}});
        auto later = [&](size_t a, size_t b) { return Less(cursors[b].key, cursors[a].key); };
        std::priority_queue<size_t, std::vector<size_t>, decltype(later)> heap(later);
        for (size_t i = 0; i < cursors.size(); ++i)
            if (advance(cursors[i]))
                heap.push(i);
        int64_t merged = 0;
        while (!heap.empty()) {
            const size_t i = heap.top();
            heap.pop();
            output(RecordOfKey(cursors[i].key));
            if (advance(cursors[i]))
                heap.push(i);
            if ((++merged & 65535) == 0 && stop)
                Stopped();
        }
        cache_.Forget(RunKey(0, 0), OrderKey(0) + (int64_t(1) << 40) - 1);
    }
    if (!block.empty())
        cache_.Keep(OrderKey(blocks), QByteArrayView(reinterpret_cast<const char*>(block.data()),
                                                     qsizetype(block.size() * sizeof(uint32_t))));
}

int64_t ResultOrder::RecordAt(int64_t position)
{
    const int64_t p = position;
    if (p < 0 || p >= records_)
        Raise(9, u"SQL Result"_s, u"Subscript out of range"_s);
    const int64_t b = p / recordsPerBlock;
    if (b != loadedBlock_) {
        loaded_ = Block(b);
        loadedBlock_ = b;
    }
    if (size_t(p % recordsPerBlock) >= loaded_.size())
        Raise(9, u"SQL Result"_s, u"Subscript out of range"_s);
    return loaded_[size_t(p % recordsPerBlock)];
}

std::vector<uint32_t> ResultOrder::Block(int64_t block) const
{
    // Through the result, which lets one thread at a time at its cache.
    const QByteArray data = result_.Kept(OrderKey(block));
    std::vector<uint32_t> records(size_t(data.size()) / sizeof(uint32_t));
    std::memcpy(records.data(), data.constData(), records.size() * sizeof(uint32_t));
    return records;
}

ResultOrder* ResultSort::Click(int field, const std::function<std::unique_ptr<ResultOrder>(bool descending)>& make)
{
    if (ClickRestores(field)) {
        field_ = -1;
        return nullptr;
    }
    const bool descending = field_ == field && !descending_;
    auto made = made_.find({field, descending});
    if (made == made_.end())
        made = made_.emplace(std::pair{field, descending}, make(descending)).first;
    field_ = field;
    descending_ = descending;
    return made->second.get();
}

void ResultSort::ShowOn(QHeaderView& header) const
{
    header.setSortIndicatorShown(field_ >= 0);
    if (field_ >= 0)
        header.setSortIndicator(field_, descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
}

} // namespace levy
