#include "FlexGrid.h"

#include "platform/RuntimeError.h"
#include "widgets/Contrast.h"
#include "widgets/Twips.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFontMetrics>
#include <QHeaderView>
#include <QProxyStyle>
#include <QStyleOptionHeader>
#include <QLocale>
#include <QStyledItemDelegate>
#include <QScopedValueRollback>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
constexpr int defaultColWidth = 960;
constexpr int defaultRowHeight = 240;

QColor FromColourValue(int colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// Qt's headers point the sort arrow down for an ascending order; the office's desktop,
// and the tools its clerks know, point it up (the smallest first). Only the arrow turns.
class SortArrowStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
        if (element != PE_IndicatorHeaderArrow || !header) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        QStyleOptionHeader turned(*header);
        if (header->sortIndicator == QStyleOptionHeader::SortUp)
            turned.sortIndicator = QStyleOptionHeader::SortDown;
        else if (header->sortIndicator == QStyleOptionHeader::SortDown)
            turned.sortIndicator = QStyleOptionHeader::SortUp;
        QProxyStyle::drawPrimitive(element, &turned, painter, widget);
    }
};

Qt::Alignment FromAlignmentCode(int code)
{
    Qt::Alignment horizontal = code <= 2 ? Qt::AlignLeft : code <= 5 ? Qt::AlignHCenter : Qt::AlignRight;
    static constexpr Qt::AlignmentFlag vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    if (code < 0 || code > 8)
        return Qt::AlignLeft | Qt::AlignVCenter;
    return horizontal | vertical[code % 3];
}

// What a cell shows: line breaks of either kind as one line break.
// The most of a text a cell lays out: more than a screen holds, even of a wide cell
// wrapped over a tall row. Laying out the rest of a long text would hold the window up
// at every repaint; the text is kept whole for the copy, the record and the exports.
constexpr qsizetype mostShownCharacters = 2000;

QString Bounded(const QString& text)
{
    if (text.size() <= mostShownCharacters)
        return text;
    qsizetype cut = mostShownCharacters;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + u"\u2026 ("_s + QLocale(QLocale::English).toString(text.size()) + u" characters)"_s;
}

QString Shown(const QString& text)
{
    if (!text.contains(u'\r'))
        return text;
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    return shown;
}
} // namespace

// The cells of the grid, the fixed row and column included; the view shows the fixed
// ones as its headers, so that they stay in place while the rest scrolls.
class FlexGridModel : public QAbstractTableModel {
public:
    struct Cell {
        QString text;
        int colour = 0;
    };

    int rows = 2;
    int cols = 2;
    std::vector<Cell> cells{size_t(4)};
    std::vector<int> alignments{0, 0};
    FlexGrid::ShownText shownText;
    FlexGrid::ShownText readText;
    const FlexGrid* view = nullptr;

    Cell& At(int r, int c) { return cells[size_t(r) * size_t(cols) + size_t(c)]; }
    const Cell& At(int r, int c) const { return cells[size_t(r) * size_t(cols) + size_t(c)]; }

    void Resize(int newRows, int newCols)
    {
        beginResetModel();
        std::vector<Cell> resized(size_t(newRows) * size_t(newCols));
        for (int r = 0; r < std::min(rows, newRows); ++r)
            for (int c = 0; c < std::min(cols, newCols); ++c)
                resized[size_t(r) * size_t(newCols) + size_t(c)] = std::move(At(r, c));
        cells = std::move(resized);
        rows = newRows;
        cols = newCols;
        alignments.resize(size_t(newCols), 0);
        endResetModel();
    }

