#pragma once

// The parser's own pieces, shared by the reading of statements (JetParser.cpp) and of
// expressions (JetExpressionParser.cpp).

#include "jet/syntax/JetParser.h"
#include "jet/syntax/JetSyntax.h"
#include "jet/syntax/JetTokenizer.h"
#include "engine/EngineErrors.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace levy::jet::parsing {

using namespace Qt::Literals::StringLiterals;
using levy::engine::RaiseEngine;

inline const QString missingItem = u"Missing ), ], or Item in query expression '%1'."_s;
inline const QString missingOperator = u"Syntax error (missing operator) in query expression '%1'."_s;
inline const QString selectFault = u"The SELECT statement includes a reserved word or an argument name that is misspelled "
                            u"or missing, or the punctuation is incorrect."_s;
inline const QString transformFault = u"Syntax error in TRANSFORM statement."_s;
inline const QString nestedTooDeeply = u"The statement is nested too deeply to be run. Simplify its expressions."_s;
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
inline const QList<QStringList> binaryLevels = {
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

} // namespace levy::jet::parsing
