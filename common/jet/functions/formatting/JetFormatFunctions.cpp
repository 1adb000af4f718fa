#include "jet/functions/formatting/JetFormatFunctions.h"

#include "jet/functions/formatting/JetFormat.h"
#include "jet/functions/shared/JetCall.h"
#include "engine/Sqlite.h"

#include <memory>
#include <string>
#include <unordered_map>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {

void Format(const Call& c)
{
    FormatInput input;
    const int type = sqlite3_value_type(c[0]);
    if (type == SQLITE_INTEGER) {
        input.kind = FormatInput::Kind::Number;
        input.number = Number::Of(int64_t(sqlite3_value_int64(c[0])));
    } else if (type == SQLITE_FLOAT) {
        input.kind = FormatInput::Kind::Number;
        input.number = Number::Of(sqlite3_value_double(c[0]));
    } else if (type != SQLITE_NULL) {
        const auto* raw = reinterpret_cast<const char*>(sqlite3_value_text(c[0]));
        input.text = std::string_view(raw ? raw : "", size_t(sqlite3_value_bytes(c[0])));
        input.kind = FormatInput::Kind::Text;
        if (IsStorageDateText(input.text))
            if (auto date = ParseDateText(input.text)) {
                input.kind = FormatInput::Kind::Date;
                input.date = *date;
            }
    }
    std::string_view formatText;
    std::unique_ptr<TextOf> formatArgument;
    if (c.Has(1) && !IsNull(c[1])) {
        formatArgument = std::make_unique<TextOf>(c[1]);
        formatText = formatArgument->View();
    }
    const int firstDay = c.Has(2) && !IsNull(c[2]) ? int(WholeOf(c[2])) : 1;
    const int firstWeek = c.Has(3) && !IsNull(c[3]) ? int(WholeOf(c[3])) : 1;
    if (firstDay < 0 || firstDay > 7 || firstWeek < 0 || firstWeek > 3)
        Fail(Fault::InvalidArgument, u"the first day of the week must be 0 to 7 and the first week 0 to 3."_s);

    thread_local std::string out;
    out.clear();
    bool shown = false;
    if (c.Has(1)) {
        const Cached<CompiledFormat> format(c, 1, formatText);
        shown = format->Apply(input, firstDay == 0 ? 1 : firstDay, firstWeek == 0 ? 1 : firstWeek, out, ValueLimit(c));
    } else {
        shown = CompiledFormat(std::string_view()).Apply(input, 1, 1, out, ValueLimit(c));
    }
    if (shown)
        ResultText(c.ctx, out);
    else
        sqlite3_result_null(c.ctx);
}

} // namespace levy::jet
