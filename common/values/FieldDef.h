#pragma once

#include "DaoConstants.h"

#include <QString>

namespace levy {

// A field as the file declares it: its name, type code and, for text, its size.
struct FieldDef {
    QString name;
    int type = dbText;
    int size = 0;              // characters, for text fields
    bool allowZeroLength = false;
};

// The declared column type of a field, and back.
QString DeclaredType(const FieldDef& field);
// Fills type and size from a declared type; false when the type is not one of the file's.
bool FieldFromDeclaredType(const QString& declared, FieldDef& field);
// The type as the user knows it: "Text(30)", "Long Integer", "Date/Time"; empty for another.
QString FieldTypeName(const FieldDef& field);

} // namespace levy
