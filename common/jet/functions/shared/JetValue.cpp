#include "jet/functions/shared/JetValue.h"

#include "jet/functions/shared/JetDecimal.h"
#include "engine/Sqlite.h"
#include "platform/Windows1252.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {

std::string_view StoredText(sqlite3_value* v)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return std::string_view(text ? text : "", size_t(sqlite3_value_bytes(v)));
}

namespace {

QString Quoted(std::string_view text)
{
    constexpr size_t shown = 40;
    QString s = ToQString(text.substr(0, shown));
    if (text.size() > shown)
        s += u"..."_s;
    return u'"' + s + u'"';
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

} // namespace

void Fail(Fault fault, const QString& detail) { throw Failure{fault, detail}; }

QString FaultText(Fault fault)
{
    switch (fault) {
    case Fault::Overflow:
        return u"Overflow"_s;
    case Fault::TypeMismatch:
        return u"Type mismatch"_s;
    case Fault::InvalidUseOfNull:
        return u"Invalid use of Null"_s;
    case Fault::DivisionByZero:
        return u"Division by zero"_s;
    case Fault::InvalidArgument:
        return u"Invalid procedure call or argument"_s;
    case Fault::InvalidPattern:
        return u"Invalid pattern string"_s;
    }
    return {};
}

bool IsNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

std::optional<double> ParseNumber(std::string_view text)
{
    std::string_view t = TrimBlanks(text);
    bool negative = false;
    if (t.size() >= 2 && t.front() == '(' && t.back() == ')') {
        negative = true;
        t = TrimBlanks(t.substr(1, t.size() - 2));
    }
    bool sign = false, currency = false;
    while (!t.empty()) {
        if ((t.front() == '+' || t.front() == '-') && !sign) {
            sign = true;
            if (t.front() == '-')
                negative = !negative;
        } else if (t.front() == '$' && !currency) {
            currency = true;
        } else {
            break;
        }
        t = TrimBlanks(t.substr(1));
    }
    if (t.size() > 2 && t[0] == '&') {
        const char kind = t[1];
        const int base = (kind == 'h' || kind == 'H') ? 16 : (kind == 'o' || kind == 'O') ? 8 : 0;
        if (!base)
            return std::nullopt;
        uint64_t value = 0;
        const auto [end, error] = std::from_chars(t.data() + 2, t.data() + t.size(), value, base);
        if (error != std::errc() || end != t.data() + t.size() || value > 0xFFFFFFFFu)
            return std::nullopt;
        return negative ? -double(value) : double(value);
    }
    char clean[64];
    size_t n = 0;
    bool digits = false, point = false;
    size_t i = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == ',' && digits && !point) {
            continue;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        if (n + 1 >= sizeof clean)
            return std::nullopt;
        clean[n++] = c;
    }
    if (!digits)
        return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
        clean[n++] = 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            clean[n++] = t[i++];
        const size_t start = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9' && n + 1 < sizeof clean)
            clean[n++] = t[i++];
        if (i == start)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(clean, clean + n, value);
    if (error == std::errc::result_out_of_range)
        return std::nullopt;
    if (error != std::errc() || end != clean + n)
        return std::nullopt;
    return negative ? -value : value;
}

Number NumberOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return Number::Of(int64_t(sqlite3_value_int64(v)));
    case SQLITE_FLOAT:
        return Number::Of(sqlite3_value_double(v));
    case SQLITE_NULL:
        Fail(Fault::InvalidUseOfNull);
    default:
        break;
    }
    const std::string_view text = StoredText(v);
    if (auto number = ParseNumber(text))
        return Number::Of(*number);
    if (IsStorageDateText(text))
        if (auto date = ParseDateText(text))
            return Number::Of(ToSerial(*date));
    Fail(Fault::TypeMismatch, Quoted(text) + u" is not a number."_s);
}

double DoubleOf(sqlite3_value* v) { return NumberOf(v).AsDouble(); }

int64_t WholeOf(double value, int64_t low, int64_t high)
{
    const double r = RoundHalfEvenTo(value, 0);
    if (!(r >= double(low) && r <= double(high)))
        Fail(Fault::Overflow, u"%1 is outside %2 to %3."_s.arg(QString::number(value, 'g', 15))
                                  .arg(low)
                                  .arg(high));
    return int64_t(r);
}

