#include "frmDelverResults.h"

#include "export/ResultExportFile.h"
#include "frmDelver.h"
#include "results/AmountSigns.h"
#include "results/FlexGrid.h"
#include "results/GridCopy.h"
#include "results/RecordForm.h"
#include "results/ResultChart.h"
#include "results/ResultExporting.h"
#include "results/ResultFiltering.h"
#include "results/ResultOrder.h"
#include "results/ResultPaging.h"
#include "results/ResultPrinting.h"
#include "results/ResultTiming.h"
#include "results/ShownResult.h"
#include "workbench/OffThreadWork.h"
#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "database/QueryRecordset.h"
#include "database/Recordset.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"
#include "widgets/BusyPointer.h"
#include "widgets/CommonDialog.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
constexpr int lineHeight = 240;
constexpr int panelHeight = 600;
// A read that ends sooner than this shows no Cancel, so short queries do not flicker.
constexpr int cancelDelayMs = 300;
constexpr qint64 progressPaintIntervalMs = 40;
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
    mnuTools_FitColumns = item(mnuTools, u"mnuTools_FitColumns"_s, u"&Fit columns"_s,
                               [this] { mnuTools_FitColumns_Click(); });
    mnuTools_Record = item(mnuTools, u"mnuTools_Record"_s, u"&Record..."_s, [this] { ShowRecord(); });
    // Shown in the menu; Enter itself is taken by the grid (see eventFilter), so that it
    // keeps its meaning in the boxes.
    mnuTools_Record->setShortcut(QKeySequence(Qt::Key_Return));
    mnuTools_Record->setShortcutContext(Qt::WidgetShortcut);
    mnuTools_Sep0 = mnuTools->addSeparator();
    mnuTools_Sep0->setObjectName(u"mnuTools_Sep0"_s);
    mnuTools_Copy = item(mnuTools, u"mnuTools_Copy"_s, u"&Copy"_s, [this] { CopySelection(false); });
    mnuTools_Copy->setShortcut(QKeySequence::Copy);
    mnuTools_CopyWithHeadings = item(mnuTools, u"mnuTools_CopyWithHeadings"_s, u"Copy with &headings"_s,
                                     [this] { CopySelection(true); });
    mnuTools_CopyWithHeadings->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    mnuTools_Export = mnuTools->addMenu(u"Export Results"_s);
    mnuTools_Export->setObjectName(u"mnuTools_Export"_s);
    mnuTools_Export_Generic = item(mnuTools_Export, u"mnuTools_Export_Generic"_s, u"Generic Format"_s,
                                   [this] { mnuTools_Export_Generic_Click(); });
    mnuTools_Export_Excel = item(mnuTools_Export, u"mnuTools_Export_Excel"_s, u"Excel 7.0"_s,
                                 [this] { mnuTools_Export_Excel_Click(); });
    mnuTools_Chart = item(mnuTools, u"mnuTools_Chart"_s, u"Char&t..."_s, [this] { mnuTools_Chart_Click(); });
    mnuTools_Print = item(mnuTools, u"mnuTools_Print"_s, u"&Print..."_s, [this] { PrintResult(false); });
    mnuTools_Print->setShortcut(QKeySequence::Print);
    mnuTools_PrintPage = item(mnuTools, u"mnuTools_PrintPage"_s, u"Print P&age..."_s, [this] { PrintResult(true); });
    mnuTools_PrintPreview = item(mnuTools, u"mnuTools_PrintPreview"_s, u"Print Pre&view..."_s,
                                 [this] { mnuTools_PrintPreview_Click(); });
    mnuTools_Sep1 = mnuTools->addSeparator();
    mnuTools_Sep1->setObjectName(u"mnuTools_Sep1"_s);
    mnuTools_Help = item(mnuTools, u"mnuTools_Help"_s, u"Help"_s, [] { ShowHelpTopic(730); });
    mnuTools_Help->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(mnuTools_Help);
    mnuTools_Sep2 = mnuTools->addSeparator();
    mnuTools_Sep2->setObjectName(u"mnuTools_Sep2"_s);
    mnuTools_Close = item(mnuTools, u"mnuTools_Close"_s, u"Close"_s, [this] { close(); });

    // Above the grid, and before it as Tab goes.
    filtering_ = std::make_unique<ResultFiltering>(
        this, ResultFiltering::Window{
                  [this] { return counting_; },
                  [this] { return grdResults->ShownTextFunction(); },
                  [this] { ShowFirstPageOfRows(); }, [this] { RowsFound(); },
                  [this] { return reading_ || countWait_ != nullptr; },
                  [this](const std::function<void()>& wait) { ReadInterruptibly(wait, false); }, &stopRequested_,
                  [this](const QString& failure) { GiveUp(failure); }});
    txtFilter = filtering_->txtFilter;
    lblTiming = new QLabel(filtering_->picFilter);
    lblTiming->setObjectName(u"lblTiming"_s);
    lblTiming->setToolTip(u"How long the statement took to show page 1 and to count every record"_s);
    static_cast<QHBoxLayout*>(filtering_->picFilter->layout())->addWidget(lblTiming);
    grdResults = new FlexGrid(this, u"grdResults"_s);
    grdResults->installEventFilter(this);
    connect(grdResults, &QAbstractItemView::doubleClicked, this, [this] { Guarded([this] { ShowRecord(); }); });
    mnuView = mnuBar->addMenu(u"&View"_s);
    mnuView->setObjectName(u"mnuView"_s);
    // A filter finds amounts as the grid shows them: it looks again when that changes.
    AddAmountSignChoices(*mnuView, *grdResults, [this] { filtering_->LookAgain(); });
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
    // Pictures only: a screen reader says what each does.
    cmdFirst->setAccessibleName(u"First page"_s);
    cmdBack->setAccessibleName(u"Previous page"_s);
    cmdNext->setAccessibleName(u"Next page"_s);
    cmdLast->setAccessibleName(u"Last page"_s);
    pnlPage = new QLabel(u"Page 1 of 1"_s, picPanel);
    pnlPage->setObjectName(u"pnlPage"_s);
    pnlPage->setToolTip(u"Page counter"_s);
    pnlPage->setAlignment(Qt::AlignCenter);
    pnlPage->setFrameShape(QFrame::Panel);
    pnlPage->setFrameShadow(QFrame::Sunken);
    txtPage = new QLineEdit(picPanel);
    txtPage->setObjectName(u"txtPage"_s);
    txtPage->setToolTip(u"Type a page number and press Enter"_s);
    txtPage->setAccessibleName(u"Go to page"_s);
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
        strStatementFile = editor->CurrentFile();

    countTicker_.setInterval(150);
    connect(&countTicker_, &QTimer::timeout, this, [this] { CountTick(); });

    resize(Twips(10500), Twips(7200));
    CentreOverWhenShown(this, owner);
    // Window load.
    blnFirstActivation = true;
}

