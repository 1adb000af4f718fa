#include "EditorTabs.h"

#include "EditorTab.h"
#include "SqlEditor.h"

#include <QAction>
#include <QFileInfo>
#include <QTabBar>

using namespace Qt::Literals::StringLiterals;

namespace levy {

EditorTabs::EditorTabs(QWidget* parent) : QTabWidget(parent)
{
    setObjectName(u"tabQueries"_s);
    setDocumentMode(true);
    setTabsClosable(true);
    setMovable(true);
    setTabBarAutoHide(true);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideMiddle);
    tabBar()->setObjectName(u"tabQueriesBar"_s);
    setAccessibleName(u"Open queries"_s);
    tabBar()->setAccessibleName(u"Open queries"_s);
    tabBar()->setExpanding(false);
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (EditorTab* tab = Current())
            setFocusProxy(tab->txtSQL);
        FollowUndoAndRedo();
        emit contentChanged();
    });
    connect(tabBar(), &QTabBar::tabMoved, this, &EditorTabs::contentChanged);
}

EditorTab* EditorTabs::Tab(int index) const { return qobject_cast<EditorTab*>(widget(index)); }

EditorTab* EditorTabs::Current() const { return qobject_cast<EditorTab*>(currentWidget()); }

QList<EditorTab*> EditorTabs::Tabs() const
{
    QList<EditorTab*> tabs;
    for (int i = 0; i < count(); ++i)
        tabs.append(Tab(i));
    return tabs;
}

int EditorTabs::NextUntitledNumber() const
{
    int n = 1;
    for (bool taken = true; taken; ++n) {
        taken = false;
        for (const EditorTab* tab : Tabs())
            taken = taken || (tab->strCurrentFile.isEmpty() && tab->untitledNumber == n);
        if (!taken)
            return n;
    }
    return n;
}

EditorTab* EditorTabs::Add()
{
    auto* tab = new EditorTab(this);
    tab->untitledNumber = NextUntitledNumber();
    tab->Load(u"SELECT"_s, {});
    connect(tab, &EditorTab::stateChanged, this, [this, tab] {
        Refresh(tab);
        emit contentChanged();
    });
    const int at = currentIndex() + 1;
    insertTab(at, tab, tab->Caption());
    // Tab goes from the tabs to the text in view, before the panels beside it.
    setTabOrder(tabBar(), tab->txtSQL);
    Refresh(tab);
    emit tabAdded(tab);
    setCurrentIndex(at);
    return tab;
}

EditorTab* EditorTabs::ForNewText()
{
    EditorTab* current = Current();
    return current && current->IsBlank() ? current : Add();
}

EditorTab* EditorTabs::TabOfFile(const QString& path) const
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (EditorTab* tab : Tabs())
        if (!tab->strCurrentFile.isEmpty() && QFileInfo(tab->strCurrentFile).absoluteFilePath() == wanted)
            return tab;
    return nullptr;
}

void EditorTabs::Remove(EditorTab* tab)
{
    if (count() == 1)
        Add();
    removeTab(indexOf(tab));
    tab->deleteLater();
    tab->hide();
    // The untitled numbers start again from the lowest free one.
    if (count() == 1 && Current()->strCurrentFile.isEmpty()) {
        Current()->untitledNumber = 1;
        Refresh(Current());
    }
    emit contentChanged();
}

void EditorTabs::RemoveAll()
{
    const QList<EditorTab*> old = Tabs();
    Add();
    for (EditorTab* tab : old)
        Remove(tab);
}

void EditorTabs::Step(int by)
{
    if (count() > 1)
        setCurrentIndex(((currentIndex() + by) % count() + count()) % count());
}

void EditorTabs::Refresh(EditorTab* tab)
{
    const int index = indexOf(tab);
    if (index < 0)
        return;
    setTabText(index, tab->Caption());
    setTabToolTip(index, tab->ToolTip());
}

} // namespace levy

namespace levy {

void EditorTabs::KeepUndoAndRedo(QAction* undo, QAction* redo)
{
    undo_ = undo;
    redo_ = redo;
    FollowUndoAndRedo();
}

void EditorTabs::FollowUndoAndRedo()
{
    EditorTab* tab = Current();
    if (!tab || !undo_ || !redo_)
        return;
    disconnect(undoLink_);
    disconnect(redoLink_);
    undoLink_ = connect(tab->txtSQL, &QPlainTextEdit::undoAvailable, undo_, &QAction::setEnabled);
    redoLink_ = connect(tab->txtSQL, &QPlainTextEdit::redoAvailable, redo_, &QAction::setEnabled);
    undo_->setEnabled(tab->txtSQL->document()->isUndoAvailable());
    redo_->setEnabled(tab->txtSQL->document()->isRedoAvailable());
}

QSet<EditorTab*> EditorTabs::AskAboutEachChangedText(const std::function<bool()>& ask)
{
    QSet<EditorTab*> discarded;
    EditorTab* was = Current();
    for (EditorTab* tab : Tabs()) {
        if (!tab->HasChangesToAskAbout())
            continue;
        // The question is about the text in view.
        setCurrentWidget(tab);
        if (!ask())
            discarded.insert(tab);
    }
    setCurrentWidget(was);
    return discarded;
}

EditorTabs::~EditorTabs()
{
    // Pages go before the tab bar: nothing is current any more, and nobody need hear.
    blockSignals(true);
}

} // namespace levy
