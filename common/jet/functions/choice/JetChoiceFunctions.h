#pragma once

// Choosing among values and inspecting them.

namespace levy::jet {

struct Call;

void IIf(const Call&);
void Switch(const Call&);
void Choose(const Call&);
void IsNullFunction(const Call&);
void IsNumeric(const Call&);
void IsDate(const Call&);
void Partition(const Call&);
void Compare(const Call&);
void TypeName(const Call&);
void VarType(const Call&);
void IsEmpty(const Call&);
void IsError(const Call&);

} // namespace levy::jet
