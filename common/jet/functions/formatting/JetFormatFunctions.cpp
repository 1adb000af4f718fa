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

namespace {
// A tristate argument: -1 true, 0 false, -2 (or omitted) the office's default.
bool Tristate(const Call& c, int at, bool byDefault)
{
    if (!c.Has(at) || IsNull(c[at]))
        return byDefault;
    const int64_t v = WholeOf(c[at]);
    if (v == -2)
        return byDefault;
    if (v != -1 && v != 0)
        Fail(Fault::InvalidArgument, u"the setting %1 is not -1 (true), 0 (false) or -2 (the default)."_s.arg(v));
    return v == -1;
}

// A format read once for each text and kept while the connection lives, so that the
// same settings on every record cost one reading.
const CompiledFormat& FormatFor(const std::string& text)
{
    thread_local std::unordered_map<std::string, std::unique_ptr<CompiledFormat>> formats;
    auto& held = formats[text];
    if (!held) {
        if (formats.size() > 64) {
            formats.clear();
            return FormatFor(text);
        }
        held = std::make_unique<CompiledFormat>(text);
    }
    return *held;
}

// FormatNumber, FormatCurrency and FormatPercent: the number laid out with `digits`
// decimals (2 when -1 or omitted), a leading 0 before the point, thousands grouped, and
// a minus sign, or brackets, for a negative number, each as the arguments choose.
void FormatWithSettings(const Call& c, const char* prefix, const char* suffix)
{
    const Number n = NumberOf(c[0]);
    const int64_t digits = c.Has(1) && !IsNull(c[1]) ? WholeOf(c[1]) : -1;
    if (digits < -1 || digits > 99)
        Fail(Fault::InvalidArgument, u"the number of decimals %1 is not 0 to 99."_s.arg(digits));
    const bool leading = Tristate(c, 2, true), brackets = Tristate(c, 3, false), grouped = Tristate(c, 4, true);
    std::string positive = prefix;
    positive += grouped ? (leading ? "#,##0" : "#,###") : (leading ? "0" : "#");
    if (digits != 0)
        positive += '.' + std::string(size_t(digits < 0 ? 2 : digits), '0');
    positive += suffix;
    const std::string format = positive + ';' + (brackets ? '(' + positive + ')' : '-' + positive);
    FormatInput input;
    input.kind = FormatInput::Kind::Number;
    input.number = n;
    thread_local std::string out;
    out.clear();
    FormatFor(format).Apply(input, 1, 1, out, ValueLimit(c));
    ResultText(c.ctx, out);
}
} // namespace

void FormatNumber(const Call& c) { FormatWithSettings(c, "", ""); }
void FormatCurrency(const Call& c) { FormatWithSettings(c, "$", ""); }
void FormatPercent(const Call& c) { FormatWithSettings(c, "", "%"); }

// A date as one of the office's named forms: 0 general, 1 long date, 2 short date,
// 3 long time, 4 short time.
void FormatDateTime(const Call& c)
{
    static const char* const forms[] = {"General Date", "Long Date", "Short Date", "Long Time", "Short Time"};
    const int64_t form = c.Has(1) && !IsNull(c[1]) ? WholeOf(c[1]) : 0;
    if (form < 0 || form > 4)
        Fail(Fault::InvalidArgument, u"the named format %1 is not 0 to 4."_s.arg(form));
    FormatInput input;
    input.kind = FormatInput::Kind::Date;
    input.date = DateOf(c[0]);
    thread_local std::string out;
    out.clear();
    FormatFor(forms[form]).Apply(input, 1, 1, out, ValueLimit(c));
    ResultText(c.ctx, out);
}

} // namespace levy::jet
