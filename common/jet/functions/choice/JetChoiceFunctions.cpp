#include "jet/functions/choice/JetChoiceFunctions.h"

#include "jet/functions/shared/JetCall.h"
#include "jet/functions/shared/JetCompare.h"
#include "engine/Sqlite.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
bool IsNumberType(int type) { return type == SQLITE_INTEGER || type == SQLITE_FLOAT; }
} // namespace

void IIf(const Call& c) { sqlite3_result_value(c.ctx, TruthOf(c[0]) ? c[1] : c[2]); }

void Switch(const Call& c)
{
    if (c.argc == 0 || c.argc % 2 != 0)
        Fail(Fault::InvalidArgument, u"it takes pairs of a condition and a value."_s);
    for (int i = 0; i < c.argc; i += 2)
        if (TruthOf(c[i])) {
            sqlite3_result_value(c.ctx, c[i + 1]);
            return;
        }
    sqlite3_result_null(c.ctx);
}

void Choose(const Call& c)
{
    if (c.argc < 2)
        Fail(Fault::InvalidArgument, u"it takes an index and at least one choice."_s);
    if (IsNull(c[0])) {
        sqlite3_result_null(c.ctx);
        return;
    }
    const int64_t index = WholeOf(c[0]);
    if (index >= 1 && index < c.argc)
        sqlite3_result_value(c.ctx, c[int(index)]);
    else
        sqlite3_result_null(c.ctx);
}

void IsNullFunction(const Call& c) { ResultBoolean(c.ctx, IsNull(c[0])); }

void IsNumeric(const Call& c)
{
    const int type = sqlite3_value_type(c[0]);
    if (type == SQLITE_NULL)
        ResultBoolean(c.ctx, false);
    else if (IsNumberType(type))
        ResultBoolean(c.ctx, true);
    else
        ResultBoolean(c.ctx, ParseNumber(StoredText(c[0])).has_value());
}

void IsDate(const Call& c)
{
    const int type = sqlite3_value_type(c[0]);
    ResultBoolean(c.ctx, type == SQLITE_TEXT && ParseDateText(StoredText(c[0])).has_value());
}

void Compare(const Call& c)
{
    if (IsNull(c[0]) || IsNull(c[1]))
        sqlite3_result_null(c.ctx);
    else
        sqlite3_result_int(c.ctx, CompareValues(ViewOf(c[0]), ViewOf(c[1])));
}

// The range of `number` among ranges of `interval` from `start` to `stop`, written
// "lower:upper" with both sides padded to the width of stop plus one, so that the labels
// sort as their numbers do: " 0: 4", " 95: 99", "   : -1" below start, "100:   " above stop.
void Partition(const Call& c)
{
    for (int i = 0; i < 4; ++i)
        if (IsNull(c[i])) {
            sqlite3_result_null(c.ctx);
            return;
        }
    const int64_t number = WholeOf(c[0]), start = WholeOf(c[1]), stop = WholeOf(c[2]), interval = WholeOf(c[3]);
    if (start < 0)
        Fail(Fault::InvalidArgument, u"the start %1 is below 0."_s.arg(start));
    if (stop <= start)
        Fail(Fault::InvalidArgument, u"the stop %1 is not above the start %2."_s.arg(stop).arg(start));
    if (interval < 1)
        Fail(Fault::InvalidArgument, u"the interval %1 is below 1."_s.arg(interval));
    std::optional<int64_t> lower, upper;
    if (number < start) {
        upper = start - 1;
    } else if (number > stop) {
        lower = stop + 1;
    } else {
        lower = start + (number - start) / interval * interval;
        upper = std::min(*lower + interval - 1, stop);
    }
    // Laid out in place: Partition runs once a record, over tables of millions.
    char stopText[24];
    const int width = std::snprintf(stopText, sizeof stopText, "%lld", static_cast<long long>(stop)) + 1;
    char text[64];
    int n = 0;
    auto side = [&](const std::optional<int64_t>& v) {
        n += v ? std::snprintf(text + n, sizeof text - size_t(n), "%*lld", width, static_cast<long long>(*v))
               : std::snprintf(text + n, sizeof text - size_t(n), "%*s", width, "");
    };
    side(lower);
    text[n++] = ':';
    side(upper);
    ResultText(c.ctx, std::string_view(text, size_t(n)));
}

namespace {
// The dialect's type of a value as the engine holds it: whole numbers are Integer or
// Long as they fit, stored dates are dates, and the rest are Double or String.
enum class VariantType { Null = 1, Integer = 2, Long = 3, Double = 5, Date = 7, String = 8 };

VariantType TypeOf(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return VariantType::Null;
    case SQLITE_INTEGER: {
        const int64_t i = sqlite3_value_int64(v);
        return i >= -32768 && i <= 32767 ? VariantType::Integer
                                         : (i >= INT32_MIN && i <= INT32_MAX ? VariantType::Long : VariantType::Double);
    }
    case SQLITE_FLOAT:
        return VariantType::Double;
    default:
        return IsStorageDateText(StoredText(v)) ? VariantType::Date : VariantType::String;
    }
}
} // namespace

void TypeName(const Call& c)
{
    static const char* const names[] = {"Empty", "Null", "Integer", "Long", "Single", "Double", "Currency", "Date",
                                        "String"};
    ResultText(c.ctx, std::string_view(names[int(TypeOf(c[0]))]));
}

void VarType(const Call& c) { sqlite3_result_int(c.ctx, int(TypeOf(c[0]))); }

// A field or an expression is never an uninitialised variable, nor an error value: both
// tests are false for every value a query holds, Null included.
void IsEmpty(const Call& c) { ResultBoolean(c.ctx, false); }
void IsError(const Call& c) { ResultBoolean(c.ctx, false); }

} // namespace levy::jet
