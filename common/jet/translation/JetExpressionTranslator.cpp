#include "jet/translation/JetTranslatorImpl.h"

#include "jet/functions/JetFunctionCatalog.h"
#include "jet/syntax/JetTokenizer.h"
#include "engine/EngineErrors.h"
#include "engine/SqliteHandle.h"
#include "values/DaoConstants.h"

using namespace Qt::Literals::StringLiterals;

namespace levy::jet::translation {
namespace {
// A truth value as the engine gives it (1 or 0), from an operator at `precedence`.
Piece EngineTruth(QString sql, int precedence = precEquality)
{
    Piece p;
    p.sql = std::move(sql);
    p.precedence = precedence;
    p.type = dbBoolean;
    p.truth = Truth::Engine;
    return p;
}

Piece Literal(QString sql, int type)
{
    Piece p;
    p.sql = std::move(sql);
    p.type = type;
    return p;
}

QString InWord(bool negated) { return negated ? u" NOT IN"_s : u" IN"_s; }

// The dialect's operator as a call of its registered function.
Piece Call(const QString& function, const Piece& l, const Piece& r, int type)
{
    return Literal(function + u'(' + l.sql + u", "_s + r.sql + u')', type);
}

// The engine's own operator at `level`, grouping from the left.
Piece Native(const Piece& l, const QString& op, const Piece& r, int level, int type)
{
    Piece n = Literal(Wrap(l, level) + u' ' + op + u' ' + Wrap(r, level + 1), type);
    n.precedence = level;
    return n;
}

// Whole numbers stay whole: Integer, or Long when either side is one.
int WholeType(const Piece& l, const Piece& r) { return std::max(l.type, r.type) == dbLong ? dbLong : dbInteger; }
} // namespace

Piece Translator::AsValue(Piece p)
{
    // The engine's truth values are 1 and 0; the dialect's True is -1.
    if (p.truth != Truth::Engine)
        return p;
    Reading(readingTruth);
    Piece v;
    v.sql = u"- "_s + Wrap(p, precUnary);
    v.precedence = precUnary;
    v.type = dbBoolean;
    v.truth = Truth::Dialect;
    return v;
}

QString Translator::NoCaseSubject(const Piece& subject, const QList<Piece>& others)
{
    bool numericOther = false;
    bool noCaseOther = false;
    for (const Piece& o : others) {
        if (o.collated)
            return Wrap(subject, precEquality + 1);
        numericOther = numericOther || NumericOrNull(o.type);
        noCaseOther = noCaseOther || o.noCase;
    }
    const bool needed = !subject.collated && !subject.noCase && !NumericOrNull(subject.type) && !numericOther &&
                        !(subject.type == dbDate && !others.isEmpty() && others[0].type == dbDate) &&
                        !(!subject.column && noCaseOther);
    if (!needed)
        return Wrap(subject, precEquality + 1);
    if (!noCaseOther)
        Reading(readingCase);
    return Wrap(subject, precCollate) + u" COLLATE NOCASE"_s;
}

Piece Translator::TrCompare(const QString& op, const Piece& l, const Piece& r)
{
    NoteCompared(l, r);
    NoteCompared(r, l);
    const int level = (op == u"<"_s || op == u">"_s || op == u"<="_s || op == u">="_s) ? precRelational : precEquality;
    // The engine takes the left operand's collation, else the right's; an explicit
    // COLLATE on the right operand wins over both.
    const bool needed = !l.collated && !r.collated && !l.noCase && !(r.noCase && !l.column) &&
                        !NumericOrNull(l.type) && !NumericOrNull(r.type) &&
                        !(l.type == dbDate && r.type == dbDate);
    QString right = Wrap(r, level + 1);
    if (needed) {
        if (!r.noCase)
            Reading(readingCase);
        right = Wrap(r, precCollate) + u" COLLATE NOCASE"_s;
    }
    return EngineTruth(Wrap(l, level) + u' ' + op + u' ' + right, level);
}

Piece Translator::Sorted(Piece p)
{
    // Sorting and grouping by text follows the "General" order too.
    if (p.collated || p.noCase || NumericOrNull(p.type) || p.type == dbDate || p.truth != Truth::None)
        return p;
    Reading(readingCase);
    p.sql = Wrap(p, precCollate) + u" COLLATE NOCASE"_s;
    p.precedence = precCollate;
    p.collated = true;
    return p;
}

Piece Translator::Tr(const ExprPtr& ep)
{
    const Expr& e = *ep;
    switch (e.kind) {
    case Expr::Null:
    case Expr::Integer:
    case Expr::Real:
    case Expr::Text:
    case Expr::Date:
    case Expr::Boolean:
    case Expr::Blob:
    case Expr::Keyword: return TrLiteral(e);
    case Expr::Column: return TrColumn(e);
    case Expr::Parameter:
        Fail(u"The statement has a parameter (%1), whose value Delver cannot ask for. Write the value into the "
             u"statement instead."_s.arg(e.text),
             e.offset);
    case Expr::Function: return TrFunction(e);
    case Expr::Unary: return TrUnary(e);
    case Expr::Binary: return TrBinary(e);
    case Expr::Like: return TrLike(e);
    case Expr::Between:
    case Expr::InList:
    case Expr::InSelect:
    case Expr::InTable:
    case Expr::IsNull: return TrMembership(e);
    case Expr::Exists: return EngineTruth(u"EXISTS ("_s + TranslateSelect(*e.select, scope_).sql + u')', precPrimary);
    case Expr::Subquery: {
        const SelectOut sub = TranslateSelect(*e.select, scope_);
        Piece p = Literal(u'(' + sub.sql + u')', typeUnknown);
        if (!sub.columns.isEmpty()) {
            p.type = sub.columns[0].type;
            p.noCase = sub.columns[0].noCase;
        }
        return p;
    }
    case Expr::Case: return TrCase(e);
    case Expr::Cast: return Literal(u"CAST("_s + Value(e.args[0]).sql + u" AS "_s + e.text + u')', TypeOfCast(e.text));
    case Expr::Collate: {
        const Piece inner = Value(e.args[0]);
        Piece p = Literal(Wrap(inner, precCollate) + u" COLLATE "_s + Ident(e.text), inner.type);
        p.precedence = precCollate;
        p.collated = true;
        p.noCase = e.text.compare(u"NOCASE"_s, Qt::CaseInsensitive) == 0;
        return p;
    }
    }
    return {};
}

Piece Translator::TrLiteral(const Expr& e)
{
    switch (e.kind) {
    case Expr::Integer: {
        bool ok = false;
        const qlonglong n = e.text.startsWith(u"0x"_s, Qt::CaseInsensitive) ? e.text.mid(2).toLongLong(&ok, 16)
                                                                             : e.text.toLongLong(&ok);
        if (ok && n >= INT32_MIN && n <= INT32_MAX)
            return Literal(e.text, dbLong);
        // Beyond a Long the dialect reads a number as a Double; the engine would keep it
        // whole, and divide by it as whole numbers divide (5 / 10000000000 gave 0).
        return Literal(u"CAST("_s + e.text + u" AS REAL)"_s, dbDouble);
    }
    case Expr::Real: return Literal(e.text, dbDouble);
    case Expr::Text: {
        if (e.doubleQuoted)
            Reading(readingQuotes);
        // The engine's text literal ends at a NUL character; its hex form does not.
        if (e.text.contains(QChar(0)))
            return Literal(u"CAST(X'"_s + QString::fromLatin1(e.text.toUtf8().toHex()) + u"' AS TEXT)"_s, dbText);
        return Literal(engine::QuoteText(e.text), dbText);
    }
    case Expr::Date: return Literal(engine::QuoteText(e.text), dbDate);
    case Expr::Boolean: {
        Piece p = Literal(u'(' + e.text + u')', dbBoolean);
        p.truth = Truth::Dialect;
        return p;
    }
    case Expr::Blob: return Literal(u"X'"_s + e.text + u'\'', dbLongBinary);
    case Expr::Keyword: return Literal(e.text, e.text == u"CURRENT_TIME"_s ? dbText : dbDate);
    default: return Literal(u"NULL"_s, typeNull);
    }
}

Piece Translator::TrUnary(const Expr& e)
{
    if (e.text == u"NOT"_s)
        return EngineTruth(u"NOT "_s + Wrap(Tr(e.args[0]), precNot), precNot);
    const Piece operand = Value(e.args[0]);
    Piece p;
    p.sql = e.text + u' ' + Wrap(operand, precUnary);
    p.precedence = precUnary;
    p.type = e.text == u"~"_s ? dbLong
             : operand.type == dbBoolean || operand.type == dbByte ? dbInteger
             : operand.type == dbDate || IsText(operand.type) ? dbDouble
                                                              : operand.type;
    if (e.text == u"+"_s)
        p.type = operand.type;
    return p;
}

Piece Translator::TrMembership(const Expr& e)
{
    if (e.kind == Expr::IsNull)
        return EngineTruth(Wrap(Tr(e.args[0]), precEquality + 1) + (e.negated ? u" IS NOT NULL"_s : u" IS NULL"_s));
    const Piece subject = Value(e.args[0]);
    if (e.kind == Expr::Between) {
        const Piece low = Value(e.args[1]);
        const Piece high = Value(e.args[2]);
        NoteCompared(low, subject);
        NoteCompared(high, subject);
        return EngineTruth(NoCaseSubject(subject, {low, high}) + (e.negated ? u" NOT BETWEEN "_s : u" BETWEEN "_s) +
                           Wrap(low, precEquality + 1) + u" AND "_s + Wrap(high, precEquality + 1));
    }
    if (e.kind == Expr::InTable)
        return EngineTruth(Wrap(subject, precEquality + 1) + InWord(e.negated) + u' ' + Ident(e.text));
    if (e.kind == Expr::InSelect) {
        const SelectOut sub = TranslateSelect(*e.select, scope_);
        Piece first;
        if (!sub.columns.isEmpty()) {
            first.type = sub.columns[0].type;
            first.noCase = sub.columns[0].noCase;
        }
        return EngineTruth(NoCaseSubject(subject, {first}) + InWord(e.negated) + u" ("_s + sub.sql + u')');
    }
    QList<Piece> values;
    QStringList texts;
    for (qsizetype i = 1; i < e.args.size(); ++i) {
        values.append(Value(e.args[i]));
        texts.append(values.last().sql);
    }
    // A list of numbers compares as numbers whatever the subject is.
    bool allNumeric = !values.isEmpty();
    for (const Piece& v : values)
        allNumeric = allNumeric && NumericOrNull(v.type);
    return EngineTruth((allNumeric ? Wrap(subject, precEquality + 1) : NoCaseSubject(subject, {})) +
                       InWord(e.negated) + u" ("_s + texts.join(u", "_s) + u')');
}

Piece Translator::TrColumn(const Expr& e)
{
    Piece p;
    p.column = true;
    p.sql = Ident(e.text);
    if (!e.qualifier.isEmpty())
        p.sql = Ident(e.qualifier) + u'.' + p.sql;
    if (!e.schema.isEmpty())
        p.sql = Ident(e.schema) + u'.' + p.sql;
    for (Scope* s = scope_; s; s = s->parent) {
        int index = -1;
        SchemaColumn column;
        const ColumnFound found = FindColumn(*s, e, index, column);
        if (index >= 0 && s == scope_ && s->inSelectList)
            s->usedSources.insert(index);
        if (found == ColumnFound::Typed) {
            p.type = column.type;
            p.noCase = column.noCase;
            return p;
        }
        if (found == ColumnFound::Untyped)
            return p;
        // The dialect lets a result column name an earlier one by its name.
        if (e.qualifier.isEmpty() && s == scope_ && s->inSelectList)
            for (const EarlierColumn& earlier : s->earlier)
                if (earlier.name.compare(e.text, Qt::CaseInsensitive) == 0) {
                    Piece reused = earlier.piece;
                    reused.column = false;
                    return reused;
                }
    }
    if (e.qualifier.isEmpty() && e.schema.isEmpty()) {
        for (int i = 0; i < query_.parameters.size(); ++i)
            if (query_.parameters[i].name.compare(e.text, Qt::CaseInsensitive) == 0)
                return TrParameter(e, i);
        if (e.bracketed && NamesNothing(e))
            return TrParameter(e, -1);
    }
    return p;
}

bool Translator::NamesNothing(const Expr& e) const
{
    // Reached only when no source of any enclosing select has the field, and every
    // source's fields are known.
    for (const Scope* s = scope_; s; s = s->parent) {
        for (const EarlierColumn& earlier : s->earlier)
            if (earlier.name.compare(e.text, Qt::CaseInsensitive) == 0)
                return false;
        for (const ScopeSource& source : s->sources)
            if (source.name.compare(e.text, Qt::CaseInsensitive) == 0)
                return false;
    }
    for (const QHash<QString, CommonTableInfo>& tables : commonTables_)
        if (tables.contains(e.text.toLower()))
            return false;
    return !schema_.Table({}, e.text).has_value();
}

Piece Translator::TrParameter(const Expr& e, int declared)
{
    qsizetype position = -1;
    for (qsizetype i = 0; i < bound_.size() && position < 0; ++i)
        if (bound_[i].name.compare(e.text, Qt::CaseInsensitive) == 0)
            position = i;
    if (position < 0) {
        JetParameter parameter;
        parameter.offset = e.offset;
        parameter.name = e.text;
        parameter.type = dbText;
        if (declared >= 0) {
            const QueryParameter& written = query_.parameters[declared];
            parameter.name = written.name;
            parameter.typeName = written.type;
            parameter.declared = true;
            parameter.type = ParameterType(written.type);
        }
        bound_.append(parameter);
        position = bound_.size() - 1;
    }
    // The clauses are not read in the order they are written (FROM comes first): the
    // first place written gives the undeclared name's spelling.
    if (e.offset < bound_[position].offset) {
        bound_[position].offset = e.offset;
        if (!bound_[position].declared)
            bound_[position].name = e.text;
    }
    const JetParameter& parameter = bound_[position];
    // An undeclared one is of no type until it runs, as a value typed in is.
    Piece p = Literal(u'?' + QString::number(position + 1), parameter.declared ? parameter.type : typeUnknown);
    if (!parameter.declared)
        p.parameter = int(position + 1);
    return p;
}

void Translator::NoteCompared(const Piece& parameter, const Piece& other)
{
    if (parameter.parameter <= 0 || parameter.parameter > bound_.size())
        return;
    int& compared = bound_[parameter.parameter - 1].comparedType;
    if (compared == 0 && (other.type == dbDate || IsNumeric(other.type)))
        compared = other.type;
}

QList<JetParameter> Translator::AskedParameters() const
{
    QList<JetParameter> asked;
    for (const QueryParameter& written : query_.parameters) {
        JetParameter parameter;
        parameter.name = written.name;
        parameter.typeName = written.type;
        parameter.declared = true;
        parameter.offset = written.offset;
        parameter.type = ParameterType(written.type);
        if (parameter.type == typeUnknown)
            Fail(u"The PARAMETERS clause gives [%1] the type %2, which is not a data type. Use Text, Memo, Byte, "
                 u"Short, Long, Single, Double, Currency, Decimal, DateTime or YesNo."_s.arg(written.name, written.type),
                 written.offset);
        bool twice = false;
        for (const JetParameter& earlier : asked)
            twice = twice || earlier.name.compare(parameter.name, Qt::CaseInsensitive) == 0;
        if (twice)
            Fail(u"The PARAMETERS clause declares [%1] twice."_s.arg(written.name), written.offset);
        asked.append(parameter);
    }
    QList<JetParameter> undeclared;
    for (const JetParameter& p : bound_)
        if (!p.declared)
            undeclared.append(p);
    std::sort(undeclared.begin(), undeclared.end(),
              [](const JetParameter& a, const JetParameter& b) { return a.offset < b.offset; });
    return asked + undeclared;
}

ColumnFound Translator::FindColumn(const Scope& s, const Expr& e, int& index, SchemaColumn& column) const
{
    if (!e.qualifier.isEmpty()) {
        for (int i = 0; i < s.sources.size(); ++i) {
            const ScopeSource& source = s.sources[i];
            if (source.name.compare(e.qualifier, Qt::CaseInsensitive) != 0)
                continue;
            index = i;
            for (const SchemaColumn& c : source.columns)
                if (c.name.compare(e.text, Qt::CaseInsensitive) == 0) {
                    column = c;
                    return ColumnFound::Typed;
                }
            return ColumnFound::Untyped;
        }
        return ColumnFound::NotHere;
    }
    int matches = 0;
    bool unknownSource = false;
    int found = -1;
    for (int i = 0; i < s.sources.size(); ++i) {
        const ScopeSource& source = s.sources[i];
        if (!source.known) {
            unknownSource = true;
            continue;
        }
        for (const SchemaColumn& c : source.columns)
            if (c.name.compare(e.text, Qt::CaseInsensitive) == 0) {
                ++matches;
                found = i;
                column = c;
                break;
            }
    }
    if (matches == 1) {
        index = found;
        return ColumnFound::Typed;
    }
    return matches > 1 || unknownSource ? ColumnFound::Untyped : ColumnFound::NotHere;
}

Piece Translator::TrCase(const Expr& e)
{
    Piece p;
    QString sql = u"CASE"_s;
    qsizetype i = 0;
    if (e.hasOperand)
        sql += u' ' + Value(e.args[i++]).sql;
    QList<int> results;
    const qsizetype pairsEnd = e.hasElse ? e.args.size() - 1 : e.args.size();
    for (; i < pairsEnd; i += 2) {
        sql += u" WHEN "_s + (e.hasOperand ? Value(e.args[i]).sql : Condition(e.args[i]));
        const Piece then = Value(e.args[i + 1]);
        sql += u" THEN "_s + then.sql;
        results.append(then.type);
    }
    if (e.hasElse) {
        const Piece otherwise = Value(e.args.last());
        sql += u" ELSE "_s + otherwise.sql;
        results.append(otherwise.type);
    } else {
        results.append(typeNull);
    }
    p.sql = sql + u" END"_s;
    p.type = CommonType(results);
    return p;
}

Piece Translator::TrLike(const Expr& e)
{
    Piece p = EngineTruth({});
    const Piece subject = Value(e.args[0]);
    const Piece pattern = Value(e.args[1]);
    const QString notWord = e.negated ? u" NOT "_s : u" "_s;
    if (e.text != u"LIKE"_s || e.args.size() > 2) {
        // GLOB, REGEXP, MATCH and LIKE ... ESCAPE are the engine's own.
        p.sql = Wrap(subject, precEquality + 1) + notWord + e.text + u' ' + Wrap(pattern, precEquality + 1);
        if (e.args.size() > 2)
            p.sql += u" ESCAPE "_s + Wrap(Value(e.args[2]), precEquality + 1);
        return p;
    }
    // A plain ASCII pattern with no list or digit wildcards means the same to the
    // engine's LIKE once * and ? are written % and _; the engine can then use an index.
    if (e.args[1]->kind == Expr::Text) {
        const QString& jet = e.args[1]->text;
        bool plain = true;
        bool changed = false;
        QString native;
        for (QChar c : jet) {
            if (c.unicode() >= 0x80 || c == u'[' || c == u'#' || c == u']') {
                plain = false;
                break;
            }
            if (c == u'*') {
                native += u'%';
                changed = true;
            } else if (c == u'?') {
                native += u'_';
                changed = true;
            } else {
                native += c;
            }
        }
        if (plain) {
            if (changed)
                Reading(readingLike);
            p.sql = Wrap(subject, precEquality + 1) + notWord + u"LIKE "_s + engine::QuoteText(native);
            return p;
        }
    }
    Reading(readingLike);
    const QString call = u"jet_like("_s + subject.sql + u", "_s + pattern.sql + u')';
    if (e.negated) {
        p.sql = u"NOT "_s + call;
        p.precedence = precNot;
        return p;
    }
    p.sql = call;
    p.precedence = precPrimary;
    p.truth = Truth::Dialect;
    return p;
}

Piece Translator::TrBinary(const Expr& e)
{
    const QString& op = e.text;
    if (op == u"AND"_s || op == u"OR"_s) {
        const int level = op == u"AND"_s ? precAnd : precOr;
        return EngineTruth(Wrap(Tr(e.args[0]), level) + u' ' + op + u' ' + Wrap(Tr(e.args[1]), level + 1), level);
    }
    if (op == u"XOR"_s || op == u"EQV"_s || op == u"IMP"_s) {
        const QString a = Wrap(Tr(e.args[0]), precPrimary);
        const QString b = Wrap(Tr(e.args[1]), precPrimary);
        if (op == u"IMP"_s)
            return EngineTruth(u"((NOT %1) OR %2)"_s.arg(a, b), precPrimary);
        return EngineTruth(u"((NOT %1) %3 (NOT %2))"_s.arg(a, b, op == u"XOR"_s ? u"<>"_s : u"="_s), precPrimary);
    }
    const Piece l = Value(e.args[0]);
    const Piece r = Value(e.args[1]);
    static const QSet<QString> comparisons = {u"="_s,  u"=="_s, u"<>"_s, u"!="_s, u"<"_s,
                                              u">"_s,  u"<="_s, u">="_s, u"IS"_s, u"IS NOT"_s};
    if (comparisons.contains(op))
        return TrCompare(op, l, r);
    if (op == u"+"_s || op == u"-"_s)
        return TrAddition(op, l, r);
    if (op == u"/"_s || op == u"\\"_s || op == u"MOD"_s)
        return TrDivision(op, l, r);
    if (op == u"*"_s)
        return Native(l, op, r, precMul, ArithmeticType(l.type, r.type));
    if (op == u"^"_s)
        return Call(u"jet_pow"_s, l, r, dbDouble);
    if (op == u"&"_s) {
        Reading(readingConcatenation);
        return Call(u"jet_concat"_s, l, r, dbText);
    }
    if (op == u"||"_s)
        return Native(l, op, r, precConcat, l.type == dbMemo || r.type == dbMemo ? dbMemo : dbText);
    if (op == u"%"_s)
        return Native(l, op, r, precMul, IsWhole(l.type) && IsWhole(r.type) ? dbLong : typeUnknown);
    // | << >>: the engine's bit operators.
    return Native(l, op, r, precBit, dbLong);
}

Piece Translator::DateShift(const Piece& date, const Piece& days, bool subtract)
{
    Reading(readingDates);
    return Literal(u"datetime(julianday(%1) %2 %3)"_s.arg(date.sql, subtract ? u"-"_s : u"+"_s, Wrap(days, precAdd + 1)),
                   dbDate);
}

Piece Translator::TrAddition(const QString& op, const Piece& l, const Piece& r)
{
    const bool numberLike = IsNumeric(r.type) || r.type == typeUnknown;
    if (op == u"-"_s) {
        if (l.type == dbDate && r.type == dbDate) {
            Reading(readingDates);
            return Literal(u"(julianday(%1) - julianday(%2))"_s.arg(l.sql, r.sql), dbDouble);
        }
        if (l.type == dbDate && numberLike)
            return DateShift(l, r, true);
        return Native(l, op, r, precAdd, ArithmeticType(l.type, r.type));
    }
    if (l.type == dbDate && numberLike)
        return DateShift(l, r, false);
    if (r.type == dbDate && (IsNumeric(l.type) || l.type == typeUnknown))
        return DateShift(r, l, false);
    if (IsText(l.type) && IsText(r.type)) {
        // Two texts join; Null still gives Null.
        Reading(readingPlus);
        Piece p = Native(l, u"||"_s, r, precConcat, CommonType({l.type, r.type}));
        return p;
    }
    if ((l.type == typeUnknown || IsText(l.type)) && (r.type == typeUnknown || IsText(r.type))) {
        // Known only when the statement runs: two texts join, anything else adds.
        Reading(readingPlus);
        return Call(u"jet_add"_s, l, r, typeUnknown);
    }
    return Native(l, op, r, precAdd, ArithmeticType(l.type, r.type));
}

Piece Translator::TrDivision(const QString& op, const Piece& l, const Piece& r)
{
    if (op == u"/"_s) {
        // The dialect always divides exactly: 7 / 2 is 3.5, also for whole numbers and
        // for amounts kept as whole numbers.
        if (l.type == dbDouble || r.type == dbDouble || l.type == dbSingle || r.type == dbSingle ||
            l.type == typeNull || r.type == typeNull)
            return Native(l, op, r, precMul, l.type == typeNull || r.type == typeNull ? typeNull : dbDouble);
        Reading(readingDivision);
        Piece p = Literal(u"CAST("_s + l.sql + u" AS REAL) / "_s + Wrap(r, precMul + 1), dbDouble);
        p.precedence = precMul;
        return p;
    }
    // Whole numbers divide the same way in the engine; anything else is rounded first.
    const bool modulo = op == u"MOD"_s;
    if (IsWhole(l.type) && IsWhole(r.type))
        return Native(l, modulo ? u"%"_s : u"/"_s, r, precMul, WholeType(l, r));
    return Call(modulo ? u"jet_mod"_s : u"jet_intdiv"_s, l, r, dbLong);
}

Piece Translator::TrFunction(const Expr& e)
{
    if (IsDomainFunction(e.text))
        FailDomainFunction(e);
    const int count = e.star ? 1 : int(e.args.size());
    const std::optional<DialectCall> call = DialectFunction(e.text, count);
    const JetFunctionInfo* rule = call ? call->info : nullptr;
    if (rule && !rule->aggregate && (count < rule->minArgs || (rule->maxArgs >= 0 && count > rule->maxArgs)))
        FailArgumentCount(e, rule);
    const bool aggregate = rule ? rule->aggregate : IsEngineAggregate(e.text);
    if (aggregate && scope_)
        scope_->aggregate = true;
    const bool marking = aggregate && pivotScope_ && scope_ == pivotScope_;
    // Inside an aggregate, the argument is read per record: aggregates of aggregates
    // and the crosstab's test belong to the record, not to the group.
    Scope* savedPivot = pivotScope_;
    if (aggregate)
        pivotScope_ = nullptr;
    QList<Piece> args;
    QList<int> types;
    for (const ExprPtr& a : e.args) {
        args.append(Value(a));
        types.append(args.last().type);
    }
    pivotScope_ = savedPivot;

    if (rule && rule->writing == JetCallWriting::Case)
        return TrCaseFunction(e, args);
    if (rule && args.size() == 1 && e.args[0]->kind == Expr::Kind::Column)
        if (std::optional<Piece> typed = FieldTypeName(e, args[0]))
            return *typed;
    if (rule && rule->writing == JetCallWriting::IsNullTest) {
        if (args.size() != 1)
            FailArgumentCount(e);
        return EngineTruth(Wrap(args[0], precEquality + 1) + u" IS NULL"_s);
    }
    QStringList texts;
    for (const Piece& a : args)
        texts.append(marking ? u"CASE WHEN "_s + pivotMark + u" THEN "_s + a.sql + u" END"_s : a.sql);
    QString inside = texts.join(u", "_s);
    if (e.star)
        inside = marking ? u"CASE WHEN "_s + pivotMark + u" THEN 1 END"_s : u"*"_s;
    if (e.distinct)
        inside = u"DISTINCT "_s + inside;
    Piece p = Literal(FunctionName(e, call, types) + u'(' + inside + u')', typeUnknown);
    if (rule) {
        p.type = DialectFunctionType(*rule, e.text, types);
        if (rule->result == JetResultKind::Boolean)
            p.truth = Truth::Dialect;
    } else {
        p.type = EngineFunctionType(e.text, types);
    }
    return p;
}

QString Translator::FunctionName(const Expr& e, const std::optional<DialectCall>& call, const QList<int>& types)
{
    if (!call || !call->info)
        return e.text;
    // The engine's length() counts the characters of a text the same way.
    if (call->sqlName == u"jet_len"_s && types.size() == 1 && IsText(types[0]))
        return u"length"_s;
    // A name the engine knows as well reads the dialect's way: say so.
    if (call->sqlName.startsWith(u"jet_"_s) && EngineFunctionNames().count(e.text.toLower().toStdString()))
        Reading(readingFunction.arg(e.text.toLower()));
    return call->sqlName;
}

void Translator::FailArgumentCount(const Expr& e, const JetFunctionInfo* rule) const
{
    const QString form = rule ? ArgumentList(*rule) : QString();
    engine::RaiseEngine(engine::errSyntax, u"The function %1 was given the wrong number of arguments (%2).%3"_s.arg(
                                               e.text, DescribePlace(sql_, e.offset),
                                               form.isEmpty() ? QString() : u" It is written "_s + form + u'.'));
}

std::optional<Piece> Translator::FieldTypeName(const Expr& e, const Piece& field) const
{
    // A field's values are of its declared type, which the values alone do not tell: an
    // amount is a Currency, a Yes/No field a Boolean, a Byte field a Byte.
    static const QHash<int, std::pair<const char16_t*, int>> kinds = {
        {dbBoolean, {u"Boolean", 11}}, {dbByte, {u"Byte", 17}},      {dbInteger, {u"Integer", 2}},
        {dbLong, {u"Long", 3}},        {dbCurrency, {u"Currency", 6}}, {dbSingle, {u"Single", 4}},
        {dbDouble, {u"Double", 5}},    {dbDate, {u"Date", 7}},       {dbText, {u"String", 8}},
        {dbMemo, {u"String", 8}},
    };
    const bool name = e.text.compare(u"TypeName"_s, Qt::CaseInsensitive) == 0;
    if ((!name && e.text.compare(u"VarType"_s, Qt::CaseInsensitive) != 0) || !kinds.contains(field.type))
        return std::nullopt;
    const auto& [typeName, code] = kinds.value(field.type);
    const QString value = name ? u'\'' + QString::fromUtf16(typeName) + u'\'' : QString::number(code);
    return Literal(u"CASE WHEN "_s + field.sql + u" IS NULL THEN "_s + (name ? u"'Null'"_s : u"1"_s) + u" ELSE "_s +
                       value + u" END"_s,
                   name ? dbText : dbInteger);
}

void Translator::FailDomainFunction(const Expr& e) const
{
    // DSum("[Amount]", "Levy Account Credits", "[Student ID] = 'S1'") is the subquery
    // (SELECT Sum([Amount]) FROM [Levy Account Credits] WHERE [Student ID] = 'S1').
    const QString name = e.text.mid(1);
    const bool lookup = name.compare(u"Lookup"_s, Qt::CaseInsensitive) == 0;
    auto text = [&](qsizetype i, const QString& otherwise) {
        return i < e.args.size() && e.args[i]->kind == Expr::Kind::Text ? e.args[i]->text : otherwise;
    };
    QString domain = text(1, u"table"_s);
    if (!domain.startsWith(u'['))
        domain = u'[' + domain + u']';
    const QString value = text(0, u"field"_s);
    QString subquery = u"(SELECT "_s + (lookup ? u"TOP 1 "_s + value : name + u'(' + value + u')') + u" FROM "_s + domain;
    if (e.args.size() > 2)
        subquery += u" WHERE "_s + text(2, u"condition"_s);
    Fail(u"%1() is a domain function of the desktop application, which a query here cannot call. Write a subquery "
         u"instead: %2)."_s.arg(e.text, subquery),
         e.offset);
}

Piece Translator::TrCaseFunction(const Expr& e, const QList<Piece>& args)
{
    if (e.text.compare(u"IIf"_s, Qt::CaseInsensitive) == 0) {
        if (args.size() != 3)
            FailArgumentCount(e);
        return Literal(u"CASE WHEN "_s + Condition(e.args[0]) + u" THEN "_s + args[1].sql + u" ELSE "_s +
                           args[2].sql + u" END"_s,
                       CommonType({args[1].type, args[2].type}));
    }
    // Switch(condition, value, ...): no condition true gives Null.
    if (args.isEmpty() || args.size() % 2 != 0)
        FailArgumentCount(e);
    QString sql = u"CASE"_s;
    QList<int> results;
    for (qsizetype i = 0; i < args.size(); i += 2) {
        sql += u" WHEN "_s + Condition(e.args[i]) + u" THEN "_s + args[i + 1].sql;
        results.append(args[i + 1].type);
    }
    return Literal(sql + u" END"_s, CommonType(results << typeNull));
}

} // namespace levy::jet::translation
