#pragma once

// Conversions from one type of value to another.

namespace levy::jet {

struct Call;

void Val(const Call&);
void CInt(const Call&);
void CLng(const Call&);
void CCur(const Call&);
void CDbl(const Call&);
void CBool(const Call&);
void CStr(const Call&);
void Str(const Call&);
void CDate(const Call&);
void Hex(const Call&);
void Oct(const Call&);
void Asc(const Call&);
void AscW(const Call&);
void Chr(const Call&);
void ChrW(const Call&);
void Nz(const Call&);
void CByte(const Call&);
void CSng(const Call&);
void CDec(const Call&);
void CVar(const Call&);
void CVDate(const Call&);

} // namespace levy::jet
