#pragma once

#include <QPointer>
#include <QSet>
#include <QTabWidget>

#include <functional>

class QAction;

namespace levy {

class EditorTab;
class SqlEditor;

// The editor's texts, a tab each. The tab bar shows once there are two; the current
// text's editor takes the focus given to the whole.
class EditorTabs : public QTabWidget {
    Q_OBJECT
public:
    explicit EditorTabs(QWidget* parent);
    ~EditorTabs() override;

    EditorTab* Tab(int index) const;
    EditorTab* Current() const;
    QList<EditorTab*> Tabs() const;

    // A new tab with a new text ("SELECT"), made current.
    EditorTab* Add();
    // Where a new or opened text goes: the current tab when it is blank, else a new one.
    EditorTab* ForNewText();
    // The tab of a file already open; null when there is none.
    EditorTab* TabOfFile(const QString& path) const;
    // Removes a tab at once, whatever its text; the last one is replaced by a new text.
    void Remove(EditorTab* tab);
    // Removes every tab but a new text.
    void RemoveAll();
    // The next or the previous tab, round the ends.
    void Step(int by);
    // Undo and Redo are offered as the current text allows.
    void KeepUndoAndRedo(QAction* undo, QAction* redo);
    // Shows each changed text in turn and has `ask` ask about it; the texts whose
    // changes are to be lost (`ask` answered false). Whatever `ask` raises ends it there.
    QSet<EditorTab*> AskAboutEachChangedText(const std::function<bool()>& ask);

signals:
    // A tab was added; the window wires its editor.
    void tabAdded(EditorTab* tab);
    // The texts, their files, their order or the current one changed.
    void contentChanged();

private:
    void Refresh(EditorTab* tab);
    int NextUntitledNumber() const;
    void FollowUndoAndRedo();
    QPointer<QAction> undo_, redo_;
    QMetaObject::Connection undoLink_, redoLink_;
};

} // namespace levy
