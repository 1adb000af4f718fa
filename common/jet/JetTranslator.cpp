#include "JetTranslator.h"

#include "JetFunctionCatalog.h"
#include "JetTokenizer.h"
#include "values/DaoConstants.h"
#include "engine/EngineErrors.h"
#include "engine/SqliteHandle.h"
#include "values/FieldDef.h"

#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {

constexpr int typeUnknown = 0;
constexpr int typeNull = -1;
// Marks, in a crosstab cell, where the test of the column's pivot value goes. The
// statement's text never holds it (the front end refuses control characters).
const QChar pivotMark(0x01);

// The engine's operator precedence, loosest first.
enum Precedence {
    precOr = 1,
    precAnd,
    precNot,
    precEquality,
    precRelational,
    precBit,
    precAdd,
    precMul,
    precConcat,
    precCollate,
    precUnary,
    precPrimary,
};

// How a truth value is held: the engine's 1/0 or the dialect's -1/0.
enum class Truth { None, Engine, Dialect };

// An expression written for the engine.
struct Piece {
    QString sql;
    int precedence = precPrimary;
    int type = typeUnknown;
    Truth truth = Truth::None;
    bool noCase = false;    // a column the engine already compares without regard to case
    bool collated = false;  // carries its own COLLATE
    bool column = false;    // a plain column reference
};

// The notes on readings that differ from the engine's own.
const QString readingConcatenation = u"& joins texts"_s;
const QString readingPlus = u"+ joins two texts"_s;
const QString readingDivision = u"/ divides exactly"_s;
const QString readingTruth = u"a comparison's value is -1 when true"_s;
const QString readingCase = u"texts compare without regard to case"_s;
const QString readingQuotes = u"double quotes enclose texts"_s;
const QString readingLike = u"LIKE patterns use *, ?, # and [ ]"_s;
const QString readingFunction = u"%1() is the dialect's function"_s;
const QString readingDates = u"dates take part in arithmetic as dates"_s;

QString Ident(const QString& name)
{
    QString inner = name;
    inner.replace(u'`', u"``"_s);
    return u'`' + inner + u'`';
}

QString Wrap(const Piece& p, int minimum) { return p.precedence < minimum ? u'(' + p.sql + u')' : p.sql; }

int NumericRank(int t)
{
    switch (t) {
    case dbBoolean:
    case dbByte: return 1;
    case dbInteger: return 2;
    case dbLong: return 3;
    case dbCurrency: return 4;
    case dbSingle: return 5;
    case dbDouble: return 6;
    default: return 0;
    }
}

int TypeOfRank(int rank)
{
    switch (rank) {
    case 1:
    case 2: return dbInteger;
    case 3: return dbLong;
    case 4: return dbCurrency;
    default: return dbDouble;
    }
}

bool IsNumeric(int t) { return NumericRank(t) > 0; }
bool IsWhole(int t) { return t == dbBoolean || t == dbByte || t == dbInteger || t == dbLong; }
bool IsText(int t) { return t == dbText || t == dbMemo; }
// Known to compare as a number (or to be Null), so that collation cannot matter.
bool NumericOrNull(int t) { return IsNumeric(t) || t == typeNull; }

int CommonType(const QList<int>& types)
{
    int result = typeNull;
    for (int t : types) {
        if (t == typeNull)
            continue;
        if (t == typeUnknown)
            return typeUnknown;
        if (result == typeNull || result == t) {
            result = t;
        } else if (IsNumeric(result) && IsNumeric(t)) {
            result = TypeOfRank(std::max(NumericRank(result), NumericRank(t)));
        } else if (IsText(result) && IsText(t)) {
            result = dbMemo;
        } else {
            return typeUnknown;
        }
    }
    return result;
}

// The type of + - * with numbers: the wider operand's, a whole Boolean counting as Integer.
int ArithmeticType(int a, int b)
{
    if (a == typeNull)
        return b == typeNull ? typeNull : (IsNumeric(b) ? TypeOfRank(NumericRank(b)) : b);
    if (b == typeNull)
        return IsNumeric(a) ? TypeOfRank(NumericRank(a)) : a;
    if (IsNumeric(a) && IsNumeric(b))
        return TypeOfRank(std::max(NumericRank(a), NumericRank(b)));
    if ((IsText(a) && (IsNumeric(b) || IsText(b))) || (IsText(b) && IsNumeric(a)))
        return dbDouble;
    return typeUnknown;
}

int TypeOfCast(const QString& typeName)
{
    FieldDef field;
    if (FieldFromDeclaredType(typeName, field))
        return field.type;
    const QString t = typeName.toUpper();
    if (t.contains(u"INT"_s))
        return dbLong;
    if (t.contains(u"CHAR"_s) || t.contains(u"CLOB"_s) || t.contains(u"TEXT"_s))
        return dbText;
    if (t.contains(u"REAL"_s) || t.contains(u"FLOA"_s) || t.contains(u"DOUB"_s))
        return dbDouble;
    if (t.contains(u"BLOB"_s) || t.isEmpty())
        return dbLongBinary;
    return typeUnknown;
}

// The canonical spelling of an aggregate, for the dialect's column names (SumOfAmount).
QString AggregateName(const QString& name)
{
    static const QStringList names = {u"Sum"_s, u"Avg"_s,   u"Count"_s,  u"Min"_s, u"Max"_s, u"First"_s,
                                      u"Last"_s, u"StDev"_s, u"StDevP"_s, u"Var"_s, u"VarP"_s};
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return n;
    return {};
}

struct ScopeSource {
    QString name;  // the alias, or the table's name
    QList<SchemaColumn> columns;
    bool known = false;
    bool isTable = false;
};

struct EarlierColumn {
    QString name;
    Piece piece;
};

// The names one select can see: its sources, the result columns before the one being
// read, and the enclosing select's scope.
struct Scope {
    Scope* parent = nullptr;
    QList<ScopeSource> sources;
    QList<EarlierColumn> earlier;
    bool inSelectList = false;
    QSet<int> usedSources;  // the sources the result columns read
    bool aggregate = false; // an aggregate at this select's own level
    bool swappedJoin = false;
};

struct SelectOut {
    QString sql;
    QList<SchemaColumn> columns;
    bool known = true;
};

struct OrderKey {
    QString order;       // what ORDER BY says
    QString expression;  // the key as an expression
    bool descending = false;
};

