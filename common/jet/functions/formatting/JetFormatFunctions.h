#pragma once

// Values laid out as text.

namespace levy::jet {

struct Call;

void Format(const Call&);
void FormatNumber(const Call&);
void FormatCurrency(const Call&);
void FormatPercent(const Call&);
void FormatDateTime(const Call&);

} // namespace levy::jet
