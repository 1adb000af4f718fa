#pragma once

#include <QSyntaxHighlighter>

namespace levy {

// Colours keywords, strings, bracketed names, #dates# and comments in the SQL editor.
class SqlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit SqlHighlighter(QTextDocument* document);

    // The kinds of text it colours, each as written on `background`: its own colour, or
    // lighter or darker as far as it must be to be read there.
    enum Kind { Keyword, String, Name, Date, Comment, kindCount };
    static QTextCharFormat FormatOf(Kind kind, const QColor& background);
    // The editor's background changed (a dark desktop): the colours follow.
    void SetBackground(const QColor& background);

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat formats_[kindCount];
};

} // namespace levy
