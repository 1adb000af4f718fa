#include "ResultFilter.h"

#include "ResultCellText.h"
#include "database/QueryRecordset.h"
#include "database/ValueStorage.h"
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

ResultFilter::ResultFilter(QueryRecordset& records, const QString& typed, AmountText amountText, bool countRuns)
    : records_(records), typed_(typed), amountText_(std::move(amountText)), countRuns_(countRuns)
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
        words_[30] += ' ' + words_.takeLast();
        wordsInNumbers_[30] = wordsInNumbers_[30] && wordsInNumbers_.takeLast();
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

void ResultFilter::Look()
{
    try {
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
            batch.clear();
            records_.VisitStored(next, end, [&](int64_t record, const std::vector<StoredCell>& cells) {
                if (Matches(cells))
                    batch.push_back(uint32_t(record));
            });
            {
                std::lock_guard lock(mutex_);
                found_.insert(found_.end(), batch.begin(), batch.end());
            }
            next = end;
            looked_ = next;
            changed_.notify_all();
        }
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