// One select, translated clause by clause.
struct CoreParts {
    QString head;  // SELECT [DISTINCT] columns
    QString from;
    QString where;
    QString groupBy;
    QString having;
    bool distinct = false;
    bool aggregate = false;
    QList<SchemaColumn> columns;
    bool known = true;
    QList<OrderKey> order;
    // Crosstab: the cell and the pivot.
    QString cell;
    int cellType = typeUnknown;
    Piece pivot;

    QString Sql(const QString& extraWhere = {}, const QString& extraHaving = {}) const
    {
        QString sql = head + from;
        const auto both = [](const QString& a, const QString& b) {
            if (a.isEmpty())
                return b;
            if (b.isEmpty())
                return a;
            return u'(' + a + u") AND ("_s + b + u')';
        };
        if (const QString w = both(where, extraWhere); !w.isEmpty())
            sql += u" WHERE "_s + w;
        if (!groupBy.isEmpty())
            sql += u" GROUP BY "_s + groupBy;
        if (const QString h = both(having, extraHaving); !h.isEmpty())
            sql += u" HAVING "_s + h;
        return sql;
    }
    QString OrderBy() const
    {
        QStringList terms;
        for (const OrderKey& k : order)
            terms.append(k.order + (k.descending ? u" DESC"_s : QString()));
        return terms.isEmpty() ? QString() : u" ORDER BY "_s + terms.join(u", "_s);
    }
};

struct CommonTableInfo {
    QList<SchemaColumn> columns;
    bool known = false;
};

class Translator {
public:
    Translator(const Query& query, const QString& sql, const JetSchema& schema)
        : query_(query), sql_(sql), schema_(schema)
    {
    }

    TranslatedQuery Translate();

private:
    [[noreturn]] void Fail(const QString& message, qsizetype at) const
    {
        engine::RaiseEngine(engine::errSyntax, message + u" The fault is at %1."_s.arg(DescribePlace(sql_, at)));
    }
    void Reading(const QString& note) { readings_.insert(note); }

    SelectOut TranslateSelect(const SelectStatement& s, Scope* parent);
    QString TranslateWith(const SelectStatement& s, Scope* parent);
    SelectOut TranslateSingle(const SelectCore& core, const QList<OrderTerm>& order, Scope* parent);
    CoreParts TranslateCore(const SelectCore& core, const QList<OrderTerm>* order, Scope* parent,
                            const Transform* transform = nullptr);
    QString TranslateMember(const SelectCore& core, Scope* parent, SelectOut& out);
    QString TranslateSource(const Source& s, Scope& scope);
    QString TranslateTop(const SelectCore& core, const CoreParts& parts);
    void TranslateCrosstab(TranslatedQuery& out);

    Piece Tr(const ExprPtr& e);
    Piece Value(const ExprPtr& e) { return AsValue(Tr(e)); }
    Piece AsValue(Piece p);
    QString Condition(const ExprPtr& e) { return Tr(e).sql; }
    Piece TrColumn(const Expr& e);
    Piece TrFunction(const Expr& e);
    Piece TrBinary(const Expr& e);
    Piece TrCompare(const QString& op, const Piece& l, const Piece& r);
    Piece TrLike(const Expr& e);
    Piece TrCase(const Expr& e);
    // Compares texts the way the levy database's "General" order does, where the engine
    // would not already.
    QString NoCaseSubject(const Piece& subject, const QList<Piece>& others);
    Piece Sorted(Piece p);

    const Query& query_;
    const QString& sql_;
    const JetSchema& schema_;
    Scope* scope_ = nullptr;
    QList<QHash<QString, CommonTableInfo>> commonTables_;
    QSet<QString> readings_;
    Scope* pivotScope_ = nullptr;  // the crosstab's select, while its cell is translated
};

