#include "JetParser.h"

#include "JetDateLiteral.h"
#include "JetTokenizer.h"
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

namespace {
const QString missingItem = u"Missing ), ], or Item in query expression '%1'."_s;
const QString missingOperator = u"Syntax error (missing operator) in query expression '%1'."_s;
const QString selectFault = u"The SELECT statement includes a reserved word or an argument name that is misspelled "
                            u"or missing, or the punctuation is incorrect."_s;
const QString transformFault = u"Syntax error in TRANSFORM statement."_s;
const QString nestedTooDeeply = u"The statement is nested too deeply to be run. Simplify its expressions."_s;
// The parser recurses once or more per level of parentheses, sub-selects, NOTs and
// signs: a statement nested past this is refused before it can exhaust the stack.
constexpr int maxNesting = 200;
// The engine refuses expression trees deeper than 1000 levels anyway; refusing them
// here keeps the translator's recursion over the tree as shallow.
constexpr int maxExpressionHeight = 1000;

// The binary operators, one level a row, from the loosest to the tightest; each level
// groups from the left. NOT and the comparisons (=, IS, IN, LIKE, BETWEEN ...) take the
// empty level between AND and the relational operators; the signs and ^ bind tighter
// than all of them.
const QList<QStringList> binaryLevels = {
    {u"IMP"_s},
    {u"EQV"_s},
    {u"XOR"_s},
    {u"OR"_s},
    {u"AND"_s},
    {},
    {u"<"_s, u">"_s, u"<="_s, u">="_s},
    {u"&"_s, u"|"_s, u"<<"_s, u">>"_s},
    {u"+"_s, u"-"_s},
    {u"MOD"_s},
    {u"\\"_s},
    {u"*"_s, u"/"_s, u"%"_s},
    {u"||"_s},
};
constexpr int notLevel = 5;
constexpr int relationalLevel = notLevel + 1;

class Parser {
public:
    Parser(const QString& sql, QList<JetToken> tokens) : sql_(sql), t_(std::move(tokens)) {}
    Query ParseQuery();

private:
    // Tokens.
    const JetToken& Peek(qsizetype k = 0) const { return t_[std::min(p_ + k, t_.size() - 1)]; }
    const JetToken& Next()
    {
        const JetToken& t = t_[p_];
        if (p_ < t_.size() - 1)
            ++p_;
        return t;
    }
    qsizetype PreviousEnd() const { return p_ > 0 ? t_[p_ - 1].EndOffset() : 0; }
    bool AcceptWord(const QString& w)
    {
        if (!Peek().IsWord(w))
            return false;
        Next();
        return true;
    }
    bool AcceptSymbol(const QString& s)
    {
        if (!Peek().IsSymbol(s))
            return false;
        Next();
        return true;
    }
    bool StartsSelect(qsizetype k = 0) const
    {
        return Peek(k).IsWord(u"SELECT"_s) || Peek(k).IsWord(u"WITH"_s) || Peek(k).IsWord(u"VALUES"_s);
    }
    bool IsBareName(const JetToken& t) const { return t.kind == JetToken::Word && !IsReservedWord(t.text); }
    bool IsName(const JetToken& t) const { return t.kind == JetToken::QuotedName || IsBareName(t); }
    QString NameOf(const JetToken& t) const { return t.kind == JetToken::QuotedName ? t.value : t.text; }

    // Faults.
    [[noreturn]] void Fail(const QString& message, qsizetype at) const;
    [[noreturn]] void Fail(const QString& message) const { Fail(message, Peek().offset); }
    [[noreturn]] void FailInExpression(const QString& pattern) const;
    // A token the grammar does not allow here: right after an expression, a missing
    // operator; otherwise the clause's own fault.
    [[noreturn]] void Unexpected(const QString& clauseMessage) const;
    void ExpectSymbol(const QString& s, const QString& clauseMessage)
    {
        if (!AcceptSymbol(s))
            Unexpected(clauseMessage);
    }
    QString ExpressionText(qsizetype end) const;

    // Statements and clauses.
    void ParseParameters(Query& q);
    void ParseTransform(Query& q);
    SelectPtr ParseSelectStatement();
    SelectCore ParseCore(bool first);
    void ParseResultColumns(SelectCore& core);
    SourcePtr ParseFrom();
    SourcePtr ParseSingleSource();
    ExprPtr ParseClauseExpression();
    QList<ExprPtr> ParseExpressionList(const QString& clauseMessage);
    QString ParseAlias();

