#pragma once

#include <QString>

namespace levy {

// Field type codes of the database engine.
enum FieldType : int {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,
    dbLong = 4,
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbBinary = 9,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
};

// Recordset types.
enum RecordsetType : int {
    dbOpenDefault = -1,
    dbOpenTable = 1,
    dbOpenDynaset = 2,
    dbOpenSnapshot = 4,
    dbOpenForwardOnly = 8,
};

// Database creation options.
inline constexpr int dbEncrypt = 2;

// Query definition type codes.
enum QueryType : int {
    dbQSelect = 0,
    dbQCrosstab = 16,
    dbQDelete = 32,
    dbQUpdate = 48,
    dbQAppend = 64,
    dbQMakeTable = 80,
    dbQDDL = 96,
    dbQSQLPassThrough = 112,
    dbQSetOperation = 128,
    dbQAction = 240,
};

// The "General" sort order, as a creation locale.
inline const QString dbLangGeneral = QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0");

} // namespace levy
