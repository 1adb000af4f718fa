// The results window's paging: the page shown, the buttons and the page box that turn it,
// and the texts that say where it lies in the result (or in the rows a filter shows).

#include "frmDelverResults.h"

#include "results/FlexGrid.h"
#include "results/ResultFiltering.h"
#include "results/ResultPaging.h"
#include "results/ShownResult.h"
#include "database/QueryRecordset.h"
#include "database/Recordset.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "widgets/BusyPointer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace levy {

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
    const int64_t known = shown_->Known();
    UpdatePageTexts();
    std::function<void(int32_t, int32_t)> progress;
    if (bar)
        progress = [this](int32_t done, int32_t total) { UpdateProgress(done, total); };
    FillPage(*grdResults, *shown_, *rsResults, int64_t(lngCurrentPage - 1) * pageSize, known, pageSize, progress);
    pageFilled_ = std::min<int64_t>(pageSize, std::max<int64_t>(0, known - int64_t(lngCurrentPage - 1) * pageSize));
    if (bar)
        HideProgress();
    UpdateNavigationButtons();
    busy.Restore();
    grdResults->Refresh();
}

void frmDelverResults::ShowFirstPageOfRows()
{
    lngCurrentPage = 1;
    lngPageCount = PagesOf(shown_->Known(), pageSize);
    try {
        LoadPage(true);
    } catch (const RuntimeError& error) {
        GiveUp(error.description);
    }
}

void frmDelverResults::RowsFound()
{
    lngPageCount = PagesOf(shown_->Known(), pageSize);
    // A page that was not full fills up as rows are found.
    if (pageFilled_ < pageSize && shown_->Known() > int64_t(lngCurrentPage - 1) * pageSize + pageFilled_) {
        try {
            LoadPage(true);
        } catch (const RuntimeError& error) {
            GiveUp(error.description);
        }
        return;
    }
    UpdatePageTexts();
    UpdateNavigationButtons();
}

void frmDelverResults::UpdatePageTexts()
{
    const bool complete = records_ && records_->Complete();
    pnlPage->setText(PageCounterText(lngCurrentPage, lngPageCount, shown_ ? shown_->AllKnown() : complete));
    if (!txtPage->hasFocus())
        txtPage->setText(QString::number(lngCurrentPage));
    const int64_t read = rsResults ? rsResults->RecordCount() : 0;
    lblRecords->setText(filtering_->On() ? filtering_->RecordsText(lngCurrentPage, pageSize, read, complete, counting_)
                                         : RecordsText(lngCurrentPage, pageSize, read, complete, counting_));
    lblTiming->setText(TimingText());
    // A longer text may no longer fit beside the buttons.
    if (lblRecords->width() < lblRecords->sizeHint().width())
        ArrangeControls();
}

void frmDelverResults::UpdateNavigationButtons()
{
    // Until the count is known there may be more pages.
    const bool more = lngCurrentPage != lngPageCount || (shown_ && !shown_->AllKnown());
    cmdFirst->setEnabled(lngCurrentPage != 1);
    cmdBack->setEnabled(lngCurrentPage != 1);
    cmdNext->setEnabled(more);
    cmdLast->setEnabled(more);
}

bool frmDelverResults::WaitForRows()
{
    if (filtering_->On())
        return filtering_->WaitFor(std::numeric_limits<int64_t>::max());
    return WaitForCount();
}

bool frmDelverResults::EnsureRead(int64_t records)
{
    if (filtering_->On())
        return filtering_->WaitFor(records);
    if (!records_ || (!counting_ && records_->Complete()) || records_->RecordCount() >= records)
        return true;
    return WaitForCount();
}

void frmDelverResults::GoToPage(int32_t page)
{
    if (page < 1 || !EnsureRead(int64_t(page) * pageSize))
        return;
    if (int64_t(page - 1) * pageSize >= shown_->Known()) {
        Beep();
        UpdateNavigationButtons();
        return;
    }
    lngCurrentPage = page;
    lngPageCount = std::max(lngPageCount, PagesOf(shown_->Known(), pageSize));
    try {
        LoadPage(false);
    } catch (const RuntimeError& error) {
        GiveUp(error.description);
    }
}

void frmDelverResults::Turn(PageStep step)
{
    // The last page is known from the count.
    if (step == PageStep::Last && !WaitForRows())
        return;
    if (shown_)
        lngPageCount = PagesOf(shown_->Known(), pageSize);
    const int32_t page = PageAfter(step, lngCurrentPage, lngPageCount, !shown_ || shown_->AllKnown());
    if (page == 0) {
        Beep();
        return;
    }
    GoToPage(page);
}

void frmDelverResults::cmdBack_Click() { Turn(PageStep::Back); }

void frmDelverResults::cmdNext_Click() { Turn(PageStep::Next); }

void frmDelverResults::cmdFirst_Click() { Turn(PageStep::First); }

void frmDelverResults::cmdLast_Click() { Turn(PageStep::Last); }

void frmDelverResults::txtPage_Enter()
{
    bool number = false;
    const qlonglong typed = txtPage->text().trimmed().toLongLong(&number);
    // Whether a page lies past the end is known from the count.
    const bool known = number && typed >= 1 && EnsureRead(std::min<qlonglong>(typed, INT32_MAX) * pageSize);
    if (closing_ || (number && typed >= 1 && !known))
        return;
    if (!number || typed < 1 || (typed - 1) * pageSize >= shown_->Known()) {
        if (!WaitForRows())
            return;
        lngPageCount = PagesOf(shown_->Known(), pageSize);
        MsgBox(u"Enter a page number from 1 to %1."_s.arg(Grouped(lngPageCount)), Icon::Exclamation, u"Go to Page"_s);
        txtPage->setText(QString::number(lngCurrentPage));
        txtPage->selectAll();
        return;
    }
    GoToPage(int32_t(typed));
    txtPage->setText(QString::number(lngCurrentPage));
}

} // namespace levy
