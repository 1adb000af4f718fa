#pragma once

// The translator's own pieces, shared by its sources (JetExpressionTranslator.cpp,
// JetStatementTranslator.cpp); nothing outside them includes this.

#include "jet/functions/JetFunctionCatalog.h"
#include "jet/translation/JetSchema.h"
#include "jet/syntax/JetSyntax.h"
#include "jet/translation/JetTranslator.h"
#include "jet/syntax/JetTokenizer.h"
#include "jet/translation/JetTypeRules.h"
#include "engine/EngineErrors.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace levy::jet::translation {

// Marks, in a crosstab cell, where the test of the column's pivot value goes. The
// statement's text never holds it (the front end refuses control characters).
inline constexpr QChar pivotMark(0x01);

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
    int parameter = 0;      // an undeclared parameter's position (?n), else 0
};

// The notes on readings that differ from the engine's own.
inline const QString readingConcatenation = QStringLiteral("& joins texts");
inline const QString readingPlus = QStringLiteral("+ joins two texts");
inline const QString readingDivision = QStringLiteral("/ divides exactly");
inline const QString readingTruth = QStringLiteral("a comparison's value is -1 when true");
inline const QString readingCase = QStringLiteral("texts compare without regard to case");
inline const QString readingQuotes = QStringLiteral("double quotes enclose texts");
inline const QString readingLike = QStringLiteral("LIKE patterns use *, ?, # and [ ]");
inline const QString readingFunction = QStringLiteral("%1() is the dialect's function");
inline const QString readingDates = QStringLiteral("dates take part in arithmetic as dates");

// A name as the engine reads it, in backticks.
inline QString Ident(const QString& name)
{
    QString inner = name;
    inner.replace(u'`', QStringLiteral("``"));
    return u'`' + inner + u'`';
}

// The expression, in parentheses where it binds looser than `minimum`.
inline QString Wrap(const Piece& p, int minimum) { return p.precedence < minimum ? u'(' + p.sql + u')' : p.sql; }

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

    // The select without its ORDER BY, with extra conditions in WHERE or HAVING.
    QString Sql(const QString& extraWhere = {}, const QString& extraHaving = {}) const;
    QString OrderBy() const;
};

// A select's result columns as the engine writes them, with each one's expression and
// name (for a star: an empty piece and name).
struct SelectList {
    QStringList sql;
    QList<Piece> pieces;
    QStringList names;
};

struct CommonTableInfo {
    QList<SchemaColumn> columns;
    bool known = false;
};

// What a scope knows of a column a statement names: its type, that it is there (or may
// be) without a known type, or nothing, so that the enclosing scope is asked.
enum class ColumnFound { Typed, Untyped, NotHere };

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
        engine::RaiseEngine(engine::errSyntax, message + QStringLiteral(" The fault is at %1.").arg(DescribePlace(sql_, at)));
    }
    void Reading(const QString& note) { readings_.insert(note); }

    SelectOut TranslateSelect(const SelectStatement& s, Scope* parent);
    QString TranslateWith(const SelectStatement& s, Scope* parent);
    SelectOut TranslateSingle(const SelectCore& core, const QList<OrderTerm>& order, Scope* parent);
    CoreParts TranslateCore(const SelectCore& core, const QList<OrderTerm>* order, Scope* parent,
                            const Transform* transform = nullptr);
    SelectList TranslateResultColumns(const SelectCore& core, Scope& scope, CoreParts& parts);
    // A star, or a table's star, in the select list.
    QString ExpandStar(const ResultColumn& rc, Scope& scope, CoreParts& parts);
    // The groups DISTINCTROW stands for, or none.
    QStringList DistinctRowGroups(const SelectCore& core, const Scope& scope) const;
    OrderKey TranslateOrderTerm(const SelectCore& core, const OrderTerm& term, const SelectList& list);
    // A crosstab's cell and pivot.
    void TranslatePivot(const Transform& transform, Scope& scope, CoreParts& parts);
    QString TranslateMember(const SelectCore& core, Scope* parent, SelectOut& out);
    QString TranslateSource(const Source& s, Scope& scope);
    QString TranslateTable(const Source& s, Scope& scope);
    QString TranslateJoin(const Source& s, Scope& scope);
    QString TranslateTop(const SelectCore& core, const CoreParts& parts);
    void TranslateCrosstab(TranslatedQuery& out);

    Piece Tr(const ExprPtr& e);
    Piece Value(const ExprPtr& e) { return AsValue(Tr(e)); }
    Piece AsValue(Piece p);
    QString Condition(const ExprPtr& e) { return Tr(e).sql; }
    Piece TrLiteral(const Expr& e);
    Piece TrUnary(const Expr& e);
    // IS NULL, BETWEEN and the forms of IN.
    Piece TrMembership(const Expr& e);
    Piece TrColumn(const Expr& e);
    // A parameter's numbered place; `declared` is its place in the PARAMETERS clause, or -1.
    Piece TrParameter(const Expr& e, int declared);
    // True when a name in brackets names nothing the statement can read.
    bool NamesNothing(const Expr& e) const;
    QList<JetParameter> AskedParameters() const;
    // Notes what an undeclared parameter is compared with.
    void NoteCompared(const Piece& parameter, const Piece& other);
    // `index` receives the source the column belongs to, where that is known.
    ColumnFound FindColumn(const Scope& s, const Expr& e, int& index, SchemaColumn& column) const;
    Piece TrFunction(const Expr& e);
    // IIf and Switch, as CASE.
    Piece TrCaseFunction(const Expr& e, const QList<Piece>& args);
    QString FunctionName(const Expr& e, const std::optional<DialectCall>& call, const QList<int>& types);
    [[noreturn]] void FailArgumentCount(const Expr& e, const JetFunctionInfo* rule = nullptr) const;
    [[noreturn]] void FailDomainFunction(const Expr& e) const;
    // TypeName and VarType of a field: from its declared type.
    std::optional<Piece> FieldTypeName(const Expr& e, const Piece& field) const;
    Piece TrBinary(const Expr& e);
    // + and -, with texts and dates.
    Piece TrAddition(const QString& op, const Piece& l, const Piece& r);
    // /, \ and MOD.
    Piece TrDivision(const QString& op, const Piece& l, const Piece& r);
    Piece DateShift(const Piece& date, const Piece& days, bool subtract);
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
    QList<JetParameter> bound_;    // at position ?1, ?2...
};

} // namespace levy::jet::translation
