#pragma once

// Texts, and the & and Like operators.

namespace levy::jet {

struct Call;

void Left(const Call&);
void Right(const Call&);
void Mid(const Call&);
void Len(const Call&);
void InStr(const Call&);
void InStrRev(const Call&);
void UCase(const Call&);
void LCase(const Call&);
void Trim(const Call&);
void LTrim(const Call&);
void RTrim(const Call&);
void Space(const Call&);
void String(const Call&);
void Replace(const Call&);
void StrComp(const Call&);
void StrReverse(const Call&);
void Concat(const Call&);
void Like(const Call&);
void StrConv(const Call&);

} // namespace levy::jet
