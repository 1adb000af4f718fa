#include "JetSqlFunctions.h"

#include "JetFormat.h"
#include "JetPattern.h"
#include "JetValue.h"
#include "engine/Sqlite.h"
#include "platform/Windows1252.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
constexpr int64_t maxLength = 1000000000;

bool NullResult(const Call& c, int at)
{
    if (!IsNull(c[at]))
        return false;
    sqlite3_result_null(c.ctx);
    return true;
}

int64_t Count(sqlite3_value* v, const char16_t* what)
{
    const int64_t n = WholeOf(v, INT32_MIN, INT32_MAX);
    if (n < 0)
        Fail(Fault::InvalidArgument, u"the %1 %2 is negative."_s.arg(QStringView(what)).arg(n));
    return n;
}

// The longest text the engine takes as one value on this connection.
size_t ValueLimit(const Call& c)
{
    const int64_t limit = sqlite3_limit(sqlite3_context_db_handle(c.ctx), SQLITE_LIMIT_LENGTH, -1);
    return size_t(std::min(limit, maxLength));
}

// Called before a text is built, so that one past the engine's limit is refused rather
// than made first.
void CheckLength(const Call& c, int64_t bytes)
{
    if (bytes > int64_t(ValueLimit(c)))
        FailTooLong(bytes);
}

