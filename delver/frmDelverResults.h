#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;

namespace levy {

class CommonDialog;
class FlexGrid;
class Recordset;
enum class ExportFormat;

// Shows the result of an accepted statement 100 records at a time, and exports it.
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
    QPushButton* cmdBack;
    QPushButton* cmdNext;
    QLabel* pnlPage;
    QPushButton* cmdHelp;
    QPushButton* cmdClose;
    QPushButton* cmdCancel;  // stops a long read of the result
    QProgressBar* pnlProgress;
    CommonDialog* dlgResults;
    QMenuBar* mnuBar;
    QMenu* mnuTools;
    QAction* mnuTools_AdjRowHeight;
    QMenu* mnuTools_Export;
    QAction* mnuTools_Export_Generic;
    QAction* mnuTools_Export_Excel;
    QAction* mnuTools_Sep1;
    QAction* mnuTools_Help;
    QAction* mnuTools_Sep2;
    QAction* mnuTools_Close;

    bool blnFirstActivation = true;
    int32_t lngCurrentPage = 0;
    int32_t lngPageCount = 0;
    std::shared_ptr<Recordset> rsResults;

    void PrepareGrid();
    void OpenColumnsWideEnough();
    // Shows page lngCurrentPage; raises what the engine raises.
    void LoadPage(bool blnSilent);
    void FillGridRow();
    void ClearRemainingRows(int32_t firstRow, bool blnSilent);
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
    void mnuTools_AdjRowHeight_Click();

    // True while a long read of the result runs and may be stopped with cmdCancel.
    bool Reading() const { return reading_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Activate();
    void LoadFirstPage();
    // Runs a read of the result off the window's thread, so that the window stays
    // responsive and cmdCancel can stop the engine. Rethrows what the read raised.
    void ReadInterruptibly(const std::function<void()>& read);
    void StopReading();
    // A failure while the result is opened or a page is filled: says so and closes.
    void GiveUp(const QString& description);
    void DockPanels();
    // The save dialog of an export; raises the cancellation when the user cancels.
    QString AskExportPath(const QString& filter);
    // Walks every page silently and hands each record's grid row to `write`.
    void ExportPages(const std::function<void(int32_t row)>& write);
    void ExportResults(ExportFormat format);

    int64_t recordCount_ = 0;
    QElapsedTimer progressPainted_;  // since the bar was last painted; invalid when just shown

    bool reading_ = false;
    bool stopRequested_ = false;
    bool closing_ = false;
};

} // namespace levy
