#include "Value.h"

#include "platform/RuntimeError.h"

#include <cmath>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int errInvalidUseOfNull = 94;
constexpr int errTypeMismatch = 13;

[[noreturn]] void NullError()
{
    Raise(errInvalidUseOfNull, u"Value"_s, u"Invalid use of Null"_s);
}
[[noreturn]] void MismatchError()
{
    Raise(errTypeMismatch, u"Value"_s, u"Type mismatch"_s);
}
constexpr int errOverflow = 6;

// A number of units as an amount; Overflow beyond what a count of ten-thousandths holds
// (and for what is no number), which would otherwise wrap round to another amount.
Currency AmountOf(double units)
{
    const double scaled = units * 10000.0;
    if (!(std::fabs(scaled) < 9223372036854775807.0))
        Raise(errOverflow, u"Value"_s, u"Overflow"_s);
    return Currency{static_cast<int64_t>(std::llround(scaled))};
}
const QDate serialBase(1899, 12, 30);

QString DoubleText(double d)
{
    // Up to 15 significant digits, no exponent for ordinary magnitudes, no trailing zeros.
    QString text = QString::number(d, 'g', 15);
    if (text.contains(u'e')) {
        text = QString::number(d, 'f', 10);
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}
} // namespace

QString Currency::ToText() const
{
    char text[maxTextLength];
    return QString::fromLatin1(text, WriteText(text));
}

