#include "jet/syntax/JetParserCore.h"

#include "jet/syntax/JetDateLiteral.h"
#include "jet/syntax/JetParser.h"

namespace levy::jet::parsing {

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
    e->bracketed = parts.size() == 1 && first.kind == JetToken::QuotedName && first.text.startsWith(u'[');
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

} // namespace levy::jet::parsing
