#include "frmDelverResults.h"

#include "FlexGrid.h"
#include "export/GridColours.h"
#include "export/ResultExportFile.h"
#include "levy/DatabaseAccess.h"
#include "database/Recordset.h"
#include "engine/Sqlite.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"
#include "widgets/BusyPointer.h"
#include "widgets/CommonDialog.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"
#include "widgets/StatusBar.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <exception>
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

// Appends n decimal digits of a non-negative value, with leading zeros.
void AppendDigits(QString& text, int value, int n)
{
    char16_t digits[4];
    for (int i = n - 1; i >= 0; --i, value /= 10)
        digits[i] = char16_t(u'0' + value % 10);
    text.append(QStringView(digits, n));
}

// dd/mm/yyyy, with " hh:mm" when there is a time of day. Built by hand: every date cell
// of every page is formatted here.
QString DateText(const DateTime& d)
{
    QString text;
    text.reserve(16);
    AppendDigits(text, d.date.day(), 2);
    text.append(u'/');
    AppendDigits(text, d.date.month(), 2);
    text.append(u'/');
    if (const int year = d.date.year(); year >= 0 && year <= 9999)
        AppendDigits(text, year, 4);
    else
        text.append(QString::number(year));
    if (d.HasTimeOfDay()) {
        text.append(u' ');
        AppendDigits(text, d.time.hour(), 2);
        text.append(u':');
        AppendDigits(text, d.time.minute(), 2);
    }
    return text;
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
    mnuTools_Export = mnuTools->addMenu(u"Export Results"_s);
    mnuTools_Export->setObjectName(u"mnuTools_Export"_s);
    mnuTools_Export_Generic = item(mnuTools_Export, u"mnuTools_Export_Generic"_s, u"Generic Format"_s,
                                   [this] { mnuTools_Export_Generic_Click(); });
    mnuTools_Export_Excel = item(mnuTools_Export, u"mnuTools_Export_Excel"_s, u"Excel 7.0"_s,
                                 [this] { mnuTools_Export_Excel_Click(); });
    mnuTools_Sep1 = mnuTools->addSeparator();
    mnuTools_Sep1->setObjectName(u"mnuTools_Sep1"_s);
    mnuTools_Help = item(mnuTools, u"mnuTools_Help"_s, u"Help"_s, [] { ShowHelpTopic(730); });
    mnuTools_Help->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(mnuTools_Help);
    mnuTools_Sep2 = mnuTools->addSeparator();
    mnuTools_Sep2->setObjectName(u"mnuTools_Sep2"_s);
    mnuTools_Close = item(mnuTools, u"mnuTools_Close"_s, u"Close"_s, [this] { close(); });

    grdResults = new FlexGrid(this, u"grdResults"_s);

    picPanel = new QWidget(this);
    picPanel->setObjectName(u"picPanel"_s);
    picPanel->setFixedHeight(Twips(panelHeight));
    auto button = [this](const QString& name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, picPanel);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };
    cmdBack = button(u"cmdBack"_s, {}, u"Go to the previous page"_s);
    cmdBack->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    cmdNext = button(u"cmdNext"_s, {}, u"Go to the next page"_s);
    cmdNext->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    pnlPage = new QLabel(u"Page 1 of 1"_s, picPanel);
    pnlPage->setObjectName(u"pnlPage"_s);
    pnlPage->setToolTip(u"Page counter"_s);
    pnlPage->setAlignment(Qt::AlignCenter);
    pnlPage->setFrameShape(QFrame::Panel);
    pnlPage->setFrameShadow(QFrame::Sunken);
    cmdHelp = button(u"cmdHelp"_s, u"Help"_s, {});
    cmdClose = button(u"cmdClose"_s, u"Close"_s, u"Exit"_s);
    cmdCancel = button(u"cmdCancel"_s, u"Cancel"_s, u"Stop reading the result"_s);
    cmdCancel->hide();
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

    resize(Twips(10500), Twips(7200));
    CentreOverWhenShown(this, owner);
    // Window load.
    blnFirstActivation = true;
}

frmDelverResults::~frmDelverResults()
{
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
            // The first record is read here, where the user can stop it, and the read
            // goes on from there when the count is taken, instead of starting again.
            ReadInterruptibly([this] {
                rsResults = qryDirectSQL->OpenRecordset(QueryReading::OnDemand);
                rsResults->RecordCount();
            });
        }
        if (rsResults->RecordCount() != 0) {
            PrepareGrid();
            LoadPage(false);
            OpenColumnsWideEnough();
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
    HideProgress();
    MsgBox(description, Icon::Exclamation);
    closing_ = true;
    reject();
}

