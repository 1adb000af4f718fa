#pragma once

#include <QDialog>
#include <QList>

#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;

namespace levy {

class ResultRows;

// A field of a record as the record form shows it: its whole text, an amount with its
// sign, line breaks kept; `colour` is the grid's colour value of the cell (0: normal).
QString RecordFieldText(ResultRows& rows, int64_t row, int column, int* colour = nullptr);

// One record of a result read whole: a line per field with its name and its full text,
// read-only and selectable. Up and Down (or Page Up and Page Down) step to the record
// before and after, in the order the grid shows, from page to page.
class frmResultRecord : public QDialog {
    Q_OBJECT
public:
    // Where the records come from: `exists` makes a row readable (waiting for the count or
    // the filter as need be) and says whether there is one; `where` says which record of
    // how many a row is ("Record 5 of 1,260").
    struct Source {
        std::function<bool(int64_t row)> exists;
        std::function<QString(int64_t row)> where;
    };

    frmResultRecord(QWidget* owner, ResultRows& rows, Source source, int64_t row);

    // Shows the form modally from `row`; returns the row shown last.
    static int64_t Show(QWidget* owner, ResultRows& rows, Source source, int64_t row);

    int64_t Row() const { return row_; }
    // Steps `by` records on (back when negative); a beep where there is none.
    void Step(int by);

    QLabel* lblPosition;
    QScrollArea* picFields;
    QList<QLabel*> lblNames;
    QList<QLabel*> txtValues;
    QPushButton* cmdPrevious;
    QPushButton* cmdNext;
    QPushButton* cmdCopy;
    QPushButton* cmdClose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowRecord();
    // Every field as "name: text", a line each, on the clipboard.
    void CopyRecord();

    ResultRows& rows_;
    Source source_;
    int64_t row_;
};

} // namespace levy
