#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <set>
#include <string>

namespace levy::jet {

// The type of value a function of the dialect returns, so that a result column can be
// typed (an amount shown as an amount, a date as a date).
enum class JetResultKind {
    Text,
    Integer, // 16-bit
    Long,
    Double,
    Currency,
    Date, // the stored text 'YYYY-MM-DD HH:MM:SS'
    Boolean, // -1 or 0
    SameAsArgument, // the type of argument `argument` (0-based)
    CommonOfArguments, // the common type of the arguments from `argument` on
    Variant, // depends on the values (+ and -)
};

// How the translator writes a call for the engine.
enum class JetCallWriting {
    Call,       // the engine's own function where there is one (`native`), else sqlName(args)
    Case,       // IIf and Switch become CASE, so that only the chosen value is evaluated
    IsNullTest, // IsNull(x) becomes x IS NULL
};

// One function or operator of the dialect: how users write it, how it is registered in
// the engine, what it returns and how a call of it is written. The one description of
// the dialect's functions, read by the registration, the translator and the editor.
struct JetFunctionInfo {
    QString jetName; // as users write it: "DateAdd", or an operator: "&", "\\", "Mod"
    QString sqlName; // as registered in the engine: "jet_dateadd"
    int minArgs = 0;
    int maxArgs = 0; // -1: any number
    bool aggregate = false;
    bool isOperator = false;
    JetResultKind result = JetResultKind::Variant;
    int argument = -1; // for SameAsArgument and CommonOfArguments
    // The engine's own function that means the same (faster, and the engine can use an
    // index); empty when the dialect's meaning differs or the engine has none.
    QString native;
    JetCallWriting writing = JetCallWriting::Call;
};

// One entry per function and operator, in no particular order.
const QList<JetFunctionInfo>& JetFunctionTable();
// The entry for a name as users write it (letter case ignored), or null.
const JetFunctionInfo* FindJetFunction(const QString& jetName);

// How a call of a function is written, with its arguments named and the optional ones
// in brackets: "Mid(string, start[, length])". Empty for operators.
QString ArgumentList(const JetFunctionInfo& info);

// The lower-case names the functions are registered under (jet_iif...), for the
// read-only gate's list of the functions a query may call.
const std::set<std::string>& RegisteredFunctionNames();

// A call of one of the dialect's functions as the translator writes it.
struct DialectCall {
    const JetFunctionInfo* info;
    QString sqlName; // the engine's own function, or the registered one
};

// The call of `name` with `arguments` arguments, when `name` is one of the dialect's
// functions; nothing for the engine's own functions (min(a, b), date('now'), trim(x, y))
// and unknown names, which are written as they stand.
std::optional<DialectCall> DialectFunction(const QString& name, int arguments);

// The engine's own functions a reading statement may call (lower case): text, number,
// date and aggregate functions. Everything else the engine carries (the full-text and
// r-tree modules' helpers, compile-option probes, file, key and extension functions) is
// refused by the read-only gate: some of them read past their arguments and hand back
// the engine's memory.
const std::set<std::string>& EngineFunctionNames();

// A domain function (DSum, DLookup, DCount...): the desktop application's own, over a
// table it names in a text; no query engine has them.
bool IsDomainFunction(const QString& name);

// True for the engine's own aggregate functions.
bool IsEngineAggregate(const QString& name);

} // namespace levy::jet