    void AllChanged()
    {
        if (rows > 1 && cols > 1)
            emit dataChanged(index(0, 0), index(rows - 2, cols - 2));
        emit headerDataChanged(Qt::Horizontal, 0, cols - 2);
        emit headerDataChanged(Qt::Vertical, 0, rows - 2);
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows - 1; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : cols - 1; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const Cell& cell = At(index.row() + 1, index.column() + 1);
        switch (role) {
        case Qt::DisplayRole: {
            // Amounts come padded for a fixed-width layout; in a right-aligned cell the
            // blanks would only push the digits out of sight.
            const int alignment = alignments[size_t(index.column() + 1)];
            const QString bounded = Bounded(cell.text);
            const QString text = Shown(alignment >= 6 && alignment <= 8 && bounded.startsWith(u' ')
                                           ? bounded.trimmed()
                                           : bounded);
            return shownText ? shownText(text, cell.colour) : text;
        }
        case Qt::AccessibleTextRole: {
            const QString text = Bounded(cell.text).trimmed();
            return readText ? readText(text, cell.colour) : text;
        }
        case Qt::ForegroundRole:
            return cell.colour == 0 ? QVariant() : QVariant(view->ShownColour(cell.colour));
        case Qt::ToolTipRole: {
            const QString cut = view->CutText(index);
            return cut.isEmpty() ? QVariant() : QVariant(cut);
        }
        case Qt::TextAlignmentRole:
            return QVariant(FromAlignmentCode(alignments[size_t(index.column() + 1)]));
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        const bool across = orientation == Qt::Horizontal;
        if (section < 0 || section + 1 >= (across ? cols : rows))
            return {};
        const Cell& cell = across ? At(0, section + 1) : At(section + 1, 0);
        switch (role) {
        case Qt::DisplayRole:
            return Shown(Bounded(cell.text));
        case Qt::ForegroundRole:
            return cell.colour == 0 ? QVariant()
                                    : QVariant(ReadableOn(FromColourValue(cell.colour),
                                                          view->palette().color(QPalette::Button)));
        case Qt::TextAlignmentRole:
            return across ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                          : QVariant(FromAlignmentCode(alignments[0]));
        default:
            return {};
        }
    }
};

namespace {
constexpr int cellPadding = 12;  // pixels beside a cell's text

// Draws a cell of a column that does not wrap on one line, however tall the row.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(FlexGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!grid_->ColWraps(index.column() + 1))
            option->features &= ~QStyleOptionViewItem::WrapText;
    }

private:
    FlexGrid* grid_;
};
} // namespace

FlexGrid::FlexGrid(QWidget* parent, const QString& name) : QTableView(parent), model_(new FlexGridModel)
{
    setObjectName(name);
    model_->setParent(this);
    model_->view = this;
    setAccessibleName(u"Result"_s);
    setModel(model_);
    setItemDelegate(new CellDelegate(this));
    // Cells, whole rows (row headings) or whole columns (column headings), for copying.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(true);
    // The user may widen a column to read it; the code's widths stay as set.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(1);
    auto* arrows = new SortArrowStyle;
    arrows->setParent(horizontalHeader());
    horizontalHeader()->setStyle(arrows);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setMinimumSectionSize(1);
    colWidths_.assign(2, defaultColWidth);
    rowHeights_.assign(2, defaultRowHeight);
    colWraps_.assign(2, 1);
    // A width the user dragged or fitted is the column's width from then on, so that a
    // later change of the row heights does not undo it.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int pixels) {
        if (!applyingSizes_ && section + 1 < int(colWidths_.size()))
            colWidths_[size_t(section + 1)] = pixels * 15;
    });
    ApplySizes();
}

FlexGrid::~FlexGrid() = default;

FlexGrid::ShownText FlexGrid::ShownTextFunction() const { return model_->shownText; }

QString FlexGrid::CutText(const QModelIndex& index) const
{
    const QString text = model_->data(index, Qt::DisplayRole).toString();
    if (text.isEmpty())
        return {};
    // The margins the style keeps beside a cell's text.
    const QRect cell = visualRect(index).adjusted(3, 1, -3, -1);
    const bool wraps = ColWraps(index.column() + 1);
    const int flags = Qt::AlignLeft | Qt::AlignTop | (wraps ? Qt::TextWordWrap : 0);
    const QFontMetrics metrics(font());
    const QRect needed = metrics.boundingRect(QRect(0, 0, wraps ? cell.width() : 1 << 20, 1 << 20), flags, text);
    // By whole lines: a line a pixel or two taller than its row still reads.
    const int lines = std::max(1, (needed.height() + metrics.lineSpacing() / 2) / metrics.lineSpacing());
    const int room = std::max(1, (cell.height() + metrics.lineSpacing() / 2) / metrics.lineSpacing());
    return needed.width() > cell.width() || lines > room ? text : QString();
}

int FlexGrid::Rows() const { return model_->rows; }
int FlexGrid::Cols() const { return model_->cols; }

void FlexGrid::SetRows(int rows)
{
    if (rows < 1)
        Raise(30009, objectName(), u"Invalid Row value"_s);
    {
        // The header's own sizes while the model resets are none of the user's choice.
        const QScopedValueRollback applying(applyingSizes_, true);
        model_->Resize(rows, model_->cols);
    }
    rowHeights_.resize(size_t(rows), defaultRowHeight);
    row_ = std::min(row_, rows - 1);
    ApplySizes();
}

