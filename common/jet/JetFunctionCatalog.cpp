#include "JetFunctionCatalog.h"

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {

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

bool IsEngineAggregate(const QString& name)
{
    const QString lower = name.toLower();
    return lower == u"sum"_s || lower == u"avg"_s || lower == u"count"_s || lower == u"min"_s || lower == u"max"_s ||
           lower == u"total"_s || lower == u"group_concat"_s;
}

} // namespace levy::jet
