#include "jet/parameters/JetParameters.h"

#include "engine/EngineErrors.h"
#include "jet/functions/shared/JetCalendar.h"
#include "jet/functions/shared/JetValue.h"
#include "jet/syntax/JetParser.h"
#include "platform/RuntimeError.h"
#include "values/DaoConstants.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
// Access's limit for a Text value.
constexpr qsizetype textLimit = 255;

[[noreturn]] void Refuse(const QString& message) { Raise(engine::errSyntax, u"Delver"_s, message); }

QString Quoted(const QString& typed) { return u'"' + (typed.size() > 40 ? typed.left(37) + u"..."_s : typed) + u'"'; }

Value WholeNumber(const JetParameter& p, const QString& typed, int64_t low, int64_t high)
{
    const QByteArray utf8 = typed.toUtf8();
    const std::optional<double> n = ParseNumber(std::string_view(utf8.constData(), size_t(utf8.size())));
    const QString type = ParameterTypeText(p);
    if (!n || !std::isfinite(*n))
        Refuse(u"%1 is not a number. [%2] takes a whole number (%3), for example 12."_s.arg(Quoted(typed), BriefName(p.name), type));
    if (*n != std::floor(*n))
        Refuse(u"%1 is not a whole number. [%2] takes a whole number (%3), for example 12."_s.arg(Quoted(typed), BriefName(p.name),
                                                                                                  type));
    if (*n < double(low) || *n > double(high))
        Refuse(u"%1 is out of range for [%2]: a %3 lies between %4 and %5."_s.arg(Quoted(typed), BriefName(p.name), type)
                   .arg(low)
                   .arg(high));
    return Value(int64_t(*n));
}

Value RealNumber(const JetParameter& p, const QString& typed)
{
    const QByteArray utf8 = typed.toUtf8();
    const std::optional<double> n = ParseNumber(std::string_view(utf8.constData(), size_t(utf8.size())));
    const QString type = ParameterTypeText(p);
    if (!n || !std::isfinite(*n))
        Refuse(u"%1 is not a number. [%2] takes a number (%3), for example 1250.50."_s.arg(Quoted(typed), BriefName(p.name), type));
    if (p.type == dbSingle && std::fabs(*n) > 3.402823466e38)
        Refuse(u"%1 is out of range for [%2]: a Single lies between -3.4E38 and 3.4E38."_s.arg(Quoted(typed), BriefName(p.name)));
    if (p.type != dbCurrency)
        return Value(p.type == dbSingle ? double(float(*n)) : *n);
    // Amounts keep four decimal places, as the file keeps them.
    const double tenThousandths = std::nearbyint(*n * 10000.0);
    if (std::fabs(tenThousandths) >= 9.2233720368547758e18)
        Refuse(u"%1 is out of range for [%2]: a Currency amount lies between -922,337,203,685,477.5808 and "
               u"922,337,203,685,477.5807."_s.arg(Quoted(typed), BriefName(p.name)));
    const auto count = int64_t(tenThousandths);
    if (count % 10000 == 0)
        return Value(int64_t(count / 10000));
    return Value(double(count) / 10000.0);
}

Value DateValue(const JetParameter& p, const QString& typed)
{
    const QByteArray utf8 = typed.toUtf8();
    const std::optional<JetDateTime> at = ParseDateText(std::string_view(utf8.constData(), size_t(utf8.size())));
    if (!at)
        Refuse(u"%1 is not a date. [%2] takes a date, day first, for example 31/01/2025 or 31/01/2025 14:30."_s.arg(
            Quoted(typed), BriefName(p.name)));
    char stored[32];
    const int n = WriteStorageText(*at, stored);
    return Value(QString::fromLatin1(stored, n));
}

Value TruthValue(const JetParameter& p, const QString& typed)
{
    const QString t = typed.trimmed();
    for (const QString& yes : {u"Yes"_s, u"True"_s, u"On"_s, u"-1"_s})
        if (t.compare(yes, Qt::CaseInsensitive) == 0)
            return Value(int64_t(-1));
    for (const QString& no : {u"No"_s, u"False"_s, u"Off"_s, u"0"_s})
        if (t.compare(no, Qt::CaseInsensitive) == 0)
            return Value(int64_t(0));
    Refuse(u"%1 is neither Yes nor No. [%2] takes Yes or No."_s.arg(Quoted(typed), BriefName(p.name)));
}
} // namespace

QList<JetParameter> FindJetParameters(const QString& sql, const JetSchema& schema)
{
    try {
        // Read as every statement is: a text past the longest one a query may be is not
        // tokenized at all.
        const Query query = ParseJetQuery(ReadUserStatement(sql));
        return TranslateJetQuery(query, sql, schema).parameters;
    } catch (const RuntimeError&) {
        return {};
    }
}

QString BriefName(const QString& name)
{
    constexpr qsizetype longest = 60;
    return name.size() <= longest ? name : name.left(longest - 3) + u"..."_s;
}

QString ParameterTypeText(const JetParameter& parameter)
{
    if (parameter.typeName.compare(u"Decimal"_s, Qt::CaseInsensitive) == 0 ||
        parameter.typeName.compare(u"Dec"_s, Qt::CaseInsensitive) == 0 ||
        parameter.typeName.compare(u"Numeric"_s, Qt::CaseInsensitive) == 0)
        return u"Decimal"_s;
    switch (parameter.declared || parameter.comparedType == 0 ? parameter.type : parameter.comparedType) {
    case dbBoolean: return u"Yes/No"_s;
    case dbByte: return u"Byte"_s;
    case dbInteger: return u"Integer"_s;
    case dbLong: return u"Long Integer"_s;
    case dbCurrency: return u"Currency"_s;
    case dbSingle: return u"Single"_s;
    case dbDouble: return u"Double"_s;
    case dbDate: return u"Date/Time"_s;
    case dbMemo: return u"Memo"_s;
    default: return u"Text"_s;
    }
}

Value ParameterValue(const JetParameter& parameter, const QString& typed)
{
    if (typed.isEmpty())
        return Value();
    // Compared with a date or a number, an undeclared value is read as one: a date
    // typed day first must meet the stored dates, not be compared as a text.
    if (!parameter.declared && parameter.comparedType != 0) {
        JetParameter read = parameter;
        read.type = parameter.comparedType == dbDate || parameter.comparedType == dbBoolean ? parameter.comparedType
                                                                                            : dbDouble;
        read.comparedType = 0;
        return ParameterValue(read, typed);
    }
    switch (parameter.type) {
    case dbByte: return WholeNumber(parameter, typed, 0, 255);
    case dbInteger: return WholeNumber(parameter, typed, -32768, 32767);
    case dbLong: return WholeNumber(parameter, typed, INT32_MIN, INT32_MAX);
    case dbCurrency:
    case dbSingle:
    case dbDouble: return RealNumber(parameter, typed);
    case dbDate: return DateValue(parameter, typed);
    case dbBoolean: return TruthValue(parameter, typed);
    case dbText:
        if (parameter.declared && typed.size() > textLimit)
            Refuse(u"The value for [%1] has %2 characters; a Text parameter holds at most 255."_s.arg(BriefName(parameter.name))
                       .arg(typed.size()));
        return Value(typed);
    default: return Value(typed);
    }
}

} // namespace levy::jet
