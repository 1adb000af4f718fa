#include "SqlEditor.h"

#include "SqlHighlighter.h"

#include <QTextCursor>

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

QString SqlEditor::Text() const { return WithCrLf(toPlainText()); }

void SqlEditor::SetText(const QString& text)
{
    QString plain = text;
    plain.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    setPlainText(plain);
}

QString SqlEditor::SelectedText() const { return WithCrLf(textCursor().selectedText()); }

} // namespace levy