void FlexGrid::SetCols(int cols)
{
    if (cols < 1)
        Raise(30010, objectName(), u"Invalid Col value"_s);
    {
        const QScopedValueRollback applying(applyingSizes_, true);
        model_->Resize(model_->rows, cols);
    }
    colWidths_.resize(size_t(cols), defaultColWidth);
    colWraps_.resize(size_t(cols), 1);
    col_ = std::min(col_, cols - 1);
    ApplySizes();
}

void FlexGrid::CheckCell(int row, int col) const
{
    if (row < 0 || row >= model_->rows)
        Raise(30009, objectName(), u"Invalid Row value"_s);
    if (col < 0 || col >= model_->cols)
        Raise(30010, objectName(), u"Invalid Col value"_s);
}

void FlexGrid::SetRow(int row)
{
    CheckCell(row, col_);
    row_ = row;
}

void FlexGrid::SetCol(int col)
{
    CheckCell(row_, col);
    col_ = col;
}

QString FlexGrid::Text() const { return model_->At(row_, col_).text; }

void FlexGrid::SetText(const QString& text)
{
    model_->At(row_, col_).text = text;
    Changed();
}

int FlexGrid::CellForeColor() const { return model_->At(row_, col_).colour; }

void FlexGrid::SetCellForeColor(int colour)
{
    model_->At(row_, col_).colour = colour;
    Changed();
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    CheckCell(row, col);
    return model_->At(row, col).text;
}

int FlexGrid::CellForeColorAt(int row, int col) const
{
    CheckCell(row, col);
    return model_->At(row, col).colour;
}

int FlexGrid::ColWidth(int col) const
{
    CheckCell(0, col);
    return colWidths_[size_t(col)];
}

void FlexGrid::SetColWidth(int col, int twips)
{
    CheckCell(0, col);
    colWidths_[size_t(col)] = twips;
    ApplySizes();
}

int FlexGrid::ColAlignment(int col) const
{
    CheckCell(0, col);
    return model_->alignments[size_t(col)];
}

void FlexGrid::SetColAlignment(int col, int alignment)
{
    CheckCell(0, col);
    model_->alignments[size_t(col)] = alignment;
    Changed();
}

int FlexGrid::RowHeight(int row) const
{
    CheckCell(row, 0);
    return rowHeights_[size_t(row)];
}

void FlexGrid::SetRowHeight(int row, int twips)
{
    CheckCell(row, 0);
    rowHeights_[size_t(row)] = twips;
    ApplySizes();
}

bool FlexGrid::ColWraps(int col) const
{
    CheckCell(0, col);
    return colWraps_[size_t(col)] != 0;
}

void FlexGrid::SetColWraps(int col, bool wraps)
{
    CheckCell(0, col);
    colWraps_[size_t(col)] = wraps ? 1 : 0;
    viewport()->update();
}

int FlexGrid::ContentWidth(int col) const
{
    CheckCell(0, col);
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int r = 0; r < model_->rowCount({}); ++r)
        for (const QString& line : model_->index(r, col - 1).data().toString().split(u'\n'))
            widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest + cellPadding;
}

int FlexGrid::sizeHintForColumn(int column) const
{
    const int cap = std::max(viewport()->width(), 100);
    return std::min(ContentWidth(column + 1), cap);
}

void FlexGrid::FitColumn(int col)
{
    CheckCell(0, col);
    resizeColumnToContents(col - 1);
}

void FlexGrid::ApplySizes()
{
    const QScopedValueRollback applying(applyingSizes_, true);
    verticalHeader()->setFixedWidth(Twips(colWidths_[0]));
    horizontalHeader()->setFixedHeight(Twips(rowHeights_[0]));
    for (int c = 1; c < model_->cols; ++c)
        setColumnWidth(c - 1, Twips(colWidths_[size_t(c)]));
    for (int r = 1; r < model_->rows; ++r)
        setRowHeight(r - 1, Twips(rowHeights_[size_t(r)]));
}

void FlexGrid::Changed()
{
    // Many cells change at once while a page loads: show them together. One refresh is
    // queued at a time, however many pages load before it runs.
    dirty_ = true;
    if (refreshQueued_)
        return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued_ = false;
        if (dirty_)
            Refresh();
    });
}

void FlexGrid::SetShownText(ShownText shown)
{
    model_->shownText = std::move(shown);
    Changed();
}

void FlexGrid::SetReadText(ShownText read)
{
    model_->readText = std::move(read);
    Changed();
}

QColor FlexGrid::ShownColour(int colour) const
{
    return ReadableOn(FromColourValue(colour), palette().color(QPalette::Base));
}

void FlexGrid::Refresh()
{
    dirty_ = false;
    model_->AllChanged();
    viewport()->update();
}

} // namespace levy
