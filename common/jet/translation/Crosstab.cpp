#include "jet/translation/Crosstab.h"

#include "values/DaoConstants.h"
#include "engine/EngineErrors.h"
#include "engine/SqliteHandle.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
QString QuoteHeading(const QString& name)
{
    QString inner = name;
    for (QChar& c : inner)
        if (c.unicode() < 0x20)
            c = u' ';
    inner.replace(u'`', u"``"_s);
    return u'`' + inner + u'`';
}
} // namespace

QString StoredValueLiteral(const Value& v)
{
    if (v.IsNull())
        return u"NULL"_s;
    if (v.IsInteger())
        return QString::number(v.AsInteger());
    if (v.IsDouble() && std::isinf(v.AsDouble()))
        return v.AsDouble() < 0 ? u"-9e999"_s : u"9e999"_s;
    if (v.IsDouble())
        return u"CAST("_s + QString::number(v.AsDouble(), 'g', 17) + u" AS REAL)"_s;
    const QString text = v.AsText();
    // A text with control characters goes in as its bytes, so that nothing in it can
    // end the literal or the statement early.
    for (QChar c : text)
        if (c.unicode() < 0x20)
            return u"CAST(X'"_s + QString::fromLatin1(text.toUtf8().toHex()) + u"' AS TEXT)"_s;
    return engine::QuoteText(text);
}

QString PivotHeading(const Value& v, int pivotType)
{
    if (v.IsNull())
        return u"<>"_s;
    if (pivotType == dbDate && v.IsText())
        if (const auto d = DateTime::FromStorageText(v.AsText()))
            return d->HasTimeOfDay() ? d->date.toString(u"dd/MM/yyyy"_s) + u' ' + d->time.toString(u"HH:mm:ss"_s)
                                     : d->date.toString(u"dd/MM/yyyy"_s);
    if (pivotType == dbCurrency && (v.IsInteger() || v.IsDouble()))
        return v.AsCurrency().ToText();
    return v.ToDisplayText();
}

QString CrosstabSql(const CrosstabPlan& plan, const QList<Value>& pivotValues)
{
    const qsizetype columns = plan.rowHeadingTypes.size() + pivotValues.size();
    if (columns > maxCrosstabColumns)
        engine::RaiseEngine(engine::errSyntax,
                            u"This crosstab query would have %1 columns (%2 different pivot values), more than the "
                            u"%3 a query can have. Narrow the rows with WHERE, pivot on fewer values, or list the "
                            u"columns wanted with PIVOT ... IN (...)."_s.arg(columns)
                                .arg(pivotValues.size())
                                .arg(maxCrosstabColumns));
    QString sql = plan.rowHeadings;
    for (const Value& v : pivotValues) {
        const QString test = v.IsNull() ? u"(%1) IS NULL"_s.arg(plan.pivot)
                                        : u"(%1) IS %2%3"_s.arg(plan.pivot, StoredValueLiteral(v),
                                                                plan.pivotNoCase ? u" COLLATE NOCASE"_s : QString());
        QString cell = plan.cellParts.join(test);
        sql += u", CASE WHEN count(CASE WHEN %1 THEN 1 END) > 0 THEN %2 END AS %3"_s.arg(
            test, cell, QuoteHeading(PivotHeading(v, plan.pivotType)));
    }
    return sql + plan.body + plan.order;
}

} // namespace levy::jet