frmDelverResults::~frmDelverResults() { ReleaseResult(); }

void frmDelverResults::ReleaseResult()
{
    filtering_->Stop();
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
    run_.start();
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
                if (!WaitForRows())
                    Raise(errUserCancelled, u"SQL Result"_s, u"The reading of the result was stopped."_s);
            });
            filtering_->Attach(*records_, *shown_);
            PrepareGrid();
            pageOneMs_ = run_.elapsed();
            if (records_->Complete())
                countMs_ = pageOneMs_;
            LoadPage(false);
            OpenColumnsWideEnough();
            // The result is what the user came to read; the filter is a Tab or Alt+L away.
            grdResults->setFocus();
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
    // What the result holds on disk is given back before anyone is asked to read why: a
    // full disk is the office's too.
    ReleaseResult();
    MsgBox(description, Icon::Exclamation);
    closing_ = true;
    reject();
}

void frmDelverResults::ReadInterruptibly(const std::function<void()>& read, bool readsTheEngine)
{
    reading_ = true;
    stopRequested_ = false;
    SetNavigationEnabled(false);
    std::exception_ptr failure;
    try {
        // A wait that sees the stop itself leaves the engine alone: the count may be
        // reading in it, and goes on.
        WaitOffTheWindowsThread(read, [this, readsTheEngine] { return readsTheEngine && stopRequested_.load(); },
                                cancelDelayMs, [this] {
            pnlProgress->setRange(0, 0);  // how long is not known: a moving bar
            ShowProgress();
            cmdCancel->show();
            DockPanels();
        });
    } catch (...) {
        failure = std::current_exception();
    }
    reading_ = false;
    if (closeAsked_) {
        // Asked for while the read held the window: once its handler has given up.
        closeAsked_ = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
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
        count_.Stop();
        cmdCancel->setEnabled(false);
    }
}

void frmDelverResults::StartCounting()
{
    counting_ = true;
    count_.Start(*records_, this, [this] { CountFinished(); });
    countTicker_.start();
    filtering_->CountStarted();
    UpdatePageTexts();
    UpdateNavigationButtons();
}

