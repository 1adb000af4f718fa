#pragma once

// Values laid out as text.

namespace levy::jet {

struct Call;

void Format(const Call&);

} // namespace levy::jet
