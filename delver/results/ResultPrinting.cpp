#include "ResultPrinting.h"

#include "ResultCellText.h"
#include "ResultChart.h"
#include "ResultRows.h"
#include "export/GridColours.h"

#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "database/QueryDef.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "widgets/BusyPointer.h"
#include "widgets/CommonDialog.h"
#include "widgets/Guard.h"
#include "widgets/ReadableNames.h"

#include <QDir>
#include <QFileInfo>

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {

// The widest texts of each column kept from the one reading of the records, to be measured
// again at each smaller size: glyph widths do not scale exactly, so a few, not one.
constexpr int keptPerColumn = 8;
constexpr double pointSize = 8.5;
// Below this a printed figure is no longer read reliably: columns go to following sheets instead.
constexpr double smallestPointSize = 7.0;
// Lines of every sheet's heading given to the statement, which wraps there.
constexpr int statementLines = 3;

// The columns printed side by side on one sheet: all of them when they fit, otherwise as
// many as fit, the rest on the following sheets of the same records.
struct Band {
    int first = 0, last = 0;  // columns, inclusive
};

struct Sheet {
    QRect area;       // the printable area, in device pixels
    int lineHeight = 0;
    int recordsPerPage = 1;
    int64_t first = 0, count = 0;
    int blocks = 1;   // runs of records, each printed on one sheet per band
    int pages = 1;
    std::vector<int> left, width;  // per column, within its band
    std::vector<Band> bands{Band{}};
    int numberWidth = 0;           // the record numbers' column, when there are several bands
    int padding = 0;               // kept blank on either side of a column's texts
    double points = pointSize;
};

QFont PrintFont(QPrinter& printer, double points = pointSize)
{
    QFont font(u"Liberation Sans"_s);
    font.setPointSizeF(points);
    return QFont(font, &printer);
}

// A value as printed. The grid tells a negative amount by its colour alone; paper may
// have no colour, so the sign is printed.
struct PrintedText {
    QString text;
    bool negative = false;
};

PrintedText PrintedCell(ResultRows& rows, int64_t row, int column)
{
    const ResultCellText cell = FormatResultCell(rows.At(row, column), rows.Column(column).type);
    if (!cell.setsColour || cell.colour != gridRed)
        return {cell.text};
    // The grid's text is padded to line the figures up: the sign goes before the first digit.
    QString text = cell.text;
    qsizetype first = 0;
    while (first < text.size() && text[first].isSpace())
        ++first;
    return {text.insert(first, u'-'), true};
}

QString OneLine(QString text)
{
    text.replace(u'\n', u' ').remove(u'\r');
    return text;
}

// Each column's heading and its widest values, read once over every printed record.
struct ColumnTexts {
    QString heading;
    QStringList widest;  // at most keptPerColumn, the widest first
};

// The records are read once, whatever their number. Most texts are ruled out by the sum of
// their glyphs' widths (a table lookup) without being laid out.
std::vector<ColumnTexts> MeasureColumns(ResultRows& rows, QPrinter& printer, const Sheet& sheet)
{
    const QFontMetrics metrics(PrintFont(printer), &printer);
    std::array<int, 0x250> glyph{};
    for (size_t c = 0; c < glyph.size(); ++c)
        glyph[c] = metrics.horizontalAdvance(QChar(char16_t(c)));
    const int widestGlyph = metrics.maxWidth();
    auto bound = [&](const QString& text) {
        int64_t sum = 2;
        for (QChar c : text)
            sum += (size_t(c.unicode()) < glyph.size() ? glyph[size_t(c.unicode())] : widestGlyph) + 1;
        return sum;
    };
    const int columns = rows.ColumnCount();
    std::vector<ColumnTexts> texts(static_cast<size_t>(columns));
    std::vector<std::vector<std::pair<int, QString>>> kept(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c)
        texts[size_t(c)].heading = rows.Column(c).name;
    for (int64_t r = sheet.first; r < sheet.first + sheet.count; ++r)
        for (int c = 0; c < columns; ++c) {
            auto& widest = kept[size_t(c)];
            QString text = OneLine(PrintedCell(rows, r, c).text);
            const int narrowestKept = widest.size() < size_t(keptPerColumn) ? -1 : widest.back().first;
            if (text.isEmpty() || bound(text) <= narrowestKept)
                continue;
            const int w = metrics.horizontalAdvance(text);
            if (w <= narrowestKept || std::any_of(widest.cbegin(), widest.cend(), [&](const auto& k) { return k.second == text; }))
                continue;
            widest.emplace_back(w, std::move(text));
            std::sort(widest.begin(), widest.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
            if (widest.size() > size_t(keptPerColumn))
                widest.pop_back();
        }
    for (int c = 0; c < columns; ++c)
        for (auto& [w, text] : kept[size_t(c)])
            texts[size_t(c)].widest.append(std::move(text));
    return texts;
}

// The width each column wants at a point size: its widest heading or value, and a gap.
std::vector<int> WantedWidths(const std::vector<ColumnTexts>& columns, QPrinter& printer, double points, int& gap)
{
    const QFontMetrics metrics(PrintFont(printer, points), &printer);
    // A third of it on either side of every column, so that a number set to the right
    // keeps its distance from a text set to the left beside it; the last third takes up
    // the rounding of the printer's glyph widths, which would otherwise cut a text short.
    gap = metrics.horizontalAdvance(u"   "_s);
    // The headings are printed in bold, which is wider.
    QFont bold = PrintFont(printer, points);
    bold.setBold(true);
    const QFontMetrics headings(bold, &printer);
    std::vector<int> wanted;
    wanted.reserve(columns.size());
    for (const ColumnTexts& column : columns) {
        int w = headings.horizontalAdvance(column.heading);
        for (const QString& text : column.widest)
            w = std::max(w, metrics.horizontalAdvance(text));
        wanted.push_back(w + gap);
    }
    return wanted;
}

int64_t Sum(const std::vector<int>& widths)
{
    int64_t sum = 0;
    for (int w : widths)
        sum += w;
    return sum;
}

Sheet LayOut(ResultRows& rows, QPrinter& printer, PrintedRecords records)
{
    Sheet sheet;
    const int64_t total = rows.RowCount();
    sheet.first = std::clamp<int64_t>(records.first, 0, total);
    sheet.count = records.count < 0 ? total - sheet.first : std::min(records.count, total - sheet.first);
    int gap = 0;
    const std::vector<ColumnTexts> texts = MeasureColumns(rows, printer, sheet);
    std::vector<int> wanted = WantedWidths(texts, printer, pointSize, gap);
    // Columns wider than the sheet: turned to landscape first, then a smaller type, so
    // that no figure is cut; only what still does not fit at the smallest legible size
    // gives up the same share of every column.
    auto area = [&] { return printer.pageLayout().paintRectPixels(printer.resolution()); };
    if (Sum(wanted) > area().width() && printer.pageLayout().orientation() == QPageLayout::Portrait)
        printer.setPageOrientation(QPageLayout::Landscape);
    sheet.area = area();
    if (Sum(wanted) > sheet.area.width()) {
        sheet.points = std::max(smallestPointSize, pointSize * double(sheet.area.width()) / double(Sum(wanted)));
        wanted = WantedWidths(texts, printer, sheet.points, gap);
        // Glyph widths do not scale exactly with the size.
        while (Sum(wanted) > sheet.area.width() && sheet.points > smallestPointSize) {
            sheet.points = std::max(smallestPointSize, sheet.points - 0.25);
            wanted = WantedWidths(texts, printer, sheet.points, gap);
        }
    }
    const QFontMetrics metrics(PrintFont(printer, sheet.points), &printer);
    sheet.lineHeight = metrics.height() + metrics.height() / 4;
    // Title, statement, details and headings at the top, the page number at the foot.
    const int bodyLines = std::max(1, sheet.area.height() / sheet.lineHeight - 5 - statementLines);
    sheet.recordsPerPage = bodyLines;
    sheet.blocks = int(std::max<int64_t>(1, (sheet.count + bodyLines - 1) / bodyLines));
    sheet.padding = gap / 3;
    const int columns = rows.ColumnCount();
    sheet.bands = {Band{0, columns - 1}};
    int room = sheet.area.width();
    // What does not fit even at the smallest size goes to following sheets, as many
    // columns to each as fit beside the record numbers, which every sheet repeats.
    if (Sum(wanted) > room && columns > 1) {
        sheet.numberWidth = metrics.horizontalAdvance(QString::number(sheet.first + sheet.count)) + gap;
        room -= sheet.numberWidth;
        sheet.bands.clear();
        int used = 0;
        for (int c = 0; c < columns; ++c) {
            if (sheet.bands.empty() || used + wanted[size_t(c)] > room) {
                sheet.bands.push_back(Band{c, c});
                used = 0;
            }
            sheet.bands.back().last = c;
            used += wanted[size_t(c)];
        }
    }
    sheet.pages = sheet.blocks * int(sheet.bands.size());
    for (const Band& band : sheet.bands) {
        int x = sheet.numberWidth;
        // Only a single column wider than the whole sheet is still cut.
        for (int c = band.first; c <= band.last; ++c) {
            sheet.left.push_back(x);
            sheet.width.push_back(std::min(wanted[size_t(c)], room));
            x += sheet.width.back();
        }
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

// The statement wrapped into the heading's lines; a longer one ends with an ellipsis on
// the last of them rather than running into the details below.
void DrawStatement(QPainter& painter, const QRect& box, int lineHeight, const QString& statement)
{
    const QFontMetrics metrics = painter.fontMetrics();
    QTextLayout layout(statement, painter.font(), painter.device());
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        if (lines.size() == statementLines) {
            lines.back() = metrics.elidedText(lines.back() + u"\u2026"_s, Qt::ElideRight, box.width());
            if (!lines.back().endsWith(u'\u2026'))
                lines.back() += u'\u2026';
            break;
        }
        lines.append(statement.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(QRect(box.left(), box.top() + int(i) * lineHeight, box.width(), lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
}

} // namespace

PrintHeading RunHeading(const QString& title, const QDateTime& ran, const QString& statementFile)
{
    PrintHeading heading{title, {}, {}};
    QStringList details;
    try {
        // A saved statement is known by its file's name.
        if (!statementFile.isEmpty())
            heading.statement = u"Statement: "_s + QFileInfo(statementFile).fileName();
        else if (qryDirectSQL)
            heading.statement = qryDirectSQL->SQL().simplified();
        if (levyDatabase)
            details.append(u"Database: "_s + QDir::toNativeSeparators(levyDatabase->Name()));
    } catch (const RuntimeError&) {
        // A sheet without the statement is still the result.
    }
    if (!CurrentUserName.isEmpty())
        details.append(u"User: "_s + CurrentUserName);
    details.append(u"Run: "_s + ran.toString(u"dd/MM/yyyy hh:mm"_s));
    heading.details = details.join(u"    "_s);
    return heading;
}

int PrintedPageCount(ResultRows& rows, QPrinter& printer, PrintedRecords records)
{
    return LayOut(rows, printer, records).pages;
}

void PrintResultRows(ResultRows& rows, QPrinter& printer, PrintedRecords records, const PrintHeading& heading)
{
    const Sheet sheet = LayOut(rows, printer, records);
    QPainter painter;
    if (!painter.begin(&printer))
        Raise(482, u"Print"_s, u"The printer could not be started. Check that it is ready and try again."_s);
    painter.setFont(PrintFont(printer, sheet.points));
    const int columns = rows.ColumnCount();
    // Red where the printer has colour, as the grid shows it; the sign says it anyway.
    const QColor negativeColour = printer.colorMode() == QPrinter::Color ? QColor(Qt::red) : QColor(Qt::black);
    const int h = sheet.lineHeight;
    std::vector<bool> right(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c)
        right[size_t(c)] = IsNumberColumn(rows.Column(c));
    QFont bold = painter.font();
    bold.setBold(true);
    const QFont plain = painter.font();

    // The sheets of one run of records follow one another, its first columns first.
    for (int page = 0; page < sheet.pages; ++page) {
        if (page > 0)
            printer.newPage();
        const Band& band = sheet.bands[size_t(page) % sheet.bands.size()];
        const int block = page / int(sheet.bands.size());
        int y = 0;
        painter.setFont(bold);
        DrawCell(painter, QRect(0, y, sheet.area.width(), h), heading.title, false);
        y += h;
        painter.setFont(plain);
        DrawStatement(painter, QRect(0, y, sheet.area.width(), statementLines * h), h, heading.statement);
        y += statementLines * h;
        DrawCell(painter, QRect(0, y, sheet.area.width(), h), heading.details, false);
        y += 2 * h;
        painter.setFont(bold);
        for (int c = band.first; c <= band.last; ++c)
            DrawCell(painter, ColumnCell(sheet, c, y), rows.Column(c).name, right[size_t(c)]);
        y += h;
        painter.drawLine(0, y - h / 8, sheet.area.width(), y - h / 8);
        painter.setFont(plain);
        const int64_t from = sheet.first + int64_t(block) * sheet.recordsPerPage;
        const int64_t to = std::min(sheet.first + sheet.count, from + sheet.recordsPerPage);
        for (int64_t r = from; r < to; ++r, y += h) {
            if (sheet.numberWidth > 0) {
                painter.setPen(QColor(Qt::black));
                DrawCell(painter, QRect(0, y, sheet.numberWidth - sheet.padding, h), QString::number(r + 1), true);
            }
            for (int c = band.first; c <= band.last; ++c) {
                const PrintedText cell = PrintedCell(rows, r, c);
                painter.setPen(cell.negative ? negativeColour : QColor(Qt::black));
                DrawCell(painter, ColumnCell(sheet, c, y), cell.text, right[size_t(c)]);
            }
        }
        painter.setPen(QColor(Qt::black));
        DrawCell(painter, QRect(0, sheet.area.height() - h, sheet.area.width(), h),
                 u"Page %1 of %2"_s.arg(page + 1).arg(sheet.pages), true);
    }
    painter.end();
}

namespace {
const QString printTitle = u"Print Results"_s;
// Beyond this many sheets a printout is asked for, and a preview shows one page.
constexpr int sheetsWithoutAsking = 50;
} // namespace

void AskAndPrint(CommonDialog& dialog, ResultRows& rows, PrintedRecords records, const PrintHeading& heading)
{
    try {
        QPrinter printer(QPrinter::HighResolution);
        dialog.DialogTitle = printTitle;
        dialog.PrintSelectionChoice = false;
        dialog.CancelError = true;
        dialog.ShowPrinter(printer);
        const int sheets = PrintedPageCount(rows, printer, records);
        if (sheets > sheetsWithoutAsking &&
            MsgBox(u"The result fills %1 sheets. Print them all?"_s.arg(QLocale(QLocale::English).toString(sheets)),
                   Icon::Question, printTitle, Buttons::YesNo) != Answer::Yes)
            return;
        BusyPointer busy;
        PrintResultRows(rows, printer, records, heading);
    } catch (const RuntimeError& error) {
        TellUnlessCancelled(error, printTitle);
    }
}

void PreviewPrintout(QWidget* owner, ResultRows& rows, PrintedRecords onScreen, const PrintHeading& heading)
{
    QPrinter printer(QPrinter::HighResolution);
    PrintedRecords records;
    // The preview draws every sheet at once: a long result is previewed a page at a time.
    if (PrintedPageCount(rows, printer, records) > sheetsWithoutAsking) {
        MsgBox(u"The result fills too many sheets to preview them all: the preview shows the page on screen."_s,
               Icon::Information, u"Print Preview"_s);
        records = onScreen;
    }
    QPrintPreviewDialog preview(&printer, owner);
    preview.setObjectName(u"dlgPrintPreview"_s);
    preview.setWindowTitle(u"Print Preview"_s);
    NameQtsOwnControls(&preview);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&rows, records, heading](QPrinter* target) {
        Guarded([&] { PrintResultRows(rows, *target, records, heading); });
    });
    ShowModal(preview);
}

} // namespace levy