// A call that may run long on a hostile input looks for Cancel as it goes and, cancelled,
// ends as the engine ends an interrupted statement.
template <class F>
void Interruptible(const Call& c, F body)
{
    CancelCheck cancel(sqlite3_context_db_handle(c.ctx));
    try {
        body(cancel);
    } catch (const Interrupted&) {
        sqlite3_result_error_code(c.ctx, SQLITE_INTERRUPT);
    }
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

// A compiled argument kept by the engine while the same statement runs, so that a
// constant format or pattern is read once, not once a row.
template <class T>
class Cached {
public:
    Cached(const Call& c, int at, std::string_view text) : c_(c), at_(at)
    {
        held_ = static_cast<T*>(sqlite3_get_auxdata(c.ctx, at));
        if (!held_) {
            owned_ = std::make_unique<T>(text);
            held_ = owned_.get();
        }
    }
    ~Cached()
    {
        // Handed over last: the engine may drop it at once when the argument varies.
        if (owned_)
            sqlite3_set_auxdata(c_.ctx, at_, owned_.release(), [](void* p) { delete static_cast<T*>(p); });
    }
    Cached(const Cached&) = delete;
    Cached& operator=(const Cached&) = delete;
    const T& operator*() const { return *held_; }
    const T* operator->() const { return held_; }

private:
    const Call& c_;
    int at_;
    T* held_ = nullptr;
    std::unique_ptr<T> owned_;
};
// The character of a code of the single-byte code page, as UTF-8.
std::string CodePageCharacter(int64_t code)
{
    if (code < 0 || code > 255)
        Fail(Fault::InvalidArgument, u"the character code %1 is not 0 to 255."_s.arg(code));
    return QString(Windows1252::CharOf(static_cast<unsigned char>(code))).toStdString();
}

// The first character of a text argument; Null and an empty text are refused.
char32_t FirstCharacter(const Call& c)
{
    if (IsNull(c[0]))
        Fail(Fault::InvalidUseOfNull);
    const TextOf text(c[0]);
    if (text.View().empty())
        Fail(Fault::InvalidArgument, u"the text is empty."_s);
    size_t at = 0;
    return NextChar(text.View(), at);
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

void Str(const Call& c)
{
    if (NullResult(c, 0))
        return;
    const Number n = NumberOf(c[0]);
    char text[40];
    text[0] = ' ';
    const int length = WriteNumberText(n, text + 1);
    // Positive numbers and zero keep a blank where the sign would be.
    if (text[1] == '-')
        ResultText(c.ctx, std::string_view(text + 1, size_t(length)));
    else
        ResultText(c.ctx, std::string_view(text, size_t(length) + 1));
}

void CStr(const Call& c)
{
    const TextOf text(c[0]);
    ResultText(c.ctx, text.View());
}

void Format(const Call& c)
{
    FormatInput input;
    const int type = sqlite3_value_type(c[0]);
    if (type == SQLITE_INTEGER) {
        input.kind = FormatInput::Kind::Number;
        input.number = Number::Of(int64_t(sqlite3_value_int64(c[0])));
    } else if (type == SQLITE_FLOAT) {
        input.kind = FormatInput::Kind::Number;
        input.number = Number::Of(sqlite3_value_double(c[0]));
    } else if (type != SQLITE_NULL) {
        const auto* raw = reinterpret_cast<const char*>(sqlite3_value_text(c[0]));
        input.text = std::string_view(raw ? raw : "", size_t(sqlite3_value_bytes(c[0])));
        input.kind = FormatInput::Kind::Text;
        if (IsStorageDateText(input.text))
            if (auto date = ParseDateText(input.text)) {
                input.kind = FormatInput::Kind::Date;
                input.date = *date;
            }
    }
    std::string_view formatText;
    std::unique_ptr<TextOf> formatArgument;
    if (c.Has(1) && !IsNull(c[1])) {
        formatArgument = std::make_unique<TextOf>(c[1]);
        formatText = formatArgument->View();
    }
    const int firstDay = c.Has(2) && !IsNull(c[2]) ? int(WholeOf(c[2])) : 1;
    const int firstWeek = c.Has(3) && !IsNull(c[3]) ? int(WholeOf(c[3])) : 1;
    if (firstDay < 0 || firstDay > 7 || firstWeek < 0 || firstWeek > 3)
        Fail(Fault::InvalidArgument, u"the first day of the week must be 0 to 7 and the first week 0 to 3."_s);

    thread_local std::string out;
    out.clear();
    bool shown = false;
    if (c.Has(1)) {
        const Cached<CompiledFormat> format(c, 1, formatText);
        shown = format->Apply(input, firstDay == 0 ? 1 : firstDay, firstWeek == 0 ? 1 : firstWeek, out, ValueLimit(c));
    } else {
        shown = CompiledFormat(std::string_view()).Apply(input, 1, 1, out, ValueLimit(c));
    }
    if (shown)
        ResultText(c.ctx, out);
    else
        sqlite3_result_null(c.ctx);
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

// The code of the first character in the single-byte code page; a character it cannot
// hold reads as "?", as the code page's conversion gives it.
void Asc(const Call& c)
{
    const char32_t ch = FirstCharacter(c);
    std::optional<unsigned char> code;
    if (ch <= 0xFFFF)
        code = Windows1252::CodeOf(QChar(char16_t(ch)));
    sqlite3_result_int(c.ctx, code ? *code : '?');
}

// The first UTF-16 unit as a 16-bit Integer: above 32767 it is negative, and a character
// beyond the first plane gives its leading surrogate.
void AscW(const Call& c)
{
    const char32_t ch = FirstCharacter(c);
    const uint32_t unit = ch <= 0xFFFF ? uint32_t(ch) : 0xD800 + ((uint32_t(ch) - 0x10000) >> 10);
    sqlite3_result_int(c.ctx, int(int16_t(uint16_t(unit))));
}

void Chr(const Call& c) { ResultText(c.ctx, CodePageCharacter(WholeOf(c[0]))); }

// -32768 to -1 stand for 32768 to 65535. Half of a surrogate pair is no character a text
// can hold, so it is refused.
void ChrW(const Call& c)
{
    int64_t code = WholeOf(c[0]);
    if (code < -32768 || code > 65535)
        Fail(Fault::InvalidArgument, u"the character code %1 is not -32768 to 65535."_s.arg(code));
    if (code < 0)
        code += 65536;
    if (code >= 0xD800 && code <= 0xDFFF)
        Fail(Fault::InvalidArgument, u"the character code %1 is half of a surrogate pair."_s.arg(code));
    ResultText(c.ctx, QString(QChar(char16_t(code))));
}

} // namespace levy::jet
