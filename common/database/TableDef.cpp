#include "TableDef.h"

#include "engine/EngineErrors.h"
#include "engine/SqliteHandle.h"


using namespace Qt::Literals::StringLiterals;

namespace levy {

FieldDef TableDef::CreateField(const QString& name, int type, int size) const
{
    FieldDef f{name, type, size, false};
    if (type == dbText && size <= 0)
        f.size = 255;
    return f;
}

void TableDef::AppendField(const FieldDef& field)
{
    if (field.name.trimmed().isEmpty())
        engine::RaiseEngine(engine::errInvalidValue, u"A field of table \"%1\" has no name."_s.arg(name_));
    if (FindField(field.name))
        engine::RaiseEngine(engine::errObjectExists,
                            u"The field \"%1\" already exists in table \"%2\"."_s.arg(field.name, name_));
    if (DeclaredType(field).isEmpty())
        engine::RaiseEngine(engine::errInvalidValue,
                            u"The field \"%1\" of table \"%2\" has a type the levy database cannot store."_s
                                .arg(field.name, name_));
    if (field.type == dbText && (field.size < 1 || field.size > 255))
        engine::RaiseEngine(engine::errInvalidValue,
                            u"The text field \"%1\" of table \"%2\" must hold 1 to 255 characters."_s.arg(field.name, name_));
    fields_.append(field);
}

void TableDef::AppendIndex(const IndexDef& index)
{
    if (index.fields.isEmpty())
        engine::RaiseEngine(engine::errInvalidValue, u"The index \"%1\" has no field."_s.arg(index.name));
    for (const QString& f : index.fields)
        if (!FindField(f))
            engine::RaiseEngine(engine::errNotFound,
                                u"The index \"%1\" names the field \"%2\", which table \"%3\" does not have."_s
                                    .arg(index.name, f, name_));
    for (const IndexDef& i : indexes_)
        if (i.name.compare(index.name, Qt::CaseInsensitive) == 0)
            engine::RaiseEngine(engine::errObjectExists,
                                u"The index \"%1\" already exists in table \"%2\"."_s.arg(index.name, name_));
    indexes_.append(index);
}

const FieldDef* TableDef::FindField(const QString& name) const
{
    for (const FieldDef& f : fields_)
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

namespace {
// The rule the file enforces on one column, named after the field so that a failure
// can be reported with the table and field.
QString ColumnSql(const FieldDef& f)
{
    using engine::QuoteName;
    const QString c = QuoteName(f.name);
    QString rule;
    switch (f.type) {
    case dbText:
        rule = u"typeof(%1) = 'text' AND length(%1) BETWEEN 1 AND %2"_s.arg(c).arg(f.size);
        break;
    case dbMemo:
        rule = f.allowZeroLength ? u"typeof(%1) = 'text'"_s.arg(c)
                                 : u"typeof(%1) = 'text' AND length(%1) >= 1"_s.arg(c);
        break;
    case dbInteger: rule = u"typeof(%1) = 'integer' AND %1 BETWEEN -32768 AND 32767"_s.arg(c); break;
    case dbLong: rule = u"typeof(%1) = 'integer' AND %1 BETWEEN -2147483648 AND 2147483647"_s.arg(c); break;
    case dbCurrency: rule = u"typeof(%1) IN ('integer', 'real')"_s.arg(c); break;
    case dbDate: rule = u"typeof(%1) = 'text' AND %1 IS datetime(%1)"_s.arg(c); break;
    case dbBoolean: rule = u"typeof(%1) = 'integer' AND %1 IN (0, -1)"_s.arg(c); break;
    case dbDouble: rule = u"typeof(%1) IN ('integer', 'real')"_s.arg(c); break;
    default: break;
    }
    QString sql = c + u' ' + DeclaredType(f);
    if (f.type == dbText || f.type == dbMemo)
        sql += u" COLLATE NOCASE"_s;
    if (!rule.isEmpty())
        sql += u" CONSTRAINT %1 CHECK (%2 IS NULL OR (%3))"_s.arg(c, c, rule);
    return sql;
}
} // namespace

QString TableDef::CreateTableSql() const
{
    QStringList columns;
    for (const FieldDef& f : fields_)
        columns.append(ColumnSql(f));
    return u"CREATE TABLE %1 (%2)"_s.arg(engine::QuoteName(name_), columns.join(u", "_s));
}

QStringList TableDef::CreateIndexSql() const
{
    QStringList out;
    for (const IndexDef& i : indexes_) {
        QStringList cols;
        for (const QString& f : i.fields)
            cols.append(engine::QuoteName(f));
        out.append(u"CREATE INDEX %1 ON %2 (%3)"_s.arg(engine::QuoteName(StoredIndexName(name_, i.name)),
                                                     engine::QuoteName(name_), cols.join(u", "_s)));
    }
    return out;
}

QString StoredIndexName(const QString& table, const QString& index) { return table + u'.' + index; }

QString IndexNameFromStored(const QString& table, const QString& stored)
{
    const QString prefix = table + u'.';
    return stored.startsWith(prefix, Qt::CaseInsensitive) ? stored.mid(prefix.size()) : stored;
}

} // namespace levy