int Currency::WriteText(char* out) const
{
    // Written backwards from the end of a buffer, then moved to the front.
    char digits[maxTextLength];
    char* const end = digits + maxTextLength;
    char* p = end;
    const bool negative = tenThousandths < 0;
    uint64_t whole = negative ? uint64_t(0) - uint64_t(tenThousandths) : uint64_t(tenThousandths);
    uint64_t fraction = whole % 10000;
    whole /= 10000;
    if (fraction) {
        int places = 4;
        for (; fraction % 10 == 0; fraction /= 10)
            --places;
        for (; places > 0; --places, fraction /= 10)
            *--p = char('0' + fraction % 10);
        *--p = '.';
    }
    do {
        *--p = char('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (negative)
        *--p = '-';
    const int n = int(end - p);
    std::memcpy(out, p, size_t(n));
    return n;
}

double DateTime::Serial() const
{
    return double(serialBase.daysTo(date)) + double(time.msecsSinceStartOfDay()) / 86400000.0;
}

QString DateTime::ToStorageText() const
{
    return date.toString(u"yyyy-MM-dd"_s) + u' ' + time.toString(u"HH:mm:ss"_s);
}

namespace {
// Reads n decimal digits at pos; false unless all are digits. Parsed by hand: every date
// cell of every page passes through here.
bool ReadDigits(QStringView t, qsizetype pos, int n, int& out)
{
    out = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = t[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        out = out * 10 + int(c - u'0');
    }
    return true;
}
} // namespace

std::optional<DateTime> DateTime::FromStorageText(const QString& text)
{
    const QStringView t = QStringView(text).trimmed();
    // "YYYY-MM-DD", optionally followed by one separator and "HH:MM" or "HH:MM:SS" (and
    // anything after the seconds, such as a fraction, which is ignored).
    if (t.size() != 10 && t.size() < 16)
        return std::nullopt;
    int year, month, day;
    if (!ReadDigits(t, 0, 4, year) || t[4] != u'-' || !ReadDigits(t, 5, 2, month) || t[7] != u'-' ||
        !ReadDigits(t, 8, 2, day))
        return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    if (t.size() == 10)
        return DateTime{d, QTime(0, 0)};
    const QStringView rest = t.mid(11);
    int hour, minute, second = 0;
    if (!ReadDigits(rest, 0, 2, hour) || rest[2] != u':' || !ReadDigits(rest, 3, 2, minute))
        return std::nullopt;
    if (rest.size() >= 8) {
        if (rest[5] != u':' || !ReadDigits(rest, 6, 2, second))
            return std::nullopt;
    } else if (rest.size() != 5) {
        return std::nullopt;
    }
    const QTime tm(hour, minute, second);
    if (!tm.isValid())
        return std::nullopt;
    return DateTime{d, tm};
}

QString Value::AsText() const
{
    return std::visit(
        [](const auto& x) -> QString {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, Null>)
                NullError();
            else if constexpr (std::is_same_v<T, bool>)
                return x ? u"True"_s : u"False"_s;
            else if constexpr (std::is_same_v<T, int64_t>)
                return QString::number(x);
            else if constexpr (std::is_same_v<T, Currency>)
                return x.ToText();
            else if constexpr (std::is_same_v<T, double>)
                return DoubleText(x);
            else if constexpr (std::is_same_v<T, DateTime>)
                return x.ToStorageText();
            else
                return x;
        },
        v_);
}

QString Value::ToDisplayText() const { return IsNull() ? QString() : AsText(); }

int64_t Value::AsInteger() const
{
    if (IsNull())
        NullError();
    if (auto p = std::get_if<int64_t>(&v_))
        return *p;
    if (auto p = std::get_if<bool>(&v_))
        return *p ? -1 : 0;
    if (auto p = std::get_if<Currency>(&v_))
        return static_cast<int64_t>(std::llround(double(p->tenThousandths) / 10000.0));
    if (auto p = std::get_if<double>(&v_))
        return static_cast<int64_t>(std::llround(*p));
    if (auto p = std::get_if<QString>(&v_)) {
        bool ok = false;
        const qlonglong n = p->trimmed().toLongLong(&ok);
        if (ok)
            return n;
    }
    MismatchError();
}

bool Value::AsBoolean() const
{
    if (IsNull())
        NullError();
    if (auto p = std::get_if<bool>(&v_))
        return *p;
    if (auto p = std::get_if<int64_t>(&v_))
        return *p != 0;
    if (auto p = std::get_if<double>(&v_))
        return *p != 0.0;
    if (auto p = std::get_if<Currency>(&v_))
        return p->tenThousandths != 0;
    MismatchError();
}

Currency Value::AsCurrency() const
{
    if (IsNull())
        NullError();
    if (auto p = std::get_if<Currency>(&v_))
        return *p;
    if (auto p = std::get_if<int64_t>(&v_)) {
        if (*p > INT64_MAX / 10000 || *p < INT64_MIN / 10000)
            Raise(errOverflow, u"Value"_s, u"Overflow"_s);
        return Currency::FromUnits(*p);
    }
    if (auto p = std::get_if<double>(&v_))
        return AmountOf(*p);
    if (auto p = std::get_if<bool>(&v_))
        return Currency::FromUnits(*p ? -1 : 0);
    if (auto p = std::get_if<QString>(&v_)) {
        bool ok = false;
        const double d = p->trimmed().toDouble(&ok);
        if (ok)
            return AmountOf(d);
    }
    MismatchError();
}

double Value::AsDouble() const
{
    if (IsNull())
        NullError();
    if (auto p = std::get_if<double>(&v_))
        return *p;
    if (auto p = std::get_if<int64_t>(&v_))
        return double(*p);
    if (auto p = std::get_if<Currency>(&v_))
        return double(p->tenThousandths) / 10000.0;
    if (auto p = std::get_if<bool>(&v_))
        return *p ? -1.0 : 0.0;
    if (auto p = std::get_if<DateTime>(&v_))
        return p->Serial();
    if (auto p = std::get_if<QString>(&v_)) {
        bool ok = false;
        const double d = p->trimmed().toDouble(&ok);
        if (ok)
            return d;
    }
    MismatchError();
}

DateTime Value::AsDate() const
{
    if (IsNull())
        NullError();
    if (auto p = std::get_if<DateTime>(&v_))
        return *p;
    if (auto p = std::get_if<QString>(&v_))
        if (auto d = DateTime::FromStorageText(*p))
            return *d;
    MismatchError();
}

} // namespace levy
