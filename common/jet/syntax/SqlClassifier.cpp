#include "jet/syntax/SqlClassifier.h"

#include "values/DaoConstants.h"
#include "jet/syntax/JetTokenizer.h"

#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {

namespace {


bool IsStatementEnd(const JetToken& t) { return t.kind == JetToken::End || (t.IsSymbol(u";"_s) && t.depth == 0); }

// The verb of an action statement, from its first word.
int ActionType(const JetToken& t)
{
    if (t.IsWord(u"INSERT"_s) || t.IsWord(u"REPLACE"_s))
        return dbQAppend;
    if (t.IsWord(u"UPDATE"_s))
        return dbQUpdate;
    if (t.IsWord(u"DELETE"_s))
        return dbQDelete;
    if (t.IsWord(u"CREATE"_s) || t.IsWord(u"DROP"_s) || t.IsWord(u"ALTER"_s) || t.IsWord(u"GRANT"_s) ||
        t.IsWord(u"REVOKE"_s))
        return dbQDDL;
    return -1;
}

// The engine's other statements and the dialect's procedures: actions too, but only as
// the first word (after WITH they are a syntax error the engine names).
bool BeginsOtherStatement(const JetToken& t)
{
    static const QString others[] = {u"ATTACH"_s,  u"DETACH"_s,  u"PRAGMA"_s,   u"VACUUM"_s,    u"BEGIN"_s,
                                     u"COMMIT"_s,  u"END"_s,     u"ROLLBACK"_s, u"SAVEPOINT"_s, u"RELEASE"_s,
                                     u"REINDEX"_s, u"ANALYZE"_s, u"EXPLAIN"_s,  u"PROCEDURE"_s, u"EXECUTE"_s,
                                     u"EXEC"_s};
    for (const QString& verb : others)
        if (t.IsWord(verb))
            return true;
    return false;
}

// True when INTO stands among the statement's own words (at `depth`) from `from` on.
bool MakesTable(const QList<JetToken>& tokens, qsizetype from, int depth)
{
    for (qsizetype i = from; !IsStatementEnd(tokens[i]); ++i)
        if (tokens[i].depth == depth && tokens[i].IsWord(u"INTO"_s))
            return true;
    return false;
}

int ClassifyTokens(const QList<JetToken>& tokens, qsizetype from)
{
    const JetToken& first = tokens[from];
    if (first.kind != JetToken::Word)
        return dbQAction;
    if (first.IsWord(u"PARAMETERS"_s)) {
        // The declarations end at the first ";"; the statement proper follows.
        for (qsizetype i = from + 1; tokens[i].kind != JetToken::End; ++i)
            if (tokens[i].IsSymbol(u";"_s) && tokens[i].depth == 0)
                return ClassifyTokens(tokens, i + 1);
        return dbQAction;
    }
    if (first.IsWord(u"TRANSFORM"_s))
        return MakesTable(tokens, from, first.depth) ? dbQMakeTable : dbQCrosstab;
    if (const int action = ActionType(first); action >= 0)
        return action;
    if (BeginsOtherStatement(first))
        return dbQAction;
    // A first word that begins no statement at all (SELEC) is a mistyped select: the
    // parser names the fault and its place, as for any other syntax error.
    if (!first.IsWord(u"SELECT"_s) && !first.IsWord(u"WITH"_s) && !first.IsWord(u"VALUES"_s))
        return dbQSelect;
    // The main statement's own words are those at the depth of its first token; a WITH
    // clause's bodies and subqueries sit deeper. Inside a select, INSERT, REPLACE and
    // the like can only be names or functions (replace()), never actions.
    const int depth = first.depth;
    qsizetype main = from;
    if (first.IsWord(u"WITH"_s)) {
        // Every common table expression ends in "AS (...)": the word after the last one
        // begins the main statement.
        main = -1;
        bool afterBody = false;
        const JetToken* previous = nullptr;
        for (qsizetype i = from + 1; !IsStatementEnd(tokens[i]) && main < 0; ++i) {
            const JetToken& t = tokens[i];
            if (t.depth != depth || t.IsSymbol(u")"_s))
                continue;
            if (afterBody) {
                if (t.IsSymbol(u","_s))
                    afterBody = false;
                else
                    main = i;
            } else if (t.IsSymbol(u"("_s) && previous && previous->IsWord(u"AS"_s)) {
                afterBody = true;
            }
            previous = &t;
        }
        // An incomplete clause is left to the engine, which names the fault.
        if (main < 0)
            return dbQSelect;
        if (const int action = ActionType(tokens[main]); action >= 0)
            return action;
    }
    bool setOperation = false;
    for (qsizetype i = main; !IsStatementEnd(tokens[i]); ++i) {
        const JetToken& t = tokens[i];
        if (t.depth != depth || t.kind != JetToken::Word)
            continue;
        if (t.IsWord(u"INTO"_s))
            return dbQMakeTable;
        if (t.IsWord(u"UNION"_s) || t.IsWord(u"INTERSECT"_s) || t.IsWord(u"EXCEPT"_s))
            setOperation = true;
    }
    return setOperation ? dbQSetOperation : dbQSelect;
}
} // namespace

