#pragma once

#include "results/ResultCount.h"
#include "results/ResultOrder.h"

#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QEventLoop;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;

namespace levy {

class CommonDialog;
class FlexGrid;
class QueryRecordset;
class Recordset;
class ResultFiltering;
class ResultRows;
class ShownResult;
enum class ExportFormat;
enum class PageStep;
struct ExportDescription;
struct PrintHeading;
struct PrintedRecords;

// Shows the result of an accepted statement 100 records at a time, and exports it. Page 1
// shows as soon as its records are read; the rest is counted in the background.
class frmDelverResults : public QDialog {
    Q_OBJECT
public:
    explicit frmDelverResults(QWidget* owner);
    ~frmDelverResults() override;

    // Opens the results of "Direct SQL Query Object" over the editor, modally.
    static void Show(QWidget* owner);

    static constexpr int pageSize = 100;

    FlexGrid* grdResults;
    QWidget* picPanel;
    QPushButton* cmdFirst;
    QPushButton* cmdBack;
    QPushButton* cmdNext;
    QPushButton* cmdLast;
    QLabel* pnlPage;
    QLineEdit* txtPage;    // a page number to go to
    QLabel* lblRecords;    // "Records 101-200 of 1,000,000"
    QLineEdit* txtFilter;  // words the rows shown must contain
    QLabel* lblTiming;     // how long the statement took
    QPushButton* cmdHelp;
    QPushButton* cmdClose;
    QPushButton* cmdCancel;  // stops a long read of the result
    QProgressBar* pnlProgress;
    CommonDialog* dlgResults;
    QMenuBar* mnuBar;
    QMenu* mnuTools;
    QAction* mnuTools_AdjRowHeight;
    QAction* mnuTools_FitColumns;
    QAction* mnuTools_Copy;
    QAction* mnuTools_CopyWithHeadings;
    QAction* mnuTools_Sep0;
    QAction* mnuTools_Record;
    QMenu* mnuTools_Export;
    QAction* mnuTools_Export_Generic;
    QAction* mnuTools_Export_Excel;
    QAction* mnuTools_Chart;
    QAction* mnuTools_Print;
    QAction* mnuTools_PrintPage;
    QAction* mnuTools_PrintPreview;
    QAction* mnuTools_Sep1;
    QAction* mnuTools_Help;
    QAction* mnuTools_Sep2;
    QAction* mnuTools_Close;
    QMenu* mnuView;  // how negative amounts show besides their red

    QString strStatementFile;  // the editor's file of the statement, when it has one
    bool blnFirstActivation = true;
    int32_t lngCurrentPage = 0;
    int32_t lngPageCount = 0;
    std::shared_ptr<Recordset> rsResults;

    void PrepareGrid();
    void OpenColumnsWideEnough();
    // Shows page lngCurrentPage; raises what the engine raises.
    void LoadPage(bool blnSilent);
    void UpdateNavigationButtons();
    void ArrangeControls();
    void ShowProgress();
    void HideProgress();
    void UpdateProgress(int32_t done, int32_t total);

    // The two exports of the whole result; each reports its own outcome.
    void mnuTools_Export_Generic_Click();
    void mnuTools_Export_Excel_Click();

    void cmdBack_Click();
    void cmdNext_Click();
    void cmdFirst_Click();
    void cmdLast_Click();
    // Goes to the page typed in txtPage; a number that is no page is answered.
    void txtPage_Enter();
    void mnuTools_AdjRowHeight_Click();
    void mnuTools_FitColumns_Click();
    void mnuTools_Chart_Click();
    // Prints the whole result, or only the page on screen.
    void PrintResult(bool onlyThisPage);
    void mnuTools_PrintPreview_Click();
    // Puts the selected cells on the clipboard as tab-separated text and as HTML.
    void CopySelection(bool withHeadings);
    // A click on the heading of grid column `col`: ascending, descending, the statement's order.
    void SortBy(int col);

    // The whole result in the order shown, for the commands beyond the page (chart, print).
    ResultRows& Rows();
    // Opens the record of the grid's current row as a form.
    void ShowRecord();
    // How long page 1 and the count took, in milliseconds; -1 while not known.
    qint64 PageOneMs() const { return pageOneMs_; }
    qint64 CountMs() const { return countMs_; }

    // True while a long read of the result runs and may be stopped with cmdCancel.
    bool Reading() const { return reading_; }
    // True while the records after page 1 are counted in the background.
    bool Counting() const { return counting_; }
    // Why the result could not be shown; empty while nothing went wrong.
    const QString& Failure() const { return failure_; }
    // Waits, with the progress and Cancel, until the whole result is read; false when the
    // user stopped it or the read failed (the window then closes).
    bool WaitForCount();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Activate();
    void LoadFirstPage();
    // Runs a read of the result off the window's thread, so that the window stays
    // responsive and cmdCancel can stop the engine (or, for a wait that watches
    // stopRequested_ itself, only the wait). Rethrows what the read raised.
    void ReadInterruptibly(const std::function<void()>& read, bool readsTheEngine = true);
    void StopReading();
    // The background count of the records after page 1.
    void StartCounting();
    void CountTick();
    void CountFinished();
    void StopCountingNow();
    // Stops every reader of the result and gives back what it holds.
    void ReleaseResult();
    // Makes the rows shown up to `records` readable, waiting for the count (or the filter)
    // when needed; WaitForRows waits for all of them.
    bool EnsureRead(int64_t records);
    bool WaitForRows();
    // The rows a filter shows changed: page 1 of them; more were found.
    void ShowFirstPageOfRows();
    void RowsFound();
    QString TimingText() const;
    // The rows a command beyond the page takes: asked while a filter is on; null when
    // the user cancelled.
    ResultRows* ChosenRows(const QString& title);
    // Goes to a page, beeping when there is no such page.
    void GoToPage(int32_t page);
    // First, Back, Next and Last; a beep when there is no page that way.
    void Turn(PageStep step);
    void UpdatePageTexts();
    void SetNavigationEnabled(bool enabled);
    // A failure while the result is opened or a page is filled: says so and closes.
    void GiveUp(const QString& description);
    QString failure_;  // why the window gave up on the result
    void DockPanels();
    // The result as its exports and chart name it: the statement's file name or else its
    // first table, the user, the statement.
    ExportDescription DescribeResult() const;
    void ExportResults(ExportFormat format);
    PrintHeading Heading() const;
    PrintedRecords PageOnScreen() const;

    int64_t recordCount_ = 0;
    QueryRecordset* records_ = nullptr;  // rsResults as what it is
    std::unique_ptr<ShownResult> shown_;
    std::unique_ptr<ShownResult> whole_;  // the whole result in the order shown, under a filter
    std::unique_ptr<ResultFiltering> filtering_;
    int64_t pageFilled_ = 0;  // the rows the page shown holds
    ResultSort sort_;
    QElapsedTimer run_;  // since the statement began to run
    qint64 pageOneMs_ = -1;
    qint64 countMs_ = -1;
    qint64 countRanMs_ = 0;  // how long the count ran, stopped and resumed

    ResultCount count_;
    bool counting_ = false;
    const QDateTime ranAt_ = QDateTime::currentDateTime();  // the run, as the printout names it
    QTimer countTicker_;
    QEventLoop* countWait_ = nullptr;
    QElapsedTimer progressPainted_;  // since the bar was shown or last painted

    bool reading_ = false;
    std::atomic<bool> stopRequested_{false};
    bool closing_ = false;
    bool closeAsked_ = false;  // the window's close, asked for while a read held it
};

} // namespace levy
