#include "jet/functions/shared/JetPattern.h"

#include "jet/functions/shared/JetValue.h"

#include <QChar>

#include <algorithm>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
constexpr size_t none = size_t(-1);

// For each prefix of p, the length of its longest proper prefix that is also its suffix.
std::vector<uint32_t> Borders(const std::vector<char32_t>& p)
{
    std::vector<uint32_t> border(p.size(), 0);
    for (size_t i = 1, k = 0; i < p.size(); ++i) {
        while (k > 0 && p[i] != p[k])
            k = border[k - 1];
        if (p[i] == p[k])
            ++k;
        border[i] = uint32_t(k);
    }
    return border;
}

char32_t Upper(char32_t c) { return c < 0x80 ? ((c >= 'a' && c <= 'z') ? c - 32 : c) : QChar::toUpper(c); }
} // namespace

void CancelCheck::Ask() const
{
    if (db_ && sqlite3_is_interrupted(db_))
        throw Interrupted{};
}

char32_t NextChar(std::string_view text, size_t& i)
{
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (i + size_t(extra) >= text.size())
        extra = 0;
    char32_t c = extra == 3 ? (b & 0x07) : extra == 2 ? (b & 0x0F) : extra == 1 ? (b & 0x1F) : b;
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + size_t(k)]);
        if ((next & 0xC0) != 0x80) {
            valid = false;
            break;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (!valid) {
        extra = 0;
        c = b;
    }
    i += size_t(extra) + 1;
    return c;
}

void DecodeUtf8(std::string_view text, std::vector<char32_t>& out)
{
    out.clear();
    for (size_t i = 0; i < text.size();)
        out.push_back(NextChar(text, i));
}

char32_t Fold(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

LikePattern::LikePattern(std::string_view pattern)
{
    std::vector<char32_t> p;
    DecodeUtf8(pattern, p);
    for (size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == '*' || c == '%') {
            if (elements_.empty() || elements_.back().kind != Kind::AnyRun)
                elements_.push_back({Kind::AnyRun});
        } else if (c == '?' || c == '_') {
            elements_.push_back({Kind::AnyChar});
        } else if (c == '#') {
            elements_.push_back({Kind::AnyDigit});
        } else if (c == '[') {
            size_t j = i + 1;
            while (j < p.size() && p[j] != ']')
                ++j;
            if (j == p.size())
                Fail(Fault::InvalidPattern, u"the pattern has a [ without its ]."_s);
            size_t k = i + 1;
            const bool negated = k < j && p[k] == '!';
            if (negated)
                ++k;
            std::vector<std::pair<char32_t, char32_t>> set;
            for (; k < j; ++k) {
                // A hyphen between two characters makes a range; at either end it is itself.
                if (k + 2 < j && p[k + 1] == '-') {
                    if (p[k] > p[k + 2])
                        Fail(Fault::InvalidPattern, u"the range %1-%2 runs backwards."_s.arg(
                                                        QString::fromUcs4(&p[k], 1), QString::fromUcs4(&p[k + 2], 1)));
                    set.emplace_back(p[k], p[k + 2]);
                    k += 2;
                } else {
                    set.emplace_back(p[k], p[k]);
                }
            }
            i = j;
            // "[]" stands for no character at all.
            if (set.empty() && !negated)
                continue;
            sets_.push_back(std::move(set));
            elements_.push_back({Kind::Set, 0, int(sets_.size() - 1), negated});
        } else {
            elements_.push_back({Kind::Literal, Fold(c)});
        }
    }
    // A list checked against every character of a long text: sorted and merged, it is
    // looked up rather than walked.
    for (auto& set : sets_) {
        std::sort(set.begin(), set.end());
        std::vector<std::pair<char32_t, char32_t>> merged;
        for (const auto& range : set)
            if (!merged.empty() && range.first <= merged.back().second + 1)
                merged.back().second = std::max(merged.back().second, range.second);
            else
                merged.push_back(range);
        set = std::move(merged);
    }

    const size_t m = elements_.size();
    size_t first = m, last = m;
    for (size_t i = 0; i < m; ++i)
        if (elements_[i].kind == Kind::AnyRun) {
            first = std::min(first, i);
            last = i;
        }
    anyRun_ = first != m;
    if (!anyRun_)
        return;
    headEnd_ = first;
    tailBegin_ = last + 1;
    for (size_t i = first; i < last;) {
        size_t j = i + 1;
        while (elements_[j].kind != Kind::AnyRun)
            ++j;
        Segment s;
        s.begin = i + 1;
        s.end = j;
        // A ? next to a star only moves where the rest may start.
        for (; s.begin < s.end && elements_[s.begin].kind == Kind::AnyChar; ++s.begin)
            ++s.before;
        for (; s.end > s.begin && elements_[s.end - 1].kind == Kind::AnyChar; --s.end)
            ++s.after;
        for (size_t k = s.begin; k < s.end; ++k) {
            s.letters = s.letters && elements_[k].kind == Kind::Literal;
            s.folded.push_back(elements_[k].ch);
        }
        if (s.letters) {
            s.border = Borders(s.folded);
        } else {
            s.folded.clear();
            const size_t words = (s.end - s.begin + 63) / 64;
            s.anyChar.assign(words, 0);
            s.anyDigit.assign(words, 0);
            for (size_t k = 0; k < s.end - s.begin; ++k) {
                const Element& e = elements_[s.begin + k];
                const uint64_t bit = uint64_t(1) << (k % 64);
                if (e.kind == Kind::AnyChar)
                    s.anyChar[k / 64] |= bit;
                else if (e.kind == Kind::AnyDigit)
                    s.anyDigit[k / 64] |= bit;
                else if (e.kind == Kind::Literal)
                    s.literalsAt[e.ch].push_back(uint32_t(k));
                else
                    s.listsAt.push_back(uint32_t(k));
            }
        }
        segments_.push_back(std::move(s));
        i = j;
    }
}

