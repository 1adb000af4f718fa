#include "SqlEditor.h"

#include "SqlHighlighter.h"

#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
QString WithCrLf(QString text)
{
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    return text.replace(u"\n"_s, u"\r\n"_s);
}
} // namespace

SqlEditor::SqlEditor(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    new SqlHighlighter(document());
}

// Not toPlainText(): it turns every no-break space into a plain one, which would change
// a literal in the statement and every byte 0xA0 of a file saved again.
QString SqlEditor::Text() const
{
    QString text = document()->toRawText();
    for (QChar& c : text)
        if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1)  // frame marks of the document
            c = u'\n';
    return WithCrLf(text);
}

void SqlEditor::SetText(const QString& text)
{
    QString plain = text;
    plain.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    setPlainText(plain);
}

QString SqlEditor::SelectedText() const { return WithCrLf(textCursor().selectedText()); }

} // namespace levy
