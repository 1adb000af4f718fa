#include "jet/syntax/JetDateLiteral.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
int MonthFromName(const QString& word)
{
    static const QStringList names = {u"january"_s, u"february"_s, u"march"_s,     u"april"_s,
                                      u"may"_s,     u"june"_s,     u"july"_s,      u"august"_s,
                                      u"september"_s, u"october"_s, u"november"_s, u"december"_s};
    const QString w = word.toLower();
    if (w.size() < 3)
        return 0;
    for (int m = 0; m < 12; ++m)
        if (names[m].startsWith(w))
            return m + 1;
    return 0;
}

int FullYear(const QString& digits)
{
    const int y = digits.toInt();
    if (digits.size() <= 2)
        return y < 30 ? 2000 + y : 1900 + y;
    return y;
}

std::optional<QTime> TakeTime(QString& text)
{
    static const QRegularExpression clock(
        u"(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*([AaPp][Mm]?)?\\s*$"_s);
    static const QRegularExpression hourOnly(u"(?:^|\\s)(\\d{1,2})\\s*([AaPp][Mm]?)\\s*$"_s);
    QRegularExpressionMatch m = clock.match(text);
    int h = 0, n = 0, s = 0;
    QString half;
    if (m.hasMatch()) {
        h = m.captured(1).toInt();
        n = m.captured(2).toInt();
        s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
        half = m.captured(4).toUpper();
    } else {
        m = hourOnly.match(text);
        if (!m.hasMatch())
            return QTime(0, 0);
        h = m.captured(1).toInt();
        half = m.captured(2).toUpper();
    }
    if (!half.isEmpty()) {
        if (h < 1 || h > 12)
            return std::nullopt;
        if (half.startsWith(u'P') && h != 12)
            h += 12;
        if (half.startsWith(u'A') && h == 12)
            h = 0;
    }
    text = text.left(m.capturedStart(0)).trimmed();
    const QTime t(h, n, s);
    if (!t.isValid())
        return std::nullopt;
    return t;
}

std::optional<QDate> ReadDate(const QString& text)
{
    static const QRegularExpression iso(u"^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"_s);
    static const QRegularExpression numeric(u"^(\\d{1,2})([-/.])(\\d{1,2})(?:\\2(\\d{1,4}))?$"_s);
    if (const auto m = iso.match(text); m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        return d.isValid() ? std::optional(d) : std::nullopt;
    }
    if (const auto m = numeric.match(text); m.hasMatch()) {
        int month = m.captured(1).toInt();
        int day = m.captured(3).toInt();
        const int year = m.captured(4).isEmpty() ? QDate::currentDate().year() : FullYear(m.captured(4));
        // A first number that cannot be a month is the day.
        if (month > 12 && day <= 12)
            std::swap(month, day);
        const QDate d(year, month, day);
        return d.isValid() ? std::optional(d) : std::nullopt;
    }
    // With a month name: "15 Mar 2025", "March 15, 2025", "15-Mar-25", "Mar 2025".
    static const QRegularExpression separators(u"[\\s,\\-/.]+"_s);
    const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int month = 0;
    QStringList numbers;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool isNumber = false;
        parts[i].toInt(&isNumber);
        if (isNumber) {
            numbers.append(parts[i]);
        } else if (month != 0 || (month = MonthFromName(parts[i])) == 0) {
            return std::nullopt;
        }
    }
    if (month == 0)
        return std::nullopt;
    int day = 1;
    int year = QDate::currentDate().year();
    if (numbers.size() == 2) {
        // "Mar 15 2025" and "15 Mar 2025" put the day next to the month name.
        day = numbers[0].toInt();
        year = FullYear(numbers[1]);
        if (numbers[0].size() == 4) {
            year = numbers[0].toInt();
            day = numbers[1].toInt();
        }
    } else if (numbers.size() == 1) {
        if (numbers[0].size() == 4 || numbers[0].toInt() > 31)
            year = FullYear(numbers[0]);
        else
            day = numbers[0].toInt();
    }
    const QDate d(year, month, day);
    return d.isValid() ? std::optional(d) : std::nullopt;
}
} // namespace

std::optional<QString> ReadDateLiteral(const QString& literal)
{
    QString text = literal.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const std::optional<QTime> time = TakeTime(text);
    if (!time)
        return std::nullopt;
    QDate date(1899, 12, 30);
    if (!text.isEmpty()) {
        const std::optional<QDate> d = ReadDate(text);
        if (!d)
            return std::nullopt;
        date = *d;
    }
    return date.toString(u"yyyy-MM-dd"_s) + u' ' + time->toString(u"HH:mm:ss"_s);
}

} // namespace levy::jet
