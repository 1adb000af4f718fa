#include "StatementFinder.h"

#include "jet/syntax/JetTokenizer.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
// Whether the blanks and comments between two tokens hold a blank line. A line with a
// comment on it is no blank line, and a comment's own lines are the comment's.
bool HoldsBlankLine(const QString& text, qsizetype from, qsizetype to)
{
    int breaks = 0;  // line breaks with nothing but blanks between them
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            if (++breaks == 2)
                return true;
        } else if (c == u'-' && i + 1 < to && text[i + 1] == u'-') {
            while (i + 1 < to && text[i + 1] != u'\n')
                ++i;
            breaks = 0;
        } else if (c == u'/' && i + 1 < to && text[i + 1] == u'*') {
            const qsizetype close = text.indexOf(u"*/"_s, i + 2);
            i = close < 0 || close + 1 >= to ? to : close + 1;
            breaks = 0;
        } else if (!c.isSpace() && c.unicode() != 0) {
            breaks = 0;
        }
    }
    return false;
}

// Line and column (both from 1) of an offset, as the dialect's messages count them.
std::pair<qsizetype, qsizetype> LineAndColumn(const QString& text, qsizetype offset)
{
    const qsizetype lineStart = text.lastIndexOf(u'\n', offset - 1) + 1;
    return {text.left(offset).count(u'\n') + 1, offset - lineStart + 1};
}
} // namespace

QList<StatementSpan> FindStatements(const QString& text)
{
    QList<StatementSpan> spans;
    StatementSpan current;
    bool open = false;
    qsizetype previousEnd = 0;
    auto close = [&](qsizetype through) {
        if (open) {
            current.through = through;
            spans.append(current);
        }
        open = false;
    };
    for (const jet::JetToken& token : jet::TokenizeJet(text)) {
        if (token.kind == jet::JetToken::End)
            break;
        if (open && HoldsBlankLine(text, previousEnd, token.offset))
            close(current.end);
        previousEnd = token.EndOffset();
        if (token.IsSymbol(u";"_s)) {
            close(token.EndOffset());
            continue;
        }
        if (!open) {
            current = StatementSpan{token.offset, token.EndOffset(), token.EndOffset()};
            open = true;
        }
        current.end = token.EndOffset();
    }
    close(current.end);
    return spans;
}

StatementSpan StatementAt(const QString& text, qsizetype position)
{
    const QList<StatementSpan> spans = FindStatements(text);
    const StatementSpan* before = nullptr;
    for (const StatementSpan& span : spans) {
        if (position >= span.start && position <= span.through)
            return span;
        if (span.start > position) {
            const bool sameLine = !text.mid(position, span.start - position).contains(u'\n');
            return sameLine || !before ? span : *before;
        }
        before = &span;
    }
    return before ? *before : StatementSpan{};
}

QString PlacesInWholeText(const QString& message, const QString& text, qsizetype start)
{
    static const QRegularExpression place(u"\\bline (\\d+), column (\\d+)"_s);
    const auto [firstLine, firstColumn] = LineAndColumn(text, start);
    QString restated;
    qsizetype copied = 0;
    for (auto it = place.globalMatch(message); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const qsizetype line = m.captured(1).toLongLong();
        const qsizetype column = m.captured(2).toLongLong();
        restated += message.mid(copied, m.capturedStart() - copied);
        restated += u"line %1, column %2"_s.arg(firstLine + line - 1).arg(line == 1 ? firstColumn + column - 1 : column);
        copied = m.capturedEnd();
    }
    return restated + message.mid(copied);
}

} // namespace levy
