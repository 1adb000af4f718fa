#pragma once

#include <QWidget>

class QLabel;

namespace levy {

class SqlEditor;

// One text of the editor, in a tab of its own: the text box, the file it belongs to and
// whether it changed since it was last loaded or saved.
class EditorTab : public QWidget {
    Q_OBJECT
public:
    explicit EditorTab(QWidget* parent);

    SqlEditor* txtSQL;
    QLabel* lblNotice;  // a line above the text when something about it must be said
    QString strCurrentFile;
    bool blnDirty = false;
    int untitledNumber = 0;  // tells untitled texts apart in their captions

    // Sets the text as loaded from `file` (none: a new text); it is then unchanged.
    void Load(const QString& text, const QString& file);
    // The text was written to `file`.
    void Saved(const QString& file);
    void MarkChanged();
    // The text came back without its file, which has gone: Save must ask where.
    bool FileGone() const { return fileGone_; }
    void SetFileGone(bool gone);
    // A line of its own above the text; empty hides it.
    void SetNotice(const QString& text);

    // Whether the unsaved-changes question is asked for this text: changed, and neither
    // blank nor "select" once the spaces round it are removed.
    bool HasChangesToAskAbout() const;
    // No file and nothing worth asking about: New and Open put their text here rather
    // than in another tab.
    bool IsBlank() const { return strCurrentFile.isEmpty() && !fileGone_ && !HasChangesToAskAbout(); }

    QString Caption() const;
    QString ToolTip() const;

signals:
    // The text, its file or its changed state.
    void stateChanged();

private:
    bool fileGone_ = false;
};

} // namespace levy
