#pragma once

#include "values/Value.h"

#include <QString>

#include <cstdint>

namespace levy {

// A result value as the results grid shows it.
struct ResultCellText {
    QString text;
    int32_t colour = 0;
    bool setsColour = false;  // only amounts and Nulls set the cell's colour; other cells keep theirs
};

// The grid's text for a value of a field type: dates as dd/mm/yyyy (with hh:mm when there
// is a time of day), whole numbers followed by two blanks, Yes or No, amounts by their
// magnitude in red or blue, everything else as ordinary text; Null as nothing.
ResultCellText FormatResultCell(const Value& value, int fieldType);

} // namespace levy