void frmDelverResults::CountTick()
{
    if (!counting_)
        return;
    count_.Nudge();
    // A count that ends at once shows no progress, so short results do not flicker.
    if (!cmdCancel->isVisible() && count_.ElapsedMs() >= cancelDelayMs) {
        pnlProgress->setRange(0, 0);
        ShowProgress();
        cmdCancel->show();
        DockPanels();
    }
    lngPageCount = PagesOf(shown_->Known(), pageSize);
    UpdatePageTexts();
    if (!countWait_)
        UpdateNavigationButtons();
}

void frmDelverResults::CountFinished()
{
    if (!counting_)
        return;
    countRanMs_ += count_.ElapsedMs();
    const QString failure = count_.Finish();
    counting_ = false;
    filtering_->CountEnded();
    // The time it counted, not the time a stopped count waited to go on.
    if (records_->Complete() && countMs_ < 0)
        countMs_ = pageOneMs_ + countRanMs_;
    countTicker_.stop();
    cmdCancel->hide();
    cmdCancel->setEnabled(true);
    pnlProgress->setRange(0, 100);
    HideProgress();
    DockPanels();
    if (countWait_)
        countWait_->quit();
    if (!failure.isEmpty()) {
        GiveUp(failure);
        return;
    }
    recordCount_ = rsResults->RecordCount();
    lngPageCount = PagesOf(shown_->Known(), pageSize);
    UpdatePageTexts();
    if (!countWait_)
        UpdateNavigationButtons();
}

void frmDelverResults::StopCountingNow()
{
    if (!count_.Started())
        return;
    count_.StopNow();
    counting_ = false;
    filtering_->CountEnded();
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
    lngPageCount = PagesOf(recordCount_, pageSize);
    lngCurrentPage = 1;
    PrepareResultGrid(*grdResults, *rsResults, pageSize);
}

void frmDelverResults::OpenColumnsWideEnough() { levy::OpenColumnsWideEnough(*grdResults, width() / 3); }

