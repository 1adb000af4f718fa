#pragma once

#include <QSyntaxHighlighter>

namespace levy {

// Colours keywords, strings, bracketed names, #dates# and comments in the SQL editor.
class SqlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit SqlHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;
};

} // namespace levy
