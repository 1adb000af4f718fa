#include "ValueStorage.h"

#include "platform/RuntimeError.h"

#include "engine/EngineErrors.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace levy {

Value FromStorage(const Value& stored, int type)
{
    if (stored.IsNull())
        return stored;
    switch (type) {
    case dbText:
    case dbMemo:
        return stored.IsText() ? stored : Value(stored.AsText());
    case dbInteger:
    case dbLong:
    case dbByte:
        if (stored.IsInteger())
            return stored;
        if (stored.IsDouble())
            return Value(int64_t(std::llround(stored.AsDouble())));
        return stored;
    case dbCurrency:
        // A number beyond the amounts (a union's later part, say) stays the number it is.
        if (stored.IsInteger() || stored.IsDouble()) {
            try {
                return Value(stored.AsCurrency());
            } catch (const RuntimeError&) {
            }
        }
        return stored;
    case dbDate:
        if (stored.IsText())
            if (auto d = DateTime::FromStorageText(stored.AsText()))
                return Value(*d);
        return stored;
    case dbBoolean:
        if (stored.IsInteger() || stored.IsDouble())
            return Value(stored.AsDouble() != 0.0);
        return stored;
    case dbDouble:
    case dbSingle:
        if (stored.IsInteger())
            return Value(stored.AsDouble());
        return stored;
    default:
        return stored;
    }
}

int FieldTypeOfStorage(const Value& stored)
{
    if (stored.IsInteger()) {
        const int64_t n = stored.AsInteger();
        return (n >= INT32_MIN && n <= INT32_MAX) ? dbLong : dbDouble;
    }
    if (stored.IsDouble())
        return dbDouble;
    return dbText;
}

namespace {
QString FieldLabel(const FieldDef& f, const QString& table) { return u"\"%1.%2\""_s.arg(table, f.name); }
} // namespace

QString DescribeRefusedValue(const Value& v, const FieldDef& f, const QString& table)
{
    const QString label = FieldLabel(f, table);
    switch (f.type) {
    case dbText:
    case dbMemo:
        if (v.IsText() && v.AsText().isEmpty())
            return u"The field %1 cannot hold an empty text."_s.arg(label);
        if (f.type == dbText && v.ToDisplayText().size() > f.size)
            return u"The value is too long for the field %1: it has %2 characters, and the field holds at most %3."_s
                .arg(label)
                .arg(v.ToDisplayText().size())
                .arg(f.size);
        return u"The field %1 holds only text."_s.arg(label);
    case dbInteger:
        return u"The value \"%1\" does not fit the field %2: it takes whole numbers from -32768 to 32767."_s.arg(
            v.ToDisplayText(), label);
    case dbLong:
        return u"The value \"%1\" does not fit the field %2: it takes whole numbers from -2147483648 to 2147483647."_s
            .arg(v.ToDisplayText(), label);
    case dbCurrency:
        return u"The value \"%1\" is not an amount, so the field %2 cannot hold it."_s.arg(v.ToDisplayText(), label);
    case dbDate:
        return u"The value \"%1\" is not a date and time, so the field %2 cannot hold it."_s.arg(v.ToDisplayText(),
                                                                                               label);
    case dbBoolean:
        return u"The value \"%1\" is not Yes or No, so the field %2 cannot hold it."_s.arg(v.ToDisplayText(), label);
    default:
        return u"The value \"%1\" is not valid for the field %2."_s.arg(v.ToDisplayText(), label);
    }
}

Value ToStorage(const Value& v, const FieldDef& f, const QString& table)
{
    if (v.IsNull())
        return v;
    auto refuse = [&]() -> Value {
        engine::RaiseEngine(engine::errInvalidValue, DescribeRefusedValue(v, f, table));
    };
    try {
        switch (f.type) {
        case dbText:
        case dbMemo: {
            if (v.IsDate())
                return Value(v.AsDate().ToStorageText());
            const QString text = v.AsText();
            if (text.isEmpty() && !f.allowZeroLength)
                return refuse();
            if (f.type == dbText && text.size() > f.size)
                return refuse();
            return Value(text);
        }
        case dbInteger:
        case dbLong:
        case dbByte: {
            if (v.IsDouble() && std::floor(v.AsDouble()) != v.AsDouble())
                return refuse();
            const int64_t n = v.AsInteger();
            const int64_t low = f.type == dbInteger ? -32768 : f.type == dbByte ? 0 : INT32_MIN;
            const int64_t high = f.type == dbInteger ? 32767 : f.type == dbByte ? 255 : INT32_MAX;
            if (n < low || n > high)
                return refuse();
            return Value(n);
        }
        case dbCurrency: {
            const Currency c = v.AsCurrency();
            if (c.tenThousandths % 10000 == 0)
                return Value(int64_t(c.tenThousandths / 10000));
            return Value(double(c.tenThousandths) / 10000.0);
        }
        case dbDate: return Value(v.AsDate().ToStorageText());
        case dbBoolean: return Value(int64_t(v.AsBoolean() ? -1 : 0));
        case dbDouble:
        case dbSingle: return Value(v.AsDouble());
        default: return v;
        }
    } catch (const RuntimeError&) {
        return refuse();
    }
}

} // namespace levy
