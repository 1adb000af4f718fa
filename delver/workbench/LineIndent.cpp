#include "LineIndent.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
constexpr int spacesPerTab = 4;
}

bool IndentLines(QTextCursor& cursor, bool outdent)
{
    QTextDocument* document = cursor.document();
    const QTextBlock first = document->findBlock(cursor.selectionStart());
    QTextBlock last = document->findBlock(cursor.selectionEnd());
    // A selection that ends at the start of a line does not take that line in.
    if (last != first && cursor.selectionEnd() == last.position())
        last = last.previous();
    if (first == last && !outdent)
        return false;
    cursor.beginEditBlock();
    for (QTextBlock block = first;; block = block.next()) {
        QTextCursor line(block);
        if (!outdent) {
            line.insertText(u"\t"_s);
        } else {
            const QString text = block.text();
            int remove = 0;
            if (text.startsWith(u'\t'))
                remove = 1;
            else
                while (remove < spacesPerTab && remove < text.size() && text[remove] == u' ')
                    ++remove;
            line.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, remove);
            line.removeSelectedText();
        }
        if (block == last)
            break;
    }
    cursor.endEditBlock();
    cursor.setPosition(first.position());
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
    return true;
}

} // namespace levy
