#include "jet/JetErrorMessages.h"

#include "jet/syntax/JetTokenizer.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
QString NameOf(const JetToken& t)
{
    if (t.kind == JetToken::QuotedName)
        return t.value;
    if (t.kind == JetToken::Word)
        return t.text;
    return {};
}

// Where the statement names `name` (after `qualifier` and a "." or "!", when given), or
// calls it when `call` is set: " (line 1, column 8)", or nothing when it is not found.
// `spelling` receives the name as the statement writes it.
QString PlaceOf(const UserStatement& statement, const QString& name, const QString& qualifier = {},
                bool call = false, QString* spelling = nullptr)
{
    const QList<JetToken>& tokens = statement.tokens;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (NameOf(tokens[i]).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (call && !tokens[i + 1].IsSymbol(u"("_s))
            continue;
        if (!qualifier.isEmpty() &&
            (i < 2 || !(tokens[i - 1].IsSymbol(u"."_s) || tokens[i - 1].IsSymbol(u"!"_s)) ||
             NameOf(tokens[i - 2]).compare(qualifier, Qt::CaseInsensitive) != 0))
            continue;
        const qsizetype at = qualifier.isEmpty() ? tokens[i].offset : tokens[i - 2].offset;
        if (spelling)
            *spelling = NameOf(tokens[i]);
        return u" (%1)"_s.arg(DescribePlace(statement.sql, at));
    }
    return {};
}

// A function's name as the statement writes it, and its place; the registered
// functions of the dialect carry a "jet_" before the name.
std::pair<QString, QString> FunctionNamed(const UserStatement& statement, const QString& registered)
{
    QString name = registered.startsWith(u"jet_"_s, Qt::CaseInsensitive) ? registered.mid(4) : registered;
    const QString place = PlaceOf(statement, name, {}, true, &name);
    return {name, place};
}

// A name or a piece of the statement as a message quotes it: a name of thousands of
// characters would make a box no one can read.
QString Brief(const QString& text)
{
    constexpr qsizetype longest = 60;
    return text.size() <= longest ? text : text.left(longest - 3) + u"..."_s;
}

QString Captured(const QString& message, const QString& pattern)
{
    const QRegularExpression re(u'^' + pattern + u'$');
    const auto m = re.match(message);
    return m.hasMatch() ? m.captured(1) : QString();
}
} // namespace

