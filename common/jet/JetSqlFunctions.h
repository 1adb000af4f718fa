#pragma once

// The engine-side bodies of the dialect's functions. Each reads its arguments through
// the helpers of JetValue.h and raises a Failure (see Fail) for the dialect's run-time
// errors; the registration turns that into the statement's error, naming the function.

#include <cstdint>
#include <string_view>

#include "engine/Sqlite.h"

namespace levy::jet {

struct Call {
    sqlite3_context* ctx;
    int argc;
    sqlite3_value** argv;
    sqlite3_value* operator[](int i) const { return argv[i]; }
    bool Has(int i) const { return i < argc; }
};

using ScalarFunction = void (*)(const Call&);
using StepFunction = void (*)(const Call&);
using FinalFunction = void (*)(sqlite3_context*);

// Logic and tests
void IIf(const Call&);
void Nz(const Call&);
void Switch(const Call&);
void Choose(const Call&);
void IsNullFunction(const Call&);
void IsNumeric(const Call&);
void IsDate(const Call&);
void Compare(const Call&);
void Partition(const Call&);

// Dates
void Year(const Call&);
void Month(const Call&);
void Day(const Call&);
void Weekday(const Call&);
void Hour(const Call&);
void Minute(const Call&);
void Second(const Call&);
void DatePart(const Call&);
void DateSerial(const Call&);
void DateAdd(const Call&);
void DateDiff(const Call&);
void NowFunction(const Call&);
void DateFunction(const Call&);
void TimeFunction(const Call&);
void CDate(const Call&);
void DateValue(const Call&);
void TimeValue(const Call&);
void WeekdayName(const Call&);
void MonthName(const Call&);

// Texts
void Left(const Call&);
void Right(const Call&);
void Mid(const Call&);
void Len(const Call&);
void InStr(const Call&);
void UCase(const Call&);
void LCase(const Call&);
void Trim(const Call&);
void LTrim(const Call&);
void RTrim(const Call&);
void Space(const Call&);
void String(const Call&);
void Replace(const Call&);
void Str(const Call&);
void CStr(const Call&);
void Format(const Call&);
void Concat(const Call&);
void Like(const Call&);
void InStrRev(const Call&);
void StrComp(const Call&);
void StrReverse(const Call&);
void Asc(const Call&);
void AscW(const Call&);
void Chr(const Call&);
void ChrW(const Call&);

// Numbers
void Val(const Call&);
void CInt(const Call&);
void CLng(const Call&);
void CCur(const Call&);
void CDbl(const Call&);
void CBool(const Call&);
void Int(const Call&);
void Fix(const Call&);
void Round(const Call&);
void Abs(const Call&);
void Sgn(const Call&);
void Sqr(const Call&);
void Hex(const Call&);
void Oct(const Call&);
void IntegerDivide(const Call&);
void Mod(const Call&);
void Power(const Call&);
void Divide(const Call&);
void Add(const Call&);
void Subtract(const Call&);

// Aggregates
void SumStep(const Call&);
void SumFinal(sqlite3_context*);
void AvgFinal(sqlite3_context*);
void CountStep(const Call&);
void CountFinal(sqlite3_context*);
void MinStep(const Call&);
void MaxStep(const Call&);
void FirstStep(const Call&);
void LastStep(const Call&);
void HeldFinal(sqlite3_context*);
void SpreadStep(const Call&);
void StDevFinal(sqlite3_context*);
void StDevPFinal(sqlite3_context*);
void VarFinal(sqlite3_context*);
void VarPFinal(sqlite3_context*);

// A non-Null value as the engine holds it, without a copy.
struct ValueView {
    int type = 0; // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT or SQLITE_BLOB
    int64_t integer = 0;
    double real = 0.0;
    std::string_view text;
};
ValueView ViewOf(sqlite3_value* v);

// Orders two values the dialect's way (numbers by value, texts without regard to case,
// a numeric text or a stored date against a number by value, other texts after numbers).
int CompareValues(const ValueView& a, const ValueView& b);
// Two texts without regard to case: -1, 0 or 1.
int CompareTexts(std::string_view a, std::string_view b);

} // namespace levy::jet
