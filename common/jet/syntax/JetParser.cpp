#include "jet/syntax/JetParser.h"

#include "jet/syntax/JetParserCore.h"
#include "engine/EngineErrors.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using levy::engine::RaiseEngine;

namespace levy::jet {

bool IsReservedWord(const QString& word)
{
    static const QSet<QString> reserved = {
        u"ALL"_s,      u"AND"_s,     u"AS"_s,        u"ASC"_s,        u"BETWEEN"_s,    u"BY"_s,       u"CASE"_s,
        u"CAST"_s,     u"COLLATE"_s, u"CROSS"_s,     u"DESC"_s,       u"DISTINCT"_s,   u"DISTINCTROW"_s,
        u"ELSE"_s,     u"END"_s,     u"EQV"_s,       u"ESCAPE"_s,     u"EXCEPT"_s,     u"EXISTS"_s,   u"FALSE"_s,
        u"FROM"_s,     u"FULL"_s,    u"GLOB"_s,      u"GROUP"_s,      u"HAVING"_s,     u"IMP"_s,      u"IN"_s,
        u"INDEXED"_s,  u"INNER"_s,   u"INTERSECT"_s, u"INTO"_s,       u"IS"_s,         u"ISNULL"_s,   u"JOIN"_s,
        u"LEFT"_s,     u"LIKE"_s,    u"LIMIT"_s,     u"MATCH"_s,      u"MOD"_s,        u"NATURAL"_s,  u"NO"_s,
        u"NOT"_s,      u"NOTNULL"_s, u"NULL"_s,      u"OFF"_s,        u"OFFSET"_s,     u"ON"_s,       u"OR"_s,
        u"ORDER"_s,    u"OUTER"_s,   u"PARAMETERS"_s, u"PIVOT"_s,     u"REGEXP"_s,     u"RIGHT"_s,    u"SELECT"_s,
        u"THEN"_s,     u"TOP"_s,     u"TRANSFORM"_s, u"TRUE"_s,       u"UNION"_s,      u"USING"_s,    u"VALUES"_s,
        u"WHEN"_s,     u"WHERE"_s,   u"WITH"_s,      u"XOR"_s,        u"YES"_s,
    };
    return reserved.contains(word.toUpper());
}

namespace parsing {

void Parser::Fail(const QString& message, qsizetype at) const
{
    const JetToken* token = nullptr;
    for (const JetToken& t : t_)
        if (t.offset == at && t.kind != JetToken::End)
            token = &t;
    QString place = token ? u" The fault is near \"%1\" at %2."_s.arg(token->text.left(40), DescribePlace(sql_, at))
                          : u" The fault is at the end of the statement."_s;
    RaiseEngine(engine::errSyntax, message + place);
}

QString Parser::ExpressionText(qsizetype end) const
{
    QString text = sql_.mid(expressionStart_, end - expressionStart_).simplified();
    if (text.size() > 80)
        text = text.left(77) + u"..."_s;
    return text;
}

void Parser::FailInExpression(const QString& pattern) const
{
    Fail(pattern.arg(ExpressionText(Peek().EndOffset())));
}

void Parser::Unexpected(const QString& clauseMessage) const
{
    const JetToken& t = Peek();
    const bool operand = t.kind == JetToken::Word || t.kind == JetToken::QuotedName || t.kind == JetToken::Text ||
                         t.kind == JetToken::Number || t.kind == JetToken::Date || t.IsSymbol(u"("_s);
    if (lastExpressionEnd_ == PreviousEnd() && operand && !(t.kind == JetToken::Word && IsReservedWord(t.text)))
        FailInExpression(missingOperator);
    if (t.kind == JetToken::Invalid) {
        if (t.value == u"text"_s)
            FailInExpression(u"Syntax error in string in query expression '%1'."_s);
        if (t.value == u"date"_s)
            FailInExpression(u"Syntax error in date in query expression '%1'."_s);
        if (t.value == u"name"_s)
            FailInExpression(missingItem);
        Fail(u"A comment begun with /* is never closed with */."_s);
    }
    Fail(clauseMessage);
}

Query Parser::ParseQuery()
{
    Query q;
    if (Peek().IsWord(u"PARAMETERS"_s))
        ParseParameters(q);
    if (Peek().IsWord(u"TRANSFORM"_s))
        ParseTransform(q);
    else if (StartsSelect() || Peek().IsSymbol(u"("_s))
        q.select = ParseSelectStatement();
    else
        Fail(u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."_s);
    const bool closed = AcceptSymbol(u";"_s);
    if (Peek().kind != JetToken::End) {
        if (!closed && Peek().kind != JetToken::Symbol)
            Unexpected(selectFault);
        RaiseEngine(engine::errTrailingCharacters, u"Characters found after end of SQL statement."_s);
    }
    return q;
}

void Parser::ParseParameters(Query& q)
{
    const QString fault = u"Syntax error in PARAMETER clause."_s;
    Next();
    do {
        if (!IsName(Peek()) && Peek().kind != JetToken::Word)
            Fail(fault);
        QueryParameter parameter;
        parameter.offset = Peek().offset;
        parameter.name = NameOf(Next());
        if (Peek().kind != JetToken::Word)
            Fail(fault);
        parameter.type = Next().text;
        if (AcceptSymbol(u"("_s)) {
            if (Peek().kind != JetToken::Number)
                Fail(fault);
            Next();
            if (!AcceptSymbol(u")"_s))
                Fail(fault);
        }
        q.parameters.append(parameter);
    } while (AcceptSymbol(u","_s));
    if (!AcceptSymbol(u";"_s))
        Fail(fault);
}

void Parser::ParseTransform(Query& q)
{
    Transform tr;
    tr.offset = Next().offset;
    if (Peek().kind == JetToken::End)
        Fail(transformFault);
    tr.value = ParseClauseExpression();
    if (AcceptWord(u"AS"_s)) {
        if (Peek().kind != JetToken::Word && Peek().kind != JetToken::QuotedName)
            Fail(transformFault);
        tr.valueAlias = NameOf(Next());
    }
    if (!Peek().IsWord(u"SELECT"_s))
        Unexpected(transformFault);
    q.select = ParseSelectStatement();
    if (q.select->cores.size() != 1 || q.select->cores[0].groupBy.isEmpty() || q.select->cores[0].isValues)
        Fail(transformFault);
    if (!Peek().IsWord(u"PIVOT"_s))
        Unexpected(transformFault);
    tr.pivotOffset = Next().offset;
    if (Peek().kind == JetToken::End)
        Fail(transformFault);
    // PIVOT x IN (...) lists the columns: that IN is no operator of the expression.
    pivotDepth_ = Peek().depth;
    tr.pivot = ParseClauseExpression();
    pivotDepth_ = -1;
    if (AcceptWord(u"IN"_s)) {
        tr.hasIn = true;
        if (!AcceptSymbol(u"("_s))
            Fail(transformFault);
        tr.pivotIn = ParseExpressionList(transformFault);
        if (!AcceptSymbol(u")"_s))
            Unexpected(transformFault);
    }
    // The dialect also takes the ordering after the pivot.
    if (Peek().IsWord(u"ORDER"_s) && q.select->orderBy.isEmpty()) {
        Next();
        if (!AcceptWord(u"BY"_s))
            Fail(u"Syntax error in ORDER BY clause."_s);
        do {
            OrderTerm term;
            term.expr = ParseClauseExpression();
            if (AcceptWord(u"DESC"_s))
                term.descending = true;
            else
                AcceptWord(u"ASC"_s);
            q.select->orderBy.append(term);
        } while (AcceptSymbol(u","_s));
    }
    q.transform = tr;
}

SelectPtr Parser::ParseSelectStatement()
{
    Nested level(*this);
    auto s = std::make_shared<SelectStatement>();
    s->offset = Peek().offset;
    if (AcceptWord(u"WITH"_s)) {
        s->recursive = AcceptWord(u"RECURSIVE"_s);
        do {
            CommonTable cte;
            cte.offset = Peek().offset;
            if (!IsName(Peek()))
                Fail(u"Syntax error in WITH clause: a name for the common table is missing."_s);
            cte.name = NameOf(Next());
            if (AcceptSymbol(u"("_s)) {
                do {
                    if (!IsName(Peek()))
                        Fail(u"Syntax error in WITH clause."_s);
                    cte.columns.append(NameOf(Next()));
                } while (AcceptSymbol(u","_s));
                ExpectSymbol(u")"_s, u"Syntax error in WITH clause."_s);
            }
            if (!AcceptWord(u"AS"_s) || !Peek().IsSymbol(u"("_s))
                Fail(u"Syntax error in WITH clause: AS ( ... ) expected."_s);
            cte.select = ParseParenthesisedSelect();
            s->with.append(cte);
        } while (AcceptSymbol(u","_s));
    }
    s->cores.append(ParseCore(true));
    for (;;) {
        QString op;
        if (AcceptWord(u"UNION"_s))
            op = AcceptWord(u"ALL"_s) ? u"UNION ALL"_s : u"UNION"_s;
        else if (AcceptWord(u"INTERSECT"_s))
            op = u"INTERSECT"_s;
        else if (AcceptWord(u"EXCEPT"_s))
            op = u"EXCEPT"_s;
        else
            break;
        // UNION DISTINCT reads as UNION.
        if (op == u"UNION"_s)
            AcceptWord(u"DISTINCT"_s);
        s->operators.append(op);
        s->cores.append(ParseCore(false));
    }
    if (AcceptWord(u"ORDER"_s)) {
        if (!AcceptWord(u"BY"_s))
            Fail(u"Syntax error in ORDER BY clause."_s);
        do {
            OrderTerm term;
            if (Peek().kind == JetToken::End || Peek().IsSymbol(u")"_s))
                Fail(u"Syntax error in ORDER BY clause."_s);
            term.expr = ParseClauseExpression();
            if (AcceptWord(u"DESC"_s))
                term.descending = true;
            else
                AcceptWord(u"ASC"_s);
            s->orderBy.append(term);
        } while (AcceptSymbol(u","_s));
    }
    if (AcceptWord(u"LIMIT"_s)) {
        s->limit = ParseClauseExpression();
        if (AcceptWord(u"OFFSET"_s)) {
            s->limitOffset = ParseClauseExpression();
        } else if (AcceptSymbol(u","_s)) {
            // LIMIT skip, count
            s->limitOffset = s->limit;
            s->limit = ParseClauseExpression();
        }
    }
    return s;
}

SelectPtr Parser::ParseParenthesisedSelect()
{
    const qsizetype open = Peek().offset;
    Next();
    const qsizetype savedStart = expressionStart_;
    SelectPtr s = ParseSelectStatement();
    expressionStart_ = savedStart;
    if (!AcceptSymbol(u")"_s)) {
        if (Peek().kind == JetToken::End)
            Fail(u"A parenthesis opened here is never closed."_s, open);
        Unexpected(selectFault);
    }
    return s;
}

SelectCore Parser::ParseCore(bool first)
{
    SelectCore core;
    core.offset = Peek().offset;
    if (Peek().IsSymbol(u"("_s) && (StartsSelect(1) || Peek(1).IsSymbol(u"("_s))) {
        core.nested = ParseParenthesisedSelect();
        return core;
    }
    if (AcceptWord(u"VALUES"_s)) {
        core.isValues = true;
        do {
            ExpectSymbol(u"("_s, selectFault);
            core.values.append(ParseExpressionList(selectFault));
            ExpectSymbol(u")"_s, selectFault);
        } while (AcceptSymbol(u","_s));
        return core;
    }
    if (!first && AcceptWord(u"TABLE"_s)) {
        // TABLE name: the dialect's short form of SELECT * FROM name in a union.
        ResultColumn all;
        all.star = true;
        core.columns.append(all);
        core.from = ParseSingleSource();
        return core;
    }
    if (!AcceptWord(u"SELECT"_s)) {
        if (first)
            Fail(u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."_s);
        Fail(u"Syntax error in union query: each part must be a SELECT statement."_s);
    }
    for (;;) {
        if (AcceptWord(u"ALL"_s))
            continue;
        if (AcceptWord(u"DISTINCT"_s)) {
            core.distinct = true;
            continue;
        }
        if (AcceptWord(u"DISTINCTROW"_s)) {
            core.distinctRow = true;
            continue;
        }
        if (Peek().IsWord(u"TOP"_s) && !core.top) {
            Next();
            if (Peek().kind != JetToken::Number)
                Fail(u"TOP must be followed by a whole number, for example SELECT TOP 10 ..."_s);
            const JetToken& n = Next();
            core.top = Make(n.text.contains(u'.') || n.text.contains(u'e', Qt::CaseInsensitive) ? Expr::Real
                                                                                                  : Expr::Integer,
                            n.offset, n.text);
            Finish(core.top);
            core.topPercent = AcceptWord(u"PERCENT"_s);
            continue;
        }
        break;
    }
    ParseResultColumns(core);
    if (Peek().IsWord(u"INTO"_s))
        Fail(u"A query cannot make a new table (SELECT ... INTO)."_s);
    if (AcceptWord(u"FROM"_s))
        core.from = ParseFrom();
    if (AcceptWord(u"WHERE"_s))
        core.where = ParseClauseExpression();
    if (AcceptWord(u"GROUP"_s)) {
        if (!AcceptWord(u"BY"_s))
            Fail(u"Syntax error in GROUP BY clause."_s);
        core.groupBy = ParseExpressionList(u"Syntax error in GROUP BY clause."_s);
    }
    if (AcceptWord(u"HAVING"_s))
        core.having = ParseClauseExpression();
    // What may follow a select: the end, a set operator, ORDER BY, LIMIT, PIVOT or ")".
    const JetToken& t = Peek();
    const bool follows = t.kind == JetToken::End || t.IsSymbol(u";"_s) || t.IsSymbol(u")"_s) ||
                         t.IsWord(u"UNION"_s) || t.IsWord(u"INTERSECT"_s) || t.IsWord(u"EXCEPT"_s) ||
                         t.IsWord(u"ORDER"_s) || t.IsWord(u"LIMIT"_s) || t.IsWord(u"PIVOT"_s);
    if (!follows) {
        if (core.having || !core.groupBy.isEmpty() || core.where)
            Unexpected(u"Syntax error in query: \"%1\" cannot stand here."_s.arg(t.text));
        if (core.from)
            Unexpected(u"Syntax error in FROM clause."_s);
        Unexpected(selectFault);
    }
    return core;
}

void Parser::ParseResultColumns(SelectCore& core)
{
    do {
        ResultColumn c;
        c.offset = Peek().offset;
        if (AcceptSymbol(u"*"_s)) {
            c.star = true;
        } else if (IsName(Peek()) && (Peek(1).IsSymbol(u"."_s) || Peek(1).IsSymbol(u"!"_s)) &&
                   Peek(2).IsSymbol(u"*"_s)) {
            c.star = true;
            c.starQualifier = NameOf(Next());
            Next();
            Next();
        } else {
            const JetToken& t = Peek();
            if (t.kind == JetToken::End || (t.kind == JetToken::Word && IsReservedWord(t.text) &&
                                            !Peek(1).IsSymbol(u"("_s) && !t.IsWord(u"NULL"_s) &&
                                            !t.IsWord(u"NOT"_s) && !t.IsWord(u"CASE"_s) &&
                                            !t.IsWord(u"EXISTS"_s) && !t.IsWord(u"TRUE"_s) && !t.IsWord(u"FALSE"_s) &&
                                            !t.IsWord(u"YES"_s) && !t.IsWord(u"NO"_s) && !t.IsWord(u"ON"_s) &&
                                            !t.IsWord(u"OFF"_s)))
                Fail(selectFault);
            c.expr = ParseClauseExpression();
            if (AcceptWord(u"AS"_s)) {
                const JetToken& a = Peek();
                if (a.kind != JetToken::Word && a.kind != JetToken::QuotedName && a.kind != JetToken::Text)
                    Fail(u"A name must follow AS."_s);
                c.alias = a.kind == JetToken::Word ? a.text : a.value;
                c.hasAlias = true;
                Next();
            } else if (IsName(Peek()) || Peek().kind == JetToken::Text) {
                c.alias = Peek().kind == JetToken::Word ? Peek().text : Peek().value;
                c.hasAlias = true;
                Next();
            }
        }
        c.end = PreviousEnd();
        core.columns.append(c);
    } while (AcceptSymbol(u","_s));
}

QString Parser::ParseAlias()
{
    if (AcceptWord(u"AS"_s)) {
        if (Peek().kind != JetToken::Word && Peek().kind != JetToken::QuotedName && Peek().kind != JetToken::Text)
            Fail(u"Syntax error in FROM clause: a name must follow AS."_s);
        return NameOf(Next());
    }
    if (IsName(Peek()))
        return NameOf(Next());
    return {};
}

SourcePtr Parser::ParseFrom()
{
    const QString joinFault = u"Syntax error in JOIN operation."_s;
    SourcePtr left = ParseSingleSource();
    for (;;) {
        auto join = std::make_shared<Source>();
        join->kind = Source::Join;
        join->offset = Peek().offset;
        if (AcceptSymbol(u","_s)) {
            join->joinType = u","_s;
        } else {
            const qsizetype start = p_;
            join->natural = AcceptWord(u"NATURAL"_s);
            if (AcceptWord(u"INNER"_s))
                join->joinType = u"INNER"_s;
            else if (AcceptWord(u"LEFT"_s))
                join->joinType = u"LEFT"_s;
            else if (AcceptWord(u"RIGHT"_s))
                join->joinType = u"RIGHT"_s;
            else if (AcceptWord(u"FULL"_s))
                join->joinType = u"FULL"_s;
            else if (AcceptWord(u"CROSS"_s))
                join->joinType = u"CROSS"_s;
            else
                join->joinType = u"JOIN"_s;
            if (join->joinType == u"LEFT"_s || join->joinType == u"RIGHT"_s || join->joinType == u"FULL"_s)
                AcceptWord(u"OUTER"_s);
            if (!AcceptWord(u"JOIN"_s)) {
                if (p_ == start)
                    break;
                Fail(joinFault);
            }
            if (join->joinType == u"FULL"_s)
                Fail(u"FULL OUTER JOIN is not supported. Combine a LEFT JOIN and a RIGHT JOIN with UNION instead."_s,
                     join->offset);
        }
        join->left = left;
        join->right = ParseSingleSource();
        if (join->joinType != u","_s) {
            if (AcceptWord(u"ON"_s)) {
                join->on = ParseClauseExpression();
            } else if (AcceptWord(u"USING"_s)) {
                ExpectSymbol(u"("_s, joinFault);
                do {
                    if (!IsName(Peek()))
                        Fail(joinFault);
                    join->usingColumns.append(NameOf(Next()));
                } while (AcceptSymbol(u","_s));
                ExpectSymbol(u")"_s, joinFault);
            } else if (join->joinType == u"RIGHT"_s && !join->natural) {
                // The engine's own SQL takes a join without ON; swapped into a LEFT JOIN,
                // a RIGHT JOIN needs it.
                Unexpected(joinFault);
            }
        }
        left = join;
    }
    return left;
}

SourcePtr Parser::ParseSingleSource()
{
    Nested level(*this);
    const QString fault = u"Syntax error in FROM clause."_s;
    auto s = std::make_shared<Source>();
    s->offset = Peek().offset;
    if (Peek().IsSymbol(u"("_s)) {
        if (StartsSelect(1)) {
            s->kind = Source::Subquery;
            s->select = ParseParenthesisedSelect();
            s->alias = ParseAlias();
            return s;
        }
        Next();
        SourcePtr inner = ParseFrom();
        ExpectSymbol(u")"_s, fault);
        inner->parenthesized = true;
        const QString alias = ParseAlias();
        if (!alias.isEmpty()) {
            if (inner->kind == Source::Join)
                Fail(u"Syntax error in FROM clause: a join in parentheses cannot have a name."_s);
            inner->alias = alias;
        }
        return inner;
    }
    if (!IsName(Peek()))
        Unexpected(fault);
    s->kind = Source::Table;
    s->name = NameOf(Next());
    if (Peek().IsSymbol(u"."_s) && IsName(Peek(1))) {
        Next();
        s->schema = s->name;
        s->name = NameOf(Next());
    }
    if (Peek().IsWord(u"IN"_s) && (Peek(1).kind == JetToken::Text || Peek(1).kind == JetToken::QuotedName))
        Fail(u"A query can only read the levy database: tables of other database files (IN '...') cannot be "
             u"used."_s);
    s->alias = ParseAlias();
    if (AcceptWord(u"INDEXED"_s)) {
        if (!AcceptWord(u"BY"_s) || !IsName(Peek()))
            Fail(fault);
        s->indexedBy = NameOf(Next());
    } else if (Peek().IsWord(u"NOT"_s) && Peek(1).IsWord(u"INDEXED"_s)) {
        Next();
        Next();
        s->notIndexed = true;
    }
    return s;
}

ExprPtr Parser::ParseClauseExpression()
{
    // The start stays for a fault that follows the expression at once.
    expressionStart_ = Peek().offset;
    ExprPtr e = ParseExpr();
    lastExpressionEnd_ = PreviousEnd();
    expressionStart_ = e->offset;
    return e;
}

QList<ExprPtr> Parser::ParseExpressionList(const QString& clauseMessage)
{
    QList<ExprPtr> list;
    if (Peek().IsSymbol(u")"_s))
        return list;
    do {
        if (Peek().kind == JetToken::End)
            Fail(clauseMessage);
        list.append(ParseClauseExpression());
    } while (AcceptSymbol(u","_s));
    return list;
}
} // namespace parsing

Query ParseJetQuery(const UserStatement& statement) { return parsing::Parser(statement.sql, statement.tokens).ParseQuery(); }

Query ParseJetQuery(const QString& sql) { return parsing::Parser(sql, TokenizeJet(sql)).ParseQuery(); }

} // namespace levy::jet
