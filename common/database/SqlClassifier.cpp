#include "SqlClassifier.h"

#include "DaoConstants.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

QList<SqlToken> TokenizeSql(const QString& sql)
{
    QList<SqlToken> out;
    const qsizetype n = sql.size();
    int depth = 0;
    qsizetype i = 0;
    auto closing = [&](qsizetype from, QChar close) {
        qsizetype j = from + 1;
        while (j < n) {
            if (sql[j] == close) {
                // Quotes double to escape themselves; brackets do not.
                if (close != u']' && j + 1 < n && sql[j + 1] == close) {
                    j += 2;
                    continue;
                }
                return j;
            }
            ++j;
        }
        return n;
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(u"*/"_s, i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            const qsizetype end = closing(i, close);
            const SqlToken::Kind kind = c == u'\'' ? SqlToken::String : SqlToken::Name;
            out.append({kind, sql.mid(i + 1, end - i - 1), depth, i});
            i = end + 1;
        } else if (c.isLetter() || c == u'_' || c == u'$' || c == u'@' || c == u':') {
            qsizetype j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == u'_' || sql[j] == u'$'))
                ++j;
            out.append({SqlToken::Word, sql.mid(i, j - i).toUpper(), depth, i});
            i = j;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            qsizetype j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == u'.'))
                ++j;
            out.append({SqlToken::Number, sql.mid(i, j - i), depth, i});
            i = j;
        } else if (c == u'#') {
            const qsizetype end = sql.indexOf(u'#', i + 1);
            if (end > i && !sql.mid(i + 1, end - i - 1).contains(u'\n')) {
                out.append({SqlToken::Date, sql.mid(i + 1, end - i - 1), depth, i});
                i = end + 1;
            } else {
                out.append({SqlToken::Symbol, QString(c), depth, i});
                ++i;
            }
        } else {
            if (c == u')')
                --depth;
            out.append({SqlToken::Symbol, QString(c), c == u')' ? depth + 1 : depth, i});
            if (c == u'(')
                ++depth;
            ++i;
        }
    }
    return out;
}

namespace {
bool IsWord(const SqlToken& t, const QString& word) { return t.kind == SqlToken::Word && t.text == word; }

int ClassifyTokens(const QList<SqlToken>& tokens, qsizetype from)
{
    if (from >= tokens.size())
        return dbQAction;
    const SqlToken& first = tokens[from];
    if (first.kind != SqlToken::Word)
        return dbQAction;
    const QString& w = first.text;
    if (w == u"PARAMETERS"_s) {
        for (qsizetype i = from + 1; i < tokens.size(); ++i)
            if (tokens[i].kind == SqlToken::Symbol && tokens[i].text == u";"_s && tokens[i].depth == 0)
                return ClassifyTokens(tokens, i + 1);
        return dbQAction;
    }
    if (w == u"TRANSFORM"_s)
        return dbQCrosstab;
    if (w == u"INSERT"_s || w == u"REPLACE"_s)
        return dbQAppend;
    if (w == u"UPDATE"_s)
        return dbQUpdate;
    if (w == u"DELETE"_s)
        return dbQDelete;
    if (w == u"CREATE"_s || w == u"DROP"_s || w == u"ALTER"_s)
        return dbQDDL;
    if (w != u"SELECT"_s && w != u"WITH"_s && w != u"VALUES"_s)
        return dbQAction;
    // The main statement's own words are those at the depth of its first token; a WITH
    // clause's bodies and subqueries sit deeper.
    const int depth = first.depth;
    bool setOperation = false;
    for (qsizetype i = from; i < tokens.size(); ++i) {
        const SqlToken& t = tokens[i];
        if (t.kind == SqlToken::Symbol && t.text == u";"_s && t.depth == 0)
            break;
        if (t.depth != depth || t.kind != SqlToken::Word)
            continue;
        if (t.text == u"INTO"_s && w != u"WITH"_s)
            return dbQMakeTable;
        if (t.text == u"INSERT"_s || t.text == u"UPDATE"_s || t.text == u"DELETE"_s || t.text == u"REPLACE"_s)
            return t.text == u"INSERT"_s || t.text == u"REPLACE"_s ? dbQAppend
                   : t.text == u"UPDATE"_s                         ? dbQUpdate
                                                                   : dbQDelete;
        if (t.text == u"UNION"_s || t.text == u"INTERSECT"_s || t.text == u"EXCEPT"_s)
            setOperation = true;
    }
    return setOperation ? dbQSetOperation : dbQSelect;
}
} // namespace

int ClassifyStatement(const QString& sql)
{
    const QList<SqlToken> tokens = TokenizeSql(sql);
    qsizetype from = 0;
    // A select in parentheses: classify from its first word at the outer depth.
    while (from < tokens.size() && tokens[from].kind == SqlToken::Symbol && tokens[from].text == u"("_s)
        ++from;
    if (from > 0 && from < tokens.size() && IsWord(tokens[from], u"SELECT"_s)) {
        bool setOperation = false;
        for (const SqlToken& t : tokens)
            if (t.depth == 0 && t.kind == SqlToken::Word &&
                (t.text == u"UNION"_s || t.text == u"INTERSECT"_s || t.text == u"EXCEPT"_s))
                setOperation = true;
        const int inner = ClassifyTokens(tokens, from);
        if (inner != dbQSelect && inner != dbQSetOperation)
            return inner;
        return setOperation ? dbQSetOperation : inner;
    }
    return ClassifyTokens(tokens, 0);
}

bool HasTextAfterStatement(const QString& sql)
{
    const QList<SqlToken> tokens = TokenizeSql(sql);
    bool seenParameters = false;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const SqlToken& t = tokens[i];
        if (i == 0 && IsWord(t, u"PARAMETERS"_s))
            seenParameters = true;
        if (t.kind == SqlToken::Symbol && t.text == u";"_s && t.depth == 0) {
            if (seenParameters) {
                seenParameters = false;
                continue;
            }
            return i + 1 < tokens.size();
        }
    }
    return false;
}

} // namespace levy
