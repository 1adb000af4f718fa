#pragma once

#include <QString>

namespace levy {

// The previous-instance test: decided once, when the program starts, by a per-user lock
// that the first running copy holds until it ends (or dies).
void DecidePreviousInstance(const QString& programName);
bool PrevInstance();
// Test seam.
void SetPrevInstanceForTests(bool previous);

} // namespace levy