bool LikePattern::Match(const Element& e, char32_t c) const
{
    switch (e.kind) {
    case Kind::Literal:
        return Fold(c) == e.ch;
    case Kind::AnyChar:
        return true;
    case Kind::AnyDigit:
        return c >= '0' && c <= '9';
    case Kind::Set:
        return InList(e, c, Fold(c), Upper(c));
    case Kind::AnyRun:
        break;
    }
    return false;
}

bool LikePattern::InList(const Element& e, char32_t c, char32_t lower, char32_t upper) const
{
    const auto& set = sets_[size_t(e.set)];
    auto in = [&](char32_t x) {
        const auto after = std::upper_bound(set.begin(), set.end(), x,
                                            [](char32_t v, const auto& range) { return v < range.first; });
        return after != set.begin() && x <= std::prev(after)->second;
    };
    return (in(c) || in(lower) || in(upper)) != e.negated;
}

bool LikePattern::MatchesAt(size_t begin, size_t end, const char32_t* text, CancelCheck& cancel) const
{
    for (size_t k = begin; k < end; ++k, ++text) {
        cancel();
        if (!Match(elements_[k], *text))
            return false;
    }
    return true;
}

bool LikePattern::Matches(std::string_view text, CancelCheck& cancel) const
{
    thread_local std::vector<char32_t> t;
    DecodeUtf8(text, t);
    const size_t n = t.size(), m = elements_.size();
    if (!anyRun_)
        return n == m && MatchesAt(0, m, t.data(), cancel);
    const size_t tail = m - tailBegin_;
    if (headEnd_ + tail > n || !MatchesAt(0, headEnd_, t.data(), cancel) ||
        !MatchesAt(tailBegin_, m, t.data() + (n - tail), cancel))
        return false;
    // Each run between stars taken at the first place it matches leaves the most room
    // for the runs after it, so no choice is ever revisited.
    const size_t limit = n - tail;
    size_t at = headEnd_;
    for (const Segment& s : segments_) {
        const size_t length = s.end - s.begin;
        if (limit - at < s.before + length + s.after)
            return false;
        size_t found = at + s.before;
        if (length > 0) {
            found = Find(s, t, found, limit - s.after, cancel);
            if (found == none)
                return false;
        }
        at = found + length + s.after;
    }
    return true;
}

size_t LikePattern::Find(const Segment& s, const std::vector<char32_t>& text, size_t from, size_t limit,
                         CancelCheck& cancel) const
{
    if (!s.letters)
        return FindWithClasses(s, text, from, limit, cancel);
    const std::vector<char32_t>& p = s.folded;
    size_t matched = 0;
    for (size_t i = from; i < limit; ++i) {
        cancel();
        const char32_t c = Fold(text[i]);
        while (matched > 0 && p[matched] != c)
            matched = s.border[matched - 1];
        if (p[matched] == c && ++matched == p.size())
            return i + 1 - p.size();
    }
    return none;
}

