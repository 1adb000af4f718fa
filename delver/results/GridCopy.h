#pragma once

#include <QModelIndexList>

class QMimeData;

namespace levy {

class FlexGrid;

// The cells of a results grid for the clipboard: the bounding rectangle of the selected
// cells (those not selected empty), the rows after the result's end left out, as
// tab-separated text and as an HTML table. Amounts are plain signed numbers (-1234.50),
// whole numbers lose their padding, so that a spreadsheet reads numbers; a text holding a
// tab, a line break or a quote is quoted. With headings, the column names come first.
QMimeData* CopiedCells(const FlexGrid& grid, const QModelIndexList& selected, bool withHeadings);

// Copy and Copy with headings: the selected cells, or else the current one, onto the
// clipboard.
void CopyGridSelection(const FlexGrid& grid, bool withHeadings);

} // namespace levy
