#include "ResultFiltering.h"

#include "ResultPaging.h"
#include "ShownResult.h"
#include "database/QueryRecordset.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "widgets/Guard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
constexpr int rowsOfAPage = 100;
// The first page is waited for this long at most; what is found by then shows, and the
// rest follows.
constexpr int firstPageWaitMs = 400;
constexpr int typingPauseMs = 300;
} // namespace

ResultFiltering::ResultFiltering(QWidget* parent, Window window) : QObject(parent), window_(std::move(window))
{
    picFilter = new QWidget(parent);
    picFilter->setObjectName(u"picFilter"_s);
    auto* row = new QHBoxLayout(picFilter);
    row->setContentsMargins(6, 4, 6, 4);
    lblFilter = new QLabel(u"Fi&lter:"_s, picFilter);
    lblFilter->setObjectName(u"lblFilter"_s);
    txtFilter = new QLineEdit(picFilter);
    txtFilter->setObjectName(u"txtFilter"_s);
    txtFilter->setAccessibleName(u"Filter"_s);
    txtFilter->setToolTip(u"Shows only the rows that contain every word typed, letter case ignored"_s);
    txtFilter->setPlaceholderText(u"Words the rows shown must contain"_s);
    txtFilter->setClearButtonEnabled(true);
    lblFilter->setBuddy(txtFilter);
    row->addWidget(lblFilter);
    row->addWidget(txtFilter, 1);

    typing_.setSingleShot(true);
    typing_.setInterval(typingPauseMs);
    connect(&typing_, &QTimer::timeout, this, [this] { Guarded([this] { Apply(); }); });
    connect(txtFilter, &QLineEdit::textChanged, this, [this] { typing_.start(); });
    connect(txtFilter, &QLineEdit::returnPressed, this, [this] { Guarded([this] { Apply(); }); });
    ticker_.setInterval(150);
    connect(&ticker_, &QTimer::timeout, this, [this] { Guarded([this] { Tick(); }); });
}

ResultFiltering::~ResultFiltering() { Stop(); }

void ResultFiltering::Attach(QueryRecordset& records, ShownResult& shown)
{
    records_ = &records;
    shown_ = &shown;
}

void ResultFiltering::Stop()
{
    ticker_.stop();
    typing_.stop();
    if (shown_)
        shown_->SetFilter(nullptr);
    filter_.reset();
}

void ResultFiltering::Apply()
{
    typing_.stop();
    if (!records_ || !shown_)
        return;
    if (window_.busy()) {
        typing_.start();
        return;
    }
    const QString typed = txtFilter->text();
    if (ResultFilter::Words(typed).isEmpty()) {
        if (!filter_)
            return;
        Stop();
        window_.showFirstPage();
        return;
    }
    if (filter_ && ResultFilter::Words(filter_->Typed()) == ResultFilter::Words(typed))
        return;
    // A sorted result is looked through in the sort's order, so that its page 1 comes first.
    auto made = std::make_unique<ResultFilter>(*records_, typed, window_.amountText(), window_.countRuns(),
                                               shown_->Order());
    shown_->SetFilter(made.get());
    filter_ = std::move(made);
    // Page 1 is shown as soon as it is found, or with what was found in a moment.
    static const std::atomic<bool> never{false};
    filter_->WaitFor(rowsOfAPage, firstPageWaitMs, never);
    window_.showFirstPage();
    // Always a tick after: a look that ended meanwhile, or failed, is told then.
    ticker_.start();
}

void ResultFiltering::Tick()
{
    if (!filter_ || window_.busy())
        return;
    if (const QString failure = filter_->Failure(); !failure.isEmpty()) {
        Stop();
        window_.failed(failure);
        return;
    }
    if (filter_->Finished())
        ticker_.stop();
    if (shown_->SortFound())
        window_.showFirstPage();
    else
        window_.progressed();
}

void ResultFiltering::CountEnded()
{
    if (filter_)
        filter_->CountEnded();
}

void ResultFiltering::CountStarted()
{
    // A filter told that no more records follow looks again, following the count: finished
    // or not, it would stop at the records read so far.
    if (!filter_ || filter_->FollowsCount())
        return;
    LookAgain();
}

void ResultFiltering::LookAgain()
{
    if (!filter_)
        return;
    const QString typed = filter_->Typed();
    Stop();
    txtFilter->setText(typed);
    Apply();
}

bool ResultFiltering::WaitFor(int64_t rows)
{
    if (!filter_)
        return true;
    ResultFilter& filter = *filter_;
    // A filter set before the sort knows its rows in the sort's order only once all are found.
    const int64_t wanted = filter.Order() != shown_->Order() ? std::numeric_limits<int64_t>::max() : rows;
    if (!filter.WaitFor(wanted, 0, *window_.stop)) {
        try {
            window_.readInterruptibly([&filter, wanted, this] { filter.WaitFor(wanted, -1, *window_.stop); });
        } catch (const RuntimeError& error) {
            if (error.number != errUserCancelled)
                throw;
            return false;
        }
    }
    // The rows found in the meantime are shown by the window that waited.
    shown_->SortFound();
    return filter_ != nullptr && filter_->Failure().isEmpty();
}

QString ResultFiltering::RecordsText(int32_t page, int pageSize, int64_t read, bool complete, bool counting) const
{
    return FilteredRecordsText(page, pageSize, shown_->Known(), shown_->AllKnown(), read, complete, counting);
}

ResultRows* ResultFiltering::ChooseRows(const QString& title, ResultRows& shown, ResultRows& whole) const
{
    if (!filter_)
        return &whole;
    const QString text = u"A filter is on: \"%1\".\n\nYes: the rows shown.\nNo: the whole result."_s.arg(filter_->Typed());
    switch (MsgBox(text, Icon::Question, title, Buttons::YesNoCancel)) {
    case Answer::Yes: return &shown;
    case Answer::No: return &whole;
    default: return nullptr;
    }
}

} // namespace levy
