#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace levy::jet {

// The syntax tree of a select-type statement as the parser reads it. Offsets point into
// the statement's text, so that messages can name the place.

struct SelectStatement;
struct Expr;
struct Source;
using ExprPtr = std::shared_ptr<Expr>;
using SelectPtr = std::shared_ptr<SelectStatement>;
using SourcePtr = std::shared_ptr<Source>;

struct Expr {
    enum Kind {
        Null,
        Integer,     // text: the digits as written (or 0x...)
        Real,        // text: the number as written
        Text,        // text: the value
        Date,        // text: the stored form "YYYY-MM-DD HH:MM:SS"
        Boolean,     // text: "-1" or "0"
        Blob,        // text: the hexadecimal digits
        Keyword,     // CURRENT_DATE, CURRENT_TIME, CURRENT_TIMESTAMP
        Column,      // [schema.][qualifier.]text
        Parameter,   // text as written: ?, ?1, :name
        Function,    // text(args); `star` for Count(*), `distinct` for f(DISTINCT x)
        Unary,       // text: "-", "+", "~", "NOT"; args[0]
        Binary,      // text: the operator, upper-case; args[0], args[1]
        Like,        // text: LIKE, GLOB, REGEXP, MATCH; args: subject, pattern[, escape]
        Between,     // args: subject, low, high
        InList,      // args: subject, values...
        InSelect,    // args: subject; select
        InTable,     // args: subject; text: the table
        IsNull,      // args: subject; negated: IS NOT NULL
        Exists,      // select
        Subquery,    // select
        Case,        // args: [operand], when, then, ..., [else]
        Cast,        // args[0] AS text
        Collate,     // args[0] COLLATE text
    };
    Kind kind = Null;
    QString text;
    QString qualifier;
    QString schema;
    QList<ExprPtr> args;
    SelectPtr select;
    bool negated = false;
    bool distinct = false;
    bool star = false;
    bool hasOperand = false;  // Case
    bool hasElse = false;     // Case
    bool doubleQuoted = false;  // Text written in "double quotes"
    bool bracketed = false;     // Column: a single name written in [brackets]
    qsizetype offset = 0;
    qsizetype end = 0;
    int height = 1;  // levels of the tree from here down, this node included

    bool IsLiteral() const { return kind <= Keyword; }
};

struct ResultColumn {
    ExprPtr expr;              // null for * and table.*
    bool star = false;
    QString starQualifier;     // table.*
    QString alias;
    bool hasAlias = false;
    qsizetype offset = 0;
    qsizetype end = 0;
};

struct Source {
    enum Kind { Table, Subquery, Join };
    Kind kind = Table;
    QString schema;
    QString name;              // Table
    QString alias;
    SelectPtr select;          // Subquery
    SourcePtr left, right;     // Join
    QString joinType;          // ",", "JOIN", "INNER", "LEFT", "RIGHT", "CROSS"
    ExprPtr on;
    bool natural = false;
    QStringList usingColumns;
    bool parenthesized = false;
    QString indexedBy;
    bool notIndexed = false;
    qsizetype offset = 0;
};

struct SelectCore {
    bool distinct = false;
    bool distinctRow = false;
    ExprPtr top;               // TOP n
    bool topPercent = false;
    QList<ResultColumn> columns;
    SourcePtr from;
    ExprPtr where;
    QList<ExprPtr> groupBy;
    ExprPtr having;
    bool isValues = false;
    QList<QList<ExprPtr>> values;
    SelectPtr nested;          // a member written in parentheses
    qsizetype offset = 0;
};

struct OrderTerm {
    ExprPtr expr;
    bool descending = false;
};

struct CommonTable {
    QString name;
    QStringList columns;
    SelectPtr select;
    qsizetype offset = 0;
};

struct SelectStatement {
    bool recursive = false;
    QList<CommonTable> with;
    QList<SelectCore> cores;
    QStringList operators;     // between the cores: UNION, UNION ALL, INTERSECT, EXCEPT
    QList<OrderTerm> orderBy;
    ExprPtr limit;
    ExprPtr limitOffset;
    qsizetype offset = 0;
};

struct Transform {
    ExprPtr value;
    QString valueAlias;
    ExprPtr pivot;
    QList<ExprPtr> pivotIn;
    bool hasIn = false;
    qsizetype offset = 0;
    qsizetype pivotOffset = 0;
};

struct QueryParameter {
    QString name;
    QString type;
    qsizetype offset = 0;
};

// A whole statement: PARAMETERS, then a select or a crosstab.
struct Query {
    QList<QueryParameter> parameters;
    std::optional<Transform> transform;
    SelectPtr select;
};

} // namespace levy::jet
