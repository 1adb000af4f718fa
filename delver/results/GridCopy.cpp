#include "GridCopy.h"

#include "FlexGrid.h"
#include "export/GridColours.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMimeData>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
// What a spreadsheet should read for a cell: numbers without the blanks that lay them
// out, an amount with its sign.
QString PlainCell(const FlexGrid& grid, int row, int col)
{
    const QString text = grid.TextMatrix(row, col);
    const int colour = grid.CellForeColorAt(row, col);
    if (IsAmountColour(colour)) {
        QString digits = text;
        digits.remove(u' ');
        const bool zero = std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c == u'0' || c == u'.'; });
        return colour == gridRed && !zero ? u'-' + digits : digits;
    }
    if (grid.ColAlignment(col) != FlexGrid::flexAlignLeftTop && text.endsWith(u"  "_s))
        return text.trimmed();
    return text;
}

QString TabbedCell(const QString& text)
{
    if (!text.contains(u'\t') && !text.contains(u'\n') && !text.contains(u'\r') && !text.contains(u'"'))
        return text;
    QString quoted = text;
    quoted.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

QString HtmlCell(const QString& text)
{
    QString html = text.toHtmlEscaped();
    html.replace(u"\r\n"_s, u"<br>"_s).replace(u'\r', u"<br>"_s).replace(u'\n', u"<br>"_s);
    return html;
}
} // namespace

QMimeData* CopiedCells(const FlexGrid& grid, const QModelIndexList& selected, bool withHeadings)
{
    if (selected.isEmpty())
        return nullptr;
    int top = INT32_MAX, bottom = -1, left = INT32_MAX, right = -1;
    for (const QModelIndex& i : selected) {
        top = std::min(top, i.row() + 1);
        bottom = std::max(bottom, i.row() + 1);
        left = std::min(left, i.column() + 1);
        right = std::max(right, i.column() + 1);
    }
    const int cols = right - left + 1;
    QList<QList<bool>> chosen(bottom - top + 1, QList<bool>(cols, false));
    for (const QModelIndex& i : selected)
        chosen[i.row() + 1 - top][i.column() + 1 - left] = true;

    QStringList lines;
    QString html = u"<html><body><table>"_s;
    if (withHeadings) {
        QStringList names;
        html += u"<tr>"_s;
        for (int c = left; c <= right; ++c) {
            names.append(TabbedCell(grid.TextMatrix(0, c)));
            html += u"<th>"_s + HtmlCell(grid.TextMatrix(0, c)) + u"</th>"_s;
        }
        html += u"</tr>"_s;
        lines.append(names.join(u'\t'));
    }
    for (int r = top; r <= bottom; ++r) {
        // The blank rows after the last record hold no record.
        if (grid.TextMatrix(r, 0).isEmpty())
            continue;
        QStringList cells;
        html += u"<tr>"_s;
        for (int c = left; c <= right; ++c) {
            const QString text = chosen[r - top][c - left] ? PlainCell(grid, r, c) : QString();
            cells.append(TabbedCell(text));
            const bool alignedRight = grid.ColAlignment(c) != FlexGrid::flexAlignLeftTop;
            html += (alignedRight ? u"<td align=\"right\">"_s : u"<td>"_s) + HtmlCell(text) + u"</td>"_s;
        }
        html += u"</tr>"_s;
        lines.append(cells.join(u'\t'));
    }
    html += u"</table></body></html>"_s;
    auto* data = new QMimeData;
    data->setText(lines.join(u'\n') + u'\n');
    data->setHtml(html);
    return data;
}

void CopyGridSelection(const FlexGrid& grid, bool withHeadings)
{
    QModelIndexList cells = grid.selectionModel()->selectedIndexes();
    if (cells.isEmpty() && grid.currentIndex().isValid())
        cells.append(grid.currentIndex());
    if (QMimeData* copied = CopiedCells(grid, cells, withHeadings))
        QGuiApplication::clipboard()->setMimeData(copied);
}

} // namespace levy
