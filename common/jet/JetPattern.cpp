#include "JetPattern.h"

#include "JetValue.h"

#include <QChar>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {

void DecodeUtf8(std::string_view text, std::vector<char32_t>& out)
{
    out.clear();
    for (size_t i = 0; i < text.size();) {
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
        out.push_back(c);
        i += size_t(extra) + 1;
    }
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
    case Kind::Set: {
        const char32_t lower = Fold(c);
        const char32_t upper = c < 0x80 ? ((c >= 'a' && c <= 'z') ? c - 32 : c) : QChar::toUpper(c);
        bool in = false;
        for (const auto& [low, high] : sets_[size_t(e.set)])
            if ((c >= low && c <= high) || (lower >= low && lower <= high) || (upper >= low && upper <= high)) {
                in = true;
                break;
            }
        return in != e.negated;
    }
    case Kind::AnyRun:
        break;
    }
    return false;
}

bool LikePattern::Matches(std::string_view text) const
{
    thread_local std::vector<char32_t> t;
    DecodeUtf8(text, t);
    const size_t n = t.size(), m = elements_.size();
    size_t p = 0, at = 0;
    size_t star = m, starAt = 0;
    // Greedy with a return to the last run: linear for the usual patterns.
    while (at < n) {
        if (p < m && elements_[p].kind == Kind::AnyRun) {
            star = p++;
            starAt = at;
        } else if (p < m && Match(elements_[p], t[at])) {
            ++p;
            ++at;
        } else if (star != m) {
            p = star + 1;
            at = ++starAt;
        } else {
            return false;
        }
    }
    while (p < m && elements_[p].kind == Kind::AnyRun)
        ++p;
    return p == m;
}

} // namespace levy::jet
