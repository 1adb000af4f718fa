#include "ResultFilter.h"

#include "ResultCellText.h"
#include "ResultOrder.h"
#include "database/QueryRecordset.h"
#include "database/ResultCache.h"
#include "database/ValueStorage.h"
#include "engine/EngineErrors.h"
#include "export/GridColours.h"
#include "platform/RuntimeError.h"
#include "values/DaoConstants.h"

#include <QRegularExpression>

#include <chrono>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
// Records looked through at a time, holding the recordset: the window and the count wait
// no longer than that for it.
constexpr int64_t recordsAtATime = 2000;

char Folded(char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; }

// Whether `text` holds `word` (already folded), ASCII letters folded. UTF-8 keeps every
// character's bytes apart, so a match of bytes is a match of characters.
bool HoldsFolded(QByteArrayView text, const QByteArray& word)
{
    const qsizetype n = word.size();
    if (n == 0)
        return true;
    const char first = word[0];
    for (qsizetype i = 0; i + n <= text.size(); ++i) {
        if (Folded(text[i]) != first)
            continue;
        qsizetype k = 1;
        while (k < n && Folded(text[i + k]) == word[k])
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

// The characters the grid's text of a number, an amount or a date can hold, letters folded:
// digits and their marks, "DR" after a debit, the exponent, and "inf" or "nan".
bool MayShowInNumbers(const QByteArray& word)
{
    for (char c : word)
        if (!std::strchr("0123456789 .,:/+-edrinfa", c))
            return false;
    return true;
}

// The stored form of a date, "yyyy-mm-dd hh:nn:ss", which the grid shows as a date.
bool LooksLikeStoredDate(QByteArrayView t)
{
    return t.size() == 19 && t[4] == '-' && t[7] == '-' && t[10] == ' ' && t[13] == ':' && t[16] == ':';
}

Value ToValue(const StoredCell& cell)
{
    switch (cell.kind) {
    case StoredCell::Integer: return Value(cell.integer);
    case StoredCell::Double: return Value(cell.real);
    case StoredCell::Text: return Value(QString::fromUtf8(cell.utf8));
    case StoredCell::Null: break;
    }
    return Value();
}
} // namespace

QStringList ResultFilter::Words(const QString& typed)
{
    static const QRegularExpression blanks(u"\\s+"_s);
    return typed.split(blanks, Qt::SkipEmptyParts);
}

ResultFilter::ResultFilter(QueryRecordset& records, const QString& typed, AmountText amountText, bool countRuns,
                           const ResultOrder* order)
    : records_(records), order_(order), typed_(typed), amountText_(std::move(amountText)), countRuns_(countRuns)
{
    for (const QString& word : Words(typed)) {
        QByteArray folded = word.toUtf8();
        for (char& c : folded)
            c = Folded(c);
        wordsInNumbers_.append(MayShowInNumbers(folded));
        words_.append(folded);
    }
    // Beyond this many words a record's missing ones no longer fit the mask: one word that
    // holds the rest between blanks says the same.
    while (words_.size() > 31) {
        const QByteArray next = words_.takeAt(31);
        words_[30] += ' ' + next;
        wordsInNumbers_[30] = wordsInNumbers_[30] && wordsInNumbers_.takeAt(31);
    }
    for (int f = 0; f < records_.FieldCount(); ++f)
        types_.append(records_.FieldType(f));
    thread_ = std::thread([this] { Look(); });
}

ResultFilter::~ResultFilter()
{
    stop_ = true;
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void ResultFilter::CountEnded() { countRuns_ = false; }

int64_t ResultFilter::Found() const
{
    std::lock_guard lock(mutex_);
    return int64_t(found_.size());
}

int64_t ResultFilter::RecordAt(int64_t row) const
{
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= int64_t(found_.size()))
        Raise(9, u"SQL Result"_s, u"Subscript out of range"_s);
    return found_[size_t(row)];
}

QString ResultFilter::Failure() const
{
    std::lock_guard lock(mutex_);
    return failure_;
}

bool ResultFilter::WaitFor(int64_t rows, int ms, const std::atomic<bool>& stop) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    std::unique_lock lock(mutex_);
    for (;;) {
        if (finished_ || int64_t(found_.size()) >= rows)
            return true;
        if (stop || (ms >= 0 && std::chrono::steady_clock::now() >= until))
            return false;
        // Woken by each batch looked through; the short wait lets a stop be seen.
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
}

bool ResultFilter::Contains(const StoredCell& cell, int column, unsigned& missing) const
{
    if (cell.kind == StoredCell::Null)
        return false;
    const int type = types_.value(column, dbText);
    QByteArray shown;
    QByteArrayView text;
    const bool plainText = cell.kind == StoredCell::Text && (type == dbText || type == dbMemo);
    const bool numberLike = !plainText && type != dbBoolean &&
                            (cell.kind != StoredCell::Text || (type == dbDate && LooksLikeStoredDate(cell.utf8)));
    if (plainText) {
        // A text shows as it is stored.
        text = cell.utf8;
    } else {
        // A number, an amount or a date shows as only a few characters: words that hold
        // others are not looked for in it, and when none is left, it is not formatted.
        bool any = false;
        for (int w = 0; w < words_.size() && !any; ++w)
            any = (missing >> w & 1u) && (!numberLike || wordsInNumbers_[w]);
        if (!any)
            return false;
        const ResultCellText cell_ = FormatResultCell(FromStorage(ToValue(cell), type), type);
        QString grid = cell_.text;
        if (cell_.setsColour && IsAmountColour(cell_.colour) && amountText_)
            grid = amountText_(grid, cell_.colour);
        shown = grid.toUtf8();
        text = shown;
    }
    for (int w = 0; w < words_.size(); ++w)
        if ((missing >> w & 1u) && (!numberLike || wordsInNumbers_[w]) && HoldsFolded(text, words_[w]))
            missing &= ~(1u << w);
    return missing == 0;
}

bool ResultFilter::Matches(const std::vector<StoredCell>& cells) const
{
    unsigned missing = (1u << words_.size()) - 1;
    for (size_t c = 0; c < cells.size(); ++c)
        if (Contains(cells[c], int(c), missing))
            return true;
    return missing == 0;
}

void ResultFilter::Publish(std::vector<uint32_t>& batch, int64_t looked)
{
    {
        std::lock_guard lock(mutex_);
        found_.insert(found_.end(), batch.begin(), batch.end());
    }
    batch.clear();
    looked_ = looked;
    changed_.notify_all();
}

void ResultFilter::LookInOrder()
{
    // A record is looked at with the rest of its cache block, which is read for it anyway:
    // no block is read twice, so the whole look costs about what one in the cache's order
    // does, and the first records in the sort's order come first.
    constexpr int64_t perBlock = ResultCache::blockSize;
    constexpr int publishEvery = 64;  // positions, so that a page shows as it fills
    const int64_t records = std::min(order_->Records(), records_.RecordCount());
    std::vector<bool> blockLooked(size_t((records + perBlock - 1) / perBlock), false);
    std::vector<bool> matches(size_t(records), false);
    std::vector<uint32_t> batch;
    int64_t position = 0;
    for (int64_t b = 0; position < order_->Records() && !stop_; ++b) {
        const std::vector<uint32_t> block = order_->Block(b);
        if (block.empty())
            engine::RaiseEngine(engine::errIo, u"A part of the query's sorted result could not be read back."_s);
        for (size_t i = 0; i < block.size() && !stop_; ++i, ++position) {
            const int64_t record = block[i];
            if (record >= records)
                engine::RaiseEngine(engine::errIo, u"A part of the query's sorted result could not be read back."_s);
            const int64_t first = record / perBlock * perBlock;
            if (!blockLooked[size_t(record / perBlock)]) {
                records_.VisitStored(first, std::min(records, first + perBlock),
                                     [&](int64_t r, const std::vector<StoredCell>& cells) {
                                         if (Matches(cells))
                                             matches[size_t(r)] = true;
                                     });
                blockLooked[size_t(record / perBlock)] = true;
            }
            if (matches[size_t(record)])
                batch.push_back(uint32_t(record));
            if ((position + 1) % publishEvery == 0)
                Publish(batch, position + 1);
        }
    }
    Publish(batch, position);
}

void ResultFilter::LookAsRead()
{
    int64_t next = 0;
    std::vector<uint32_t> batch;
    while (!stop_) {
        // Whether more records may follow is taken before how many there are: a count
        // that ends in between leaves none unlooked at.
        const bool last = !countRuns_ || records_.Complete();
        const int64_t read = records_.RecordCount();
        if (next >= read) {
            if (last)
                break;
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(20));
            continue;
        }
        const int64_t end = std::min(read, next + recordsAtATime);
        records_.VisitStored(next, end, [&](int64_t record, const std::vector<StoredCell>& cells) {
            if (Matches(cells))
                batch.push_back(uint32_t(record));
        });
        next = end;
        Publish(batch, next);
    }
}

void ResultFilter::Look()
{
    try {
        if (order_)
            LookInOrder();
        else
            LookAsRead();
        if (!stop_)
            finished_ = true;
    } catch (const RuntimeError& error) {
        std::lock_guard lock(mutex_);
        failure_ = error.description;
        finished_ = true;
    }
    changed_.notify_all();
}

} // namespace levy