void frmDelverResults::SortBy(int col)
{
    if (!shown_ || col < 1 || col >= grdResults->Cols())
        return;
    const int field = col - 1;
    QHeaderView& header = *grdResults->horizontalHeader();
    // A sort reads the whole result; the statement's order again reads nothing.
    // The order is made from the cache alone: a filter must first have looked through it.
    if (!sort_.ClickRestores(field) && (!WaitForCount() || !filtering_->WaitFor(INT64_MAX))) {
        sort_.ShowOn(header);
        return;
    }
    ResultOrder* order = nullptr;
    try {
        order = sort_.Click(field, [this, field](bool descending) {
            const int type = rsResults->FieldType(field);
            const int64_t records = rsResults->RecordCount();
            std::unique_ptr<ResultOrder> made;
            BusyPointer busy;
            // Off the window's thread, with the progress and Cancel of a long read.
            ReadInterruptibly([&] {
                made = std::make_unique<ResultOrder>(*records_, field, type, descending, records, stopRequested_);
            });
            return made;
        });
    } catch (const RuntimeError& error) {
        sort_.ShowOn(header);
        TellUnlessCancelled(error, u"SQL Result"_s);
        return;
    }
    shown_->SetOrder(order);
    if (whole_)
        whole_->SetOrder(order);
    shown_->SortFound();
    sort_.ShowOn(header);
    lngCurrentPage = 1;
    lngPageCount = PagesOf(shown_->Known(), pageSize);
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

ResultRows* frmDelverResults::ChosenRows(const QString& title)
{
    if (!filtering_->On())
        return &Rows();
    whole_ = std::make_unique<ShownResult>(*records_, [this] {
        if (!WaitForCount())
            Raise(errUserCancelled, u"SQL Result"_s, u"The reading of the result was stopped."_s);
    });
    whole_->SetOrder(shown_->Order());
    return filtering_->ChooseRows(title, *shown_, *whole_);
}

void frmDelverResults::ShowRecord()
{
    const int row = grdResults->currentIndex().isValid() ? grdResults->currentIndex().row() : 0;
    const int64_t first = int64_t(lngCurrentPage - 1) * pageSize + row;
    if (!shown_ || first >= shown_->Known()) {
        Beep();
        return;
    }
    const frmResultRecord::Source source{
        [this](int64_t r) { return EnsureRead(r + 1) && r < shown_->Known(); },
        [this](int64_t r) {
            // Records the stopped count never read may come after those known.
            const QString of = !records_->Complete() && !counting_ ? u"at least "_s + Grouped(shown_->Known())
                               : shown_->AllKnown()                ? Grouped(shown_->Known())
                                                                   : Grouped(shown_->Known()) + u" so far"_s;
            return u"Record %1 of %2"_s.arg(Grouped(r + 1), of);
        }};
    const int64_t last = frmResultRecord::Show(this, *shown_, source, first);
    // The grid follows to the record read last.
    if (last / pageSize + 1 != lngCurrentPage)
        GoToPage(int32_t(last / pageSize + 1));
    grdResults->setCurrentIndex(grdResults->model()->index(int(last % pageSize), std::max(0, grdResults->currentIndex().column())));
}

void frmDelverResults::mnuTools_FitColumns_Click()
{
    for (int c = 1; c < grdResults->Cols(); ++c)
        grdResults->FitColumn(c);
}

void frmDelverResults::CopySelection(bool withHeadings) { CopyGridSelection(*grdResults, withHeadings); }

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

void frmDelverResults::DockPanels()
{
    const int top = mnuBar->sizeHint().height();
    mnuBar->setGeometry(0, 0, width(), top);

    const int margin = 6, gap = 4, arrow = 30, row = Twips(panelHeight), buttonHeight = row - 2 * margin;
    int buttons = 0;
    for (QPushButton* b : {cmdClose, cmdHelp, cmdCancel})
        if (b->isVisibleTo(picPanel))
            buttons += 80 + gap;
    const int left = margin + 4 * (arrow + gap) + gap + 110 + gap + 48 + 2 * gap;
    // Where the window is too narrow for the records' text beside the buttons, the text
    // takes a line of its own above them.
    const int textLine = width() - margin - buttons - left < lblRecords->sizeHint().width()
                             ? lblRecords->sizeHint().height() + margin
                             : 0;
    picPanel->setFixedHeight(row + textLine);
    picPanel->setGeometry(0, height() - picPanel->height(), width(), picPanel->height());
    pnlProgress->setGeometry(0, picPanel->y() - pnlProgress->height(), width(), pnlProgress->height());

    const int y = textLine + margin;
    int x = margin;
    for (QPushButton* b : {cmdFirst, cmdBack, cmdNext, cmdLast}) {
        b->setGeometry(x, y, arrow, buttonHeight);
        x += arrow + gap;
    }
    pnlPage->setGeometry(x + gap, y, 110, buttonHeight);
    txtPage->setGeometry(pnlPage->geometry().right() + 1 + gap, y, 48, buttonHeight);
    x = txtPage->geometry().right() + 1 + 2 * gap;
    int right = picPanel->width() - margin;
    for (QPushButton* b : {cmdClose, cmdHelp, cmdCancel}) {
        if (!b->isVisibleTo(picPanel))
            continue;
        b->setGeometry(right - 80, y, 80, buttonHeight);
        right -= 80 + gap;
    }
    if (textLine > 0)
        lblRecords->setGeometry(margin, margin, std::max(0, picPanel->width() - 2 * margin), textLine - margin);
    else
        lblRecords->setGeometry(x, y, std::max(0, right - x), buttonHeight);
}

void frmDelverResults::ArrangeControls()
{
    DockPanels();
    QWidget* filter = filtering_->picFilter;
    filter->setGeometry(0, mnuBar->height(), width(), filter->sizeHint().height());
    const int top = filter->geometry().bottom() + 1;
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
        // Closing while the result is read means stopping the read; the window closes
        // once it has stopped.
        closeAsked_ = true;
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
    else if (mods == Qt::NoModifier && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
        command = [this] { ShowRecord(); };
    if (!command)
        return QDialog::eventFilter(watched, event);
    Guarded(command);
    return true;
}

void frmDelverResults::mnuTools_Chart_Click()
{
    if (ResultRows* rows = ChosenRows(u"Chart"_s))
        frmResultChart::Show(this, *rows, DescribeResult().name);
}

QString frmDelverResults::TimingText() const { return RunTimingText(pageOneMs_, countMs_, counting_); }

PrintHeading frmDelverResults::Heading() const { return RunHeading(windowTitle(), ranAt_, strStatementFile); }

PrintedRecords frmDelverResults::PageOnScreen() const
{
    return PrintedRecords{int64_t(lngCurrentPage - 1) * pageSize, pageSize};
}

void frmDelverResults::PrintResult(bool onlyThisPage)
{
    if (ResultRows* rows = onlyThisPage ? &Rows() : ChosenRows(u"Print"_s))
        AskAndPrint(*dlgResults, *rows, onlyThisPage ? PageOnScreen() : PrintedRecords{}, Heading());
}

void frmDelverResults::mnuTools_PrintPreview_Click() { PreviewPrintout(this, Rows(), PageOnScreen(), Heading()); }

} // namespace levy
