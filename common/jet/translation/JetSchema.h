#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

struct sqlite3;

namespace levy::jet {

// A column a query can read from a table or view: its name, its field type (0 when the
// declared type says nothing) and whether the engine compares it without regard to case.
struct SchemaColumn {
    QString name;
    int type = 0;
    bool noCase = false;
};

struct SchemaTable {
    QList<SchemaColumn> columns;
    bool isTable = false;  // a table (with row ids), not a view
};

// What the translator may know about the database's tables and views.
class JetSchema {
public:
    virtual ~JetSchema() = default;
    // Nothing when there is no such table or view.
    virtual std::optional<SchemaTable> Table(const QString& schema, const QString& name) const = 0;
};

// The schema as a connection sees it. Reading it compiles a statement that names the
// table and runs nothing.
class ConnectionSchema : public JetSchema {
public:
    explicit ConnectionSchema(sqlite3* db) : db_(db) {}
    std::optional<SchemaTable> Table(const QString& schema, const QString& name) const override;

private:
    sqlite3* db_;
    mutable QHash<QString, std::optional<SchemaTable>> cache_;
};

} // namespace levy::jet
