#pragma once

#include <QString>
#include <optional>

namespace levy::jet {

// How the translator writes a call of one of the dialect's functions for the engine,
// and what type its result has.
struct FunctionRule {
    enum class Result {
        Text,
        Integer,       // 16-bit
        Long,
        Double,
        Currency,
        Date,
        Boolean,
        SameAsArgument,  // the type of argument `argument`
        CommonOfArguments,
        Variant,
    };
    enum class Writing {
        Call,          // sqlName(args)
        Case,          // IIf and Switch become CASE
        IsNullTest,    // IsNull(x) becomes x IS NULL
    };
    QString sqlName;
    Result result = Result::Variant;
    int argument = 0;
    bool aggregate = false;
    Writing writing = Writing::Call;
};

// The rule for a call of `name` with `arguments` arguments, when `name` is one of the
// dialect's functions; nothing for the engine's own functions and unknown names, which
// are written as they stand. The engine's own function is kept where it means the same
// (Sum, Count, Abs, Trim...); where the dialect's meaning differs or the engine has no
// such function, the call goes to the registered "jet_" function of that name.
std::optional<FunctionRule> DialectFunction(const QString& name, int arguments);

// True for the engine's own aggregate functions.
bool IsEngineAggregate(const QString& name);

} // namespace levy::jet
