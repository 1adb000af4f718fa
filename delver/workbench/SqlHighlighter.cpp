#include "SqlHighlighter.h"

#include "SqlWords.h"
#include "widgets/Contrast.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
QTextCharFormat Format(const QColor& colour, bool bold = false, bool italic = false)
{
    QTextCharFormat f;
    f.setForeground(colour);
    if (bold)
        f.setFontWeight(QFont::Bold);
    f.setFontItalic(italic);
    return f;
}
} // namespace

SqlHighlighter::SqlHighlighter(QTextDocument* document) : QSyntaxHighlighter(document)
{
    for (int k = 0; k < kindCount; ++k)
        formats_[k] = FormatOf(Kind(k), Qt::white);
}

QTextCharFormat SqlHighlighter::FormatOf(Kind kind, const QColor& background)
{
    switch (kind) {
    case Keyword: return Format(ReadableOn(QColor(0, 0, 160), background), true);
    case String: return Format(ReadableOn(QColor(160, 0, 0), background));
    case Name: return Format(ReadableOn(QColor(0, 110, 110), background));
    case Date: return Format(ReadableOn(QColor(128, 0, 128), background));
    case Comment:
    case kindCount: break;
    }
    return Format(ReadableOn(QColor(0, 128, 0), background), false, true);
}

void SqlHighlighter::SetBackground(const QColor& background)
{
    for (int k = 0; k < kindCount; ++k)
        formats_[k] = FormatOf(Kind(k), background);
    rehighlight();
}

void SqlHighlighter::highlightBlock(const QString& text)
{
    const QTextCharFormat& keyword = formats_[Keyword];
    const QTextCharFormat& string = formats_[String];
    const QTextCharFormat& name = formats_[Name];
    const QTextCharFormat& date = formats_[Date];
    const QTextCharFormat& comment = formats_[Comment];
    // State 1: inside a block comment carried over from the line before.
    int i = 0;
    const int n = int(text.size());
    if (previousBlockState() == 1) {
        const int end = int(text.indexOf(u"*/"_s));
        if (end < 0) {
            setFormat(0, n, comment);
            setCurrentBlockState(1);
            return;
        }
        setFormat(0, end + 2, comment);
        i = end + 2;
    }
    setCurrentBlockState(0);
    while (i < n) {
        const QChar c = text[i];
        if (c == u'-' && i + 1 < n && text[i + 1] == u'-') {
            setFormat(i, n - i, comment);
            return;
        }
        if (c == u'/' && i + 1 < n && text[i + 1] == u'*') {
            const int end = int(text.indexOf(u"*/"_s, i + 2));
            if (end < 0) {
                setFormat(i, n - i, comment);
                setCurrentBlockState(1);
                return;
            }
            setFormat(i, end + 2 - i, comment);
            i = end + 2;
        } else if (c == u'\'' || c == u'"' || c == u'[' || c == u'#') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            int end = int(text.indexOf(close, i + 1));
            if (end < 0)
                end = n - 1;
            setFormat(i, end + 1 - i, c == u'[' ? name : c == u'#' ? date : string);
            i = end + 1;
        } else if (c.isLetter() || c == u'_') {
            int j = i + 1;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == u'_'))
                ++j;
            if (IsSqlKeyword(text.mid(i, j - i)))
                setFormat(i, j - i, keyword);
            i = j;
        } else {
            ++i;
        }
    }
}

} // namespace levy
