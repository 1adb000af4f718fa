#include "jet/functions/shared/JetCompare.h"

#include "jet/functions/shared/JetValue.h"
#include "engine/Sqlite.h"

#include <algorithm>
#include <optional>

namespace levy::jet {
namespace {
bool IsNumberType(int type) { return type == SQLITE_INTEGER || type == SQLITE_FLOAT; }

template <class T>
int Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

double AsDouble(const ValueView& v) { return v.type == SQLITE_INTEGER ? double(v.integer) : v.real; }

// A number against a text: numeric texts and stored dates by value, other texts after.
int CompareNumberText(const ValueView& number, const ValueView& text)
{
    std::optional<double> other = ParseNumber(text.text);
    if (!other && IsStorageDateText(text.text))
        if (auto date = ParseDateText(text.text))
            other = ToSerial(*date);
    if (!other)
        return -1;
    return Order(AsDouble(number), *other);
}
} // namespace

int CompareTexts(std::string_view a, std::string_view b)
{
    if (IsAscii(a) && IsAscii(b)) {
        const size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            const char x = AsciiLower(a[i]), y = AsciiLower(b[i]);
            if (x != y)
                return Order(static_cast<unsigned char>(x), static_cast<unsigned char>(y));
        }
        return Order(a.size(), b.size());
    }
    const int c = ToQString(a).compare(ToQString(b), Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

ValueView ViewOf(sqlite3_value* v)
{
    ValueView view;
    view.type = sqlite3_value_type(v);
    if (view.type == SQLITE_INTEGER)
        view.integer = sqlite3_value_int64(v);
    else if (view.type == SQLITE_FLOAT)
        view.real = sqlite3_value_double(v);
    else
        view.text = StoredText(v);
    return view;
}

int CompareValues(const ValueView& a, const ValueView& b)
{
    if (IsNumberType(a.type) && IsNumberType(b.type)) {
        if (a.type == SQLITE_INTEGER && b.type == SQLITE_INTEGER)
            return Order(a.integer, b.integer);
        return Order(AsDouble(a), AsDouble(b));
    }
    if (IsNumberType(a.type))
        return CompareNumberText(a, b);
    if (IsNumberType(b.type))
        return -CompareNumberText(b, a);
    return CompareTexts(a.text, b.text);
}

} // namespace levy::jet
