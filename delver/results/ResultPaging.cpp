#include "ResultPaging.h"

#include "FlexGrid.h"
#include "ResultCellText.h"
#include "ShownResult.h"
#include "database/Recordset.h"
#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"
#include "values/DaoConstants.h"

#include <QFontMetrics>
#include <QHeaderView>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
constexpr int rowNumberWidth = 450;
constexpr int twipsPerPixel = 15;

void FillRow(FlexGrid& grid, const QList<Value>& record, Recordset& result)
{
    const int fields = result.FieldCount();
    for (int f = 0; f < fields; ++f) {
        grid.SetCol(f + 1);
        const ResultCellText cell = FormatResultCell(record[f], result.FieldType(f));
        grid.SetText(cell.text);
        if (cell.setsColour)
            grid.SetCellForeColor(cell.colour);
    }
}

void ClearRows(FlexGrid& grid, int32_t firstRow, int pageSize,
               const std::function<void(int32_t, int32_t)>& progress)
{
    const int lastCol = grid.Cols() - 1;
    for (int32_t r = firstRow; r <= pageSize; ++r) {
        grid.SetRow(r);
        // No record, so no record number either.
        for (int c = 0; c <= lastCol; ++c) {
            grid.SetCol(c);
            grid.SetText(QString());
            grid.SetCellForeColor(0);
        }
        if (progress)
            progress(r, pageSize);
    }
}
} // namespace

QString Grouped(int64_t n)
{
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return n < 0 ? u'-' + digits : digits;
}

int32_t PagesOf(int64_t records, int pageSize)
{
    const double x = double(records) / pageSize;
    const double pages = IsDivisible(x, 1) ? x : std::floor(x) + 1;
    if (pages > double(INT32_MAX))
        Raise(6, u"SQL Result"_s, u"Overflow"_s);
    return std::max<int32_t>(1, int32_t(pages));
}

int32_t PageAfter(PageStep step, int32_t current, int32_t pages, bool complete)
{
    switch (step) {
    case PageStep::First: return current == 1 ? 0 : 1;
    case PageStep::Back: return current == 1 ? 0 : current - 1;
    // Until the count is known there may be a page after the last one counted.
    case PageStep::Next: return current == pages && complete ? 0 : current + 1;
    case PageStep::Last: return current == pages ? 0 : pages;
    }
    return 0;
}

QString PageCounterText(int32_t page, int32_t pages, bool complete)
{
    return complete ? u"Page %1 of %2"_s.arg(page).arg(pages) : u"Page %1 of ?"_s.arg(page);
}

QString RecordsText(int32_t page, int pageSize, int64_t known, bool complete, bool counting)
{
    const int64_t first = int64_t(page - 1) * pageSize + 1;
    const int64_t last = std::min(first + pageSize - 1, known);
    const QString of = complete    ? Grouped(known)
                       : counting ? Grouped(known) + u" so far"_s
                                  : u"at least "_s + Grouped(known);
    return u"Records %1-%2 of %3"_s.arg(Grouped(first), Grouped(last), of);
}

QString FilteredRecordsText(int32_t page, int pageSize, int64_t found, bool foundAll, int64_t read, bool complete,
                            bool counting)
{
    // Records the count never read may hold the words too.
    const bool stopped = !complete && !counting;
    const QString from = complete   ? Grouped(read)
                         : counting ? Grouped(read) + u" so far"_s
                                    : u"the first %1 read; the count was stopped"_s.arg(Grouped(read));
    if (found == 0)
        return (foundAll ? u"No records (filtered from %1)"_s : u"No records so far (filtered from %1)"_s).arg(from);
    const int64_t first = int64_t(page - 1) * pageSize + 1;
    const int64_t last = std::min(first + pageSize - 1, found);
    const QString of = !foundAll ? Grouped(found) + u" so far"_s
                       : stopped ? u"at least "_s + Grouped(found)
                                 : Grouped(found);
    return u"Records %1-%2 of %3 (filtered from %4)"_s.arg(Grouped(first), Grouped(last), of, from);
}

void PrepareResultGrid(FlexGrid& grid, Recordset& result, int pageSize)
{
    const int fields = result.FieldCount();
    grid.SetCols(fields + 1);
    grid.SetRows(pageSize + 1);
    grid.SetRow(0);
    for (int i = 1; i <= fields; ++i) {
        const QString name = result.FieldName(i - 1);
        grid.SetCol(i);
        grid.SetText(name);
        grid.SetColWidth(i, int(name.size() + 1) * 100);
    }
    grid.SetCol(0);
    grid.SetColAlignment(0, FlexGrid::flexAlignRightCenter);
    grid.SetColWidth(0, rowNumberWidth);
    for (int i = 1; i <= fields; ++i) {
        const int type = result.FieldType(i - 1);
        grid.SetColAlignment(i, type == dbText ? FlexGrid::flexAlignLeftTop : FlexGrid::flexAlignRightTop);
        // Only texts wrap when rows are taller: a number or a date never breaks inside itself.
        grid.SetColWraps(i, type == dbText || type == dbMemo);
    }
}

// The width from the field name alone hides values outright (a crosstab's "F" column,
// "Count(*) AS N", amounts): a column opens at least that wide and wide enough for its
// heading and the first page's values, but never wider than the cap. Later pages keep the
// widths, so the columns do not jump while the user pages.
void OpenColumnsWideEnough(FlexGrid& grid, int widest)
{
    grid.Refresh();
    const QAbstractItemModel* m = grid.model();
    const QFontMetrics cells(grid.font());
    const QFontMetrics heading(grid.horizontalHeader()->font());
    constexpr int padding = 12;
    const int cap = std::max(1, widest);
    for (int c = 0; c < m->columnCount(); ++c) {
        int needed = heading.horizontalAdvance(m->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < m->rowCount(); ++r)
            for (const QString& line : m->index(r, c).data().toString().split(u'\n'))
                needed = std::max(needed, cells.horizontalAdvance(line));
        const int pixels = std::min(needed + padding, cap);
        grid.SetColWidth(c + 1, std::max(grid.ColWidth(c + 1), pixels * twipsPerPixel));
    }
}

void FillPage(FlexGrid& grid, ShownResult& shown, Recordset& result, int64_t first, int64_t known, int pageSize,
              const std::function<void(int32_t done, int32_t total)>& progress)
{
    for (int32_t i = 1; i <= pageSize; ++i) {
        grid.SetRow(i);
        const int64_t row = first + i - 1;
        if (row >= known) {
            ClearRows(grid, i, pageSize, progress);
            break;
        }
        // Each record's place in the result, as shown.
        grid.SetCol(0);
        grid.SetText(QString::number(row + 1) + u' ');
        FillRow(grid, shown.Record(row), result);
        if (progress)
            progress(i, pageSize);
    }
    // Record numbers grow with the result: the heading column widens to show the page's
    // last one (and never narrows, so that it does not jump back and forth).
    const QString lastNumber = QString::number(std::min(first + pageSize, known)) + u' ';
    const int needed = (QFontMetrics(grid.verticalHeader()->font()).horizontalAdvance(lastNumber) + 10) * twipsPerPixel;
    if (needed > grid.ColWidth(0))
        grid.SetColWidth(0, needed);
}

} // namespace levy
