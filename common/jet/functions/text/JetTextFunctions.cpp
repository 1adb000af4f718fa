#include "jet/functions/text/JetTextFunctions.h"

#include "jet/functions/shared/JetCall.h"
#include "jet/functions/shared/JetPattern.h"
#include "jet/functions/shared/JetValue.h"
#include "engine/Sqlite.h"
#include "jet/functions/shared/JetCompare.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
int64_t Count(sqlite3_value* v, const char16_t* what)
{
    const int64_t n = WholeOf(v, INT32_MIN, INT32_MAX);
    if (n < 0)
        Fail(Fault::InvalidArgument, u"the %1 %2 is negative."_s.arg(QStringView(what)).arg(n));
    return n;
}

enum class Comparison { Binary, Text };

Comparison ComparisonOf(sqlite3_value* v)
{
    const int64_t mode = WholeOf(v);
    if (mode == 0)
        return Comparison::Binary;
    if (mode == 1 || mode == 2 || mode == -1)
        return Comparison::Text;
    Fail(Fault::InvalidArgument, u"the comparison %1 is not 0 (binary), 1 (text) or 2 (database)."_s.arg(mode));
}

std::string_view TrimSpaces(std::string_view t, bool leading, bool trailing)
{
    while (leading && !t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (trailing && !t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    return t;
}

void SetCase(const Call& c, bool upper)
{
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    const std::string_view t = text.View();
    if (IsAscii(t)) {
        thread_local std::string out;
        out.assign(t);
        for (char& ch : out)
            if (upper ? (ch >= 'a' && ch <= 'z') : (ch >= 'A' && ch <= 'Z'))
                ch = char(upper ? ch - 32 : ch + 32);
        ResultText(c.ctx, out);
        return;
    }
    Interruptible(c, [&](CancelCheck& cancel) {
        thread_local std::string out;
        out.clear();
        ChangeCase(t, upper, out, ValueLimit(c), &cancel);
        ResultText(c.ctx, out);
    });
}

// Appends the characters of `t` last first.
void AppendReversed(std::string_view t, std::string& out, CancelCheck& cancel)
{
    out.reserve(out.size() + t.size());
    for (size_t end = t.size(); end > 0;) {
        size_t begin = end - 1;
        while (begin > 0 && end - begin < 4 && (static_cast<unsigned char>(t[begin]) & 0xC0) == 0x80)
            --begin;
        out.append(t.substr(begin, end - begin));
        end = begin;
        cancel();
    }
}
} // namespace

void Left(const Call& c)
{
    const int64_t n = Count(c[1], u"length");
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    const std::string_view t = text.View();
    ResultText(c.ctx, t.substr(0, ByteOffsetOfChar(t, size_t(n))));
}

void Right(const Call& c)
{
    const int64_t n = Count(c[1], u"length");
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    const std::string_view t = text.View();
    const size_t chars = CharCount(t);
    ResultText(c.ctx, size_t(n) >= chars ? t : t.substr(ByteOffsetOfChar(t, chars - size_t(n))));
}

void Mid(const Call& c)
{
    const int64_t start = WholeOf(c[1]);
    if (start < 1)
        Fail(Fault::InvalidArgument, u"the start %1 is before the first character."_s.arg(start));
    const int64_t length = c.Has(2) ? Count(c[2], u"length") : -1;
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    const std::string_view t = text.View();
    const size_t from = ByteOffsetOfChar(t, size_t(start - 1));
    std::string_view rest = t.substr(from);
    if (length >= 0)
        rest = rest.substr(0, ByteOffsetOfChar(rest, size_t(length)));
    ResultText(c.ctx, rest);
}

void Len(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    sqlite3_result_int64(c.ctx, int64_t(CharCount(text.View())));
}

void InStr(const Call& c)
{
    const bool withStart = c.argc >= 3;
    int64_t start = 1;
    if (withStart) {
        start = WholeOf(c[0]);
        if (start < 1)
            Fail(Fault::InvalidArgument, u"the start %1 is before the first character."_s.arg(start));
    }
    const Comparison comparison = c.argc >= 4 && !IsNull(c[3]) ? ComparisonOf(c[3]) : Comparison::Text;
    const int first = withStart ? 1 : 0;
    if (IsNull(c[first]) || IsNull(c[first + 1])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    const TextOf hay(c[first]), needle(c[first + 1]);
    const size_t chars = CharCount(hay.View());
    if (chars == 0 || size_t(start) > chars) {
        sqlite3_result_int(c.ctx, 0);
        return;
    }
    if (needle.View().empty()) {
        sqlite3_result_int64(c.ctx, start);
        return;
    }
    Interruptible(c, [&](CancelCheck& cancel) {
        const TextSearch search(needle.View(), comparison == Comparison::Text);
        const auto found = search.Next(hay.View(), ByteOffsetOfChar(hay.View(), size_t(start - 1)), cancel);
        sqlite3_result_int64(c.ctx, found ? start + int64_t(found->skipped) : 0);
    });
}

void UCase(const Call& c) { SetCase(c, true); }
void LCase(const Call& c) { SetCase(c, false); }

void Trim(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    ResultText(c.ctx, TrimSpaces(text.View(), true, true));
}

void LTrim(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    ResultText(c.ctx, TrimSpaces(text.View(), true, false));
}

void RTrim(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    ResultText(c.ctx, TrimSpaces(text.View(), false, true));
}

void Space(const Call& c)
{
    const int64_t n = Count(c[0], u"number of spaces");
    CheckLength(c, n);
    ResultText(c.ctx, std::string(size_t(n), ' '));
}

void String(const Call& c)
{
    if (IsNull(c[0]) || IsNull(c[1])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    const int64_t n = Count(c[0], u"number of characters");
    std::string character;
    const int type = sqlite3_value_type(c[1]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        character = CodePageCharacter(WholeOf(c[1], -32768, 65535));
    } else {
        const TextOf text(c[1]);
        const std::string_view t = text.View();
        if (t.empty())
            Fail(Fault::InvalidArgument, u"the character is an empty text."_s);
        character.assign(t.substr(0, ByteOffsetOfChar(t, 1)));
    }
    CheckLength(c, n * int64_t(character.size()));
    std::string out;
    out.reserve(size_t(n) * character.size());
    for (int64_t i = 0; i < n; ++i)
        out += character;
    ResultText(c.ctx, out);
}

void Replace(const Call& c)
{
    const TextOf expression(c[0]), find(c[1]), replacement(c[2]);
    const int64_t start = c.Has(3) ? WholeOf(c[3]) : 1;
    if (start < 1)
        Fail(Fault::InvalidArgument, u"the start %1 is before the first character."_s.arg(start));
    const int64_t count = c.Has(4) ? WholeOf(c[4]) : -1;
    if (count < -1)
        Fail(Fault::InvalidArgument, u"the count %1 is below -1."_s.arg(count));
    const Comparison comparison = c.Has(5) ? ComparisonOf(c[5]) : Comparison::Text;

    // The result begins at the start, as the dialect has it.
    const std::string_view all = expression.View();
    const std::string_view text = all.substr(ByteOffsetOfChar(all, size_t(start - 1)));
    const std::string_view needle = find.View();
    if (needle.empty() || count == 0 || text.empty()) {
        ResultText(c.ctx, text);
        return;
    }
    Interruptible(c, [&](CancelCheck& cancel) {
        const TextSearch search(needle, comparison == Comparison::Text);
        const std::string_view with = replacement.View();
        // Measured first, so that a result past the engine's limit is refused unbuilt.
        auto each = [&](auto replace) {
            size_t from = 0;
            for (int64_t done = 0; count < 0 || done < count; ++done) {
                const auto found = search.Next(text, from, cancel);
                if (!found)
                    break;
                replace(text.substr(from, found->begin - from));
                from = found->end;
            }
            return text.substr(from);
        };
        int64_t bytes = 0;
        const std::string_view rest = each([&](std::string_view kept) { bytes += int64_t(kept.size() + with.size()); });
        bytes += int64_t(rest.size());
        CheckLength(c, bytes);
        std::string out;
        out.reserve(size_t(bytes));
        out.append(each([&](std::string_view kept) {
            out.append(kept);
            out.append(with);
        }));
        ResultText(c.ctx, out);
    });
}

void Concat(const Call& c)
{
    const bool nullA = IsNull(c[0]), nullB = IsNull(c[1]);
    if (nullA && nullB) {
        sqlite3_result_null(c.ctx);
        return;
    }
    if (nullA || nullB) {
        const TextOf only(c[nullA ? 1 : 0]);
        ResultText(c.ctx, only.View());
        return;
    }
    const TextOf a(c[0]), b(c[1]);
    CheckLength(c, int64_t(a.View().size() + b.View().size()));
    thread_local std::string out;
    out.assign(a.View());
    out.append(b.View());
    ResultText(c.ctx, out);
}

void Like(const Call& c)
{
    if (IsNull(c[0]) || IsNull(c[1])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    const TextOf patternText(c[1]);
    const Cached<LikePattern> pattern(c, 1, patternText.View());
    const TextOf text(c[0]);
    Interruptible(c, [&](CancelCheck& cancel) { ResultBoolean(c.ctx, pattern->Matches(text.View(), cancel)); });
}

// Searches from the end: the last occurrence that ends at or before `start`. Binary
// unless told otherwise, as documented (InStr compares as text).
void InStrRev(const Call& c)
{
    int64_t start = -1;
    if (c.Has(2)) {
        start = WholeOf(c[2]);
        if (start == 0 || start < -1)
            Fail(Fault::InvalidArgument, u"the start %1 is neither a position nor -1."_s.arg(start));
    }
    const Comparison comparison = c.Has(3) ? ComparisonOf(c[3]) : Comparison::Binary;
    if (IsNull(c[0]) || IsNull(c[1])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    const TextOf hay(c[0]), needle(c[1]);
    const size_t chars = CharCount(hay.View());
    if (chars == 0 || (start > 0 && size_t(start) > chars)) {
        sqlite3_result_int(c.ctx, 0);
        return;
    }
    const int64_t end = start < 0 ? int64_t(chars) : start;
    if (needle.View().empty()) {
        sqlite3_result_int64(c.ctx, end);
        return;
    }
    // The first match in both texts reversed is the last one forwards: one linear search.
    Interruptible(c, [&](CancelCheck& cancel) {
        std::string hayReversed, needleReversed;
        AppendReversed(hay.View().substr(0, ByteOffsetOfChar(hay.View(), size_t(end))), hayReversed, cancel);
        AppendReversed(needle.View(), needleReversed, cancel);
        const TextSearch search(needleReversed, comparison == Comparison::Text);
        const auto found = search.Next(hayReversed, 0, cancel);
        if (!found) {
            sqlite3_result_int(c.ctx, 0);
            return;
        }
        const size_t length = CharCount(std::string_view(hayReversed).substr(found->begin, found->end - found->begin));
        sqlite3_result_int64(c.ctx, end - int64_t(found->skipped) - int64_t(length) + 1);
    });
}

void StrComp(const Call& c)
{
    const Comparison comparison = c.Has(2) ? ComparisonOf(c[2]) : Comparison::Text;
    if (IsNull(c[0]) || IsNull(c[1])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    const TextOf a(c[0]), b(c[1]);
    // UTF-8 bytes order as their characters do.
    const int order = comparison == Comparison::Text ? CompareTexts(a.View(), b.View()) : a.View().compare(b.View());
    sqlite3_result_int(c.ctx, order < 0 ? -1 : (order > 0 ? 1 : 0));
}

void StrReverse(const Call& c)
{
    if (IsNull(c[0]))
        Fail(Fault::InvalidUseOfNull);
    const TextOf text(c[0]);
    CheckLength(c, int64_t(text.View().size()));
    Interruptible(c, [&](CancelCheck& cancel) {
        thread_local std::string out;
        out.clear();
        AppendReversed(text.View(), out, cancel);
        ResultText(c.ctx, out);
    });
}

namespace {
// The separators after which proper case starts a word: Null, tab, line feed, vertical
// tab, form feed, carriage return and space.
bool StartsWord(QChar before)
{
    const char16_t u = before.unicode();
    return u == 0 || (u >= 9 && u <= 13) || u == 32;
}
} // namespace

// The case conversions: 1 upper case, 2 lower case, 3 proper case (each word's first
// letter in capitals, the rest in small letters). The others change East Asian widths,
// scripts or code pages, which the levy office's texts do not have.
void StrConv(const Call& c)
{
    if (IsNull(c[1]))
        Fail(Fault::InvalidUseOfNull, u"the conversion is Null."_s);
    const int64_t conversion = WholeOf(c[1]);
    if (conversion < 1 || conversion > 3)
        Fail(Fault::InvalidArgument,
             u"the conversion %1 is not 1 (upper case), 2 (lower case) or 3 (proper case)."_s.arg(conversion));
    if (conversion != 3) {
        SetCase(c, conversion == 1);
        return;
    }
    if (NullResult(c, 0))
        return;
    const TextOf text(c[0]);
    CheckLength(c, int64_t(text.View().size()) * 3);
    QString q = ToQString(text.View()).toLower();
    for (qsizetype i = 0; i < q.size(); ++i)
        if (i == 0 || StartsWord(q[i - 1]))
            q[i] = q[i].toUpper();
    ResultText(c.ctx, q);
}

} // namespace levy::jet