QString ClarifyEngineMessage(const QString& message, const UserStatement& statement)
{
    const QString& sql = statement.sql;
    if (QString table = Captured(message, u"no such table: (.+)"_s); !table.isEmpty()) {
        if (table.startsWith(u"main."_s))
            table = table.mid(5);
        return u"The levy database has no table or query named \"%1\"%2. Check the name's spelling; a name with "
               u"spaces goes in square brackets, for example [Levy Account Debits]."_s.arg(Brief(table), PlaceOf(statement, table));
    }
    if (const QString column = Captured(message, u"no such column: (.+)"_s); !column.isEmpty()) {
        const qsizetype dot = column.lastIndexOf(u'.');
        if (dot > 0) {
            const QString qualifier = column.left(dot);
            const QString field = column.mid(dot + 1);
            return u"There is no field \"%1\" in \"%2\"%3: either \"%2\" is not a table of this query (check the "
                   u"names after FROM and AS), or it has no field of that name. A name with spaces goes in square "
                   u"brackets, for example [%2].[%1]."_s.arg(Brief(field), Brief(qualifier), PlaceOf(statement, field, qualifier));
        }
        return u"No table of this query has a field named \"%1\"%2. Check its spelling, and put a name with "
               u"spaces in square brackets, for example [Student ID]. A text value goes in quotes: '%1'."_s.arg(
                   Brief(column), PlaceOf(statement, column));
    }
    if (const QString function = Captured(message, u"no such function: (.+)"_s); !function.isEmpty()) {
        const auto [name, place] = FunctionNamed(statement, function);
        return u"Undefined function '%1' in expression%2. Check the function's name and spelling."_s.arg(Brief(name), place);
    }
    if (const QString function = Captured(message, u"wrong number of arguments to function (.+)\\(\\)"_s);
        !function.isEmpty()) {
        const auto [name, place] = FunctionNamed(statement, function);
        return u"The function %1 was given the wrong number of arguments%2."_s.arg(name, place);
    }
    if (const QString column = Captured(message, u"ambiguous column name: (.+)"_s); !column.isEmpty())
        return u"The field \"%1\" is in more than one table of this query%2. Write it with its table's name or "
               u"alias before it, for example [Table Name].[%1]."_s.arg(Brief(column), PlaceOf(statement, column));
    if (const QString function = Captured(message, u"misuse of aggregate(?: function)?: (.+)\\(\\)"_s);
        !function.isEmpty()) {
        // Of several calls, the statement does not say which one is misplaced.
        auto [name, place] = FunctionNamed(statement, function);
        if (sql.count(QRegularExpression(u"\\b"_s + QRegularExpression::escape(name) + u"\\s*\\("_s,
                                         QRegularExpression::CaseInsensitiveOption)) > 1)
            place.clear();
        return u"The aggregate function %1 cannot be used here%2. Aggregates (Sum, Count, Avg, ...) belong in the "
               u"field list, in HAVING or in ORDER BY, not in WHERE, GROUP BY or inside another aggregate."_s.arg(
                   name, place);
    }
    if (message == u"aggregate functions are not allowed in the GROUP BY clause"_s)
        return u"An aggregate function (Sum, Count, Avg, ...) cannot be used in GROUP BY."_s;
    if (message.startsWith(u"SELECTs to the left and right of"_s))
        return u"The number of columns in the two selected tables or queries of a union query do not match. Each "
               u"SELECT of a union must list the same number of fields."_s;
    if (const QString nth = Captured(message, u"(\\d+(?:st|nd|rd|th)) ORDER BY term does not match any column in "
                                              u"the result set"_s);
        !nth.isEmpty())
        return u"The %1 term of ORDER BY in this union query is not one of its result columns. Order a union by "
               u"the names or numbers of its result columns."_s.arg(nth);
    if (const QString range = Captured(message, u"\\d+(?:st|nd|rd|th) (?:ORDER|GROUP) BY term out of range - should "
                                                u"be between 1 and (\\d+)"_s);
        !range.isEmpty())
        return u"A column number in ORDER BY or GROUP BY is out of range: this query has %1 columns."_s.arg(range);
    if (message == u"a GROUP BY clause is required before HAVING"_s)
        return u"HAVING can only be used with GROUP BY. Put a condition on single records in WHERE."_s;
    if (const QString n = Captured(message, u"sub-select returns (\\d+) columns - expected 1"_s); !n.isEmpty())
        return u"A subquery used as a value must select exactly one field; this one selects %1."_s.arg(n);
    if (const QString near = Captured(message, u"near \"(.*)\": syntax error"_s); !near.isEmpty())
        return u"Syntax error near \"%1\"%2."_s.arg(Brief(near), PlaceOf(statement, near));
    if (const QString token = Captured(message, u"unrecognized token: \"(.*)\""_s); !token.isEmpty())
        return u"The statement holds something that cannot be read: %1"_s.arg(Brief(token));
    if (message == u"too many terms in compound SELECT"_s)
        return u"A union query may join at most 500 select statements; this one joins more. Split it into "
               u"smaller queries."_s;
    if (message == u"integer overflow"_s)
        return u"A whole number in the query became too large (more than 19 digits)."_s;
    if (message.startsWith(u"Expression tree is too large"_s) || message == u"parser stack overflow"_s)
        return u"The statement is nested too deeply to be run. Simplify its expressions."_s;
    return message;
}

QString ClarifyRunTimeMessage(const QString& message, const UserStatement& statement)
{
    static const QRegularExpression fault(u"^.+? in ([A-Za-z]+)\\(\\)(?:\\.|: .*)$"_s,
                                          QRegularExpression::DotMatchesEverythingOption);
    const auto m = fault.match(message);
    if (!m.hasMatch())
        return message;
    const QString function = m.captured(1);
    QList<qsizetype> calls;
    const QList<JetToken>& tokens = statement.tokens;
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i)
        if (NameOf(tokens[i]).compare(function, Qt::CaseInsensitive) == 0 && tokens[i + 1].IsSymbol(u"("_s))
            calls.append(tokens[i].offset);
    if (calls.isEmpty())
        return message;
    const QString place = DescribePlace(statement.sql, calls.first());
    if (calls.size() == 1)
        return message + u" The call of %1 is at %2."_s.arg(function, place);
    const qsizetype others = calls.size() - 1;
    return message + u" The statement calls %1 at %2 and %3."_s.arg(
                         function, place, others == 1 ? u"once more"_s : u"%1 more times"_s.arg(others));
}

} // namespace levy::jet
