#include "FieldDef.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
// Each field type as the file declares it and as the user knows it; a text's size follows.
struct TypeNames {
    int type;
    const char16_t* declared;
    const char16_t* shown;
};
constexpr TypeNames typeNames[] = {
    {dbText, u"TEXT", u"Text"},           {dbMemo, u"LONGTEXT", u"Memo"},   {dbInteger, u"SMALLINT", u"Integer"},
    {dbLong, u"INTEGER", u"Long Integer"}, {dbCurrency, u"CURRENCY", u"Currency"}, {dbDate, u"DATETIME", u"Date/Time"},
    {dbBoolean, u"BIT", u"Yes/No"},       {dbDouble, u"DOUBLE", u"Double"}, {dbByte, nullptr, u"Byte"},
};

QString Named(const FieldDef& f, const char16_t* TypeNames::*which)
{
    for (const TypeNames& names : typeNames) {
        if (names.type != f.type || !(names.*which))
            continue;
        const QString name = QString::fromUtf16(names.*which);
        return f.type == dbText ? u"%1(%2)"_s.arg(name).arg(f.size) : name;
    }
    return {};
}
} // namespace

QString DeclaredType(const FieldDef& f) { return Named(f, &TypeNames::declared); }

QString FieldTypeName(const FieldDef& f) { return Named(f, &TypeNames::shown); }

bool FieldFromDeclaredType(const QString& declared, FieldDef& f)
{
    const QString d = declared.trimmed().toUpper();
    static const QRegularExpression text(u"^(?:TEXT|VARCHAR|CHAR)\\s*\\(\\s*(\\d+)\\s*\\)$"_s);
    if (const auto m = text.match(d); m.hasMatch()) {
        f.type = dbText;
        f.size = m.captured(1).toInt();
        return true;
    }
    f.size = 0;
    if (d == u"TEXT"_s) {
        f.type = dbText;
        f.size = 255;
    } else if (d == u"LONGTEXT"_s || d == u"MEMO"_s)
        f.type = dbMemo;
    else if (d == u"SMALLINT"_s)
        f.type = dbInteger;
    else if (d == u"INTEGER"_s || d == u"INT"_s || d == u"LONG"_s)
        f.type = dbLong;
    else if (d == u"CURRENCY"_s || d == u"MONEY"_s)
        f.type = dbCurrency;
    else if (d == u"DATETIME"_s || d == u"DATE"_s)
        f.type = dbDate;
    else if (d == u"BIT"_s || d == u"BOOLEAN"_s || d == u"YESNO"_s)
        f.type = dbBoolean;
    else if (d == u"DOUBLE"_s || d == u"REAL"_s || d == u"FLOAT"_s)
        f.type = dbDouble;
    else if (d == u"BYTE"_s || d == u"TINYINT"_s)
        f.type = dbByte;
    else
        return false;
    return true;
}

} // namespace levy