int ClassifyStatement(const QList<JetToken>& tokens)
{
    qsizetype from = 0;
    // A select in parentheses: classify from its first word at the outer depth.
    while (tokens[from].IsSymbol(u"("_s))
        ++from;
    if (from > 0 && tokens[from].IsWord(u"SELECT"_s)) {
        bool setOperation = false;
        for (const JetToken& t : tokens)
            if (t.depth == 0 && (t.IsWord(u"UNION"_s) || t.IsWord(u"INTERSECT"_s) || t.IsWord(u"EXCEPT"_s)))
                setOperation = true;
        const int inner = ClassifyTokens(tokens, from);
        if (inner != dbQSelect && inner != dbQSetOperation)
            return inner;
        if (MakesTable(tokens, 0, 0))
            return dbQMakeTable;
        return setOperation ? dbQSetOperation : inner;
    }
    return ClassifyTokens(tokens, 0);
}

int ClassifyStatement(const QString& sql) { return ClassifyStatement(TokenizeJet(sql)); }

bool HasTextAfterStatement(const QList<JetToken>& tokens)
{
    bool inParameters = tokens[0].IsWord(u"PARAMETERS"_s);
    for (qsizetype i = 0; tokens[i].kind != JetToken::End; ++i) {
        const JetToken& t = tokens[i];
        if (t.IsSymbol(u";"_s) && t.depth == 0) {
            // The PARAMETERS declarations end with a ";" of their own.
            if (inParameters) {
                inParameters = false;
                continue;
            }
            return tokens[i + 1].kind != JetToken::End;
        }
    }
    return false;
}

bool HasTextAfterStatement(const QString& sql) { return HasTextAfterStatement(TokenizeJet(sql)); }

namespace {
bool IsSqliteIdChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '$' ||
           u >= 0x80;
}
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsSqliteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool SameKeyword(const QByteArray& text, qsizetype from, qsizetype length, const char* keyword)
{
    if (length != qsizetype(std::strlen(keyword)))
        return false;
    for (qsizetype k = 0; k < length; ++k) {
        char c = text[from + k];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c != keyword[k])
            return false;
    }
    return true;
}
} // namespace

bool JoinsByColumnName(const QString& sql) { return HasEngineKeyword(sql, {"NATURAL", "USING"}); }

bool HasEngineKeyword(const QString& sql, std::initializer_list<const char*> keywords)
{
    // The engine reads the UTF-8 text up to its first NUL; reading on past it only
    // finds more words.
    const QByteArray s = sql.toUtf8();
    const qsizetype n = s.size();
    auto at = [&](qsizetype k) { return k < n ? s[k] : '\0'; };
    qsizetype i = 0;
    while (i < n) {
        const char c = s[i];
        if (c == '-' && at(i + 1) == '-') {
            while (i < n && s[i] != '\n')
                ++i;
        } else if (c == '/' && at(i + 1) == '*' && i + 2 < n) {
            const qsizetype end = s.indexOf("*/", i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == '\'' || c == '"' || c == '`') {
            ++i;
            while (i < n && !(s[i] == c && at(i + 1) != c))
                i += s[i] == c ? 2 : 1;
            ++i;
        } else if (c == '[') {
            const qsizetype end = s.indexOf(']', i + 1);
            i = end < 0 ? n : end + 1;
        } else if (c == '$' || c == '@' || c == ':' || c == '#') {
            // A parameter, with the engine's Tcl-style forms "a::b" and "a(...)".
            qsizetype letters = 0;
            for (++i; i < n; ++i) {
                if (IsSqliteIdChar(s[i])) {
                    ++letters;
                } else if (s[i] == '(' && letters > 0) {
                    while (i < n && !IsSqliteSpace(s[i]) && s[i] != ')')
                        ++i;
                    if (i < n && s[i] == ')')
                        ++i;
                    break;
                } else if (s[i] == ':' && at(i + 1) == ':') {
                    ++i;
                } else {
                    break;
                }
            }
        } else if (IsAsciiDigit(c) || (c == '.' && IsAsciiDigit(at(i + 1)))) {
            if (c == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X') && IsHexDigit(at(i + 2))) {
                for (i += 3; i < n && IsHexDigit(s[i]); ++i) {}
                continue;
            }
            while (i < n && IsAsciiDigit(s[i]))
                ++i;
            if (at(i) == '.')
                for (++i; i < n && IsAsciiDigit(s[i]); ++i) {}
            if ((at(i) == 'e' || at(i) == 'E') &&
                (IsAsciiDigit(at(i + 1)) || ((at(i + 1) == '+' || at(i + 1) == '-') && IsAsciiDigit(at(i + 2)))))
                for (i += 2; i < n && IsAsciiDigit(s[i]); ++i) {}
            while (i < n && IsSqliteIdChar(s[i]))
                ++i;
        } else if (IsSqliteIdChar(c)) {
            qsizetype j = i;
            while (j < n && IsSqliteIdChar(s[j]))
                ++j;
            for (const char* keyword : keywords)
                if (SameKeyword(s, i, j - i, keyword))
                    return true;
            i = j;
        } else {
            ++i;
        }
    }
    return false;
}

} // namespace levy::jet
