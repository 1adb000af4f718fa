#include "FieldDef.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace levy {

QString DeclaredType(const FieldDef& f)
{
    switch (f.type) {
    case dbText: return u"TEXT(%1)"_s.arg(f.size);
    case dbMemo: return u"LONGTEXT"_s;
    case dbInteger: return u"SMALLINT"_s;
    case dbLong: return u"INTEGER"_s;
    case dbCurrency: return u"CURRENCY"_s;
    case dbDate: return u"DATETIME"_s;
    case dbBoolean: return u"BIT"_s;
    case dbDouble: return u"DOUBLE"_s;
    default: return {};
    }
}

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
