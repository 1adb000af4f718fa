#include "jet/translation/JetSchema.h"

#include "engine/Sqlite.h"
#include "engine/SqliteHandle.h"
#include "values/FieldDef.h"

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {

std::optional<SchemaTable> ConnectionSchema::Table(const QString& schema, const QString& name) const
{
    const QString key = schema.toLower() + u'.' + name.toLower();
    if (const auto it = cache_.constFind(key); it != cache_.constEnd())
        return *it;
    std::optional<SchemaTable> result;
    QString from = engine::QuoteName(name);
    if (!schema.isEmpty())
        from = engine::QuoteName(schema) + u'.' + from;
    const QByteArray sql = (u"SELECT * FROM "_s + from).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.constData(), int(sql.size()), &stmt, nullptr) == SQLITE_OK && stmt) {
        SchemaTable table;
        const QByteArray schemaName = schema.toUtf8();
        const QByteArray tableName = name.toUtf8();
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            SchemaColumn column;
            column.name = QString::fromUtf8(sqlite3_column_name(stmt, c));
            FieldDef field;
            if (const char* declared = sqlite3_column_decltype(stmt, c))
                if (FieldFromDeclaredType(QString::fromUtf8(declared), field))
                    column.type = field.type;
            // Only a table tells its collations; a view's columns count as case-sensitive.
            const char* collation = nullptr;
            const QByteArray columnName = column.name.toUtf8();
            if (sqlite3_table_column_metadata(db_, schema.isEmpty() ? nullptr : schemaName.constData(),
                                              tableName.constData(), columnName.constData(), nullptr, &collation,
                                              nullptr, nullptr, nullptr) == SQLITE_OK) {
                table.isTable = true;
                column.noCase = collation && sqlite3_stricmp(collation, "NOCASE") == 0;
            }
            table.columns.append(column);
        }
        result = table;
    }
    sqlite3_finalize(stmt);
    cache_.insert(key, result);
    return result;
}

} // namespace levy::jet
