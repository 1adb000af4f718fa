#include "frmDelverResults.h"

#include "results/FlexGrid.h"
#include "results/GridCopy.h"
#include "results/ResultChart.h"
#include "results/ResultPrinting.h"
#include "results/ResultCellText.h"
#include "results/ResultOrder.h"
#include "results/ShownResult.h"
#include "export/GridColours.h"
#include "export/ResultExportFile.h"
#include "frmDelver.h"
#include "results/AmountSigns.h"
#include "results/ResultExporting.h"
#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "database/QueryRecordset.h"
#include "database/Recordset.h"
#include "engine/Sqlite.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"
#include "values/DaoConstants.h"
#include "widgets/BusyPointer.h"
#include "widgets/CommonDialog.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMimeData>
#include <QHeaderView>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
constexpr int rowNumberWidth = 450;
constexpr int lineHeight = 240;
constexpr int panelHeight = 600;
// A read that ends sooner than this shows no Cancel, so short queries do not flicker.
constexpr int cancelDelayMs = 300;
constexpr qint64 progressPaintIntervalMs = 40;

// 1,000,000: the thousands marked the same whatever the user's locale.
QString Grouped(int64_t n)
{
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return n < 0 ? u'-' + digits : digits;
}

int32_t PagesOf(int64_t records)
{
    const double x = double(records) / frmDelverResults::pageSize;
    const double pages = IsDivisible(x, 1) ? x : std::floor(x) + 1;
    if (pages > double(INT32_MAX))
        Raise(6, u"SQL Result"_s, u"Overflow"_s);
    return std::max<int32_t>(1, int32_t(pages));
}
} // namespace

void frmDelverResults::Show(QWidget* owner)
{
    frmDelverResults window(owner);
    ShowModal(window);
}

