#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace levy {

class Database;

// One field as a user writes queries against it: its name and its type as the user
// knows it ("Text(20)", "Currency", "Date/Time").
struct ListedField {
    QString name;
    QString type;
};

struct ListedTable {
    QString name;
    QList<ListedField> fields;  // in column order
};

// What a query can read in a database: its tables (as the file holds them now, whoever
// made them) and its stored queries.
struct SchemaListing {
    QList<ListedTable> tables;
    QStringList queries;
};

// Reads the listing through the read-only connection that runs the users' statements,
// so that reading it can never write. Raises what the engine raises.
SchemaListing ListSchema(Database& database);

// The type of a declared column as a user knows it; a type the levy files never declare
// is shown as declared.
QString FieldTypeText(const QString& declaredType);

} // namespace levy