int64_t WholeOf(sqlite3_value* v, int64_t low, int64_t high)
{
    const Number n = NumberOf(v);
    if (n.whole) {
        if (n.integer < low || n.integer > high)
            Fail(Fault::Overflow, u"%1 is outside %2 to %3."_s.arg(n.integer).arg(low).arg(high));
        return n.integer;
    }
    return WholeOf(n.real, low, high);
}

bool TruthOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return false;
    case SQLITE_INTEGER:
        return sqlite3_value_int64(v) != 0;
    case SQLITE_FLOAT:
        return sqlite3_value_double(v) != 0.0;
    default:
        break;
    }
    const std::string_view text = TrimBlanks(StoredText(v));
    if (EqualsNoCase(text, "true"))
        return true;
    if (EqualsNoCase(text, "false"))
        return false;
    if (auto number = ParseNumber(text))
        return *number != 0.0;
    Fail(Fault::TypeMismatch, Quoted(text) + u" is neither true nor false."_s);
}

std::optional<JetDateTime> TryDateOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_INTEGER:
        return FromSerial(double(sqlite3_value_int64(v)));
    case SQLITE_FLOAT:
        return FromSerial(sqlite3_value_double(v));
    default:
        return ParseDateText(StoredText(v));
    }
}

JetDateTime DateOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        Fail(Fault::InvalidUseOfNull);
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        if (auto date = TryDateOf(v))
            return *date;
        Fail(Fault::Overflow, u"%1 is not a date between the years 100 and 9999."_s.arg(
                                  QString::number(sqlite3_value_double(v), 'g', 15)));
    }
    default:
        break;
    }
    const std::string_view text = StoredText(v);
    if (auto date = ParseDateText(text))
        return *date;
    Fail(Fault::TypeMismatch, Quoted(text) + u" is not a date."_s);
}

int WriteNumberText(const Number& n, char* out)
{
    if (n.whole)
        return int(std::to_chars(out, out + 31, n.integer).ptr - out);
    if (!std::isfinite(n.real))
        Fail(Fault::Overflow, u"the number is too large."_s);
    if (n.real == 0.0) {
        out[0] = '0';
        return 1;
    }
    return std::snprintf(out, 32, "%.15G", n.real);
}

TextOf::TextOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        view_ = std::string_view(buffer_, size_t(WriteNumberText(Number::Of(int64_t(sqlite3_value_int64(v))), buffer_)));
        return;
    case SQLITE_FLOAT:
        view_ = std::string_view(buffer_, size_t(WriteNumberText(Number::Of(sqlite3_value_double(v)), buffer_)));
        return;
    case SQLITE_NULL:
        Fail(Fault::InvalidUseOfNull);
    default:
        break;
    }
    view_ = StoredText(v);
    if (IsStorageDateText(view_))
        if (auto date = ParseDateText(view_))
            view_ = std::string_view(buffer_, size_t(WriteGeneralDate(*date, buffer_)));
}

size_t CharCount(std::string_view text)
{
    size_t n = 0;
    for (const char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

size_t ByteOffsetOfChar(std::string_view text, size_t index)
{
    size_t at = 0;
    for (size_t seen = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) {
            if (seen == index)
                return at;
            ++seen;
        }
    }
    return text.size();
}

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

void ResultText(sqlite3_context* ctx, std::string_view text)
{
    sqlite3_result_text(ctx, text.empty() ? "" : text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void ResultText(sqlite3_context* ctx, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void ResultBoolean(sqlite3_context* ctx, bool value) { sqlite3_result_int(ctx, value ? -1 : 0); }

void ResultNumber(sqlite3_context* ctx, const Number& n)
{
    if (n.whole)
        sqlite3_result_int64(ctx, n.integer);
    else
        ResultDouble(ctx, n.real);
}

void ResultDouble(sqlite3_context* ctx, double value)
{
    if (!std::isfinite(value))
        Fail(Fault::Overflow, u"the result is too large."_s);
    sqlite3_result_double(ctx, value + 0.0); // never -0
}

void ResultDate(sqlite3_context* ctx, const JetDateTime& at)
{
    char text[20];
    const int n = WriteStorageText(at, text);
    sqlite3_result_text(ctx, text, n, SQLITE_TRANSIENT);
}

std::string CodePageCharacter(int64_t code)
{
    if (code < 0 || code > 255)
        Fail(Fault::InvalidArgument, u"the character code %1 is not 0 to 255."_s.arg(code));
    return QString(Windows1252::CharOf(static_cast<unsigned char>(code))).toStdString();
}

} // namespace levy::jet
