#include "SqlEditor.h"

#include "LineIndent.h"
#include "SqlHighlighter.h"
#include "widgets/Contrast.h"
#include "SqlCompletion.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
// How long the part that ran stays marked once it has run.
constexpr int runMarkLingersMs = 800;

QString WithCrLf(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    return text.replace(u"\n"_s, u"\r\n"_s);
}

class LineNumberArea : public QWidget {
public:
    explicit LineNumberArea(SqlEditor* editor) : QWidget(editor), editor_(editor)
    {
        setObjectName(u"picLineNumbers"_s);
    }
    QSize sizeHint() const override { return {editor_->LineNumbersWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintLineNumbers(event->rect()); }

private:
    SqlEditor* editor_;
};

QTextDocument::FindFlags Flags(bool matchCase, bool backwards)
{
    QTextDocument::FindFlags flags;
    if (matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (backwards)
        flags |= QTextDocument::FindBackward;
    return flags;
}
} // namespace

SqlEditor::SqlEditor(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setAccessibleName(u"SQL statement"_s);
    highlighter_ = new SqlHighlighter(document());
    highlighter_->SetBackground(palette().color(QPalette::Base));
    completion_ = new SqlCompletion(this);
    lineNumbers_ = new LineNumberArea(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(LineNumbersWidth(), 0, 0, 0); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
        if (dy != 0)
            lineNumbers_->scroll(0, dy);
        else
            lineNumbers_->update(0, rect.y(), lineNumbers_->width(), rect.height());
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] { MarkMatchingBrackets(); });
    // Formatting (the highlighter's) changes the contents too; only a changed text ends
    // the mark.
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!errorMark_.isEmpty() && PlainText() != errorMarkedText_) {
            errorMark_.clear();
            errorMarkedText_.clear();
            ShowMarks();
        }
    });
    runMarkEnds_.setSingleShot(true);
    runMarkEnds_.setInterval(runMarkLingersMs);
    connect(&runMarkEnds_, &QTimer::timeout, this, [this] {
        runMark_.clear();
        ShowMarks();
    });
    setViewportMargins(LineNumbersWidth(), 0, 0, 0);
}

// Not toPlainText(): it turns every no-break space into a plain one, which would change
// a literal in the statement and every byte 0xA0 of a file saved again.
QString SqlEditor::Text() const { return WithCrLf(PlainText()); }

QString SqlEditor::PlainText() const
{
    QString text = document()->toRawText();
    for (QChar& c : text)
        if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1 || c == QChar::ParagraphSeparator ||
            c == QChar::LineSeparator)  // frame marks and line breaks of the document
            c = u'\n';
    return text;
}

QString SqlEditor::TextBetween(int start, int end) const { return WithCrLf(PlainText().mid(start, end - start)); }

void SqlEditor::SetText(const QString& text)
{
    QString plain = text;
    plain.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    completion_->Close();
    setPlainText(plain);
}

QString SqlEditor::SelectedText() const { return WithCrLf(textCursor().selectedText()); }

void SqlEditor::InsertAtCursor(const QString& text)
{
    QString plain = text;
    plain.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.insertText(plain);
    cursor.endEditBlock();
    setTextCursor(cursor);
    setFocus();
}

int SqlEditor::LineNumbersWidth() const
{
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10)
        ++digits;
    return 8 + fontMetrics().horizontalAdvance(u'9') * std::max(digits, 2);
}

void SqlEditor::PaintLineNumbers(const QRect& area)
{
    QPainter painter(lineNumbers_);
    // The desktop's colours, light or dark, with numbers that can still be read.
    const QColor ground = palette().color(QPalette::AlternateBase);
    painter.fillRect(area, ground);
    painter.setPen(ReadableOn(QColor(120, 120, 120), ground));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= area.bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= area.top())
            painter.drawText(0, top, lineNumbers_->width() - 4, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        block = block.next();
        top += height;
    }
}

void SqlEditor::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect r = contentsRect();
    lineNumbers_->setGeometry(r.left(), r.top(), LineNumbersWidth(), r.height());
}

void SqlEditor::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && highlighter_ && lineNumbers_) {
        highlighter_->SetBackground(palette().color(QPalette::Base));
        lineNumbers_->update();
        MarkMatchingBrackets();
    }
}

void SqlEditor::keyPressEvent(QKeyEvent* event)
{
    if (completion_->IsOpen()) {
        // The list takes these: accepting or closing it must not also edit the text.
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            event->ignore();
            return;
        default: break;
        }
    }
    if (event->key() == Qt::Key_Space && (event->modifiers() & Qt::ControlModifier)) {
        completion_->Update(true);
        return;
    }
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        QTextCursor cursor = textCursor();
        if (IndentLines(cursor, event->key() == Qt::Key_Backtab)) {
            setTextCursor(cursor);
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
    const QString typed = event->text();
    const bool control = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!control && ((!typed.isEmpty() && typed[0].isPrint()) || event->key() == Qt::Key_Backspace))
        completion_->Update(false);
    else if (event->key() != Qt::Key_Shift && event->key() != Qt::Key_Control)
        completion_->Close();
}

