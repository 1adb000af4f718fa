#include "jet/functions/JetFunctionCatalog.h"

#include <QHash>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {

namespace {
// The arguments of each function as its users know them; the counts come from the table.
const char16_t* ArgumentNames(const QString& jetName)
{
    static const QHash<QString, const char16_t*> names = {
        {u"iif"_s, u"condition, truepart, falsepart"},
        {u"nz"_s, u"value[, valueifnull]"},
        {u"switch"_s, u"condition1, value1[, condition2, value2 ...]"},
        {u"choose"_s, u"index, choice1[, choice2 ...]"},
        {u"isnull"_s, u"expression"},
        {u"isnumeric"_s, u"expression"},
        {u"isdate"_s, u"expression"},
        {u"year"_s, u"date"},
        {u"month"_s, u"date"},
        {u"day"_s, u"date"},
        {u"weekday"_s, u"date[, firstdayofweek]"},
        {u"hour"_s, u"time"},
        {u"minute"_s, u"time"},
        {u"second"_s, u"time"},
        {u"datepart"_s, u"interval, date[, firstdayofweek[, firstweekofyear]]"},
        {u"dateserial"_s, u"year, month, day"},
        {u"dateadd"_s, u"interval, number, date"},
        {u"datediff"_s, u"interval, date1, date2[, firstdayofweek[, firstweekofyear]]"},
        {u"cdate"_s, u"expression"},
        {u"left"_s, u"string, length"},
        {u"right"_s, u"string, length"},
        {u"mid"_s, u"string, start[, length]"},
        {u"len"_s, u"string"},
        {u"instr"_s, u"[start, ]string1, string2[, compare]"},
        {u"ucase"_s, u"string"},
        {u"lcase"_s, u"string"},
        {u"trim"_s, u"string"},
        {u"ltrim"_s, u"string"},
        {u"rtrim"_s, u"string"},
        {u"space"_s, u"number"},
        {u"string"_s, u"number, character"},
        {u"replace"_s, u"expression, find, replacement[, start[, count[, compare]]]"},
        {u"str"_s, u"number"},
        {u"cstr"_s, u"expression"},
        {u"format"_s, u"expression[, format[, firstdayofweek[, firstweekofyear]]]"},
        {u"val"_s, u"string"},
        {u"round"_s, u"number[, decimals]"},
        {u"count"_s, u"expression"},
        {u"hex"_s, u"number"},
        {u"oct"_s, u"number"},
        {u"asc"_s, u"string"},
        {u"ascw"_s, u"string"},
        {u"chr"_s, u"charcode"},
        {u"chrw"_s, u"charcode"},
        {u"strcomp"_s, u"string1, string2[, compare]"},
        {u"strreverse"_s, u"expression"},
        {u"instrrev"_s, u"stringcheck, stringmatch[, start[, compare]]"},
        {u"weekdayname"_s, u"weekday[, abbreviate[, firstdayofweek]]"},
        {u"monthname"_s, u"month[, abbreviate]"},
        {u"datevalue"_s, u"date"},
        {u"timevalue"_s, u"time"},
        {u"partition"_s, u"number, start, stop, interval"},
        {u"timeserial"_s, u"hour, minute, second"},
        {u"strconv"_s, u"string, conversion[, LCID]"},
        {u"formatnumber"_s, u"expression[, numdigitsafterdecimal[, includeleadingdigit[, useparensfornegativenumbers[, groupdigits]]]]"},
        {u"formatcurrency"_s, u"expression[, numdigitsafterdecimal[, includeleadingdigit[, useparensfornegativenumbers[, groupdigits]]]]"},
        {u"formatpercent"_s, u"expression[, numdigitsafterdecimal[, includeleadingdigit[, useparensfornegativenumbers[, groupdigits]]]]"},
        {u"formatdatetime"_s, u"date[, namedformat]"},
        {u"rnd"_s, u"[number]"},
        {u"pmt"_s, u"rate, nper, pv[, fv[, type]]"},
        {u"ipmt"_s, u"rate, per, nper, pv[, fv[, type]]"},
        {u"ppmt"_s, u"rate, per, nper, pv[, fv[, type]]"},
        {u"fv"_s, u"rate, nper, pmt[, pv[, type]]"},
        {u"pv"_s, u"rate, nper, pmt[, fv[, type]]"},
        {u"nper"_s, u"rate, pmt, pv[, fv[, type]]"},
        {u"rate"_s, u"nper, pmt, pv[, fv[, type[, guess]]]"},
        {u"ddb"_s, u"cost, salvage, life, period[, factor]"},
        {u"sln"_s, u"cost, salvage, life"},
        {u"syd"_s, u"cost, salvage, life, period"},
        {u"log"_s, u"number"},
        {u"exp"_s, u"number"},
        {u"sin"_s, u"number"},
        {u"cos"_s, u"number"},
        {u"tan"_s, u"number"},
        {u"atn"_s, u"number"},
        {u"sqr"_s, u"number"},
        {u"abs"_s, u"number"},
        {u"int"_s, u"number"},
        {u"fix"_s, u"number"},
        {u"sgn"_s, u"number"},
        {u"typename"_s, u"varname"},
        {u"vartype"_s, u"varname"},
    };
    return names.value(jetName.toLower(), nullptr);
}
} // namespace

