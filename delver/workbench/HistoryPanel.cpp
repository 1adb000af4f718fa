#include "HistoryPanel.h"

#include "results/ResultTiming.h"

#include "widgets/Contrast.h"
#include "widgets/FormControls.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int statementRole = Qt::UserRole;
constexpr int entryRole = Qt::UserRole + 1;
}

HistoryPanel::HistoryPanel(QWidget* parent) : QDockWidget(u"History"_s, parent)
{
    setObjectName(u"dockHistory"_s);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    txtHistorySearch = new QLineEdit(body);
    txtHistorySearch->setObjectName(u"txtHistorySearch"_s);
    txtHistorySearch->setPlaceholderText(u"Search the history"_s);
    txtHistorySearch->setClearButtonEnabled(true);
    txtHistorySearch->setAccessibleName(u"Search the history"_s);
    lstHistory = new QListWidget(body);
    lstHistory->setObjectName(u"lstHistory"_s);
    lstHistory->setUniformItemSizes(true);
    lstHistory->setTextElideMode(Qt::ElideRight);
    lstHistory->setAccessibleName(u"Statements run"_s);
    lstHistory->setAccessibleDescription(u"Enter puts the chosen statement in the editor"_s);
    auto* buttons = new QHBoxLayout;
    cmdHistoryReplace = MakeButton(body, u"cmdHistoryReplace"_s, u"&Replace"_s,
                                   u"Replace the editor's text with the chosen statement"_s);
    cmdHistoryInsert =
        MakeButton(body, u"cmdHistoryInsert"_s, u"&Insert"_s, u"Insert the chosen statement at the cursor"_s);
    cmdHistoryClear = MakeButton(body, u"cmdHistoryClear"_s, u"&Clear History"_s);
    buttons->addWidget(cmdHistoryReplace);
    buttons->addWidget(cmdHistoryInsert);
    buttons->addStretch();
    buttons->addWidget(cmdHistoryClear);
    layout->addWidget(txtHistorySearch);
    layout->addWidget(lstHistory, 1);
    layout->addLayout(buttons);
    setWidget(body);

    connect(txtHistorySearch, &QLineEdit::textChanged, this, [this] { Refill(); });
    connect(lstHistory, &QListWidget::itemActivated, this, [this] {
        if (const QString s = ChosenStatement(); !s.isNull())
            emit replaceRequested(s);
    });
    connect(cmdHistoryReplace, &QPushButton::clicked, this, [this] {
        if (const QString s = ChosenStatement(); !s.isNull())
            emit replaceRequested(s);
    });
    connect(cmdHistoryInsert, &QPushButton::clicked, this, [this] {
        if (const QString s = ChosenStatement(); !s.isNull())
            emit insertRequested(s);
    });
    connect(cmdHistoryClear, &QPushButton::clicked, this, [this] { emit clearRequested(); });
}

QString HistoryPanel::LineFor(const HistoryEntry& entry)
{
    // The statement first, where the eye looks for it; when and what it gave below.
    QString statement = entry.statement.simplified();
    if (statement.size() > 200)
        statement = statement.left(197) + u"..."_s;
    const QString when = entry.ranAt.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s);
    if (entry.Failed())
        return u"%1\n%2  FAILED: %3"_s.arg(statement, when, entry.error.simplified());
    const QString records = entry.records < 0    ? u"records not counted"_s
                            : entry.records == 1 ? u"1 record"_s
                                                 : u"%1 records"_s.arg(entry.records);
    return u"%1\n%2  %3"_s.arg(statement, when, records);
}

void HistoryPanel::Show(const QList<HistoryEntry>& entries)
{
    entries_ = entries;
    Refill();
}

void HistoryPanel::Refill()
{
    const QString text = txtHistorySearch->text();
    lstHistory->clear();
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const HistoryEntry& e = entries_[i];
        if (!text.isEmpty() && !QueryHistory::Matches(e, text))
            continue;
        auto* item = new QListWidgetItem(LineFor(e), lstHistory);
        item->setData(statementRole, e.statement);
        item->setData(entryRole, int(i));
        QString tip = e.Failed() ? e.statement + u"\n\n"_s + e.error : e.statement;
        for (const HistoryParameter& p : e.parameters)
            tip += u"\n[%1] = %2"_s.arg(p.name, p.value);
        if (const QString took = KeptTimingText(e.pageOneMs, e.countMs); !took.isEmpty() && !e.Failed())
            tip += u"\n\n"_s + took;
        item->setToolTip(tip);
        if (e.Failed())
            item->setForeground(ReadableOn(QColor(170, 0, 0), lstHistory->palette().color(QPalette::Base)));
    }
    if (lstHistory->count() > 0)
        lstHistory->setCurrentRow(0);
}

QString HistoryPanel::ChosenStatement() const
{
    const QListWidgetItem* item = lstHistory->currentItem();
    return item ? item->data(statementRole).toString() : QString();
}

QList<HistoryParameter> HistoryPanel::ChosenParameters() const
{
    const QListWidgetItem* item = lstHistory->currentItem();
    const int i = item ? item->data(entryRole).toInt() : -1;
    return i >= 0 && i < entries_.size() ? entries_[i].parameters : QList<HistoryParameter>{};
}

} // namespace levy
