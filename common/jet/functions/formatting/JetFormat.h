#pragma once

#include "jet/functions/shared/JetCalendar.h"
#include "jet/functions/shared/JetValue.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace levy::jet {

// A value to lay out: what the engine holds, with stored dates already told apart.
struct FormatInput {
    enum class Kind { Null, Number, Date, Text } kind = Kind::Null;
    Number number;
    JetDateTime date;
    std::string_view text;
};

// A Format() format, read once and applied to many values. The locale is fixed:
// English names, "." and ",", the "$" of the amount format, the office's dd/mm/yyyy
// short date, "dd mmmm yyyy" long date, 24-hour "hh:nn:ss" long time.
class CompiledFormat {
public:
    explicit CompiledFormat(std::string_view format);
    ~CompiledFormat();
    CompiledFormat(const CompiledFormat&) = delete;
    CompiledFormat& operator=(const CompiledFormat&) = delete;

    // Appends the text to `out`; false when the result is Null. Fails rather than let
    // `out` pass `limit` bytes.
    bool Apply(const FormatInput& value, int firstDayOfWeek, int firstWeekOfYear, std::string& out,
               size_t limit) const;

    struct Parts;

private:
    std::unique_ptr<Parts> parts_;
};

} // namespace levy::jet