// Shift-And: bit k of the state says the last k + 1 characters match the first k + 1
// elements, all of them advanced at once a word at a time.
size_t LikePattern::FindWithClasses(const Segment& s, const std::vector<char32_t>& text, size_t from, size_t limit,
                                    CancelCheck& cancel) const
{
    const size_t length = s.end - s.begin, words = s.anyChar.size();
    // A short text is quickest tried place by place, without setting anything up.
    if ((limit - from) * length <= 4096) {
        for (size_t i = from; i + length <= limit; ++i)
            if (MatchesAt(s.begin, s.end, text.data() + i, cancel))
                return i;
        return none;
    }
    // Which elements take a character, worked out once for each character seen (within
    // a bound on memory).
    constexpr size_t maxPoolWords = size_t(1) << 20;
    std::vector<uint64_t> pool;
    std::unordered_map<char32_t, size_t> slotOf;
    std::array<size_t, 128> ascii;
    ascii.fill(none);
    auto maskOf = [&](char32_t c) -> const uint64_t* {
        if (c < 128 && ascii[c] != none)
            return pool.data() + ascii[c];
        if (c >= 128)
            if (const auto it = slotOf.find(c); it != slotOf.end())
                return pool.data() + it->second;
        if (!pool.empty() && pool.size() + words > maxPoolWords) {
            pool.clear();
            slotOf.clear();
            ascii.fill(none);
        }
        const size_t slot = pool.size();
        pool.insert(pool.end(), s.anyChar.begin(), s.anyChar.end());
        uint64_t* mask = pool.data() + slot;
        if (c >= '0' && c <= '9')
            for (size_t w = 0; w < words; ++w)
                mask[w] |= s.anyDigit[w];
        const char32_t lower = Fold(c), upper = Upper(c);
        if (const auto it = s.literalsAt.find(lower); it != s.literalsAt.end())
            for (const uint32_t k : it->second)
                mask[k / 64] |= uint64_t(1) << (k % 64);
        for (const uint32_t k : s.listsAt)
            if (InList(elements_[s.begin + k], c, lower, upper))
                mask[k / 64] |= uint64_t(1) << (k % 64);
        cancel(words + s.listsAt.size());
        (c < 128 ? ascii[c] : slotOf[c]) = slot;
        return mask;
    };

    std::vector<uint64_t> state(words, 0);
    const size_t lastWord = (length - 1) / 64;
    const uint64_t lastBit = uint64_t(1) << ((length - 1) % 64);
    size_t active = 1; // the words beyond are all zero
    for (size_t i = from; i < limit; ++i) {
        const uint64_t* mask = maskOf(text[i]);
        const size_t upto = std::min(active + 1, words);
        uint64_t carry = 1;
        for (size_t w = 0; w < upto; ++w) {
            const uint64_t next = state[w] >> 63;
            state[w] = ((state[w] << 1) | carry) & mask[w];
            carry = next;
        }
        cancel(upto);
        if (state[lastWord] & lastBit)
            return i + 1 - length;
        active = upto;
        while (active > 1 && state[active - 1] == 0)
            --active;
    }
    return none;
}

TextSearch::TextSearch(std::string_view needle, bool ignoreCase) : ignoreCase_(ignoreCase)
{
    DecodeUtf8(needle, needle_);
    if (ignoreCase)
        for (char32_t& c : needle_)
            c = Fold(c);
    border_ = Borders(needle_);
}

std::optional<TextSearch::Found> TextSearch::Next(std::string_view hay, size_t from, CancelCheck& cancel) const
{
    const size_t length = needle_.size();
    size_t matched = 0, seen = 0;
    for (size_t at = from; at < hay.size();) {
        cancel();
        char32_t c = NextChar(hay, at);
        if (ignoreCase_)
            c = Fold(c);
        ++seen;
        while (matched > 0 && needle_[matched] != c)
            matched = border_[matched - 1];
        if (needle_[matched] == c && ++matched == length) {
            // Characters may differ in bytes from the needle's (a folded letter): count
            // them off from where the search began.
            Found found{from, at, seen - length};
            for (size_t k = 0; k < found.skipped; ++k)
                NextChar(hay, found.begin);
            return found;
        }
    }
    return std::nullopt;
}

} // namespace levy::jet
