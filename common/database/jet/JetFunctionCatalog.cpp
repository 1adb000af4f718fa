#include "JetFunctionCatalog.h"

#include "JetFunctions.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
using R = FunctionRule::Result;
using W = FunctionRule::Writing;

struct Override {
    R result;
    int argument = 0;
    // The engine's own function that means the same, when there is one.
    const char16_t* native = nullptr;
    W writing = W::Call;
};

// Where the translator writes a call its own way: the engine's own function where it
// means the same (faster, and the engine can use an index), CASE where the dialect's
// function is a choice (evaluated lazily), and the result types the registered
// functions cannot know from their arguments.
const QHash<QString, Override>& Overrides()
{
    static const QHash<QString, Override> overrides = {
        {u"IIF"_s, {R::CommonOfArguments, 1, nullptr, W::Case}},
        {u"SWITCH"_s, {R::CommonOfArguments, 1, nullptr, W::Case}},
        {u"ISNULL"_s, {R::Boolean, 0, nullptr, W::IsNullTest}},
        {u"NZ"_s, {R::CommonOfArguments, 0}},
        {u"CHOOSE"_s, {R::CommonOfArguments, 1}},
        {u"TRIM"_s, {R::Text, 0, u"trim"}},
        {u"LTRIM"_s, {R::Text, 0, u"ltrim"}},
        {u"RTRIM"_s, {R::Text, 0, u"rtrim"}},
        {u"ABS"_s, {R::SameAsArgument, 0, u"abs"}},
        {u"SUM"_s, {R::SameAsArgument, 0, u"sum"}},
        {u"AVG"_s, {R::SameAsArgument, 0, u"avg"}},
        {u"COUNT"_s, {R::Long, 0, u"count"}},
        {u"MIN"_s, {R::SameAsArgument, 0, u"min"}},
        {u"MAX"_s, {R::SameAsArgument, 0, u"max"}},
        {u"INT"_s, {R::SameAsArgument}},
        {u"FIX"_s, {R::SameAsArgument}},
        {u"ROUND"_s, {R::SameAsArgument}},
        {u"CINT"_s, {R::Integer}},
    };
    return overrides;
}

R ResultOf(JetResultKind kind)
{
    switch (kind) {
    case JetResultKind::Text: return R::Text;
    case JetResultKind::Integer: return R::Long;
    case JetResultKind::Double: return R::Double;
    case JetResultKind::Currency: return R::Currency;
    case JetResultKind::Date: return R::Date;
    case JetResultKind::Boolean: return R::Boolean;
    case JetResultKind::SameAsArgument: return R::SameAsArgument;
    case JetResultKind::Variant: return R::Variant;
    }
    return R::Variant;
}
} // namespace

std::optional<FunctionRule> DialectFunction(const QString& name, int arguments)
{
    const QString upper = name.toUpper();
    const JetFunctionInfo* info = FindJetFunction(name);
    if (info && info->isOperator)
        info = nullptr;
    const auto it = Overrides().constFind(upper);
    const bool overridden = it != Overrides().constEnd();
    if (!info && !overridden)
        return std::nullopt;
    // The engine's own forms of the same names: min(a, b) and max(a, b) compare their
    // arguments, date(...) and time(...) take a time value and modifiers, trim(x, y)
    // trims the characters y.
    if ((upper == u"MIN"_s || upper == u"MAX"_s || upper == u"TRIM"_s || upper == u"LTRIM"_s || upper == u"RTRIM"_s) &&
        arguments != 1)
        return std::nullopt;
    if ((upper == u"DATE"_s || upper == u"TIME"_s) && arguments != 0)
        return std::nullopt;
    FunctionRule rule;
    if (info) {
        rule.sqlName = info->sqlName;
        rule.aggregate = info->aggregate;
        rule.result = ResultOf(info->result);
        rule.argument = std::max(info->argument, 0);
    } else {
        rule.sqlName = u"jet_"_s + name.toLower();
    }
    if (overridden) {
        rule.result = it->result;
        rule.argument = it->argument;
        rule.writing = it->writing;
        if (it->native)
            rule.sqlName = QString::fromUtf16(it->native);
    }
    if (IsEngineAggregate(rule.sqlName))
        rule.aggregate = true;
    // Nz with a value for Null is the engine's coalesce().
    if (upper == u"NZ"_s && arguments == 2)
        rule.sqlName = u"coalesce"_s;
    return rule;
}

bool IsEngineAggregate(const QString& name)
{
    const QString lower = name.toLower();
    return lower == u"sum"_s || lower == u"avg"_s || lower == u"count"_s || lower == u"min"_s || lower == u"max"_s ||
           lower == u"total"_s || lower == u"group_concat"_s;
}

} // namespace levy::jet
