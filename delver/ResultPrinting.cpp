#include "ResultPrinting.h"

#include "ResultChart.h"
#include "ResultRows.h"

#include "platform/RuntimeError.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {

// Column widths are measured on the first records only: a printout of a million records
// must not read them all twice.
constexpr int64_t measuredRecords = 200;
constexpr double pointSize = 8.5;

struct Sheet {
    QRect area;       // the printable area, in device pixels
    int lineHeight = 0;
    int recordsPerPage = 1;
    int64_t first = 0, count = 0;
    int pages = 1;
    std::vector<int> left, width;  // per column
    int padding = 0;               // kept blank on either side of a column's texts
};

QFont PrintFont(QPrinter& printer)
{
    QFont font(u"Liberation Sans"_s);
    font.setPointSizeF(pointSize);
    return QFont(font, &printer);
}

QString OneLine(QString text)
{
    text.replace(u'\n', u' ').remove(u'\r');
    return text;
}

Sheet LayOut(ResultRows& rows, QPrinter& printer, PrintedRecords records)
{
    Sheet sheet;
    sheet.area = printer.pageLayout().paintRectPixels(printer.resolution());
    const QFontMetrics metrics(PrintFont(printer), &printer);
    sheet.lineHeight = metrics.height() + metrics.height() / 4;
    const int64_t total = rows.RowCount();
    sheet.first = std::clamp<int64_t>(records.first, 0, total);
    sheet.count = records.count < 0 ? total - sheet.first : std::min(records.count, total - sheet.first);
    // Title and headings at the top, the page number at the foot.
    const int bodyLines = std::max(1, sheet.area.height() / sheet.lineHeight - 4);
    sheet.recordsPerPage = bodyLines;
    sheet.pages = int(std::max<int64_t>(1, (sheet.count + bodyLines - 1) / bodyLines));

    const int columns = rows.ColumnCount();
    // A third of it on either side of every column, so that a number set to the right
    // keeps its distance from a text set to the left beside it; the last third takes up
    // the rounding of the printer's glyph widths, which would otherwise cut a text short.
    const int gap = metrics.horizontalAdvance(u"   "_s);
    sheet.padding = gap / 3;
    // The headings are printed in bold, which is wider.
    QFont bold = PrintFont(printer);
    bold.setBold(true);
    const QFontMetrics headings(bold, &printer);
    std::vector<int> wanted(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        int w = headings.horizontalAdvance(rows.Column(c).name);
        for (int64_t r = sheet.first; r < sheet.first + std::min(sheet.count, measuredRecords); ++r)
            w = std::max(w, metrics.horizontalAdvance(OneLine(rows.TextAt(r, c))));
        wanted[size_t(c)] = w + gap;
    }
    // Too wide for the sheet: every column gives up the same share, and texts are cut short.
    int64_t sum = 0;
    for (int w : wanted)
        sum += w;
    const double scale = sum > sheet.area.width() ? double(sheet.area.width()) / double(sum) : 1.0;
    int x = 0;
    for (int c = 0; c < columns; ++c) {
        sheet.left.push_back(x);
        sheet.width.push_back(int(wanted[size_t(c)] * scale));
        x += sheet.width.back();
    }
    return sheet;
}

// Where column c's text goes on the line at y.
QRect ColumnCell(const Sheet& sheet, int c, int y)
{
    return QRect(sheet.left[size_t(c)] + sheet.padding, y, sheet.width[size_t(c)] - 2 * sheet.padding,
                 sheet.lineHeight);
}

void DrawCell(QPainter& painter, const QRect& cell, const QString& text, bool rightAligned)
{
    const QString shown = painter.fontMetrics().elidedText(OneLine(text), Qt::ElideRight, cell.width());
    painter.drawText(cell, Qt::AlignVCenter | (rightAligned ? Qt::AlignRight : Qt::AlignLeft), shown);
}

} // namespace

int PrintedPageCount(ResultRows& rows, QPrinter& printer, PrintedRecords records)
{
    return LayOut(rows, printer, records).pages;
}

void PrintResultRows(ResultRows& rows, QPrinter& printer, PrintedRecords records, const QString& title)
{
    const Sheet sheet = LayOut(rows, printer, records);
    QPainter painter;
    if (!painter.begin(&printer))
        Raise(482, u"Print"_s, u"The printer could not be started. Check that it is ready and try again."_s);
    painter.setFont(PrintFont(printer));
    const int columns = rows.ColumnCount();
    const int h = sheet.lineHeight;
    std::vector<bool> right(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c)
        right[size_t(c)] = IsNumberColumn(rows.Column(c));
    QFont bold = painter.font();
    bold.setBold(true);
    const QFont plain = painter.font();

    for (int page = 0; page < sheet.pages; ++page) {
        if (page > 0)
            printer.newPage();
        int y = 0;
        painter.setFont(bold);
        DrawCell(painter, QRect(0, y, sheet.area.width(), h), title, false);
        y += 2 * h;
        for (int c = 0; c < columns; ++c)
            DrawCell(painter, ColumnCell(sheet, c, y), rows.Column(c).name, right[size_t(c)]);
        y += h;
        painter.drawLine(0, y - h / 8, sheet.area.width(), y - h / 8);
        painter.setFont(plain);
        const int64_t from = sheet.first + int64_t(page) * sheet.recordsPerPage;
        const int64_t to = std::min(sheet.first + sheet.count, from + sheet.recordsPerPage);
        for (int64_t r = from; r < to; ++r, y += h)
            for (int c = 0; c < columns; ++c)
                DrawCell(painter, ColumnCell(sheet, c, y), rows.TextAt(r, c), right[size_t(c)]);
        DrawCell(painter, QRect(0, sheet.area.height() - h, sheet.area.width(), h),
                 u"Page %1 of %2"_s.arg(page + 1).arg(sheet.pages), true);
    }
    painter.end();
}

} // namespace levy
