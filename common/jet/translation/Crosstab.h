#pragma once

#include "values/Value.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace levy::jet {

// A crosstab (TRANSFORM ... PIVOT) as translated, waiting for its pivot values: one
// column per value, in ascending order or in the order of the IN list, named by the
// value ("<>" for Null). Each cell holds the TRANSFORM aggregate over the rows of its
// group whose pivot expression equals the column's value; Null where there are none.
struct CrosstabPlan {
    QString rowHeadings;         // "SELECT <row heading columns>"
    QString body;                // " FROM ... WHERE ... GROUP BY ... HAVING ..."
    QString order;               // " ORDER BY ..."
    QStringList cellParts;       // the cell expression, split where the pivot test goes
    QString pivot;               // the pivot expression, translated
    bool pivotNoCase = false;    // text pivot values compare without regard to case
    int pivotType = 0;
    int cellType = 0;
    QList<int> rowHeadingTypes;
    // The read-only query that lists the pivot values, when there is no IN list.
    QString valuesSql;
    bool hasIn = false;
    QList<Value> inValues;       // the IN list, as stored values
};

// The most columns a crosstab may have, row headings included.
inline constexpr int maxCrosstabColumns = 255;

// The crosstab's statement for its pivot values (stored values: Null, integer, double,
// text), each spliced in as a quoted literal. Raises a clear error when there would be
// more than maxCrosstabColumns columns.
QString CrosstabSql(const CrosstabPlan& plan, const QList<Value>& pivotValues);

// The column heading of a pivot value.
QString PivotHeading(const Value& stored, int pivotType);

// A stored value as an SQL literal that can hold no SQL of its own.
QString StoredValueLiteral(const Value& stored);

} // namespace levy::jet
