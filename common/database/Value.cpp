#include "Value.h"

#include "platform/RuntimeError.h"

#include <cmath>

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
    const bool negative = tenThousandths < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(tenThousandths) : uint64_t(tenThousandths);
    QString text = QString::number(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction) {
        QString digits = QString::number(fraction).rightJustified(4, u'0');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u'.' + digits;
    }
    return negative ? u'-' + text : text;
}

double DateTime::Serial() const
{
    return double(serialBase.daysTo(date)) + double(time.msecsSinceStartOfDay()) / 86400000.0;
}

QString DateTime::ToStorageText() const
{
    return date.toString(u"yyyy-MM-dd"_s) + u' ' + time.toString(u"HH:mm:ss"_s);
}

std::optional<DateTime> DateTime::FromStorageText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() == 10) {
        const QDate d = QDate::fromString(t, u"yyyy-MM-dd"_s);
        if (d.isValid())
            return DateTime{d, QTime(0, 0)};
        return std::nullopt;
    }
    if (t.size() < 16)
        return std::nullopt;
    const QDate d = QDate::fromString(t.left(10), u"yyyy-MM-dd"_s);
    const QString rest = t.mid(11);
    QTime tm = QTime::fromString(rest, rest.size() >= 8 ? u"HH:mm:ss"_s : u"HH:mm"_s);
    if (rest.size() > 8 && tm.isNull())
        tm = QTime::fromString(rest.left(8), u"HH:mm:ss"_s);
    if (!d.isValid() || !tm.isValid())
        return std::nullopt;
    return DateTime{d, QTime(tm.hour(), tm.minute(), tm.second())};
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
    if (auto p = std::get_if<int64_t>(&v_))
        return Currency::FromUnits(*p);
    if (auto p = std::get_if<double>(&v_))
        return Currency{static_cast<int64_t>(std::llround(*p * 10000.0))};
    if (auto p = std::get_if<bool>(&v_))
        return Currency::FromUnits(*p ? -1 : 0);
    if (auto p = std::get_if<QString>(&v_)) {
        bool ok = false;
        const double d = p->trimmed().toDouble(&ok);
        if (ok)
            return Currency{static_cast<int64_t>(std::llround(d * 10000.0))};
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
