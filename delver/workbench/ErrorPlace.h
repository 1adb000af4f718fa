#pragma once

#include <QString>

namespace levy {

// Where in a text a message about it points, as a span of that text: the first place it
// names ("line 2, column 14"), widened to the whole name, text, #date# or symbol that
// stands there. `text` has one line feed per line break, as the editor's positions do.
struct ErrorSpan {
    qsizetype start = -1;
    qsizetype end = -1;
    bool IsFound() const { return start >= 0; }
};

ErrorSpan ErrorSpanIn(const QString& message, const QString& text);

} // namespace levy
