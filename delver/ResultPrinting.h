#pragma once

#include <cstdint>

class QPrinter;
class QString;

namespace levy {

class ResultRows;

// The records a printout holds: `count` records from `first` (0 is the first shown),
// or all from `first` to the end when count is negative.
struct PrintedRecords {
    int64_t first = 0;
    int64_t count = -1;
};

// The number of sheets the records fill on this printer. Raises what the engine raises.
int PrintedPageCount(ResultRows& rows, QPrinter& printer, PrintedRecords records);

// Prints the records as a table with the column headings at the top of every sheet and
// "Page N of M" at its foot. Raises what the engine raises, and a RuntimeError when the
// printer cannot be started.
void PrintResultRows(ResultRows& rows, QPrinter& printer, PrintedRecords records, const QString& title);

} // namespace levy
