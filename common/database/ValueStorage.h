#pragma once

#include "values/FieldDef.h"
#include "values/Value.h"

namespace levy {

// How each field type is kept in the file, and back. A stored value is Null, an
// integer, a double or a text.
Value FromStorage(const Value& stored, int fieldType);

// Converts a value for a field, refusing (with the table and field named) a value the
// field cannot hold, before anything is written.
Value ToStorage(const Value& value, const FieldDef& field, const QString& table);

// Describes why a value broke a field's rule in the file, naming the table and field.
QString DescribeRefusedValue(const Value& value, const FieldDef& field, const QString& table);

// The field type of a result column whose declared type says nothing, from a value.
int FieldTypeOfStorage(const Value& stored);

} // namespace levy