    // One level of nesting for as long as it lives.
    class Nested {
    public:
        explicit Nested(Parser& parser) : parser_(parser)
        {
            if (++parser_.nesting_ > maxNesting) {
                --parser_.nesting_;
                RaiseEngine(engine::errSyntax, nestedTooDeeply);
            }
        }
        ~Nested() { --parser_.nesting_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

    private:
        Parser& parser_;
    };

    // Expressions, from the loosest operator to the tightest.
    ExprPtr ParseExpr()
    {
        Nested level(*this);
        return ParseBinary(0);
    }
    // The binary operators of binaryLevels[level] and tighter.
    ExprPtr ParseBinary(int level);
    ExprPtr ParseNot();
    ExprPtr ParseEquality();
    ExprPtr ParseUnary();
    ExprPtr ParsePower();
    ExprPtr ParsePostfix();
    ExprPtr ParsePrimary();
    ExprPtr ParseName();
    ExprPtr ParseFunction();
    ExprPtr ParseCase();
    ExprPtr ParseCast();
    SelectPtr ParseParenthesisedSelect();

    ExprPtr Make(Expr::Kind kind, qsizetype offset, QString text = {}) const
    {
        auto e = std::make_shared<Expr>();
        e->kind = kind;
        e->offset = offset;
        e->text = std::move(text);
        return e;
    }
    ExprPtr Finish(ExprPtr e) const
    {
        e->end = PreviousEnd();
        for (const ExprPtr& a : e->args)
            if (a)
                e->height = std::max(e->height, a->height + 1);
        if (e->height > maxExpressionHeight)
            RaiseEngine(engine::errSyntax, nestedTooDeeply);
        return e;
    }
    ExprPtr Binary(const QString& op, ExprPtr l, ExprPtr r) const
    {
        auto e = Make(Expr::Binary, l->offset, op);
        e->args = {std::move(l), std::move(r)};
        return Finish(e);
    }

