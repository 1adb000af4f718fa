#pragma once

#include <QString>

namespace levy {

// A duration as a clerk reads it: "0.12 s", "14.2 s", "3 min 05 s".
QString DurationText(qint64 ms);

// How long a statement took: "Page 1 in 0.12 s; all records in 1.40 s", with the count
// said to run or to have been stopped while it is not known. Empty before page 1 shows.
// -1 stands for a time not known.
QString RunTimingText(qint64 pageOneMs, qint64 countMs, bool counting);
// The same as the history keeps it: what is known of it; empty when nothing is.
QString KeptTimingText(qint64 pageOneMs, qint64 countMs);

} // namespace levy
