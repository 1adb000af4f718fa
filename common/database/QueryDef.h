#pragma once

#include "Recordset.h"
#include "jet/syntax/UserStatement.h"

#include <memory>

namespace levy {

class Database;

// A stored query: a named, saved SQL text. Setting the text checks it and saves it in
// the file at once; opening it runs it on the database's read-only connection.
class QueryDef {
public:
    QueryDef(std::shared_ptr<Database> database, QString name);

    const QString& Name() const { return name_; }
    QString SQL() const;
    void SetSQL(const QString& sql);
    // The query type code, decided from the text alone.
    int Type() const;
    // The values its parameters are given when it is opened, bound by name; they are the
    // query object's own and are kept when its text changes, as the recordsets opened
    // from it keep the values they were opened with.
    const QList<jet::BoundParameter>& Parameters() const { return parameters_; }
    void SetParameters(QList<jet::BoundParameter> parameters) { parameters_ = std::move(parameters); }
    std::shared_ptr<Recordset> OpenRecordset(QueryReading reading = QueryReading::FirstRecordAtOnce);

private:
    std::shared_ptr<Database> Live() const;
    // The reading of a text: the last one again while the stored text is the same (a
    // statement is checked, opened and typed in turn), else a new one.
    const jet::UserStatement& ReadingOf(const QString& sql) const;
    std::weak_ptr<Database> database_;
    QString name_;
    mutable jet::UserStatement reading_;
    QList<jet::BoundParameter> parameters_;
};

// Whether a query type code may be opened as a recordset (select, crosstab, union).
bool IsRunnableQueryType(int type);

} // namespace levy
