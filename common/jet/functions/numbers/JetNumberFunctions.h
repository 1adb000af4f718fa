#pragma once

// Numbers, and the arithmetic operators.

namespace levy::jet {

struct Call;

void Int(const Call&);
void Fix(const Call&);
void Round(const Call&);
void Abs(const Call&);
void Sgn(const Call&);
void Sqr(const Call&);
void Add(const Call&);
void Subtract(const Call&);
void Divide(const Call&);
void IntegerDivide(const Call&);
void Mod(const Call&);
void Power(const Call&);
void Atn(const Call&);
void Cos(const Call&);
void Sin(const Call&);
void Tan(const Call&);
void Exp(const Call&);
void Log(const Call&);
void Rnd(const Call&);

} // namespace levy::jet
