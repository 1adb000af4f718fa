#pragma once

#include <QTableView>

#include <functional>
#include <vector>

namespace levy {

class FlexGridModel;

// A grid with one fixed row and one fixed column and a current cell: texts and text
// colours are written to and read from the cell that Row and Col make current, so what
// the grid shows is also what can be read back. Colours are 0 (the normal colour) or
// 0x00BBGGRR values. Sizes are in twips.
class FlexGrid : public QTableView {
    Q_OBJECT
public:
    FlexGrid(QWidget* parent, const QString& name);
    ~FlexGrid() override;

    // Alignment codes of the columns.
    static constexpr int flexAlignLeftTop = 0;
    static constexpr int flexAlignRightTop = 6;
    static constexpr int flexAlignRightCenter = 7;

    int Rows() const;
    int Cols() const;
    // Resizing keeps what the remaining cells hold; new cells are empty.
    void SetRows(int rows);
    void SetCols(int cols);

    int Row() const { return row_; }
    int Col() const { return col_; }
    void SetRow(int row);
    void SetCol(int col);

    // The current cell.
    QString Text() const;
    void SetText(const QString& text);
    int CellForeColor() const;
    void SetCellForeColor(int colour);

    // Any cell, without moving the current cell.
    QString TextMatrix(int row, int col) const;
    int CellForeColorAt(int row, int col) const;

    int ColWidth(int col) const;
    void SetColWidth(int col, int twips);
    int ColAlignment(int col) const;
    void SetColAlignment(int col, int alignment);
    int RowHeight(int row) const;
    void SetRowHeight(int row, int twips);
    // Whether a column's texts wrap onto further lines when rows are taller; numbers and
    // dates should not break inside themselves.
    bool ColWraps(int col) const;
    void SetColWraps(int col, bool wraps);

    // The width in pixels that shows every line of a column's cells (heading excluded).
    int ContentWidth(int col) const;
    // Makes a column as wide as its heading and cells need, within the visible width;
    // what a double click on the column's edge does.
    void FitColumn(int col);

    // What the grid shows of a cell's text (its colour given), the cell keeping its text;
    // null shows the text itself.
    using ShownText = std::function<QString(const QString& text, int colour)>;
    void SetShownText(ShownText shown);
    // The function in use (a copy, for another thread), null when the text shows itself.
    ShownText ShownTextFunction() const;
    // The text a cell of the view shows when the cell is too small to show it all (its
    // tool tip); empty when it all shows.
    QString CutText(const QModelIndex& index) const;
    // What a screen reader reads of a cell, which may say more than the cell shows (the
    // sign of an amount shown by its colour only); null reads the text itself.
    void SetReadText(ShownText read);

    // How a cell's colour value shows on the grid's background: the colour itself, or
    // lighter or darker as far as it must be to be read. The cell keeps the value.
    QColor ShownColour(int colour) const;

    // Shows what was written since the last refresh; also happens by itself once control
    // returns to the event loop.
    void Refresh();

protected:
    int sizeHintForColumn(int column) const override;

private:
    void CheckCell(int row, int col) const;
    void Changed();
    void ApplySizes();

    FlexGridModel* model_;
    int row_ = 0;
    int col_ = 0;
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    std::vector<char> colWraps_;
    bool applyingSizes_ = false;  // the code sets the widths: nothing for the user's choice
    bool refreshQueued_ = false;  // a refresh is waiting in the event queue
    bool dirty_ = false;          // cells changed since the last refresh
};

} // namespace levy