// Scope for one select: makes it current and restores the enclosing one afterwards.
class EnterScope {
public:
    EnterScope(Scope*& current, Scope& scope) : current_(current), saved_(current) { current_ = &scope; }
    ~EnterScope() { current_ = saved_; }
    EnterScope(const EnterScope&) = delete;
    EnterScope& operator=(const EnterScope&) = delete;

private:
    Scope*& current_;
    Scope* saved_;
};

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
    const int level = (op == u"<"_s || op == u">"_s || op == u"<="_s || op == u">="_s) ? precRelational : precEquality;
    Piece p;
    p.precedence = level;
    p.type = dbBoolean;
    p.truth = Truth::Engine;
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
    p.sql = Wrap(l, level) + u' ' + op + u' ' + right;
    return p;
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
    Piece p;
    switch (e.kind) {
    case Expr::Null:
        p.sql = u"NULL"_s;
        p.type = typeNull;
        return p;
    case Expr::Integer: {
        p.sql = e.text;
        bool ok = false;
        const qlonglong n = e.text.startsWith(u"0x"_s, Qt::CaseInsensitive) ? e.text.mid(2).toLongLong(&ok, 16)
                                                                             : e.text.toLongLong(&ok);
        p.type = ok && n >= INT32_MIN && n <= INT32_MAX ? dbLong : dbDouble;
        return p;
    }
    case Expr::Real:
        p.sql = e.text;
        p.type = dbDouble;
        return p;
    case Expr::Text: {
        if (e.doubleQuoted)
            Reading(readingQuotes);
        p.sql = engine::QuoteText(e.text);
        for (QChar c : e.text)
            if (c.unicode() == 0)
                p.sql = u"CAST(X'"_s + QString::fromLatin1(e.text.toUtf8().toHex()) + u"' AS TEXT)"_s;
        p.type = dbText;
        return p;
    }
    case Expr::Date:
        p.sql = engine::QuoteText(e.text);
        p.type = dbDate;
        return p;
    case Expr::Boolean:
        p.sql = u'(' + e.text + u')';
        p.type = dbBoolean;
        p.truth = Truth::Dialect;
        return p;
    case Expr::Blob:
        p.sql = u"X'"_s + e.text + u'\'';
        p.type = dbLongBinary;
        return p;
    case Expr::Keyword:
        p.sql = e.text;
        p.type = e.text == u"CURRENT_TIME"_s ? dbText : dbDate;
        return p;
    case Expr::Column:
        return TrColumn(e);
    case Expr::Parameter:
        Fail(u"The statement has a parameter (%1), whose value Delver cannot ask for. Write the value into the "
             u"statement instead."_s.arg(e.text),
             e.offset);
    case Expr::Function:
        return TrFunction(e);
    case Expr::Unary: {
        if (e.text == u"NOT"_s) {
            p.sql = u"NOT "_s + Wrap(Tr(e.args[0]), precNot);
            p.precedence = precNot;
            p.type = dbBoolean;
            p.truth = Truth::Engine;
            return p;
        }
        const Piece operand = Value(e.args[0]);
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
    case Expr::Binary:
        return TrBinary(e);
    case Expr::Like:
        return TrLike(e);
    case Expr::Between: {
        const Piece subject = Value(e.args[0]);
        const Piece low = Value(e.args[1]);
        const Piece high = Value(e.args[2]);
        p.sql = NoCaseSubject(subject, {low, high}) + (e.negated ? u" NOT BETWEEN "_s : u" BETWEEN "_s) +
                Wrap(low, precEquality + 1) + u" AND "_s + Wrap(high, precEquality + 1);
        p.precedence = precEquality;
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    }
    case Expr::InList: {
        const Piece subject = Value(e.args[0]);
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
        p.sql = (allNumeric ? Wrap(subject, precEquality + 1) : NoCaseSubject(subject, {})) +
                (e.negated ? u" NOT IN ("_s : u" IN ("_s) + texts.join(u", "_s) + u')';
        p.precedence = precEquality;
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    }
    case Expr::InSelect: {
        const Piece subject = Value(e.args[0]);
        const SelectOut sub = TranslateSelect(*e.select, scope_);
        Piece first;
        if (!sub.columns.isEmpty()) {
            first.type = sub.columns[0].type;
            first.noCase = sub.columns[0].noCase;
        }
        p.sql = NoCaseSubject(subject, {first}) + (e.negated ? u" NOT IN ("_s : u" IN ("_s) + sub.sql + u')';
        p.precedence = precEquality;
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    }
    case Expr::InTable: {
        const Piece subject = Value(e.args[0]);
        p.sql = Wrap(subject, precEquality + 1) + (e.negated ? u" NOT IN "_s : u" IN "_s) + Ident(e.text);
        p.precedence = precEquality;
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    }
    case Expr::IsNull: {
        const Piece subject = Tr(e.args[0]);
        p.sql = Wrap(subject, precEquality + 1) + (e.negated ? u" IS NOT NULL"_s : u" IS NULL"_s);
        p.precedence = precEquality;
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    }
    case Expr::Exists:
        p.sql = u"EXISTS ("_s + TranslateSelect(*e.select, scope_).sql + u')';
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    case Expr::Subquery: {
        const SelectOut sub = TranslateSelect(*e.select, scope_);
        p.sql = u'(' + sub.sql + u')';
        if (!sub.columns.isEmpty()) {
            p.type = sub.columns[0].type;
            p.noCase = sub.columns[0].noCase;
        }
        return p;
    }
    case Expr::Case:
        return TrCase(e);
    case Expr::Cast: {
        p.sql = u"CAST("_s + Value(e.args[0]).sql + u" AS "_s + e.text + u')';
        p.type = TypeOfCast(e.text);
        return p;
    }
    case Expr::Collate: {
        const Piece inner = Value(e.args[0]);
        p.sql = Wrap(inner, precCollate) + u" COLLATE "_s + Ident(e.text);
        p.precedence = precCollate;
        p.type = inner.type;
        p.collated = true;
        p.noCase = e.text.compare(u"NOCASE"_s, Qt::CaseInsensitive) == 0;
        return p;
    }
    }
    return p;
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
    auto take = [&](Scope* s, int index, const SchemaColumn& c) {
        p.type = c.type;
        p.noCase = c.noCase;
        if (s == scope_ && s->inSelectList)
            s->usedSources.insert(index);
        return p;
    };
    for (Scope* s = scope_; s; s = s->parent) {
        if (!e.qualifier.isEmpty()) {
            for (int i = 0; i < s->sources.size(); ++i) {
                const ScopeSource& source = s->sources[i];
                if (source.name.compare(e.qualifier, Qt::CaseInsensitive) != 0)
                    continue;
                if (s == scope_ && s->inSelectList)
                    s->usedSources.insert(i);
                for (const SchemaColumn& c : source.columns)
                    if (c.name.compare(e.text, Qt::CaseInsensitive) == 0)
                        return take(s, i, c);
                return p;
            }
            continue;
        }
        int matches = 0;
        bool unknownSource = false;
        int found = -1;
        SchemaColumn column;
        for (int i = 0; i < s->sources.size(); ++i) {
            const ScopeSource& source = s->sources[i];
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
        if (matches == 1)
            return take(s, found, column);
        if (matches > 1 || unknownSource)
            return p;
        // The dialect lets a result column name an earlier one by its name.
        if (s == scope_ && s->inSelectList)
            for (const EarlierColumn& earlier : s->earlier)
                if (earlier.name.compare(e.text, Qt::CaseInsensitive) == 0) {
                    Piece reused = earlier.piece;
                    reused.column = false;
                    return reused;
                }
    }
    if (e.qualifier.isEmpty())
        for (const QueryParameter& parameter : query_.parameters)
            if (parameter.name.compare(e.text, Qt::CaseInsensitive) == 0)
                Fail(u"The statement asks for the value of its parameter [%1], which Delver cannot ask for. Write "
                     u"the value into the statement instead of the parameter."_s.arg(parameter.name),
                     e.offset);
    return p;
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
    Piece p;
    p.precedence = precEquality;
    p.type = dbBoolean;
    p.truth = Truth::Engine;
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
    Piece p;
    if (op == u"AND"_s || op == u"OR"_s) {
        const int level = op == u"AND"_s ? precAnd : precOr;
        p.sql = Wrap(Tr(e.args[0]), level) + u' ' + op + u' ' + Wrap(Tr(e.args[1]), level + 1);
        p.precedence = level;
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    }
    if (op == u"XOR"_s || op == u"EQV"_s || op == u"IMP"_s) {
        const QString a = Wrap(Tr(e.args[0]), precPrimary);
        const QString b = Wrap(Tr(e.args[1]), precPrimary);
        if (op == u"IMP"_s)
            p.sql = u"((NOT %1) OR %2)"_s.arg(a, b);
        else
            p.sql = u"((NOT %1) %3 (NOT %2))"_s.arg(a, b, op == u"XOR"_s ? u"<>"_s : u"="_s);
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    }
    const Piece l = Value(e.args[0]);
    const Piece r = Value(e.args[1]);
    static const QSet<QString> comparisons = {u"="_s,  u"=="_s, u"<>"_s, u"!="_s, u"<"_s,
                                              u">"_s,  u"<="_s, u">="_s, u"IS"_s, u"IS NOT"_s};
    if (comparisons.contains(op))
        return TrCompare(op, l, r);
    auto call = [&](const QString& function, int type) {
        Piece c;
        c.sql = function + u'(' + l.sql + u", "_s + r.sql + u')';
        c.type = type;
        return c;
    };
    auto native = [&](int level, int type) {
        Piece n;
        n.sql = Wrap(l, level) + u' ' + op + u' ' + Wrap(r, level + 1);
        n.precedence = level;
        n.type = type;
        return n;
    };
    auto dateShift = [&](const Piece& date, const Piece& days, bool subtract) {
        Reading(readingDates);
        Piece d;
        d.sql = u"datetime(julianday(%1) %2 %3)"_s.arg(date.sql, subtract ? u"-"_s : u"+"_s, Wrap(days, precAdd + 1));
        d.type = dbDate;
        return d;
    };
    if (op == u"+"_s) {
        if (l.type == dbDate && (IsNumeric(r.type) || r.type == typeUnknown))
            return dateShift(l, r, false);
        if (r.type == dbDate && (IsNumeric(l.type) || l.type == typeUnknown))
            return dateShift(r, l, false);
        if (IsText(l.type) && IsText(r.type)) {
            // Two texts join; Null still gives Null.
            Reading(readingPlus);
            p.sql = Wrap(l, precConcat) + u" || "_s + Wrap(r, precConcat + 1);
            p.precedence = precConcat;
            p.type = CommonType({l.type, r.type});
            return p;
        }
        if ((l.type == typeUnknown || IsText(l.type)) && (r.type == typeUnknown || IsText(r.type))) {
            // Known only when the statement runs: two texts join, anything else adds.
            Reading(readingPlus);
            return call(u"jet_add"_s, typeUnknown);
        }
        return native(precAdd, ArithmeticType(l.type, r.type));
    }
    if (op == u"-"_s) {
        if (l.type == dbDate && r.type == dbDate) {
            Reading(readingDates);
            p.sql = u"(julianday(%1) - julianday(%2))"_s.arg(l.sql, r.sql);
            p.type = dbDouble;
            return p;
        }
        if (l.type == dbDate && (IsNumeric(r.type) || r.type == typeUnknown))
            return dateShift(l, r, true);
        return native(precAdd, ArithmeticType(l.type, r.type));
    }
    if (op == u"*"_s) {
        int type = ArithmeticType(l.type, r.type);
        return native(precMul, type);
    }
    if (op == u"/"_s) {
        // The dialect always divides exactly: 7 / 2 is 3.5, also for whole numbers and
        // for amounts kept as whole numbers.
        if (l.type == dbDouble || r.type == dbDouble || l.type == dbSingle || r.type == dbSingle ||
            l.type == typeNull || r.type == typeNull)
            return native(precMul, l.type == typeNull || r.type == typeNull ? typeNull : dbDouble);
        Reading(readingDivision);
        p.sql = u"CAST("_s + l.sql + u" AS REAL) / "_s + Wrap(r, precMul + 1);
        p.precedence = precMul;
        p.type = dbDouble;
        return p;
    }
    if (op == u"\\"_s) {
        // Whole numbers divide the same way in the engine; anything else is rounded first.
        if (IsWhole(l.type) && IsWhole(r.type)) {
            p.sql = Wrap(l, precMul) + u" / "_s + Wrap(r, precMul + 1);
            p.precedence = precMul;
            p.type = std::max(l.type, r.type) == dbLong ? dbLong : dbInteger;
            return p;
        }
        return call(u"jet_intdiv"_s, dbLong);
    }
    if (op == u"MOD"_s) {
        if (IsWhole(l.type) && IsWhole(r.type)) {
            p.sql = Wrap(l, precMul) + u" % "_s + Wrap(r, precMul + 1);
            p.precedence = precMul;
            p.type = std::max(l.type, r.type) == dbLong ? dbLong : dbInteger;
            return p;
        }
        return call(u"jet_mod"_s, dbLong);
    }
    if (op == u"^"_s)
        return call(u"jet_pow"_s, dbDouble);
    if (op == u"&"_s) {
        Reading(readingConcatenation);
        return call(u"jet_concat"_s, dbText);
    }
    if (op == u"||"_s) {
        Piece c = native(precConcat, dbText);
        c.type = l.type == dbMemo || r.type == dbMemo ? dbMemo : dbText;
        return c;
    }
    if (op == u"%"_s)
        return native(precMul, IsWhole(l.type) && IsWhole(r.type) ? dbLong : typeUnknown);
    // | << >>: the engine's bit operators.
    return native(precBit, dbLong);
}

Piece Translator::TrFunction(const Expr& e)
{
    const int count = e.star ? 1 : int(e.args.size());
    const std::optional<DialectCall> call = DialectFunction(e.text, count);
    const JetFunctionInfo* rule = call ? call->info : nullptr;
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
    for (const ExprPtr& a : e.args)
        args.append(Value(a));
    pivotScope_ = savedPivot;

    auto argTypes = [&](qsizetype from, qsizetype step) {
        QList<int> types;
        for (qsizetype i = from; i < args.size(); i += step)
            types.append(args[i].type);
        return types;
    };
    auto wrongCount = [&]() {
        Fail(u"The function %1 was given the wrong number of arguments."_s.arg(e.text), e.offset);
    };
    Piece p;
    if (rule && rule->writing == JetCallWriting::Case) {
        if (e.text.compare(u"IIf"_s, Qt::CaseInsensitive) == 0) {
            if (args.size() != 3)
                wrongCount();
            p.sql = u"CASE WHEN "_s + Condition(e.args[0]) + u" THEN "_s + args[1].sql + u" ELSE "_s + args[2].sql +
                    u" END"_s;
            p.type = CommonType({args[1].type, args[2].type});
            return p;
        }
        if (args.isEmpty() || args.size() % 2 != 0)
            wrongCount();
        QString sql = u"CASE"_s;
        for (qsizetype i = 0; i < args.size(); i += 2)
            sql += u" WHEN "_s + Condition(e.args[i]) + u" THEN "_s + args[i + 1].sql;
        p.sql = sql + u" END"_s;
        p.type = CommonType(argTypes(1, 2) << typeNull);
        return p;
    }
    if (rule && rule->writing == JetCallWriting::IsNullTest) {
        if (args.size() != 1)
            wrongCount();
        p.sql = Wrap(args[0], precEquality + 1) + u" IS NULL"_s;
        p.precedence = precEquality;
        p.type = dbBoolean;
        p.truth = Truth::Engine;
        return p;
    }
    QString name;
    if (rule) {
        name = call->sqlName;
        // The engine's length() counts the characters of a text the same way.
        if (name == u"jet_len"_s && args.size() == 1 && IsText(args[0].type))
            name = u"length"_s;
        static const QSet<QString> engineNames = {u"round"_s, u"instr"_s, u"replace"_s, u"date"_s, u"time"_s};
        if (name.startsWith(u"jet_"_s) && engineNames.contains(e.text.toLower()))
            Reading(readingFunction.arg(e.text.toLower()));
    } else {
        name = e.text;
    }
    QStringList texts;
    for (const Piece& a : args)
        texts.append(marking ? u"CASE WHEN "_s + pivotMark + u" THEN "_s + a.sql + u" END"_s : a.sql);
    QString inside = texts.join(u", "_s);
    if (e.star)
        inside = marking ? u"CASE WHEN "_s + pivotMark + u" THEN 1 END"_s : u"*"_s;
    if (e.distinct)
        inside = u"DISTINCT "_s + inside;
    p.sql = name + u'(' + inside + u')';

    const int first = args.isEmpty() ? typeUnknown : args[0].type;
    if (rule) {
        using R = JetResultKind;
        switch (rule->result) {
        case R::Text: p.type = dbText; break;
        case R::Integer: p.type = dbInteger; break;
        case R::Long: p.type = dbLong; break;
        case R::Double: p.type = dbDouble; break;
        case R::Currency: p.type = dbCurrency; break;
        case R::Date: p.type = dbDate; break;
        case R::Boolean:
            p.type = dbBoolean;
            p.truth = Truth::Dialect;
            break;
        case R::SameAsArgument: {
            const int t = rule->argument >= 0 && rule->argument < args.size() ? args[rule->argument].type : typeUnknown;
            p.type = t == typeNull ? typeUnknown : t;
            const QString upper = e.text.toUpper();
            if (upper == u"SUM"_s && IsWhole(t))
                p.type = dbLong;
            else if (upper == u"AVG"_s && t != dbCurrency && (IsNumeric(t) || t == typeUnknown))
                p.type = dbDouble;
            else if (upper == u"ABS"_s && (t == dbBoolean || t == dbByte))
                p.type = dbInteger;
            break;
        }
        case R::CommonOfArguments: p.type = CommonType(argTypes(rule->argument, 1)); break;
        case R::Variant: p.type = typeUnknown; break;
        }
    } else {
        // The engine's own functions.
        const QString lower = e.text.toLower();
        if (lower == u"coalesce"_s || lower == u"ifnull"_s || lower == u"min"_s || lower == u"max"_s)
            p.type = CommonType(argTypes(0, 1));
        else if (lower == u"nullif"_s || lower == u"likely"_s || lower == u"unlikely"_s || lower == u"likelihood"_s)
            p.type = first;
        else if (lower == u"length"_s || lower == u"instr"_s || lower == u"unicode"_s)
            p.type = dbLong;
        else if (lower == u"total"_s || lower == u"julianday"_s)
            p.type = dbDouble;
        else if (lower == u"datetime"_s || lower == u"date"_s)
            p.type = dbDate;
        else if (lower == u"substr"_s || lower == u"upper"_s || lower == u"lower"_s || lower == u"trim"_s ||
                 lower == u"ltrim"_s || lower == u"rtrim"_s || lower == u"typeof"_s || lower == u"hex"_s ||
                 lower == u"quote"_s || lower == u"printf"_s || lower == u"char"_s || lower == u"group_concat"_s ||
                 lower == u"strftime"_s || lower == u"time"_s || lower == u"sqlite_version"_s)
            p.type = dbText;
    }
    return p;
}

QString Translator::TranslateSource(const Source& s, Scope& scope)
{
    switch (s.kind) {
    case Source::Table: {
        ScopeSource entry;
        entry.name = s.alias.isEmpty() ? s.name : s.alias;
        bool found = false;
        if (s.schema.isEmpty())
            for (qsizetype i = commonTables_.size() - 1; i >= 0 && !found; --i)
                if (const auto it = commonTables_[i].constFind(s.name.toLower()); it != commonTables_[i].constEnd()) {
                    entry.columns = it->columns;
                    entry.known = it->known;
                    found = true;
                }
        if (!found)
            if (const std::optional<SchemaTable> table = schema_.Table(s.schema, s.name)) {
                entry.columns = table->columns;
                entry.known = true;
                entry.isTable = table->isTable;
            }
        scope.sources.append(entry);
        QString sql = Ident(s.name);
        if (!s.schema.isEmpty())
            sql = Ident(s.schema) + u'.' + sql;
        if (!s.alias.isEmpty())
            sql += u" AS "_s + Ident(s.alias);
        if (!s.indexedBy.isEmpty())
            sql += u" INDEXED BY "_s + Ident(s.indexedBy);
        if (s.notIndexed)
            sql += u" NOT INDEXED"_s;
        return sql;
    }
    case Source::Subquery: {
        const SelectOut sub = TranslateSelect(*s.select, scope.parent);
        ScopeSource entry;
        entry.name = s.alias;
        entry.columns = sub.columns;
        entry.known = sub.known;
        scope.sources.append(entry);
        QString sql = u'(' + sub.sql + u')';
        if (!s.alias.isEmpty())
            sql += u" AS "_s + Ident(s.alias);
        return sql;
    }
    case Source::Join:
        break;
    }
    QString left = TranslateSource(*s.left, scope);
    QString right = TranslateSource(*s.right, scope);
    if (s.left->kind == Source::Join && !s.left->parenthesized && s.joinType == u"RIGHT"_s)
        left = u'(' + left + u')';
    if (s.right->kind == Source::Join && !s.right->parenthesized)
        right = u'(' + right + u')';
    QString sql;
    if (s.joinType == u","_s) {
        sql = left + u", "_s + right;
    } else {
        QString type = s.joinType == u"JOIN"_s ? u"INNER"_s : s.joinType;
        if (type == u"RIGHT"_s) {
            // The engine has no RIGHT JOIN: the same join with its sides swapped.
            std::swap(left, right);
            type = u"LEFT"_s;
            scope.swappedJoin = true;
        }
        sql = left + (s.natural ? u" NATURAL "_s : u" "_s) + type + u" JOIN "_s + right;
        if (s.on)
            sql += u" ON "_s + Condition(s.on);
        if (!s.usingColumns.isEmpty()) {
            QStringList names;
            for (const QString& c : s.usingColumns)
                names.append(Ident(c));
            sql += u" USING ("_s + names.join(u", "_s) + u')';
        }
    }
    if (s.parenthesized)
        sql = u'(' + sql + u')';
    return sql;
}

CoreParts Translator::TranslateCore(const SelectCore& core, const QList<OrderTerm>* order, Scope* parent,
                                    const Transform* transform)
{
    CoreParts parts;
    Scope scope;
    scope.parent = parent;
    EnterScope enter(scope_, scope);
    if (core.from)
        parts.from = u" FROM "_s + TranslateSource(*core.from, scope);
    // The result columns.
    QStringList columns;
    QList<Piece> results;
    QStringList names;
    scope.inSelectList = true;
    for (qsizetype i = 0; i < core.columns.size(); ++i) {
        const ResultColumn& rc = core.columns[i];
        if (rc.star) {
            bool matched = false;
            QStringList expanded;
            for (int s = 0; s < scope.sources.size(); ++s) {
                const ScopeSource& source = scope.sources[s];
                if (!rc.starQualifier.isEmpty() && source.name.compare(rc.starQualifier, Qt::CaseInsensitive) != 0)
                    continue;
                matched = true;
                scope.usedSources.insert(s);
                parts.columns.append(source.columns);
                parts.known = parts.known && source.known;
                expanded.append(source.name.isEmpty() ? QString() : Ident(source.name) + u".*"_s);
            }
            if (!rc.starQualifier.isEmpty()) {
                columns.append(Ident(rc.starQualifier) + u".*"_s);
                if (!matched)
                    parts.known = false;
            } else if (scope.swappedJoin && !expanded.contains(QString())) {
                // A swapped RIGHT JOIN keeps the columns in the order the statement gave.
                columns.append(expanded.join(u", "_s));
            } else {
                columns.append(u"*"_s);
            }
            if (!core.from)
                parts.known = false;
            results.append(Piece{});
            names.append(QString());
            continue;
        }
        const Piece p = Value(rc.expr);
        QString name = rc.alias;
        if (!rc.hasAlias) {
            const Expr& x = *rc.expr;
            if (x.kind == Expr::Column) {
                name = x.text;
            } else if (x.kind == Expr::Function && x.args.size() == 1 && x.args[0]->kind == Expr::Column &&
                       !AggregateName(x.text).isEmpty()) {
                name = AggregateName(x.text) + u"Of"_s + x.args[0]->text;
            } else {
                name = u"Expr%1"_s.arg(1000 + i);
            }
        }
        const bool plain = p.column && !rc.hasAlias && rc.expr->kind == Expr::Column;
        columns.append(plain ? p.sql : Wrap(p, precOr) + u" AS "_s + Ident(name));
        results.append(p);
        names.append(name);
        parts.columns.append(SchemaColumn{name, p.type == typeNull ? typeUnknown : p.type, p.noCase});
        scope.earlier.append({name, p});
    }
    scope.inSelectList = false;

    if (core.where)
        parts.where = Condition(core.where);
    QStringList groups;
    for (const ExprPtr& g : core.groupBy)
        groups.append(g->kind == Expr::Integer ? g->text : Sorted(Value(g)).sql);
    if (core.having)
        parts.having = Condition(core.having);

    // DISTINCTROW: distinct records of the tables the result reads, where a join also
    // holds tables it does not read; otherwise the same as ALL.
    if (core.distinctRow && !core.distinct && groups.isEmpty() && !scope.aggregate && scope.sources.size() > 1 &&
        !scope.usedSources.isEmpty() && scope.usedSources.size() < scope.sources.size()) {
        QStringList rowIds;
        for (int s : std::as_const(scope.usedSources)) {
            const ScopeSource& source = scope.sources[s];
            if (!source.isTable || source.name.isEmpty()) {
                rowIds.clear();
                break;
            }
            rowIds.append(Ident(source.name) + u".rowid"_s);
        }
        rowIds.sort();
        groups = rowIds;
    }
    parts.groupBy = groups.join(u", "_s);
    parts.distinct = core.distinct;
    parts.head = (core.distinct ? u"SELECT DISTINCT "_s : u"SELECT "_s) + columns.join(u", "_s);

    if (order) {
        for (const OrderTerm& term : *order) {
            OrderKey key;
            key.descending = term.descending;
            const Expr& x = *term.expr;
            Piece p;
            bool ordinal = false;
            if (x.kind == Expr::Integer) {
                const int k = x.text.toInt();
                if (k >= 1 && k <= results.size() && !core.columns[k - 1].star) {
                    p = results[k - 1];
                    ordinal = true;
                } else {
                    key.order = key.expression = x.text;
                    parts.order.append(key);
                    continue;
                }
            } else {
                // A name of a result column, which the engine reads so too.
                qsizetype named = -1;
                if (x.kind == Expr::Column && x.qualifier.isEmpty())
                    for (qsizetype i = 0; i < names.size() && named < 0; ++i)
                        if (!core.columns[i].star && names[i].compare(x.text, Qt::CaseInsensitive) == 0)
                            named = i;
                if (named >= 0 && !(results[named].column && core.columns[named].expr->kind == Expr::Column &&
                                    core.columns[named].expr->text.compare(x.text, Qt::CaseInsensitive) == 0)) {
                    p = results[named];
                    ordinal = true;
                } else {
                    p = Value(term.expr);
                }
            }
            // A result column named or counted: ORDER BY keeps the name or number unless
            // the order needs a collation; the key repeats the column's expression.
            const Piece sorted = Sorted(p);
            key.expression = Wrap(sorted, precOr);
            if (ordinal && !(sorted.collated && !p.collated))
                key.order = x.kind == Expr::Integer ? x.text : Ident(x.text);
            else
                key.order = key.expression;
            parts.order.append(key);
        }
    }
    if (transform) {
        pivotScope_ = &scope;
        const Piece cell = Value(transform->value);
        pivotScope_ = nullptr;
        parts.cell = cell.sql;
        parts.cellType = cell.type == typeNull ? typeUnknown : cell.type;
        parts.pivot = Value(transform->pivot);
        if (!cell.sql.contains(pivotMark))
            Fail(u"Syntax error in TRANSFORM statement. The value after TRANSFORM must be an aggregate such as "
                 u"Sum(Amount) or Count(*)."_s,
                 transform->offset);
    }
    parts.aggregate = scope.aggregate;
    return parts;
}

QString Translator::TranslateTop(const SelectCore& core, const CoreParts& parts)
{
    const QString base = parts.Sql();
    const QString n = core.top->text;
    const bool whole = core.top->kind == Expr::Integer;
    if (!core.topPercent && !whole)
        Fail(u"TOP must be followed by a whole number, for example SELECT TOP 10 ..."_s, core.top->offset);
    if (!core.topPercent && n.toLongLong() == 0)
        return base + parts.OrderBy() + u" LIMIT 0"_s;
    // How many records TOP n PERCENT keeps: n percent of the result, rounded up.
    const QString percentCount =
        u"(SELECT CAST(c * %1 / 100.0 AS INTEGER) + (c * %1 / 100.0 > CAST(c * %1 / 100.0 AS INTEGER)) "
        u"FROM (SELECT count(*) AS c FROM (%2)))"_s.arg(n, base);
    const QString limit = core.topPercent ? percentCount : n;
    if (parts.order.isEmpty())
        return base + u" LIMIT "_s + limit;
    // With ORDER BY, the records tied with the last one kept come too, as the dialect
    // does it: every record whose keys do not sort after that record's keys.
    const QString offset = core.topPercent ? u'(' + percentCount + u" - 1)"_s : QString::number(n.toLongLong() - 1);
    QStringList keys;
    for (const OrderKey& k : parts.order)
        keys.append(k.expression + (k.descending ? u" DESC"_s : QString()));
    auto cutOf = [&](qsizetype i) -> QString {
        if (parts.distinct) {
            QStringList derivedKeys, outerKeys;
            for (qsizetype j = 0; j < parts.order.size(); ++j) {
                derivedKeys.append(parts.order[j].expression + u" AS `_k%1`"_s.arg(j));
                outerKeys.append(u"`_k%1`"_s.arg(j) + (parts.order[j].descending ? u" DESC"_s : QString()));
            }
            CoreParts derived = parts;
            derived.head += u", "_s + derivedKeys.join(u", "_s);
            const QString what = i < 0 ? u"1"_s : u"`_k%1`"_s.arg(i);
            return u"SELECT %1 FROM (%2) ORDER BY %3 LIMIT 1 OFFSET %4"_s.arg(what, derived.Sql(),
                                                                           outerKeys.join(u", "_s), offset);
        }
        CoreParts cut = parts;
        cut.head = u"SELECT "_s + (i < 0 ? u"1"_s : parts.order[i].expression);
        return cut.Sql() + u" ORDER BY "_s + keys.join(u", "_s) + u" LIMIT 1 OFFSET "_s + offset;
    };
    QString condition;
    for (qsizetype i = parts.order.size() - 1; i >= 0; --i) {
        const QString k = u'(' + parts.order[i].expression + u')';
        const QString c = u'(' + cutOf(i) + u')';
        const QString before = parts.order[i].descending
                                   ? u"(%1 > %2 OR (%2 IS NULL AND %1 IS NOT NULL))"_s.arg(k, c)
                                   : u"(%1 < %2 OR (%1 IS NULL AND %2 IS NOT NULL))"_s.arg(k, c);
        const QString same = u"%1 IS %2"_s.arg(k, c);
        condition = condition.isEmpty() ? u"(%1 OR %2)"_s.arg(before, same)
                                        : u"(%1 OR (%2 AND %3))"_s.arg(before, same, condition);
    }
    condition = u"(NOT EXISTS (%1) OR %2)"_s.arg(cutOf(-1), condition);
    const bool grouped = !parts.groupBy.isEmpty() || parts.aggregate;
    return (grouped ? parts.Sql({}, condition) : parts.Sql(condition)) + parts.OrderBy();
}

SelectOut Translator::TranslateSingle(const SelectCore& core, const QList<OrderTerm>& order, Scope* parent)
{
    SelectOut out;
    if (core.nested) {
        out = TranslateSelect(*core.nested, parent);
        if (!order.isEmpty()) {
            // ORDER BY after a parenthesised select orders its result.
            QStringList terms;
            for (const OrderTerm& t : order) {
                const Expr& x = *t.expr;
                terms.append((x.kind == Expr::Column || x.kind == Expr::Integer ? (x.kind == Expr::Column
                                                                                       ? Ident(x.text)
                                                                                       : x.text)
                                                                                 : Value(t.expr).sql) +
                             (t.descending ? u" DESC"_s : QString()));
            }
            out.sql = u"SELECT * FROM ("_s + out.sql + u") ORDER BY "_s + terms.join(u", "_s);
        }
        return out;
    }
    if (core.isValues) {
        QStringList rows;
        for (const QList<ExprPtr>& row : core.values) {
            QStringList values;
            for (const ExprPtr& v : row)
                values.append(Value(v).sql);
            rows.append(u'(' + values.join(u", "_s) + u')');
        }
        out.sql = u"VALUES "_s + rows.join(u", "_s);
        out.known = false;
        return out;
    }
    const CoreParts parts = TranslateCore(core, &order, parent);
    out.columns = parts.columns;
    out.known = parts.known;
    out.sql = core.top ? TranslateTop(core, parts) : parts.Sql() + parts.OrderBy();
    return out;
}

QString Translator::TranslateMember(const SelectCore& core, Scope* parent, SelectOut& out)
{
    // A member of a union that has its own TOP or ORDER BY runs as a subquery.
    const SelectOut member = TranslateSingle(core, {}, parent);
    out.columns = member.columns;
    out.known = member.known;
    const bool own = core.top || (core.nested && (!core.nested->orderBy.isEmpty() || core.nested->limit ||
                                                  (core.nested->cores.size() == 1 && core.nested->cores[0].top)));
    return own || core.nested ? u"SELECT * FROM ("_s + member.sql + u')' : member.sql;
}

QString Translator::TranslateWith(const SelectStatement& s, Scope* parent)
{
    if (s.with.isEmpty())
        return {};
    QStringList tables;
    for (const CommonTable& cte : s.with) {
        // Known by name while its own body is read, for a recursive one.
        commonTables_.last().insert(cte.name.toLower(), CommonTableInfo{});
        const SelectOut body = TranslateSelect(*cte.select, parent);
        CommonTableInfo info{body.columns, body.known};
        if (!cte.columns.isEmpty()) {
            info.columns.clear();
            for (qsizetype i = 0; i < cte.columns.size(); ++i)
                info.columns.append(
                    SchemaColumn{cte.columns[i], i < body.columns.size() ? body.columns[i].type : typeUnknown,
                                 i < body.columns.size() && body.columns[i].noCase});
            info.known = true;
        }
        commonTables_.last().insert(cte.name.toLower(), info);
        QString head = Ident(cte.name);
        if (!cte.columns.isEmpty()) {
            QStringList names;
            for (const QString& c : cte.columns)
                names.append(Ident(c));
            head += u'(' + names.join(u", "_s) + u')';
        }
        tables.append(head + u" AS ("_s + body.sql + u')');
    }
    return (s.recursive ? u"WITH RECURSIVE "_s : u"WITH "_s) + tables.join(u", "_s) + u' ';
}

SelectOut Translator::TranslateSelect(const SelectStatement& s, Scope* parent)
{
    commonTables_.append(QHash<QString, CommonTableInfo>());
    SelectOut out;
    const QString with = TranslateWith(s, parent);
    if (s.cores.size() == 1) {
        out = TranslateSingle(s.cores[0], s.orderBy, parent);
    } else {
        QStringList members;
        for (qsizetype i = 0; i < s.cores.size(); ++i) {
            SelectOut member;
            const QString sql = TranslateMember(s.cores[i], parent, member);
            if (i == 0) {
                out.columns = member.columns;
                out.known = member.known;
            }
            members.append(sql);
            if (i > 0)
                members[i] = s.operators[i - 1] + u' ' + members[i];
        }
        out.sql = members.join(u' ');
        // A union is ordered by its result columns, named or counted.
        QStringList terms;
        for (const OrderTerm& t : s.orderBy) {
            const Expr& x = *t.expr;
            QString term;
            int type = typeUnknown;
            bool noCase = false;
            if (x.kind == Expr::Integer) {
                term = x.text;
            } else if (x.kind == Expr::Column) {
                term = Ident(x.text);
                for (const SchemaColumn& c : out.columns)
                    if (c.name.compare(x.text, Qt::CaseInsensitive) == 0) {
                        type = c.type;
                        noCase = c.noCase;
                    }
                if (IsText(type) && !noCase) {
                    Reading(readingCase);
                    term += u" COLLATE NOCASE"_s;
                }
            } else {
                term = Value(t.expr).sql;
            }
            terms.append(term + (t.descending ? u" DESC"_s : QString()));
        }
        if (!terms.isEmpty())
            out.sql += u" ORDER BY "_s + terms.join(u", "_s);
    }
    if (s.limit) {
        out.sql += u" LIMIT "_s + Value(s.limit).sql;
        if (s.limitOffset)
            out.sql += u" OFFSET "_s + Value(s.limitOffset).sql;
    }
    out.sql = with + out.sql;
    commonTables_.removeLast();
    return out;
}

QList<levy::Value> InListValues(const Transform& tr, const QString& sql)
{
    QList<levy::Value> values;
    for (const ExprPtr& item : tr.pivotIn) {
        const Expr* x = item.get();
        bool negative = false;
        if (x->kind == Expr::Unary && x->text == u"-"_s) {
            negative = true;
            x = x->args[0].get();
        }
        levy::Value v;
        bool ok = true;
        switch (x->kind) {
        case Expr::Null: break;
        case Expr::Integer: v = levy::Value(int64_t(negative ? -x->text.toLongLong(&ok) : x->text.toLongLong(&ok)));
            break;
        case Expr::Real: v = levy::Value(negative ? -x->text.toDouble(&ok) : x->text.toDouble(&ok)); break;
        case Expr::Boolean: v = levy::Value(int64_t(x->text.toInt())); break;
        case Expr::Text:
        case Expr::Date: v = levy::Value(x->text); break;
        default: ok = false; break;
        }
        if (!ok || (negative && x->kind != Expr::Integer && x->kind != Expr::Real))
            engine::RaiseEngine(engine::errSyntax,
                                u"Syntax error in TRANSFORM statement. The list after PIVOT ... IN may hold only "
                                u"values: texts, numbers and dates. The fault is at %1."_s.arg(
                                    DescribePlace(sql, item->offset)));
        values.append(v);
    }
    return values;
}

void Translator::TranslateCrosstab(TranslatedQuery& out)
{
    const Transform& tr = *query_.transform;
    const SelectStatement& s = *query_.select;
    const SelectCore& core = s.cores[0];
    if (core.top || core.nested)
        Fail(u"Syntax error in TRANSFORM statement. A crosstab query cannot use TOP."_s, core.offset);
    commonTables_.append(QHash<QString, CommonTableInfo>());
    const QString with = TranslateWith(s, nullptr);
    CoreParts parts = TranslateCore(core, &s.orderBy, nullptr, &tr);
    commonTables_.removeLast();
    CrosstabPlan plan;
    plan.rowHeadings = with + parts.head;
    plan.body = parts.Sql().mid(parts.head.size());
    if (!parts.order.isEmpty()) {
        plan.order = parts.OrderBy();
    } else {
        // Rows come in the order of their headings.
        plan.order = u" ORDER BY "_s + parts.groupBy;
    }
    plan.cellParts = parts.cell.split(pivotMark);
    plan.pivot = parts.pivot.sql;
    plan.pivotType = parts.pivot.type == typeNull ? typeUnknown : parts.pivot.type;
    plan.pivotNoCase = !NumericOrNull(parts.pivot.type) && parts.pivot.type != dbDate;
    plan.cellType = parts.cellType;
    for (const SchemaColumn& c : parts.columns)
        plan.rowHeadingTypes.append(c.type);
    if (!parts.known)
        plan.rowHeadingTypes.clear();
    plan.hasIn = tr.hasIn;
    if (tr.hasIn) {
        plan.inValues = InListValues(tr, sql_);
    } else {
        CoreParts values = parts;
        values.head = with + u"SELECT DISTINCT "_s + Wrap(parts.pivot, precCollate) +
                      (plan.pivotNoCase ? u" COLLATE NOCASE"_s : QString());
        values.groupBy.clear();
        values.having.clear();
        plan.valuesSql = values.Sql() + u" ORDER BY 1"_s;
    }
    out.crosstab = plan;
}

TranslatedQuery Translator::Translate()
{
    TranslatedQuery out;
    if (query_.transform) {
        TranslateCrosstab(out);
    } else {
        const SelectOut select = TranslateSelect(*query_.select, nullptr);
        out.sql = select.sql;
        if (select.known)
            for (const SchemaColumn& c : select.columns)
                out.columnTypes.append(c.type);
    }
    out.dialectReadings = QStringList(readings_.begin(), readings_.end());
    out.dialectReadings.sort();
    return out;
}
} // namespace

TranslatedQuery TranslateJetQuery(const Query& query, const QString& sql, const JetSchema& schema)
{
    Translator translator(query, sql, schema);
    return translator.Translate();
}

} // namespace levy::jet
