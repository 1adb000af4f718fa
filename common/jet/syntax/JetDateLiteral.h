#pragma once

#include <QString>
#include <optional>

namespace levy::jet {

// Reads the text between the hash signs of a #date# literal the way the Access dialect
// does: month first (#3/15/2025#, and #15/3/2025# when the first number cannot be a
// month), ISO order (#2025-03-15#), English month names (#15 Mar 2025#, #March 15, 2025#),
// two-digit years (00-29 are 2000-2029), an optional time of day (#3/15/2025 2:30 PM#) or
// a time alone (on 30 December 1899). Gives the stored form "YYYY-MM-DD HH:MM:SS", or
// nothing when the text is no date.
std::optional<QString> ReadDateLiteral(const QString& text);

} // namespace levy::jet
