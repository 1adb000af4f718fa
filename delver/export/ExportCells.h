#pragma once

#include "GridColours.h"
#include "values/Value.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace levy {

// A result cell as the exports write it: the grid's text and text colour or, for an
// amount, the value the result holds (the grid shows it to two decimals only).
struct ExportCell {
    QString text;
    int32_t colour = gridNormalColour;
    std::optional<Currency> amount;
};

// What a result-grid cell becomes in an export:
//   texts[c - 1] = ExportedCellText(cell, textFileSeparator);
// The workbook does the same itself from ExportCell values (WorkbookExportFile.h).

// Multi-line texts are joined with this in the text file, with a line feed in the workbook.
inline const QString textFileSeparator = QStringLiteral(";");
inline const QString workbookSeparator = QStringLiteral("\n");

// True when the text holds a carriage return; a line feed alone does not count.
bool Contains_carriage_return(const QString& strText);

// The text's lines, cut at every run of carriage returns and line feeds, joined by the
// separator: blank lines vanish and leading or trailing breaks leave no trace.
QString ReformatMultilineText(const QString& strMultilineText, const QString& strSeparator);

// The number at the start of a text, read the way the amount display allows: blanks
// anywhere are ignored, an optional sign, digits and one decimal point; reading stops at
// the first character that cannot continue the number, and no digits give 0. Decimals
// beyond the fourth round half to even. Exact: no floating point on the way. A magnitude
// beyond the amount range raises an overflow error.
Currency NumericValueOfText(const QString& text);

// The exported text of a cell: amounts as their exact signed number in plain decimal form
// (1234.5, -17, 0.1234); a red or blue cell without its value as the number its text and
// colour give; other texts holding a carriage return through ReformatMultilineText;
// every other text unchanged.
QString ExportedCellText(const ExportCell& cell, const QString& separator);

// An amount cell's exact value: the one it holds, or else the number its text and colour give.
Currency ExportedAmount(const ExportCell& cell);

} // namespace levy
