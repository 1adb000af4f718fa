#pragma once

#include "values/FieldDef.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace levy {

struct IndexDef {
    QString name;
    QStringList fields;
    void AddField(const QString& fieldName) { fields.append(fieldName); }
};

// A table definition: built up in memory, then appended to a database, which writes it
// to the file at once.
class TableDef {
public:
    explicit TableDef(QString name = {}) : name_(std::move(name)) {}

    const QString& Name() const { return name_; }
    FieldDef CreateField(const QString& name, int type, int size = 0) const;
    void AppendField(const FieldDef& field);
    IndexDef CreateIndex(const QString& name) const { return IndexDef{name, {}}; }
    void AppendIndex(const IndexDef& index);

    const QList<FieldDef>& Fields() const { return fields_; }
    const QList<IndexDef>& Indexes() const { return indexes_; }
    const FieldDef* FindField(const QString& name) const;

    // The statements that create the table and its indexes in the file.
    QString CreateTableSql() const;
    QStringList CreateIndexSql() const;

private:
    QString name_;
    QList<FieldDef> fields_;
    QList<IndexDef> indexes_;
};

// Index names are global in the file and per table in the engine: the file keeps
// "<table>.<index>".
QString StoredIndexName(const QString& table, const QString& index);
QString IndexNameFromStored(const QString& table, const QString& stored);

} // namespace levy
