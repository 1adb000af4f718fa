#pragma once

#include <QList>
#include <QString>

namespace levy {

// Where one statement of a text lies: from its first character to the end of its last
// (`end`), and to the end of the semicolon that closes it, when one does (`through`).
// Blanks and comments around it are not part of it.
struct StatementSpan {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype through = 0;
    bool IsEmpty() const { return end <= start; }
};

// The statements of a text as the dialect reads it: a semicolon or a blank line ends one,
// but never inside a text, a bracketed name, a #date# or a comment.
QList<StatementSpan> FindStatements(const QString& text);

// The statement the cursor at `position` stands in, or touches. Between statements: the
// one that begins on the cursor's line, else the one before (the one just written), else
// the first after. Empty when the text holds no statement.
StatementSpan StatementAt(const QString& text, qsizetype position);

// A message about the statement that starts at `start` of `text`, with each place it
// names ("line 1, column 8") restated as a place in the whole text.
QString PlacesInWholeText(const QString& message, const QString& text, qsizetype start);

} // namespace levy