    const QString& sql_;
    QList<JetToken> t_;
    qsizetype p_ = 0;
    qsizetype expressionStart_ = 0;  // start of the clause's expression, for messages
    qsizetype lastExpressionEnd_ = -1;
    int pivotDepth_ = -1;  // while the pivot is read: the depth at which IN begins its list
    int nesting_ = 0;
};

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

ExprPtr Parser::ParseBinary(int level)
{
    if (level == notLevel)
        return ParseNot();
    if (level == std::ssize(binaryLevels))
        return ParseUnary();
    ExprPtr l = ParseBinary(level + 1);
    for (;;) {
        const JetToken& t = Peek();
        const QStringList& operators = binaryLevels[level];
        const auto op = std::find_if(operators.begin(), operators.end(),
                                     [&](const QString& o) { return t.IsSymbol(o) || t.IsWord(o); });
        if (op == operators.end())
            return l;
        Next();
        l = Binary(*op, l, ParseBinary(level + 1));
    }
}

ExprPtr Parser::ParseNot()
{
    if (Peek().IsWord(u"NOT"_s)) {
        Nested level(*this);
        auto e = Make(Expr::Unary, Next().offset, u"NOT"_s);
        e->args = {ParseNot()};
        return Finish(e);
    }
    return ParseEquality();
}

ExprPtr Parser::ParseEquality()
{
    ExprPtr l = ParseBinary(relationalLevel);
    for (;;) {
        const JetToken& t = Peek();
        if (t.IsSymbol(u"="_s) || t.IsSymbol(u"=="_s) || t.IsSymbol(u"<>"_s) || t.IsSymbol(u"!="_s)) {
            const QString op = Next().text;
            l = Binary(op, l, ParseBinary(relationalLevel));
            continue;
        }
        if (t.IsWord(u"IS"_s)) {
            Next();
            const bool negated = AcceptWord(u"NOT"_s);
            if (AcceptWord(u"NULL"_s)) {
                auto e = Make(Expr::IsNull, l->offset);
                e->args = {l};
                e->negated = negated;
                l = Finish(e);
            } else {
                l = Binary(negated ? u"IS NOT"_s : u"IS"_s, l, ParseBinary(relationalLevel));
            }
            continue;
        }
        if (t.IsWord(u"ISNULL"_s) || t.IsWord(u"NOTNULL"_s) || (t.IsWord(u"NOT"_s) && Peek(1).IsWord(u"NULL"_s))) {
            const bool negated = !t.IsWord(u"ISNULL"_s);
            if (t.IsWord(u"NOT"_s))
                Next();
            Next();
            auto e = Make(Expr::IsNull, l->offset);
            e->args = {l};
            e->negated = negated;
            l = Finish(e);
            continue;
        }
        bool negated = false;
        const JetToken& after = t.IsWord(u"NOT"_s) ? Peek(1) : t;
        const bool known = after.IsWord(u"IN"_s) || after.IsWord(u"LIKE"_s) || after.IsWord(u"BETWEEN"_s) ||
                           after.IsWord(u"GLOB"_s) || after.IsWord(u"REGEXP"_s) || after.IsWord(u"MATCH"_s);
        if (!known || (after.IsWord(u"IN"_s) && after.depth == pivotDepth_))
            break;
        if (t.IsWord(u"NOT"_s)) {
            Next();
            negated = true;
        }
        const QString word = Next().text.toUpper();
        if (word == u"IN"_s) {
            if (Peek().IsSymbol(u"("_s)) {
                if (StartsSelect(1)) {
                    auto e = Make(Expr::InSelect, l->offset);
                    e->args = {l};
                    e->select = ParseParenthesisedSelect();
                    e->negated = negated;
                    l = Finish(e);
                } else {
                    Next();
                    auto e = Make(Expr::InList, l->offset);
                    e->args = {l};
                    if (!Peek().IsSymbol(u")"_s)) {
                        do {
                            e->args.append(ParseExpr());
                        } while (AcceptSymbol(u","_s));
                    }
                    if (!AcceptSymbol(u")"_s))
                        FailInExpression(missingItem);
                    e->negated = negated;
                    l = Finish(e);
                }
            } else if (IsName(Peek())) {
                auto e = Make(Expr::InTable, l->offset, NameOf(Next()));
                e->args = {l};
                e->negated = negated;
                l = Finish(e);
            } else {
                FailInExpression(u"Syntax error in query expression '%1': IN must be followed by a list in "
                                 u"parentheses."_s);
            }
        } else if (word == u"BETWEEN"_s) {
            auto e = Make(Expr::Between, l->offset);
            ExprPtr low = ParseBinary(relationalLevel);
            if (!AcceptWord(u"AND"_s))
                FailInExpression(u"Between operator without And in query expression '%1'."_s);
            e->args = {l, low, ParseBinary(relationalLevel)};
            e->negated = negated;
            l = Finish(e);
        } else {
            auto e = Make(Expr::Like, l->offset, word);
            e->args = {l, ParseBinary(relationalLevel)};
            if (AcceptWord(u"ESCAPE"_s))
                e->args.append(ParseBinary(relationalLevel));
            e->negated = negated;
            l = Finish(e);
        }
    }
    return l;
}

ExprPtr Parser::ParseUnary()
{
    if (Peek().IsSymbol(u"-"_s) || Peek().IsSymbol(u"+"_s) || Peek().IsSymbol(u"~"_s)) {
        Nested level(*this);
        const JetToken& t = Next();
        auto e = Make(Expr::Unary, t.offset, t.text);
        e->args = {ParseUnary()};
        return Finish(e);
    }
    return ParsePower();
}

ExprPtr Parser::ParsePower()
{
    ExprPtr l = ParsePostfix();
    while (AcceptSymbol(u"^"_s)) {
        // The exponent may carry its own sign: 2 ^ -1.
        ExprPtr r;
        if (Peek().IsSymbol(u"-"_s) || Peek().IsSymbol(u"+"_s)) {
            const JetToken& t = Next();
            r = Make(Expr::Unary, t.offset, t.text);
            r->args = {ParsePostfix()};
            Finish(r);
        } else {
            r = ParsePostfix();
        }
        l = Binary(u"^"_s, l, r);
    }
    return l;
}

ExprPtr Parser::ParsePostfix()
{
    ExprPtr e = ParsePrimary();
    while (AcceptWord(u"COLLATE"_s)) {
        const JetToken& t = Peek();
        if (t.kind != JetToken::Word && t.kind != JetToken::QuotedName && t.kind != JetToken::Text)
            FailInExpression(u"Syntax error in query expression '%1': COLLATE must be followed by a name."_s);
        auto c = Make(Expr::Collate, e->offset, NameOf(Next()));
        c->args = {e};
        e = Finish(c);
    }
    return e;
}

ExprPtr Parser::ParsePrimary()
{
    const JetToken& t = Peek();
    switch (t.kind) {
    case JetToken::Number: {
        Next();
        const bool hex = t.text.startsWith(u"0x"_s, Qt::CaseInsensitive);
        const bool real = !hex && (t.text.contains(u'.') || t.text.contains(u'e', Qt::CaseInsensitive));
        return Finish(Make(real ? Expr::Real : Expr::Integer, t.offset, t.text));
    }
    case JetToken::Text: {
        Next();
        auto e = Make(Expr::Text, t.offset, t.value);
        e->doubleQuoted = t.text.startsWith(u'"');
        return Finish(e);
    }
    case JetToken::Date: {
        const std::optional<QString> stored = ReadDateLiteral(t.value);
        if (!stored)
            FailInExpression(u"Syntax error in date in query expression '%1'. Write dates month first between "
                             u"hash signs, for example #3/15/2025#, or as #2025-03-15#."_s);
        Next();
        return Finish(Make(Expr::Date, t.offset, *stored));
    }
    case JetToken::Blob:
        Next();
        return Finish(Make(Expr::Blob, t.offset, t.value));
    case JetToken::Parameter:
        Next();
        return Finish(Make(Expr::Parameter, t.offset, t.text));
    case JetToken::QuotedName:
        return ParseName();
    case JetToken::Invalid:
        Unexpected(selectFault);
    case JetToken::End:
        if (ExpressionText(t.offset).isEmpty())
            Fail(u"The statement ends where a value or an expression is expected."_s);
        FailInExpression(u"Syntax error in query expression '%1': the expression is incomplete."_s);
    case JetToken::Symbol:
        if (t.IsSymbol(u"("_s)) {
            if (StartsSelect(1)) {
                auto e = Make(Expr::Subquery, t.offset);
                e->select = ParseParenthesisedSelect();
                return Finish(e);
            }
            Next();
            ExprPtr inner = ParseExpr();
            if (!AcceptSymbol(u")"_s)) {
                lastExpressionEnd_ = PreviousEnd();
                if (Peek().kind == JetToken::End || Peek().kind == JetToken::Symbol)
                    FailInExpression(missingItem);
                Unexpected(missingItem.arg(ExpressionText(Peek().EndOffset())));
            }
            // Keep the written parentheses' extent for messages.
            inner->offset = std::min(inner->offset, t.offset);
            inner->end = PreviousEnd();
            return inner;
        }
        FailInExpression(u"Syntax error in query expression '%1'."_s);
    case JetToken::Word:
        break;
    }
    const QString w = t.text.toUpper();
    if (w == u"NULL"_s) {
        Next();
        return Finish(Make(Expr::Null, t.offset));
    }
    if (w == u"TRUE"_s || w == u"YES"_s || w == u"ON"_s || w == u"FALSE"_s || w == u"NO"_s || w == u"OFF"_s) {
        Next();
        const bool truth = w == u"TRUE"_s || w == u"YES"_s || w == u"ON"_s;
        return Finish(Make(Expr::Boolean, t.offset, truth ? u"-1"_s : u"0"_s));
    }
    if (w == u"CURRENT_DATE"_s || w == u"CURRENT_TIME"_s || w == u"CURRENT_TIMESTAMP"_s) {
        Next();
        return Finish(Make(Expr::Keyword, t.offset, w));
    }
    if (w == u"CASE"_s)
        return ParseCase();
    if (w == u"CAST"_s && Peek(1).IsSymbol(u"("_s))
        return ParseCast();
    if (w == u"EXISTS"_s && Peek(1).IsSymbol(u"("_s)) {
        Next();
        auto e = Make(Expr::Exists, t.offset);
        if (!StartsSelect(1))
            FailInExpression(u"Syntax error in query expression '%1': EXISTS must be followed by a SELECT in "
                             u"parentheses."_s);
        e->select = ParseParenthesisedSelect();
        return Finish(e);
    }
    if (w == u"NOT"_s) {
        Nested level(*this);
        Next();
        auto e = Make(Expr::Unary, t.offset, u"NOT"_s);
        e->args = {ParseNot()};
        return Finish(e);
    }
    if (Peek(1).IsSymbol(u"("_s))
        return ParseFunction();
    if (IsReservedWord(w))
        FailInExpression(u"Syntax error in query expression '%1': the reserved word %2 cannot stand here. Put a "
                         u"name that is a reserved word in [brackets]."_s.arg(u"%1"_s, t.text));
    return ParseName();
}

ExprPtr Parser::ParseName()
{
    const JetToken& first = Next();
    QStringList parts{NameOf(first)};
    // table.field and table!field, also schema.table.field.
    while ((Peek().IsSymbol(u"."_s) || Peek().IsSymbol(u"!"_s)) &&
           (Peek(1).kind == JetToken::QuotedName || Peek(1).kind == JetToken::Word)) {
        Next();
        parts.append(NameOf(Next()));
    }
    if (parts.size() > 3)
        FailInExpression(u"Syntax error in query expression '%1': too many parts in a name."_s);
    auto e = Make(Expr::Column, first.offset, parts.last());
    if (parts.size() >= 2)
        e->qualifier = parts[parts.size() - 2];
    if (parts.size() == 3)
        e->schema = parts[0];
    return Finish(e);
}

ExprPtr Parser::ParseFunction()
{
    const JetToken& name = Next();
    auto e = Make(Expr::Function, name.offset, name.text);
    Next();  // (
    if (AcceptSymbol(u"*"_s)) {
        e->star = true;
    } else if (!Peek().IsSymbol(u")"_s)) {
        if (AcceptWord(u"DISTINCT"_s))
            e->distinct = true;
        else
            AcceptWord(u"ALL"_s);
        do {
            e->args.append(ParseExpr());
        } while (AcceptSymbol(u","_s));
    }
    if (!AcceptSymbol(u")"_s)) {
        lastExpressionEnd_ = PreviousEnd();
        if (Peek().kind == JetToken::End || Peek().kind == JetToken::Symbol)
            FailInExpression(missingItem);
        Unexpected(missingItem.arg(ExpressionText(Peek().EndOffset())));
    }
    return Finish(e);
}

ExprPtr Parser::ParseCase()
{
    auto e = Make(Expr::Case, Next().offset);
    if (!Peek().IsWord(u"WHEN"_s)) {
        e->hasOperand = true;
        e->args.append(ParseExpr());
    }
    if (!Peek().IsWord(u"WHEN"_s))
        FailInExpression(u"Syntax error in query expression '%1': CASE needs WHEN ... THEN ..."_s);
    while (AcceptWord(u"WHEN"_s)) {
        e->args.append(ParseExpr());
        if (!AcceptWord(u"THEN"_s))
            FailInExpression(u"Syntax error in query expression '%1': THEN expected."_s);
        e->args.append(ParseExpr());
    }
    if (AcceptWord(u"ELSE"_s)) {
        e->hasElse = true;
        e->args.append(ParseExpr());
    }
    if (!AcceptWord(u"END"_s))
        FailInExpression(u"Syntax error in query expression '%1': CASE must end with END."_s);
    return Finish(e);
}

ExprPtr Parser::ParseCast()
{
    auto e = Make(Expr::Cast, Next().offset);
    Next();  // (
    e->args = {ParseExpr()};
    if (!AcceptWord(u"AS"_s))
        FailInExpression(u"Syntax error in query expression '%1': CAST needs AS and a type."_s);
    QStringList type;
    while (Peek().kind == JetToken::Word || Peek().kind == JetToken::QuotedName) {
        // The type goes into the translation as it is written: a quoted name may hold
        // nothing but a type's own letters, or it could carry a clause of its own.
        const QString word = NameOf(Next());
        for (QChar c : word)
            if (!(c.isLetterOrNumber() || c == u'_' || c == u' '))
                FailInExpression(u"Syntax error in query expression '%1': the type of a CAST is a name of letters, "
                                 u"digits and spaces, such as TEXT or INTEGER."_s);
        type.append(word);
    }
    if (type.isEmpty())
        FailInExpression(u"Syntax error in query expression '%1': CAST needs AS and a type."_s);
    QString text = type.join(u' ');
    if (AcceptSymbol(u"("_s)) {
        QStringList sizes;
        do {
            bool negative = AcceptSymbol(u"-"_s);
            if (!negative)
                AcceptSymbol(u"+"_s);
            if (Peek().kind != JetToken::Number)
                FailInExpression(missingItem);
            sizes.append((negative ? u"-"_s : QString()) + Next().text);
        } while (AcceptSymbol(u","_s));
        if (!AcceptSymbol(u")"_s))
            FailInExpression(missingItem);
        text += u'(' + sizes.join(u',') + u')';
    }
    e->text = text;
    if (!AcceptSymbol(u")"_s))
        FailInExpression(missingItem);
    return Finish(e);
}
} // namespace

Query ParseJetQuery(const UserStatement& statement) { return Parser(statement.sql, statement.tokens).ParseQuery(); }

Query ParseJetQuery(const QString& sql) { return Parser(sql, TokenizeJet(sql)).ParseQuery(); }

} // namespace levy::jet