QString ArgumentList(const JetFunctionInfo& info)
{
    if (info.isOperator)
        return {};
    if (const char16_t* names = ArgumentNames(info.jetName))
        return info.jetName + u'(' + QString::fromUtf16(names) + u')';
    // One plain argument is what the rest take: CInt(expression), Sum(expression).
    if (info.maxArgs == 0)
        return info.jetName + u"()"_s;
    return info.jetName + (info.maxArgs == 1 && info.minArgs == 1 ? u"(expression)"_s : u"(...)"_s);
}

std::optional<DialectCall> DialectFunction(const QString& name, int arguments)
{
    const JetFunctionInfo* info = FindJetFunction(name);
    if (!info || info->isOperator)
        return std::nullopt;
    const QString upper = name.toUpper();
    // The engine's own forms of the same names: min(a, b) and max(a, b) compare their
    // arguments, date(...) and time(...) take a time value and modifiers, trim(x, y)
    // trims the characters y.
    if ((upper == u"MIN"_s || upper == u"MAX"_s || upper == u"TRIM"_s || upper == u"LTRIM"_s || upper == u"RTRIM"_s) &&
        arguments != 1)
        return std::nullopt;
    if ((upper == u"DATE"_s || upper == u"TIME"_s) && arguments != 0)
        return std::nullopt;
    DialectCall call{info, info->native.isEmpty() ? info->sqlName : info->native};
    // Nz with a value for Null is the engine's coalesce().
    if (upper == u"NZ"_s && arguments == 2)
        call.sqlName = u"coalesce"_s;
    return call;
}

const std::set<std::string>& RegisteredFunctionNames()
{
    static const std::set<std::string> names = [] {
        std::set<std::string> all;
        for (const JetFunctionInfo& f : JetFunctionTable())
            all.insert(f.sqlName.toLower().toStdString());
        return all;
    }();
    return names;
}

const std::set<std::string>& EngineFunctionNames()
{
    static const std::set<std::string> names = {
        "abs",       "avg",          "char",     "coalesce",  "count",    "current_date", "current_time",
        "current_timestamp",         "date",     "datetime",  "glob",     "group_concat", "hex",
        "ifnull",    "instr",        "julianday", "length",   "like",     "likelihood",   "likely",
        "lower",     "ltrim",        "max",      "min",       "nullif",   "printf",       "quote",
        "random",    "randomblob",   "replace",  "round",     "rtrim",    "soundex",      "strftime",
        "substr",    "sum",          "time",     "total",     "trim",     "typeof",       "unicode",
        "unlikely",  "upper",        "zeroblob",
    };
    return names;
}

bool IsDomainFunction(const QString& name)
{
    static const QSet<QString> names = {u"dsum"_s,   u"dlookup"_s, u"dcount"_s, u"davg"_s,   u"dmax"_s,
                                        u"dmin"_s,   u"dfirst"_s,  u"dlast"_s,  u"dstdev"_s, u"dstdevp"_s,
                                        u"dvar"_s,   u"dvarp"_s};
    return names.contains(name.toLower());
}

bool IsEngineAggregate(const QString& name)
{
    const QString lower = name.toLower();
    return lower == u"sum"_s || lower == u"avg"_s || lower == u"count"_s || lower == u"min"_s || lower == u"max"_s ||
           lower == u"total"_s || lower == u"group_concat"_s;
}

} // namespace levy::jet
