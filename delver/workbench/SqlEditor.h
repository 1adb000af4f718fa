#pragma once

#include <QPlainTextEdit>
#include <QTimer>

namespace levy {

class SqlCompletion;
class SqlHighlighter;

// The SQL text box. Its text, as the rest of the program sees it, has CR LF line
// breaks, as a text box's text does on the platform the levy files come from. It shows
// line numbers, marks the bracket that matches the one at the cursor, and proposes
// names as the user types.
class SqlEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit SqlEditor(QWidget* parent);
    QString Text() const;
    // The text with one line feed for each line break, so that its positions are the
    // cursor's.
    QString PlainText() const;
    // Part of PlainText, between two of its positions, with CR LF line breaks as Text.
    QString TextBetween(int start, int end) const;
    // Starts the text afresh: what Undo can take back begins here.
    void SetText(const QString& text);
    QString SelectedText() const;
    // Writes at the cursor, in place of the selection, as one step of Undo.
    void InsertAtCursor(const QString& text);

    SqlCompletion* Completion() const { return completion_; }
    QWidget* LineNumbers() const { return lineNumbers_; }
    int LineNumbersWidth() const;
    void PaintLineNumbers(const QRect& area);

    // Selects the next occurrence after the cursor (before it, backwards), going round
    // the end of the text; false when there is none.
    bool FindNext(const QString& text, bool matchCase, bool backwards = false);
    // Replaces the selection when it is an occurrence, then selects the next one.
    bool ReplaceNext(const QString& text, const QString& with, bool matchCase);
    // Replaces every occurrence in one step of Undo; the count of them.
    int ReplaceAll(const QString& text, const QString& with, bool matchCase);
    // Puts the cursor at the start of a line (1-based); false when there is no such line.
    bool GoToLine(int line);

    // The positions of the bracket at or just before the cursor and of its partner;
    // -1 when there is none.
    QPair<int, int> MatchingBrackets() const;

    // Marks the part of the text that runs, from `start` to `end`, until a moment after
    // EndRunMark.
    void MarkRun(int start, int end);
    void EndRunMark();
    // The part marked as running; (-1, -1) when none is.
    QPair<int, int> RunMark() const;

    // Puts the cursor at the start of a place an error names and underlines the place,
    // until the text changes.
    void MarkError(int start, int end);
    // The place underlined; (-1, -1) when none is.
    QPair<int, int> ErrorMark() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void MarkMatchingBrackets();
    void ShowMarks();
    SqlHighlighter* highlighter_ = nullptr;
    SqlCompletion* completion_;
    QList<QTextEdit::ExtraSelection> bracketMarks_;
    QList<QTextEdit::ExtraSelection> runMark_;
    QList<QTextEdit::ExtraSelection> errorMark_;
    QString errorMarkedText_;
    QTimer runMarkEnds_;
    QWidget* lineNumbers_ = nullptr;
};

} // namespace levy
