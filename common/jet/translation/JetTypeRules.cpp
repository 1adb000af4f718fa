#include "jet/translation/JetTypeRules.h"

#include "values/DaoConstants.h"
#include "values/FieldDef.h"

#include <QHash>
#include <QSet>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet::translation {

int NumericRank(int t)
{
    switch (t) {
    case dbBoolean:
    case dbByte: return 1;
    case dbInteger: return 2;
    case dbLong: return 3;
    case dbCurrency: return 4;
    case dbSingle: return 5;
    case dbDouble: return 6;
    default: return 0;
    }
}

int TypeOfRank(int rank)
{
    switch (rank) {
    case 1:
    case 2: return dbInteger;
    case 3: return dbLong;
    case 4: return dbCurrency;
    default: return dbDouble;
    }
}

bool IsNumeric(int t) { return NumericRank(t) > 0; }
bool IsWhole(int t) { return t == dbBoolean || t == dbByte || t == dbInteger || t == dbLong; }
bool IsText(int t) { return t == dbText || t == dbMemo; }
bool NumericOrNull(int t) { return IsNumeric(t) || t == typeNull; }

int CommonType(const QList<int>& types)
{
    int result = typeNull;
    for (int t : types) {
        if (t == typeNull)
            continue;
        if (t == typeUnknown)
            return typeUnknown;
        if (result == typeNull || result == t) {
            result = t;
        } else if (IsNumeric(result) && IsNumeric(t)) {
            result = TypeOfRank(std::max(NumericRank(result), NumericRank(t)));
        } else if (IsText(result) && IsText(t)) {
            result = dbMemo;
        } else {
            return typeUnknown;
        }
    }
    return result;
}

int ArithmeticType(int a, int b)
{
    if (a == typeNull)
        return b == typeNull ? typeNull : (IsNumeric(b) ? TypeOfRank(NumericRank(b)) : b);
    if (b == typeNull)
        return IsNumeric(a) ? TypeOfRank(NumericRank(a)) : a;
    if (IsNumeric(a) && IsNumeric(b))
        return TypeOfRank(std::max(NumericRank(a), NumericRank(b)));
    if ((IsText(a) && (IsNumeric(b) || IsText(b))) || (IsText(b) && IsNumeric(a)))
        return dbDouble;
    return typeUnknown;
}

int TypeOfCast(const QString& typeName)
{
    FieldDef field;
    if (FieldFromDeclaredType(typeName, field))
        return field.type;
    const QString t = typeName.toUpper();
    if (t.contains(u"INT"_s))
        return dbLong;
    if (t.contains(u"CHAR"_s) || t.contains(u"CLOB"_s) || t.contains(u"TEXT"_s))
        return dbText;
    if (t.contains(u"REAL"_s) || t.contains(u"FLOA"_s) || t.contains(u"DOUB"_s))
        return dbDouble;
    if (t.contains(u"BLOB"_s) || t.isEmpty())
        return dbLongBinary;
    return typeUnknown;
}