frmDelverResults::frmDelverResults(QWidget* owner) : QDialog(owner)
{
    setObjectName(u"frmDelverResults"_s);
    setWindowTitle(u"SQL Result"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setModal(true);
    setSizeGripEnabled(true);

    mnuBar = new QMenuBar(this);
    mnuBar->setObjectName(u"mnuBar"_s);
    mnuTools = mnuBar->addMenu(u"Tools"_s);
    mnuTools->setObjectName(u"mnuTools"_s);
    auto item = [this](QMenu* menu, const QString& name, const QString& caption, const std::function<void()>& handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [handler] { Guarded(handler); });
        return action;
    };
    mnuTools_AdjRowHeight = item(mnuTools, u"mnuTools_AdjRowHeight"_s, u"Adjust Row Height"_s,
                                 [this] { mnuTools_AdjRowHeight_Click(); });
    mnuTools_FitColumns = item(mnuTools, u"mnuTools_FitColumns"_s, u"Fit columns"_s,
                               [this] { mnuTools_FitColumns_Click(); });
    mnuTools_Sep0 = mnuTools->addSeparator();
    mnuTools_Sep0->setObjectName(u"mnuTools_Sep0"_s);
    mnuTools_Copy = item(mnuTools, u"mnuTools_Copy"_s, u"Copy"_s, [this] { CopySelection(false); });
    mnuTools_Copy->setShortcut(QKeySequence::Copy);
    mnuTools_CopyWithHeadings = item(mnuTools, u"mnuTools_CopyWithHeadings"_s, u"Copy with headings"_s,
                                     [this] { CopySelection(true); });
    mnuTools_CopyWithHeadings->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    mnuTools_Export = mnuTools->addMenu(u"Export Results"_s);
    mnuTools_Export->setObjectName(u"mnuTools_Export"_s);
    mnuTools_Export_Generic = item(mnuTools_Export, u"mnuTools_Export_Generic"_s, u"Generic Format"_s,
                                   [this] { mnuTools_Export_Generic_Click(); });
    mnuTools_Export_Excel = item(mnuTools_Export, u"mnuTools_Export_Excel"_s, u"Excel 7.0"_s,
                                 [this] { mnuTools_Export_Excel_Click(); });
    mnuTools_Chart = item(mnuTools, u"mnuTools_Chart"_s, u"Chart..."_s, [this] { mnuTools_Chart_Click(); });
    mnuTools_Print = item(mnuTools, u"mnuTools_Print"_s, u"Print..."_s, [this] { PrintResult(false); });
    mnuTools_Print->setShortcut(QKeySequence::Print);
    mnuTools_PrintPage = item(mnuTools, u"mnuTools_PrintPage"_s, u"Print Page..."_s, [this] { PrintResult(true); });
    mnuTools_PrintPreview = item(mnuTools, u"mnuTools_PrintPreview"_s, u"Print Preview..."_s,
                                 [this] { mnuTools_PrintPreview_Click(); });
    mnuTools_Sep1 = mnuTools->addSeparator();
    mnuTools_Sep1->setObjectName(u"mnuTools_Sep1"_s);
    mnuTools_Help = item(mnuTools, u"mnuTools_Help"_s, u"Help"_s, [] { ShowHelpTopic(730); });
    mnuTools_Help->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(mnuTools_Help);
    mnuTools_Sep2 = mnuTools->addSeparator();
    mnuTools_Sep2->setObjectName(u"mnuTools_Sep2"_s);
    mnuTools_Close = item(mnuTools, u"mnuTools_Close"_s, u"Close"_s, [this] { close(); });

    grdResults = new FlexGrid(this, u"grdResults"_s);
    grdResults->installEventFilter(this);
    mnuView = mnuBar->addMenu(u"View"_s);
    mnuView->setObjectName(u"mnuView"_s);
    AddAmountSignChoices(*mnuView, *grdResults);
    // A plain click on a heading sorts by its column; with Ctrl or Shift it only extends
    // the selection of columns.
    connect(grdResults->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (QGuiApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier))
            return;
        Guarded([this, section] { SortBy(section + 1); });
    });

    picPanel = new QWidget(this);
    picPanel->setObjectName(u"picPanel"_s);
    picPanel->setFixedHeight(Twips(panelHeight));
    auto button = [this](const QString& name, const QString& caption, const QString& tip) {
        return MakeButton(picPanel, name, caption, tip);
    };
    cmdFirst = button(u"cmdFirst"_s, {}, u"Go to the first page (Ctrl+Home)"_s);
    cmdFirst->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    cmdBack = button(u"cmdBack"_s, {}, u"Go to the previous page"_s);
    cmdBack->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    cmdNext = button(u"cmdNext"_s, {}, u"Go to the next page"_s);
    cmdNext->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    cmdLast = button(u"cmdLast"_s, {}, u"Go to the last page (Ctrl+End)"_s);
    cmdLast->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    pnlPage = new QLabel(u"Page 1 of 1"_s, picPanel);
    pnlPage->setObjectName(u"pnlPage"_s);
    pnlPage->setToolTip(u"Page counter"_s);
    pnlPage->setAlignment(Qt::AlignCenter);
    pnlPage->setFrameShape(QFrame::Panel);
    pnlPage->setFrameShadow(QFrame::Sunken);
    txtPage = new QLineEdit(picPanel);
    txtPage->setObjectName(u"txtPage"_s);
    txtPage->setToolTip(u"Type a page number and press Enter"_s);
    txtPage->setAlignment(Qt::AlignRight);
    lblRecords = new QLabel(picPanel);
    lblRecords->setObjectName(u"lblRecords"_s);
    lblRecords->setToolTip(u"The records shown and the result's size"_s);
    cmdHelp = button(u"cmdHelp"_s, u"Help"_s, {});
    cmdClose = button(u"cmdClose"_s, u"Close"_s, u"Exit"_s);
    cmdCancel = button(u"cmdCancel"_s, u"Cancel"_s, u"Stop reading the result"_s);
    cmdCancel->hide();
    connect(cmdFirst, &QPushButton::clicked, this, [this] { Guarded([this] { cmdFirst_Click(); }); });
    connect(cmdLast, &QPushButton::clicked, this, [this] { Guarded([this] { cmdLast_Click(); }); });
    connect(txtPage, &QLineEdit::returnPressed, this, [this] { Guarded([this] { txtPage_Enter(); }); });
    connect(cmdBack, &QPushButton::clicked, this, [this] { Guarded([this] { cmdBack_Click(); }); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { Guarded([this] { cmdNext_Click(); }); });
    connect(cmdHelp, &QPushButton::clicked, this, [] { Guarded([] { ShowHelpTopic(730); }); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { close(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { StopReading(); });

    pnlProgress = new QProgressBar(this);
    pnlProgress->setObjectName(u"pnlProgress"_s);
    pnlProgress->setRange(0, 100);
    pnlProgress->setTextVisible(false);
    pnlProgress->setFixedHeight(Twips(255));
    pnlProgress->hide();

    dlgResults = new CommonDialog(this, u"dlgResults"_s);
    if (auto* editor = qobject_cast<frmDelver*>(owner))
        strStatementFile = editor->strCurrentFile;

    countTicker_.setInterval(150);
    connect(&countTicker_, &QTimer::timeout, this, [this] { CountTick(); });

    resize(Twips(10500), Twips(7200));
    CentreOverWhenShown(this, owner);
    // Window load.
    blnFirstActivation = true;
}

frmDelverResults::~frmDelverResults()
{
    StopCountingNow();
    if (rsResults) {
        try {
            rsResults->Close();
        } catch (const RuntimeError&) {
        }
    }
}

void frmDelverResults::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void frmDelverResults::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmDelverResults::Form_Activate()
{
    if (!blnFirstActivation)
        return;
    blnFirstActivation = false;
    Guarded([this] { LoadFirstPage(); });
}

void frmDelverResults::LoadFirstPage()
{
    try {
        {
            BusyPointer busy;
            // Page 1 (and one record more, so that a result of one page is known to end) is
            // read here, where the user can stop it; the rest is counted once it is shown.
            ReadInterruptibly([this] {
                rsResults = qryDirectSQL->OpenRecordset(QueryReading::OnDemand);
                if (auto* q = dynamic_cast<QueryRecordset*>(rsResults.get()))
                    q->ReadAhead(pageSize + 1);
                rsResults->RecordCount();
            });
        }
        records_ = dynamic_cast<QueryRecordset*>(rsResults.get());
        if (records_ && rsResults->RecordCount() != 0) {
            shown_ = std::make_unique<ShownResult>(*records_, [this] {
                if (!WaitForCount())
                    Raise(errUserCancelled, u"SQL Result"_s, u"The reading of the result was stopped."_s);
            });
            PrepareGrid();
            LoadPage(false);
            OpenColumnsWideEnough();
            if (!records_->Complete())
                StartCounting();
            return;
        }
    } catch (const RuntimeError& error) {
        if (stopRequested_) {
            closing_ = true;
            reject();
            return;
        }
        GiveUp(error.description);
        return;
    }
    MsgBox(u"The query did not return any matches."_s, Icon::Exclamation);
    closing_ = true;
    reject();
}

void frmDelverResults::GiveUp(const QString& description)
{
    failure_ = description;
    HideProgress();
    MsgBox(description, Icon::Exclamation);
    closing_ = true;
    reject();
}

void frmDelverResults::ReadInterruptibly(const std::function<void()>& read)
{
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    reading_ = true;
    stopRequested_ = false;
    SetNavigationEnabled(false);

    std::thread worker([&] {
        try {
            read();
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    QTimer reveal;
    reveal.setSingleShot(true);
    connect(&reveal, &QTimer::timeout, this, [this] {
        pnlProgress->setRange(0, 0);  // how long is not known: a moving bar
        ShowProgress();
        cmdCancel->show();
        DockPanels();
    });
    // The engine only stops a statement that is running; ask again until the read ends.
    QTimer stopper;
    connect(&stopper, &QTimer::timeout, this, [this] {
        if (stopRequested_ && levyDatabase)
            levyDatabase->InterruptQueries();
    });
    reveal.start(cancelDelayMs);
    stopper.start(50);
    if (!finished)
        loop.exec();
    worker.join();
    stopper.stop();
    reveal.stop();

    reading_ = false;
    cmdCancel->hide();
    pnlProgress->setRange(0, 100);
    HideProgress();
    mnuBar->setEnabled(true);
    grdResults->setEnabled(true);
    txtPage->setEnabled(true);
    cmdHelp->setEnabled(true);
    cmdClose->setEnabled(true);
    cmdCancel->setEnabled(true);
    if (shown_)
        UpdateNavigationButtons();
    DockPanels();
    if (failure)
        std::rethrow_exception(failure);
    if (stopRequested_)
        Raise(errUserCancelled, u"SQL Result"_s, u"The reading of the result was stopped."_s);
}

void frmDelverResults::StopReading()
{
    if (reading_) {
        stopRequested_ = true;
        cmdCancel->setEnabled(false);
    } else if (counting_) {
        countStop_ = true;
        records_->Interrupt();
        cmdCancel->setEnabled(false);
    }
}

void frmDelverResults::StartCounting()
{
    countStop_ = false;
    countDone_ = false;
    countFailure_ = nullptr;
    countStopped_ = false;
    counting_ = true;
    countStarted_.start();
    counter_ = std::thread([this] {
        try {
            records_->ReadRest(countStop_);
        } catch (...) {
            countFailure_ = std::current_exception();
        }
        countDone_ = true;
        QMetaObject::invokeMethod(this, [this] { CountFinished(); }, Qt::QueuedConnection);
    });
    countTicker_.start();
    UpdatePageTexts();
    UpdateNavigationButtons();
}

void frmDelverResults::CountTick()
{
    if (!counting_)
        return;
    // The engine only stops a statement that is running: ask again until the read ends.
    if (countStop_)
        records_->Interrupt();
    // A count that ends at once shows no progress, so short results do not flicker.
    if (!cmdCancel->isVisible() && countStarted_.elapsed() >= cancelDelayMs) {
        pnlProgress->setRange(0, 0);
        ShowProgress();
        cmdCancel->show();
        DockPanels();
    }
    lngPageCount = PagesOf(rsResults->RecordCount());
    UpdatePageTexts();
    if (!countWait_)
        UpdateNavigationButtons();
}

void frmDelverResults::CountFinished()
{
    if (!counting_)
        return;
    if (counter_.joinable())
        counter_.join();
    counting_ = false;
    countTicker_.stop();
    cmdCancel->hide();
    cmdCancel->setEnabled(true);
    pnlProgress->setRange(0, 100);
    HideProgress();
    DockPanels();
    QString failure;
    if (countFailure_) {
        try {
            std::rethrow_exception(countFailure_);
        } catch (const RuntimeError& error) {
            failure = error.description;
        } catch (const std::exception& error) {
            failure = QString::fromLocal8Bit(error.what());
        }
        countFailure_ = nullptr;
        // A read the user stopped fails with the engine's interruption: no failure.
        if (countStop_)
            failure.clear();
    }
    countStopped_ = !records_->Complete();
    if (countWait_)
        countWait_->quit();
    if (!failure.isEmpty()) {
        GiveUp(failure);
        return;
    }
    recordCount_ = rsResults->RecordCount();
    lngPageCount = PagesOf(recordCount_);
    UpdatePageTexts();
    if (!countWait_)
        UpdateNavigationButtons();
}

void frmDelverResults::StopCountingNow()
{
    if (!counter_.joinable())
        return;
    countStop_ = true;
    records_->Interrupt();
    counter_.join();
    counting_ = false;
    countStopped_ = !records_->Complete();
    countTicker_.stop();
    if (countWait_)
        countWait_->quit();
}

bool frmDelverResults::WaitForCount()
{
    if (!records_)
        return true;
    if (records_->Complete()) {
        // The count may have ended before the window heard of it: the figures it leaves
        // must be taken first, or an export would stop at the records known before.
        if (counting_)
            CountFinished();
        return !closing_;
    }
    if (!counting_)
        StartCounting();
    QEventLoop loop;
    countWait_ = &loop;
    SetNavigationEnabled(false);
    if (counting_)
        loop.exec();
    countWait_ = nullptr;
    if (closing_)
        return false;
    SetNavigationEnabled(true);
    UpdateNavigationButtons();
    return records_->Complete();
}

bool frmDelverResults::EnsureRead(int64_t records)
{
    if (!records_ || (!counting_ && records_->Complete()) || records_->RecordCount() >= records)
        return true;
    return WaitForCount();
}

void frmDelverResults::SetNavigationEnabled(bool enabled)
{
    mnuBar->setEnabled(enabled);
    grdResults->setEnabled(enabled);
    txtPage->setEnabled(enabled);
    for (QPushButton* b : {cmdFirst, cmdBack, cmdNext, cmdLast, cmdHelp, cmdClose})
        b->setEnabled(enabled);
}

void frmDelverResults::PrepareGrid()
{
    recordCount_ = rsResults->RecordCount();
    lngPageCount = PagesOf(recordCount_);
    lngCurrentPage = 1;

    const int fields = rsResults->FieldCount();
    grdResults->SetCols(fields + 1);
    grdResults->SetRows(pageSize + 1);
    grdResults->SetRow(0);
    for (int i = 1; i <= fields; ++i) {
        const QString name = rsResults->FieldName(i - 1);
        grdResults->SetCol(i);
        grdResults->SetText(name);
        grdResults->SetColWidth(i, int(name.size() + 1) * 100);
    }
    grdResults->SetCol(0);
    grdResults->SetColAlignment(0, FlexGrid::flexAlignRightCenter);
    grdResults->SetColWidth(0, rowNumberWidth);
    for (int i = 1; i <= fields; ++i) {
        const int type = rsResults->FieldType(i - 1);
        grdResults->SetColAlignment(i, type == dbText ? FlexGrid::flexAlignLeftTop : FlexGrid::flexAlignRightTop);
        // Only texts wrap when rows are taller: a number or a date never breaks inside itself.
        grdResults->SetColWraps(i, type == dbText || type == dbMemo);
    }
}

// The width from the field name alone hides values outright (a crosstab's "F" column,
// "Count(*) AS N", amounts): a column opens at least that wide and wide enough for its
// heading and the first page's values, but never wider than a third of the window. Later
// pages keep the widths, so the columns do not jump while the user pages.
void frmDelverResults::OpenColumnsWideEnough()
{
    grdResults->Refresh();
    const QAbstractItemModel* m = grdResults->model();
    const QFontMetrics cells(grdResults->font());
    const QFontMetrics heading(grdResults->horizontalHeader()->font());
    constexpr int padding = 12, twipsPerPixel = 15;
    const int cap = std::max(1, width() / 3);
    for (int c = 0; c < m->columnCount(); ++c) {
        int widest = heading.horizontalAdvance(m->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < m->rowCount(); ++r)
            for (const QString& line : m->index(r, c).data().toString().split(u'\n'))
                widest = std::max(widest, cells.horizontalAdvance(line));
        const int pixels = std::min(widest + padding, cap);
        grdResults->SetColWidth(c + 1, std::max(grdResults->ColWidth(c + 1), pixels * twipsPerPixel));
    }
}

void frmDelverResults::LoadPage(bool blnSilent)
{
    BusyPointer busy;
    if (rsResults->RecordCount() == 0) {
        MsgBox(u"Result list corrupted. Aborting!"_s, Icon::Critical, u"System Error"_s);
        busy.Restore();
        closing_ = true;
        reject();
        return;
    }
    // While the count runs its moving bar stays.
    const bool bar = !blnSilent && !counting_;
    if (bar)
        ShowProgress();
    const int64_t first = int64_t(lngCurrentPage - 1) * pageSize;
    const int64_t known = rsResults->RecordCount();
    UpdatePageTexts();
    for (int32_t i = 1; i <= pageSize; ++i) {
        grdResults->SetRow(i);
        const int64_t row = first + i - 1;
        if (row >= known) {
            ClearRemainingRows(i, !bar);
            break;
        }
        // Each record's place in the result, as shown.
        grdResults->SetCol(0);
        grdResults->SetText(QString::number(row + 1) + u' ');
        FillGridRow(shown_->Record(row));
        if (bar)
            UpdateProgress(i, pageSize);
    }
    // Record numbers grow with the result: the heading column widens to show the page's
    // last one (and never narrows, so that it does not jump back and forth).
    const QString lastNumber = QString::number(std::min(first + pageSize, known)) + u' ';
    const int needed = (QFontMetrics(grdResults->verticalHeader()->font()).horizontalAdvance(lastNumber) + 10) * 15;
    if (needed > grdResults->ColWidth(0))
        grdResults->SetColWidth(0, needed);
    if (bar)
        HideProgress();
    UpdateNavigationButtons();
    busy.Restore();
    grdResults->Refresh();
}

void frmDelverResults::FillGridRow(const QList<Value>& record)
{
    const int fields = rsResults->FieldCount();
    for (int f = 0; f < fields; ++f) {
        grdResults->SetCol(f + 1);
        const ResultCellText cell = FormatResultCell(record[f], rsResults->FieldType(f));
        grdResults->SetText(cell.text);
        if (cell.setsColour)
            grdResults->SetCellForeColor(cell.colour);
    }
}

void frmDelverResults::ClearRemainingRows(int32_t firstRow, bool blnSilent)
{
    const int lastCol = grdResults->Cols() - 1;
    for (int32_t r = firstRow; r <= pageSize; ++r) {
        grdResults->SetRow(r);
        // No record, so no record number either.
        for (int c = 0; c <= lastCol; ++c) {
            grdResults->SetCol(c);
            grdResults->SetText(QString());
            grdResults->SetCellForeColor(0);
        }
        if (!blnSilent)
            UpdateProgress(r, pageSize);
    }
}

void frmDelverResults::UpdatePageTexts()
{
    const bool complete = records_ && records_->Complete();
    pnlPage->setText(complete ? u"Page %1 of %2"_s.arg(lngCurrentPage).arg(lngPageCount)
                              : u"Page %1 of ?"_s.arg(lngCurrentPage));
    if (!txtPage->hasFocus())
        txtPage->setText(QString::number(lngCurrentPage));
    const int64_t total = rsResults ? rsResults->RecordCount() : 0;
    const int64_t first = int64_t(lngCurrentPage - 1) * pageSize + 1;
    const int64_t last = std::min(first + pageSize - 1, total);
    const QString of = complete    ? Grouped(total)
                       : counting_ ? Grouped(total) + u" so far"_s
                                   : u"at least "_s + Grouped(total);
    lblRecords->setText(u"Records %1-%2 of %3"_s.arg(Grouped(first), Grouped(last), of));
}

void frmDelverResults::UpdateNavigationButtons()
{
    // Until the count is known there may be more pages.
    const bool more = lngCurrentPage != lngPageCount || (records_ && !records_->Complete());
    cmdFirst->setEnabled(lngCurrentPage != 1);
    cmdBack->setEnabled(lngCurrentPage != 1);
    cmdNext->setEnabled(more);
    cmdLast->setEnabled(more);
}

void frmDelverResults::GoToPage(int32_t page)
{
    if (page < 1 || !EnsureRead(int64_t(page) * pageSize))
        return;
    if (int64_t(page - 1) * pageSize >= rsResults->RecordCount()) {
        Beep();
        UpdateNavigationButtons();
        return;
    }
    lngCurrentPage = page;
    try {
        LoadPage(false);
    } catch (const RuntimeError& error) {
        GiveUp(error.description);
    }
}

void frmDelverResults::cmdBack_Click()
{
    if (lngCurrentPage == 1) {
        Beep();
        return;
    }
    GoToPage(lngCurrentPage - 1);
}

void frmDelverResults::cmdNext_Click()
{
    if (lngCurrentPage == lngPageCount && (!records_ || records_->Complete())) {
        Beep();
        return;
    }
    GoToPage(lngCurrentPage + 1);
}

void frmDelverResults::cmdFirst_Click()
{
    if (lngCurrentPage == 1) {
        Beep();
        return;
    }
    GoToPage(1);
}

void frmDelverResults::cmdLast_Click()
{
    if (!WaitForCount())
        return;
    if (lngCurrentPage == lngPageCount) {
        Beep();
        return;
    }
    GoToPage(lngPageCount);
}

void frmDelverResults::txtPage_Enter()
{
    bool number = false;
    const qlonglong typed = txtPage->text().trimmed().toLongLong(&number);
    // Whether a page lies past the end is known from the count.
    const bool known = number && typed >= 1 && EnsureRead(std::min<qlonglong>(typed, INT32_MAX) * pageSize);
    if (closing_ || (number && typed >= 1 && !known))
        return;
    if (!number || typed < 1 || (typed - 1) * pageSize >= rsResults->RecordCount()) {
        if (!WaitForCount())
            return;
        MsgBox(u"Enter a page number from 1 to %1."_s.arg(Grouped(lngPageCount)), Icon::Exclamation, u"Go to Page"_s);
        txtPage->setText(QString::number(lngCurrentPage));
        txtPage->selectAll();
        return;
    }
    GoToPage(int32_t(typed));
    txtPage->setText(QString::number(lngCurrentPage));
}

void frmDelverResults::SortBy(int col)
{
    if (!shown_ || col < 1 || col >= grdResults->Cols())
        return;
    const int field = col - 1;
    // Ascending, then descending, then the statement's order again.
    const bool unsort = sortField_ == field && sortDescending_;
    const bool descending = sortField_ == field && !sortDescending_;
    auto showIndicator = [this] {
        QHeaderView* header = grdResults->horizontalHeader();
        header->setSortIndicatorShown(sortField_ >= 0);
        if (sortField_ >= 0)
            header->setSortIndicator(sortField_, sortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
    };
    if (unsort) {
        shown_->SetOrder(nullptr);
        sortField_ = -1;
    } else {
        if (!WaitForCount()) {
            showIndicator();
            return;
        }
        std::unique_ptr<ResultOrder>& order = orders_[{field, descending}];
        if (!order) {
            const int type = rsResults->FieldType(field);
            const int64_t records = rsResults->RecordCount();
            std::unique_ptr<ResultOrder> made;
            try {
                BusyPointer busy;
                // Off the window's thread, with the progress and Cancel of a long read.
                ReadInterruptibly([&] {
                    made = std::make_unique<ResultOrder>(records_->Cache(), field, type, descending, records,
                                                         stopRequested_);
                });
            } catch (const RuntimeError& error) {
                orders_.erase({field, descending});
                showIndicator();
                TellUnlessCancelled(error, u"SQL Result"_s);
                return;
            }
            order = std::move(made);
        }
        shown_->SetOrder(order.get());
        sortField_ = field;
        sortDescending_ = descending;
    }
    showIndicator();
    lngCurrentPage = 1;
    try {
        LoadPage(false);
    } catch (const RuntimeError& error) {
        GiveUp(error.description);
    }
}

ResultRows& frmDelverResults::Rows()
{
    if (!shown_)
        Raise(91, u"SQL Result"_s, u"There is no result."_s);
    return *shown_;
}

void frmDelverResults::mnuTools_FitColumns_Click()
{
    for (int c = 1; c < grdResults->Cols(); ++c)
        grdResults->FitColumn(c);
}

void frmDelverResults::CopySelection(bool withHeadings)
{
    QModelIndexList cells = grdResults->selectionModel()->selectedIndexes();
    if (cells.isEmpty() && grdResults->currentIndex().isValid())
        cells.append(grdResults->currentIndex());
    if (QMimeData* copied = CopiedCells(*grdResults, cells, withHeadings))
        QGuiApplication::clipboard()->setMimeData(copied);
}

void frmDelverResults::mnuTools_AdjRowHeight_Click()
{
    const QString answer = InputBox(u"Enter the number of rows to display. It should be between 1 and 20 inclusive."_s,
                                    u"Adjust Row Height"_s, QString());
    if (answer.isEmpty())
        return;
    const double n = RoundHalfEven(Val(answer));
    if (n >= 21) {
        MsgBox(u"Entered value is too large."_s, Icon::Exclamation, u"Adjust Row Height"_s);
        return;
    }
    if (n < 1) {
        MsgBox(u"Entered value is too small."_s, Icon::Exclamation, u"Adjust Row Height"_s);
        return;
    }
    for (int r = 1; r < grdResults->Rows(); ++r)
        grdResults->SetRowHeight(r, int(n) * lineHeight);
}

ExportDescription frmDelverResults::DescribeResult() const
{
    QString statement;
    try {
        if (qryDirectSQL)
            statement = qryDirectSQL->SQL();
    } catch (const RuntimeError&) {
        // Named by its file, or not at all.
    }
    return {ResultName(strStatementFile, statement), CurrentUserName, statement};
}

void frmDelverResults::ExportRecords(ResultExportFile& file)
{
    // Straight from the result, in the order shown: the grid shows amounts to two decimals,
    // and the export keeps the value each holds.
    const int fields = rsResults->FieldCount();
    QList<int> types(fields);
    for (int f = 0; f < fields; ++f)
        types[f] = rsResults->FieldType(f);
    QList<ExportCell> cells(fields);
    const int32_t total = int32_t(std::min<int64_t>(recordCount_, std::numeric_limits<int32_t>::max()));
    for (int64_t row = 0; row < recordCount_; ++row) {
        const QList<Value> record = shown_->Record(row);
        for (int f = 0; f < fields; ++f) {
            ExportCell& cell = cells[f];
            if (types[f] == dbCurrency && !record[f].IsNull()) {
                // Its value is what is written: the grid's text of it is not needed. One
                // that is no amount is written as the grid shows it.
                try {
                    cell.amount = record[f].AsCurrency();
                    cell.text.clear();
                    cell.colour = cell.amount->tenThousandths < 0 ? gridRed : gridBlue;
                    continue;
                } catch (const RuntimeError&) {
                }
            }
            ResultCellText shown = FormatResultCell(record[f], types[f]);
            cell.text = std::move(shown.text);
            cell.colour = shown.setsColour ? shown.colour : gridNormalColour;
            cell.amount.reset();
        }
        file.WriteRecord(cells);
        // Even asking the clock whether to paint the bar shows in a million records.
        if ((row + 1) % 256 == 0 || row + 1 == recordCount_)
            UpdateProgress(int32_t(std::min<int64_t>(row + 1, total)), total);
    }
}

void frmDelverResults::mnuTools_Export_Generic_Click() { ExportResults(ExportFormat::Text); }

void frmDelverResults::mnuTools_Export_Excel_Click() { ExportResults(ExportFormat::Workbook); }

void frmDelverResults::ExportResults(ExportFormat format)
{
    // The export writes the whole result: it waits for the count.
    if (!WaitForCount())
        return;
    std::optional<BusyPointer> busy;
    std::unique_ptr<ResultExportFile> file;
    try {
        const ExportDescription description = DescribeResult();
        const QString path = AskExportFile(*dlgResults, format, description.name);
        busy.emplace();
        file = OpenExportFile(format, path, description);
        ShowProgress();
        const int lastCol = grdResults->Cols() - 1;
        QList<QString> names(lastCol);
        for (int c = 1; c <= lastCol; ++c)
            names[c - 1] = grdResults->TextMatrix(0, c);
        file->WriteHeader(names);
        ExportRecords(*file);
        file->Commit();
        HideProgress();
        busy.reset();
        RememberExportFolder(path);
        TellExported(path);
    } catch (const RuntimeError& error) {
        HideProgress();
        // Nothing of an unfinished export is kept while the user reads why.
        file.reset();
        busy.reset();
        TellUnlessCancelled(error, u"Aborting"_s);
    }
}

void frmDelverResults::DockPanels()
{
    const int top = mnuBar->sizeHint().height();
    mnuBar->setGeometry(0, 0, width(), top);
    picPanel->setGeometry(0, height() - picPanel->height(), width(), picPanel->height());
    pnlProgress->setGeometry(0, picPanel->y() - pnlProgress->height(), width(), pnlProgress->height());

    const int h = picPanel->height();
    const int margin = 6, gap = 4, buttonHeight = h - 2 * margin, arrow = 30;
    int x = margin;
    for (QPushButton* b : {cmdFirst, cmdBack, cmdNext, cmdLast}) {
        b->setGeometry(x, margin, arrow, buttonHeight);
        x += arrow + gap;
    }
    pnlPage->setGeometry(x + gap, margin, 110, buttonHeight);
    txtPage->setGeometry(pnlPage->geometry().right() + 1 + gap, margin, 48, buttonHeight);
    x = txtPage->geometry().right() + 1 + 2 * gap;
    int right = picPanel->width() - margin;
    for (QPushButton* b : {cmdClose, cmdHelp, cmdCancel}) {
        if (!b->isVisibleTo(picPanel))
            continue;
        b->setGeometry(right - 80, margin, 80, buttonHeight);
        right -= 80 + gap;
    }
    lblRecords->setGeometry(x, margin, std::max(0, right - x), buttonHeight);
}

void frmDelverResults::ArrangeControls()
{
    DockPanels();
    const int top = mnuBar->height();
    const int innerHeight = height() - top;
    const int reserved = picPanel->height() + (pnlProgress->isVisible() ? pnlProgress->height() : 0);
    grdResults->move(0, top);
    const int gridHeight = innerHeight - reserved > 0 ? innerHeight - reserved : grdResults->height();
    grdResults->resize(width(), gridHeight);
    grdResults->update();
    update();
}

void frmDelverResults::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ArrangeControls();
}

void frmDelverResults::ShowProgress()
{
    pnlProgress->setValue(0);
    progressPainted_.start();
    pnlProgress->show();
    ArrangeControls();
}

void frmDelverResults::HideProgress()
{
    pnlProgress->hide();
    ArrangeControls();
}

void frmDelverResults::UpdateProgress(int32_t done, int32_t total)
{
    if (total == 0)
        return;
    const int percent = int(float(done) / float(total) * 100.0f);
    // Painting the bar for every row costs more than filling the row: it is painted once
    // the work has taken a few hundredths of a second, and as often from then on. A page
    // filled sooner is never held up by a bar the user could not have seen.
    if (progressPainted_.isValid() && progressPainted_.elapsed() < progressPaintIntervalMs) {
        // The bar would repaint itself at once for a new value; it keeps the value and
        // shows it with the next paint instead.
        pnlProgress->setUpdatesEnabled(false);
        pnlProgress->setValue(percent);
        pnlProgress->setUpdatesEnabled(true);
        return;
    }
    pnlProgress->setValue(percent);
    pnlProgress->repaint();
    progressPainted_.start();
}

void frmDelverResults::closeEvent(QCloseEvent* event)
{
    // The count stops with the window.
    StopCountingNow();
    if (reading_) {
        // Closing while the result is read means stopping the read; the window then
        // closes by itself.
        StopReading();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmDelverResults::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && (reading_ || counting_)) {
        StopReading();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmDelverResults::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != grdResults || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    std::function<void()> command;
    if (key->matches(QKeySequence::Copy))
        command = [this] { CopySelection(false); };
    else if (mods == Qt::NoModifier && key->key() == Qt::Key_PageDown)
        command = [this] { cmdNext_Click(); };
    else if (mods == Qt::NoModifier && key->key() == Qt::Key_PageUp)
        command = [this] { cmdBack_Click(); };
    else if (mods == Qt::ControlModifier && key->key() == Qt::Key_Home)
        command = [this] { cmdFirst_Click(); };
    else if (mods == Qt::ControlModifier && key->key() == Qt::Key_End)
        command = [this] { cmdLast_Click(); };
    if (!command)
        return QDialog::eventFilter(watched, event);
    Guarded(command);
    return true;
}

void frmDelverResults::mnuTools_Chart_Click() { frmResultChart::Show(this, Rows(), DescribeResult().name); }

namespace {
const QString printTitle = u"Print Results"_s;
// Beyond this many sheets a printout is asked for, and a preview shows one page.
constexpr int sheetsWithoutAsking = 50;
} // namespace

void frmDelverResults::PrintResult(bool onlyThisPage)
{
    try {
        QPrinter printer(QPrinter::HighResolution);
        dlgResults->DialogTitle = printTitle;
        dlgResults->PrintSelectionChoice = false;
        dlgResults->CancelError = true;
        dlgResults->ShowPrinter(printer);
        const PrintedRecords records =
            onlyThisPage ? PrintedRecords{int64_t(lngCurrentPage - 1) * pageSize, pageSize} : PrintedRecords{};
        const int sheets = PrintedPageCount(Rows(), printer, records);
        if (sheets > sheetsWithoutAsking &&
            MsgBox(u"The result fills %1 sheets. Print them all?"_s.arg(QLocale(QLocale::English).toString(sheets)),
                   Icon::Question, printTitle, Buttons::YesNo) != Answer::Yes)
            return;
        BusyPointer busy;
        PrintResultRows(Rows(), printer, records, RunHeading(windowTitle(), ranAt_, strStatementFile));
    } catch (const RuntimeError& error) {
        TellUnlessCancelled(error, printTitle);
    }
}

void frmDelverResults::mnuTools_PrintPreview_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    PrintedRecords records;
    // The preview draws every sheet at once: a long result is previewed a page at a time.
    if (PrintedPageCount(Rows(), printer, records) > sheetsWithoutAsking) {
        MsgBox(u"The result fills too many sheets to preview them all: the preview shows the page on screen."_s,
               Icon::Information, u"Print Preview"_s);
        records = PrintedRecords{int64_t(lngCurrentPage - 1) * pageSize, pageSize};
    }
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(u"dlgPrintPreview"_s);
    preview.setWindowTitle(u"Print Preview"_s);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this, records](QPrinter* target) {
        Guarded([&] { PrintResultRows(Rows(), *target, records, RunHeading(windowTitle(), ranAt_, strStatementFile)); });
    });
    ShowModal(preview);
}

} // namespace levy
