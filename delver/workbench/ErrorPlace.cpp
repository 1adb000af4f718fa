#include "ErrorPlace.h"

#include "jet/syntax/JetTokenizer.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
// The offset of a line and column (both from 1); -1 when the text has no such line.
// A column past the end of its line stands at that end.
qsizetype OffsetOf(const QString& text, qsizetype line, qsizetype column)
{
    qsizetype lineStart = 0;
    for (qsizetype n = 1; n < line; ++n) {
        lineStart = text.indexOf(u'\n', lineStart);
        if (lineStart < 0)
            return -1;
        ++lineStart;
    }
    qsizetype lineEnd = text.indexOf(u'\n', lineStart);
    if (lineEnd < 0)
        lineEnd = text.size();
    return std::min(lineStart + std::max<qsizetype>(column, 1) - 1, lineEnd);
}
} // namespace

ErrorSpan ErrorSpanIn(const QString& message, const QString& text)
{
    static const QRegularExpression place(u"\\bline (\\d+), column (\\d+)"_s);
    const QRegularExpressionMatch m = place.match(message);
    if (!m.hasMatch())
        return {};
    const qsizetype at = OffsetOf(text, m.captured(1).toLongLong(), m.captured(2).toLongLong());
    if (at < 0)
        return {};
    // What stands there as the dialect reads it; at the end of the text (a statement cut
    // short), the last thing written.
    const jet::JetToken* last = nullptr;
    const QList<jet::JetToken> tokens = jet::TokenizeJet(text);
    for (const jet::JetToken& token : tokens) {
        if (token.kind == jet::JetToken::End)
            break;
        if (at >= token.offset && at < token.EndOffset())
            return {token.offset, token.EndOffset()};
        if (token.offset > at)
            break;
        last = &token;
    }
    if (at < text.size() && !text[at].isSpace())
        return {at, at + 1};
    if (last && text.mid(last->EndOffset(), at - last->EndOffset()).trimmed().isEmpty())
        return {last->offset, last->EndOffset()};
    return {at, std::min(at + 1, text.size())};
}

} // namespace levy
