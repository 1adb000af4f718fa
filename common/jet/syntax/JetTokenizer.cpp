#include "jet/syntax/JetTokenizer.h"

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
bool IsNameStart(QChar c) { return c.isLetter() || c == u'_' || c.unicode() >= 0x80; }
bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c.unicode() >= 0x80; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool IsHexDigit(QChar c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
} // namespace

QList<JetToken> TokenizeJet(const QString& sql)
{
    QList<JetToken> out;
    const qsizetype n = sql.size();
    auto at = [&](qsizetype k) { return k < n ? sql[k] : QChar(); };
    int depth = 0;
    qsizetype i = 0;
    auto add = [&](JetToken::Kind kind, qsizetype start, qsizetype end, QString value = {}) {
        JetToken t;
        t.kind = kind;
        t.text = sql.mid(start, end - start);
        t.value = std::move(value);
        t.offset = start;
        t.length = end - start;
        t.depth = depth;
        out.append(std::move(t));
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace() || c.unicode() == 0) {
            ++i;
        } else if (c == u'-' && at(i + 1) == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && at(i + 1) == u'*') {
            const qsizetype end = sql.indexOf(u"*/"_s, i + 2);
            if (end < 0) {
                add(JetToken::Invalid, i, n, u"comment"_s);
                i = n;
            } else {
                i = end + 2;
            }
        } else if (c == u'\'' || c == u'"' || c == u'`') {
            // The quote doubles to stand for itself.
            QString value;
            qsizetype j = i + 1;
            bool closed = false;
            while (j < n) {
                if (sql[j] == c) {
                    if (at(j + 1) == c) {
                        value += c;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                value += sql[j++];
            }
            if (!closed) {
                add(JetToken::Invalid, i, n, c == u'`' ? u"name"_s : u"text"_s);
                i = n;
            } else {
                add(c == u'`' ? JetToken::QuotedName : JetToken::Text, i, j + 1, value);
                i = j + 1;
            }
        } else if (c == u'[') {
            const qsizetype end = sql.indexOf(u']', i + 1);
            if (end < 0) {
                add(JetToken::Invalid, i, n, u"name"_s);
                i = n;
            } else {
                add(JetToken::QuotedName, i, end + 1, sql.mid(i + 1, end - i - 1));
                i = end + 1;
            }
        } else if (c == u'#') {
            // A date runs to the next hash sign on the same line.
            qsizetype end = i + 1;
            while (end < n && sql[end] != u'#' && sql[end] != u'\n' && sql[end] != u'\r')
                ++end;
            if (end < n && sql[end] == u'#') {
                add(JetToken::Date, i, end + 1, sql.mid(i + 1, end - i - 1));
                i = end + 1;
            } else {
                add(JetToken::Invalid, i, end, u"date"_s);
                i = end;
            }
        } else if ((c == u'x' || c == u'X') && at(i + 1) == u'\'') {
            qsizetype j = i + 2;
            while (j < n && sql[j] != u'\'')
                ++j;
            if (j >= n) {
                add(JetToken::Invalid, i, n, u"text"_s);
                i = n;
            } else {
                add(JetToken::Blob, i, j + 1, sql.mid(i + 2, j - i - 2));
                i = j + 1;
            }
        } else if (IsNameStart(c)) {
            qsizetype j = i + 1;
            while (j < n && IsNameChar(sql[j]))
                ++j;
            add(JetToken::Word, i, j);
            i = j;
        } else if (IsDigit(c) || (c == u'.' && IsDigit(at(i + 1)))) {
            qsizetype j = i;
            if (c == u'0' && (at(i + 1) == u'x' || at(i + 1) == u'X') && IsHexDigit(at(i + 2))) {
                for (j = i + 2; j < n && IsHexDigit(sql[j]); ++j) {
                }
            } else {
                while (j < n && IsDigit(sql[j]))
                    ++j;
                if (at(j) == u'.')
                    for (++j; j < n && IsDigit(sql[j]); ++j) {
                    }
                if ((at(j) == u'e' || at(j) == u'E') &&
                    (IsDigit(at(j + 1)) || ((at(j + 1) == u'+' || at(j + 1) == u'-') && IsDigit(at(j + 2)))))
                    for (j += 2; j < n && IsDigit(sql[j]); ++j) {
                    }
            }
            add(JetToken::Number, i, j);
            i = j;
        } else if (c == u'?' || ((c == u':' || c == u'@' || c == u'$') && IsNameStart(at(i + 1)))) {
            qsizetype j = i + 1;
            while (j < n && IsNameChar(sql[j]))
                ++j;
            add(JetToken::Parameter, i, j);
            i = j;
        } else {
            static const QString twoCharacter[] = {u"<="_s, u">="_s, u"<>"_s, u"!="_s, u"=="_s,
                                                   u"||"_s, u"<<"_s, u">>"_s};
            qsizetype length = 1;
            for (const QString& s : twoCharacter)
                if (sql.mid(i, 2) == s)
                    length = 2;
            if (c == u')')
                --depth;
            // Both parentheses of a pair carry the depth outside them.
            add(JetToken::Symbol, i, i + length);
            if (c == u'(')
                ++depth;
            i += length;
        }
    }
    JetToken end;
    end.offset = n;
    end.depth = depth;
    out.append(end);
    return out;
}

QString DescribePlace(const QString& sql, qsizetype offset)
{
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype k = 0; k < offset && k < sql.size(); ++k)
        if (sql[k] == u'\n') {
            ++line;
            lineStart = k + 1;
        }
    return u"line %1, column %2"_s.arg(line).arg(offset - lineStart + 1);
}

} // namespace levy::jet