int ParameterType(const QString& typeName)
{
    static const QHash<QString, int> types = {
        {u"TEXT"_s, dbText},        {u"CHAR"_s, dbText},         {u"VARCHAR"_s, dbText},
        {u"STRING"_s, dbText},      {u"ALPHANUMERIC"_s, dbText}, {u"CHARACTER"_s, dbText},
        {u"NCHAR"_s, dbText},       {u"NVARCHAR"_s, dbText},     {u"MEMO"_s, dbMemo},
        {u"LONGTEXT"_s, dbMemo},    {u"NOTE"_s, dbMemo},         {u"NTEXT"_s, dbMemo},
        {u"BYTE"_s, dbByte},        {u"INTEGER1"_s, dbByte},     {u"TINYINT"_s, dbByte},
        {u"SHORT"_s, dbInteger},    {u"SMALLINT"_s, dbInteger},  {u"INTEGER2"_s, dbInteger},
        {u"LONG"_s, dbLong},        {u"INTEGER"_s, dbLong},      {u"INT"_s, dbLong},
        {u"INTEGER4"_s, dbLong},    {u"SINGLE"_s, dbSingle},     {u"REAL"_s, dbSingle},
        {u"FLOAT4"_s, dbSingle},    {u"IEEESINGLE"_s, dbSingle}, {u"DOUBLE"_s, dbDouble},
        {u"FLOAT"_s, dbDouble},     {u"FLOAT8"_s, dbDouble},     {u"IEEEDOUBLE"_s, dbDouble},
        {u"NUMBER"_s, dbDouble},    {u"DECIMAL"_s, dbDouble},    {u"NUMERIC"_s, dbDouble},
        {u"DEC"_s, dbDouble},       {u"CURRENCY"_s, dbCurrency}, {u"MONEY"_s, dbCurrency},
        {u"DATETIME"_s, dbDate},    {u"DATE"_s, dbDate},         {u"TIME"_s, dbDate},
        {u"TIMESTAMP"_s, dbDate},   {u"BIT"_s, dbBoolean},       {u"YESNO"_s, dbBoolean},
        {u"LOGICAL"_s, dbBoolean},  {u"LOGICAL1"_s, dbBoolean},  {u"BOOLEAN"_s, dbBoolean},
    };
    return types.value(typeName.toUpper(), typeUnknown);
}

int DialectFunctionType(const JetFunctionInfo& rule, const QString& name, const QList<int>& argumentTypes)
{
    using R = JetResultKind;
    switch (rule.result) {
    case R::Text: return dbText;
    case R::Integer: return dbInteger;
    case R::Long: return dbLong;
    case R::Double: return dbDouble;
    case R::Currency: return dbCurrency;
    case R::Date: return dbDate;
    case R::Boolean: return dbBoolean;
    case R::SameAsArgument: {
        const int t = rule.argument >= 0 && rule.argument < argumentTypes.size() ? argumentTypes[rule.argument]
                                                                                 : typeUnknown;
        const QString upper = name.toUpper();
        if (upper == u"SUM"_s && IsWhole(t))
            return dbLong;
        if (upper == u"AVG"_s && t != dbCurrency && (IsNumeric(t) || t == typeUnknown))
            return dbDouble;
        if (upper == u"ABS"_s && (t == dbBoolean || t == dbByte))
            return dbInteger;
        return t == typeNull ? typeUnknown : t;
    }
    case R::CommonOfArguments: return CommonType(argumentTypes.mid(std::max(rule.argument, 0)));
    case R::Variant: return typeUnknown;
    }
    return typeUnknown;
}

int EngineFunctionType(const QString& name, const QList<int>& argumentTypes)
{
    static const QSet<QString> common = {u"coalesce"_s, u"ifnull"_s, u"min"_s, u"max"_s};
    static const QSet<QString> first = {u"nullif"_s, u"likely"_s, u"unlikely"_s, u"likelihood"_s};
    static const QSet<QString> whole = {u"length"_s, u"instr"_s, u"unicode"_s};
    static const QSet<QString> real = {u"total"_s, u"julianday"_s};
    static const QSet<QString> dates = {u"datetime"_s, u"date"_s};
    static const QSet<QString> texts = {u"substr"_s, u"upper"_s,    u"lower"_s, u"trim"_s,     u"ltrim"_s,
                                        u"rtrim"_s,  u"typeof"_s,   u"hex"_s,   u"quote"_s,    u"printf"_s,
                                        u"char"_s,   u"group_concat"_s, u"strftime"_s, u"time"_s, u"sqlite_version"_s};
    const QString lower = name.toLower();
    if (common.contains(lower))
        return CommonType(argumentTypes);
    if (first.contains(lower))
        return argumentTypes.isEmpty() ? typeUnknown : argumentTypes[0];
    if (whole.contains(lower))
        return dbLong;
    if (real.contains(lower))
        return dbDouble;
    if (dates.contains(lower))
        return dbDate;
    if (texts.contains(lower))
        return dbText;
    return typeUnknown;
}

} // namespace levy::jet::translation
