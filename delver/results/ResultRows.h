#pragma once

#include "values/FieldDef.h"
#include "values/Value.h"

#include <QString>

#include <cstdint>

namespace levy {

// The whole result a results window holds, in the order it shows it (a sort included),
// for the commands that work on more than the page on screen: chart and print.
class ResultRows {
public:
    virtual ~ResultRows() = default;

    virtual int ColumnCount() const = 0;
    virtual const FieldDef& Column(int column) const = 0;
    // The number of records; may have to read the result to its end, and raises what
    // the engine raises (a stop included).
    virtual int64_t RowCount() = 0;
    // Row 0 is the first record shown. Raises what the engine raises.
    virtual Value At(int64_t row, int column) = 0;
    // The value as the grid shows it.
    virtual QString TextAt(int64_t row, int column) = 0;
};

} // namespace levy
