#include "SchemaListing.h"

#include "Database.h"
#include "engine/SqliteHandle.h"
#include "platform/RuntimeError.h"
#include "values/FieldDef.h"

using namespace Qt::Literals::StringLiterals;
using levy::engine::QuoteName;
using levy::engine::Statement;

namespace levy {

QString FieldTypeText(const QString& declaredType)
{
    FieldDef field;
    if (!FieldFromDeclaredType(declaredType, field))
        return declaredType.trimmed();
    const QString name = FieldTypeName(field);
    return name.isEmpty() ? declaredType.trimmed() : name;
}

SchemaListing ListSchema(Database& database)
{
    const auto connection = database.QueryConnection();
    SchemaListing listing;
    {
        // Views too: another program may have added one, and a query can read it.
        Statement names(connection, u"SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name NOT "
                                    u"LIKE 'sqlite!_%' ESCAPE '!' AND name <> ? ORDER BY type, rowid"_s);
        names.Bind(1, Database::storedQueriesTable);
        while (names.Step())
            listing.tables.append(ListedTable{names.ColumnText(0), {}});
    }
    for (ListedTable& table : listing.tables) {
        // Prepared, never stepped: the columns and their declared types are known then.
        try {
            Statement columns(connection, u"SELECT * FROM "_s + QuoteName(table.name));
            for (int i = 0; i < columns.ColumnCount(); ++i)
                table.fields.append(ListedField{columns.ColumnName(i), FieldTypeText(columns.ColumnDeclType(i))});
        } catch (const RuntimeError&) {
            // A view over a table that is gone: listed, with nothing to read.
        }
    }
    try {
        Statement queries(connection,
                          u"SELECT \"Name\" FROM %1 ORDER BY rowid"_s.arg(QuoteName(Database::storedQueriesTable)));
        while (queries.Step())
            listing.queries.append(queries.ColumnText(0));
    } catch (const RuntimeError&) {
        // A file without stored queries still has tables to show.
    }
    return listing;
}

} // namespace levy
