#pragma once

#include "TableDef.h"
#include "values/Value.h"

#include <QString>

namespace levy {

// When a query recordset runs its statement. The first record is normally read at once,
// and the statement then lets go of the database until more is asked for; reading it on
// demand instead defers all running to the first look at the records, and reads on from
// there without starting again, for a caller that will read the whole result anyway.
enum class QueryReading { FirstRecordAtOnce, OnDemand };

// A set of records with one current record. Table-type recordsets also choose an index,
// seek and write rows; query recordsets only read.
class Recordset {
public:
    virtual ~Recordset() = default;

    virtual int FieldCount() const = 0;
    virtual const FieldDef& Field(int index) const = 0;
    int FieldIndex(const QString& name) const;
    QString FieldName(int index) const { return Field(index).name; }
    int FieldType(int index) const { return Field(index).type; }

    // The current record's value; raises "No current record" when there is none.
    virtual Value FieldValue(int index) const = 0;
    Value FieldValue(const QString& name) const { return FieldValue(FieldIndex(name)); }

    virtual void MoveFirst() = 0;
    virtual void MoveNext() = 0;
    virtual void MoveLast() = 0;
    // Moves n records from the current one (negative moves back).
    virtual void Move(int64_t n) = 0;
    virtual bool IsEOF() const = 0;
    virtual bool IsBOF() const = 0;
    // Table recordsets: the number of rows. Query recordsets: the records reached so far
    // (0 exactly when the result is empty, right after opening); the full count after
    // MoveLast.
    virtual int64_t RecordCount() const = 0;

    // Table-type operations; query recordsets refuse them.
    virtual void SetIndex(const QString& indexName);
    virtual QString Index() const { return {}; }
    virtual void Seek(const QString& comparison, const Value& key);
    virtual bool NoMatch() const { return false; }
    virtual void AddNew();
    virtual void Edit();
    virtual void SetFieldValue(const QString& name, const Value& value);
    virtual void Update();
    virtual void CancelUpdate() {}
    virtual void Delete();

    virtual void Close() = 0;
};

} // namespace levy
