#include "Recordset.h"

#include "engine/EngineErrors.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

int Recordset::FieldIndex(const QString& name) const
{
    for (int i = 0; i < FieldCount(); ++i)
        if (Field(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    engine::RaiseEngine(3265, u"Item not found in this collection: there is no field \"%1\"."_s.arg(name));
}

namespace {
[[noreturn]] void NotSupported()
{
    engine::RaiseEngine(engine::errInvalidOperation, u"Operation is not supported for this type of object."_s);
}
} // namespace

void Recordset::SetIndex(const QString&) { NotSupported(); }
void Recordset::Seek(const QString&, const Value&) { NotSupported(); }
void Recordset::AddNew() { NotSupported(); }
void Recordset::Edit() { NotSupported(); }
void Recordset::SetFieldValue(const QString&, const Value&) { NotSupported(); }
void Recordset::Update() { NotSupported(); }
void Recordset::Delete() { NotSupported(); }

} // namespace levy