QPair<int, int> SqlEditor::MatchingBrackets() const
{
    const QTextDocument* doc = document();
    const int cursor = textCursor().position();
    static const QString opening = u"(["_s, closing = u")]"_s;
    int at = -1;
    for (int p : {cursor, cursor - 1}) {
        const QChar c = p >= 0 ? doc->characterAt(p) : QChar();
        if (!c.isNull() && (opening.contains(c) || closing.contains(c))) {
            at = p;
            break;
        }
    }
    if (at < 0)
        return {-1, -1};
    const QChar c = doc->characterAt(at);
    const bool forward = opening.contains(c);
    const QChar partner = forward ? closing[opening.indexOf(c)] : opening[closing.indexOf(c)];
    const int end = doc->characterCount();
    int depth = 0;
    for (int p = at; p >= 0 && p < end; p += forward ? 1 : -1) {
        const QChar here = doc->characterAt(p);
        if (here == c)
            ++depth;
        else if (here == partner && --depth == 0)
            return {at, p};
    }
    return {at, -1};
}

void SqlEditor::MarkMatchingBrackets()
{
    QList<QTextEdit::ExtraSelection> marks;
    const auto [at, partner] = MatchingBrackets();
    if (at >= 0) {
        for (int p : {at, partner}) {
            if (p < 0)
                continue;
            QTextEdit::ExtraSelection mark;
            // Light on a light desktop, dark on a dark one: the text on it stays readable.
            mark.format.setBackground(ReadableOn(partner >= 0 ? QColor(190, 230, 190) : QColor(245, 190, 190),
                                                 palette().color(QPalette::Text)));
            mark.cursor = QTextCursor(document());
            mark.cursor.setPosition(p);
            mark.cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
            marks.append(mark);
        }
    }
    bracketMarks_ = marks;
    ShowMarks();
}

void SqlEditor::ShowMarks() { setExtraSelections(errorMark_ + runMark_ + bracketMarks_); }

void SqlEditor::MarkError(int start, int end)
{
    QTextCursor cursor(document());
    cursor.setPosition(std::clamp(start, 0, document()->characterCount() - 1));
    setTextCursor(cursor);
    ensureCursorVisible();
    QTextEdit::ExtraSelection mark;
    mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.format.setUnderlineColor(ReadableOn(QColor(220, 0, 0), palette().color(QPalette::Base)));
    mark.cursor = cursor;
    mark.cursor.setPosition(std::clamp(end, start, document()->characterCount() - 1), QTextCursor::KeepAnchor);
    errorMark_ = {mark};
    errorMarkedText_ = PlainText();
    ShowMarks();
}

QPair<int, int> SqlEditor::ErrorMark() const
{
    if (errorMark_.isEmpty())
        return {-1, -1};
    return {errorMark_.first().cursor.selectionStart(), errorMark_.first().cursor.selectionEnd()};
}

void SqlEditor::MarkRun(int start, int end)
{
    runMarkEnds_.stop();
    QTextEdit::ExtraSelection mark;
    mark.format.setBackground(ReadableOn(QColor(255, 236, 160), palette().color(QPalette::Text)));
    mark.cursor = QTextCursor(document());
    mark.cursor.setPosition(start);
    mark.cursor.setPosition(end, QTextCursor::KeepAnchor);
    runMark_ = {mark};
    ShowMarks();
    // Painted now: the check that follows keeps the window busy.
    viewport()->repaint();
}

void SqlEditor::EndRunMark() { runMarkEnds_.start(); }

QPair<int, int> SqlEditor::RunMark() const
{
    if (runMark_.isEmpty())
        return {-1, -1};
    return {runMark_.first().cursor.selectionStart(), runMark_.first().cursor.selectionEnd()};
}

bool SqlEditor::FindNext(const QString& text, bool matchCase, bool backwards)
{
    if (text.isEmpty())
        return false;
    QTextCursor found = document()->find(text, textCursor(), Flags(matchCase, backwards));
    if (found.isNull()) {
        QTextCursor from(document());
        if (backwards)
            from.movePosition(QTextCursor::End);
        found = document()->find(text, from, Flags(matchCase, backwards));
    }
    if (found.isNull())
        return false;
    setTextCursor(found);
    return true;
}

bool SqlEditor::ReplaceNext(const QString& text, const QString& with, bool matchCase)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() &&
        cursor.selectedText().compare(text, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0) {
        cursor.insertText(with);
        setTextCursor(cursor);
    }
    return FindNext(text, matchCase);
}

int SqlEditor::ReplaceAll(const QString& text, const QString& with, bool matchCase)
{
    if (text.isEmpty())
        return 0;
    int count = 0;
    QTextCursor edit(document());
    edit.beginEditBlock();
    QTextCursor found = document()->find(text, 0, Flags(matchCase, false));
    while (!found.isNull()) {
        found.insertText(with);
        ++count;
        found = document()->find(text, found, Flags(matchCase, false));
    }
    edit.endEditBlock();
    return count;
}

bool SqlEditor::GoToLine(int line)
{
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (line < 1 || !block.isValid())
        return false;
    setTextCursor(QTextCursor(block));
    centerCursor();
    return true;
}

} // namespace levy