void frmDelverResults::ReadInterruptibly(const std::function<void()>& read)
{
    sqlite3* handle = levyDatabase ? levyDatabase->QueryConnection()->Handle() : nullptr;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    QEventLoop loop;
    reading_ = true;
    stopRequested_ = false;
    mnuBar->setEnabled(false);
    for (QPushButton* b : {cmdBack, cmdNext, cmdHelp, cmdClose})
        b->setEnabled(false);

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
    connect(&stopper, &QTimer::timeout, this, [this, handle] {
        if (stopRequested_ && handle)
            sqlite3_interrupt(handle);
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
    cmdHelp->setEnabled(true);
    cmdClose->setEnabled(true);
    DockPanels();
    if (failure)
        std::rethrow_exception(failure);
    if (stopRequested_)
        Raise(errUserCancelled, u"SQL Result"_s, u"The reading of the result was stopped."_s);
}

void frmDelverResults::StopReading()
{
    if (!reading_)
        return;
    stopRequested_ = true;
    cmdCancel->setEnabled(false);
}

void frmDelverResults::PrepareGrid()
{
    {
        BusyPointer busy;
        ReadInterruptibly([this] { rsResults->MoveLast(); });
    }
    const int64_t n = rsResults->RecordCount();
    recordCount_ = n;
    const double x = double(n) / pageSize;
    const double pages = IsDivisible(x, 1) ? x : std::floor(x) + 1;
    if (pages > double(INT32_MAX))
        Raise(6, u"SQL Result"_s, u"Overflow"_s);
    lngPageCount = int32_t(pages);
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
    for (int r = 1; r <= pageSize; ++r) {
        grdResults->SetRow(r);
        grdResults->SetText(QString::number(r) + u' ');
    }
    for (int i = 1; i <= fields; ++i)
        grdResults->SetColAlignment(i, rsResults->FieldType(i - 1) == dbText ? FlexGrid::flexAlignLeftTop
                                                                             : FlexGrid::flexAlignRightTop);
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
    if (!blnSilent)
        ShowProgress();
    rsResults->MoveFirst();
    if (lngCurrentPage > 1)
        rsResults->Move(int64_t(lngCurrentPage - 1) * pageSize);
    pnlPage->setText(u"Page %1 of %2"_s.arg(lngCurrentPage).arg(lngPageCount));
    for (int32_t i = 1; i <= pageSize; ++i) {
        grdResults->SetRow(i);
        if (rsResults->IsEOF()) {
            ClearRemainingRows(i, blnSilent);
            break;
        }
        FillGridRow();
        rsResults->MoveNext();
        if (!blnSilent)
            UpdateProgress(i, pageSize);
    }
    if (!blnSilent)
        HideProgress();
    UpdateNavigationButtons();
    busy.Restore();
    grdResults->Refresh();
}

void frmDelverResults::FillGridRow()
{
    const int fields = rsResults->FieldCount();
    for (int f = 0; f < fields; ++f) {
        grdResults->SetCol(f + 1);
        const Value value = rsResults->FieldValue(f);
        if (value.IsNull()) {
            grdResults->SetText(QString());
            grdResults->SetCellForeColor(0);
            continue;
        }
        switch (rsResults->FieldType(f)) {
        case dbDate:
            grdResults->SetText(DateText(value.AsDate()));
            break;
        case dbInteger:
        case dbLong:
            grdResults->SetText(QString::number(value.AsInteger()) + u"  "_s);
            break;
        case dbBoolean:
            grdResults->SetText(value.AsBoolean() ? u"Yes"_s : u"No"_s);
            break;
        case dbCurrency: {
            const Currency amount = value.AsCurrency();
            grdResults->SetText(FormatAmount(amount, true, true));
            grdResults->SetCellForeColor(amount.tenThousandths < 0 ? gridRed : gridBlue);
            break;
        }
        default:
            grdResults->SetText(value.ToDisplayText());
            break;
        }
    }
}

void frmDelverResults::ClearRemainingRows(int32_t firstRow, bool blnSilent)
{
    const int lastCol = grdResults->Cols() - 1;
    for (int32_t r = firstRow; r <= pageSize; ++r) {
        grdResults->SetRow(r);
        for (int c = 1; c <= lastCol; ++c) {
            grdResults->SetCol(c);
            grdResults->SetText(QString());
            grdResults->SetCellForeColor(0);
        }
        if (!blnSilent)
            UpdateProgress(r, pageSize);
    }
}

void frmDelverResults::UpdateNavigationButtons()
{
    cmdBack->setEnabled(lngCurrentPage != 1);
    cmdNext->setEnabled(lngCurrentPage != lngPageCount);
}

void frmDelverResults::cmdBack_Click()
{
    if (lngCurrentPage == 1) {
        Beep();
        return;
    }
    --lngCurrentPage;
    try {
        LoadPage(false);
    } catch (const RuntimeError& error) {
        GiveUp(error.description);
    }
}

void frmDelverResults::cmdNext_Click()
{
    if (lngCurrentPage == lngPageCount) {
        Beep();
        return;
    }
    ++lngCurrentPage;
    try {
        LoadPage(false);
    } catch (const RuntimeError& error) {
        GiveUp(error.description);
    }
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

QString frmDelverResults::AskExportPath(const QString& filter)
{
    dlgResults->DialogTitle = u"Export Results"_s;
    dlgResults->Filter = filter;
    dlgResults->Flags = CommonDialog::cdlOFNOverwritePrompt | CommonDialog::cdlOFNPathMustExist;
    dlgResults->FileName.clear();
    dlgResults->CancelError = true;
    dlgResults->ShowSave();
    return dlgResults->FileName;
}

void frmDelverResults::ExportPages(const std::function<void(int32_t row)>& write)
{
    const int32_t total = lngPageCount * pageSize;
    int32_t done = 0;
    for (int32_t p = 1; p <= lngPageCount; ++p) {
        lngCurrentPage = p;
        LoadPage(true);
        for (int32_t r = 1; r <= pageSize; ++r) {
            // The blank rows after the last record are no records: nothing is written.
            if (int64_t(p - 1) * pageSize + r <= recordCount_)
                write(r);
            UpdateProgress(++done, total);
        }
    }
}

void frmDelverResults::mnuTools_Export_Generic_Click() { ExportResults(ExportFormat::Text); }

void frmDelverResults::mnuTools_Export_Excel_Click() { ExportResults(ExportFormat::Workbook); }

void frmDelverResults::ExportResults(ExportFormat format)
{
    std::optional<BusyPointer> busy;
    std::unique_ptr<ResultExportFile> file;
    try {
        const QString path = AskExportPath(format == ExportFormat::Workbook ? u"Excel Files (*.xlsx)|*.xlsx"_s
                                                                            : u"Text Files (*.TXT)|*.txt"_s);
        const int32_t shownPage = lngCurrentPage;
        busy.emplace();
        file = OpenExportFile(format, path);
        ShowProgress();
        const int lastCol = grdResults->Cols() - 1;
        QList<QString> names(lastCol);
        for (int c = 1; c <= lastCol; ++c)
            names[c - 1] = grdResults->TextMatrix(0, c);
        file->WriteHeader(names);
        QList<ExportCell> cells(lastCol);
        ExportPages([&](int32_t r) {
            for (int c = 1; c <= lastCol; ++c)
                cells[c - 1] = ExportCell{grdResults->TextMatrix(r, c), grdResults->CellForeColorAt(r, c)};
            file->WriteRecord(cells);
        });
        file->Commit();
        HideProgress();
        lngCurrentPage = shownPage;
        LoadPage(false);
        busy.reset();
        MsgBox(u"Results successfully exported to "_s + path, Icon::Information, u"Export Results"_s);
    } catch (const RuntimeError& error) {
        HideProgress();
        // Nothing of an unfinished export is kept while the user reads why.
        file.reset();
        busy.reset();
        if (!IsCancellation(error))
            MsgBox(error.description, Icon::Exclamation, u"Aborting"_s);
    }
}

void frmDelverResults::DockPanels()
{
    const int top = mnuBar->sizeHint().height();
    mnuBar->setGeometry(0, 0, width(), top);
    picPanel->setGeometry(0, height() - picPanel->height(), width(), picPanel->height());
    pnlProgress->setGeometry(0, picPanel->y() - pnlProgress->height(), width(), pnlProgress->height());

    const int h = picPanel->height();
    const int margin = 6, gap = 4, buttonHeight = h - 2 * margin;
    cmdBack->setGeometry(margin, margin, 40, buttonHeight);
    cmdNext->setGeometry(cmdBack->geometry().right() + 1 + gap, margin, 40, buttonHeight);
    pnlPage->setGeometry(cmdNext->geometry().right() + 1 + 2 * gap, margin, 130, buttonHeight);
    int right = picPanel->width() - margin;
    for (QPushButton* b : {cmdClose, cmdHelp, cmdCancel}) {
        if (!b->isVisibleTo(picPanel))
            continue;
        b->setGeometry(right - 80, margin, 80, buttonHeight);
        right -= 80 + gap;
    }
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
    progressPainted_.invalidate();
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
    // Painting the bar for every row costs more than filling the row: paint it at most
    // every few hundredths of a second, and always when it is full.
    if (percent < 100 && progressPainted_.isValid() && progressPainted_.elapsed() < progressPaintIntervalMs)
        return;
    pnlProgress->setValue(percent);
    pnlProgress->repaint();
    progressPainted_.start();
}

void frmDelverResults::closeEvent(QCloseEvent* event)
{
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
    if (event->key() == Qt::Key_Escape && reading_) {
        StopReading();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace levy
