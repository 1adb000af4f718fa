#pragma once

#include "jet/functions/JetFunctionCatalog.h"

#include <QList>
#include <QString>

namespace levy::jet::translation {

// The field type an expression of the dialect gives, as far as the translation can tell:
// a DAO type code, or one of these two.
inline constexpr int typeUnknown = 0;
inline constexpr int typeNull = -1;

// The order in which numeric types widen (Boolean and Byte, Integer, Long, Currency,
// Single, Double), 0 for any other type; and the type of a rank.
int NumericRank(int t);
int TypeOfRank(int rank);

bool IsNumeric(int t);
bool IsWhole(int t);
bool IsText(int t);
// Known to compare as a number (or to be Null), so that collation cannot matter.
bool NumericOrNull(int t);

// The type of values that come from any of several expressions (CASE, IIf, Min ...).
int CommonType(const QList<int>& types);
// The type of + - * with numbers: the wider operand's, a whole Boolean counting as Integer.
int ArithmeticType(int a, int b);
// The type CAST(... AS typeName) gives.
int TypeOfCast(const QString& typeName);

// The field type a PARAMETERS clause's type name stands for, with the dialect's synonyms
// (Integer is a Long, Short a 16-bit Integer, Date and DateTime the same); typeUnknown
// for a name that is no type a value can be typed in for.
int ParameterType(const QString& typeName);

// The type a call returns, from its arguments' types: of one of the dialect's functions,
// or of the engine's own function `name` (typeUnknown for one it does not know).
int DialectFunctionType(const JetFunctionInfo& rule, const QString& name, const QList<int>& argumentTypes);
int EngineFunctionType(const QString& name, const QList<int>& argumentTypes);

} // namespace levy::jet::translation
