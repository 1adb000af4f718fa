#pragma once

#include "ResultFilter.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QWidget;

namespace levy {

class QueryRecordset;
class ResultRows;
class ShownResult;

// The results window's filter box and the filter it sets on the result shown: typing
// narrows the rows to those that contain the words, the first page as soon as it is found,
// the rest found behind it while the user reads.
class ResultFiltering : public QObject {
public:
    // What the filter needs of its window.
    struct Window {
        std::function<bool()> countRuns;  // the count still reads the result on
        std::function<ResultFilter::AmountText()> amountText;  // how the grid shows amounts now
        std::function<void()> showFirstPage;  // the rows shown changed: page 1 of them
        std::function<void()> progressed;     // more rows were found: a page not full fills up
        std::function<bool()> busy;           // a read holds the window: apply later
        // Runs a wait off the window's thread with the progress and Cancel of a long read;
        // raises the cancellation.
        std::function<void(const std::function<void()>&)> readInterruptibly;
        const std::atomic<bool>* stop = nullptr;  // set by the user's Cancel
        std::function<void(const QString&)> failed;  // the cache could not be read
    };

    ResultFiltering(QWidget* parent, Window window);
    ~ResultFiltering() override;

    QWidget* picFilter;  // the row above the grid
    QLabel* lblFilter;
    QLineEdit* txtFilter;

    // The result to filter, once it is open.
    void Attach(QueryRecordset& records, ShownResult& shown);

    bool On() const { return filter_ != nullptr; }
    // Sets the filter typed (none for an empty box) on the result shown.
    void Apply();
    // The count ended, or began again (the filter then looks through what it reads).
    void CountEnded();
    void CountStarted();
    // The filter on, looked for again from the start (the grid shows the rows otherwise).
    void LookAgain();
    // Stops looking for rows; the window closes.
    void Stop();

    // Waits, with the progress and Cancel, until `rows` rows are found or all are; false
    // when the user stopped the wait or the filter failed.
    bool WaitFor(int64_t rows);

    // "Records 1-37 of 37 (filtered from 1,260)", with what is not yet known said so.
    QString RecordsText(int32_t page, int pageSize, int64_t read, bool complete, bool counting) const;

    // For a command on more than the page (export, print, chart) while a filter is on:
    // asks whether it takes the rows shown or the whole result; null when cancelled. Without
    // a filter, the whole result.
    ResultRows* ChooseRows(const QString& title, ResultRows& shown, ResultRows& whole) const;

private:
    void Tick();

    Window window_;
    QueryRecordset* records_ = nullptr;
    ShownResult* shown_ = nullptr;
    std::unique_ptr<ResultFilter> filter_;
    QTimer typing_;  // a pause in typing applies the filter
    QTimer ticker_;  // while rows are still being found
};

} // namespace levy
