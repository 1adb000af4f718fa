#pragma once

#include "jet/functions/shared/JetCalendar.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/Sqlite.h"

namespace levy::jet {

// What went wrong, in the dialect's own words; the registered function adds its name.
enum class Fault { Overflow, TypeMismatch, InvalidUseOfNull, DivisionByZero, InvalidArgument, InvalidPattern };

struct Failure {
    Fault fault;
    QString detail;
};

[[noreturn]] void Fail(Fault fault, const QString& detail = {});
QString FaultText(Fault fault);

// A number as the engine holds it: whole numbers stay whole.
struct Number {
    bool whole = true;
    int64_t integer = 0;
    double real = 0.0;
    double AsDouble() const { return whole ? double(integer) : real; }
    static Number Of(int64_t i) { return Number{true, i, 0.0}; }
    static Number Of(double d) { return Number{false, 0, d}; }
};

bool IsNull(sqlite3_value* v);
// An argument's value as UTF-8 text (the engine converts a number), empty for Null.
std::string_view StoredText(sqlite3_value* v);

// A numeric text the dialect's way: blanks around, a sign, a "$", thousands commas, a
// decimal point, an exponent (E or D), &H hexadecimal or &O octal, "(5)" for -5.
std::optional<double> ParseNumber(std::string_view text);

// A number from an argument: numbers as they are, numeric text, a stored date as its
// serial number. Null fails with "Invalid use of Null", anything else with "Type mismatch".
Number NumberOf(sqlite3_value* v);
double DoubleOf(sqlite3_value* v);
// Rounded half to even to a whole number within [low, high], else "Overflow".
int64_t WholeOf(sqlite3_value* v, int64_t low = INT32_MIN, int64_t high = INT32_MAX);
int64_t WholeOf(double value, int64_t low = INT32_MIN, int64_t high = INT32_MAX);
// A condition: a number is true unless 0; "True"/"False" and numeric texts count too.
bool TruthOf(sqlite3_value* v);

// A date from an argument: the stored text, "YYYY-MM-DD", the office's spellings of a
// date, or a serial number. Null fails, so do texts that are no date.
JetDateTime DateOf(sqlite3_value* v);
std::optional<JetDateTime> TryDateOf(sqlite3_value* v);

// Writes a number as the dialect converts it to text: whole numbers plainly, doubles
// with up to 15 significant digits (1E+15, 1E-05 beyond). Returns the length (< 32).
int WriteNumberText(const Number& n, char* out);

// The text of a non-Null argument as the dialect converts it: numbers as above, and a
// stored date as its general date text (31/01/2020), since dates are texts here.
class TextOf {
public:
    explicit TextOf(sqlite3_value* v);
    std::string_view View() const { return view_; }

private:
    char buffer_[32];
    std::string_view view_;
};

// Characters of UTF-8 text, counted and located without decoding into a copy.
size_t CharCount(std::string_view text);
// The byte offset of the character at `index` (the end when there are fewer).
size_t ByteOffsetOfChar(std::string_view text, size_t index);
bool IsAscii(std::string_view text);
// The character of a code of the single-byte code page, as UTF-8; codes past 0 to 255
// fail with "Invalid procedure call or argument".
std::string CodePageCharacter(int64_t code);
QString ToQString(std::string_view text);

void ResultText(sqlite3_context* ctx, std::string_view text);
void ResultText(sqlite3_context* ctx, const QString& text);
void ResultBoolean(sqlite3_context* ctx, bool value);
void ResultNumber(sqlite3_context* ctx, const Number& n);
// A double result; a whole one that fits stays a double (the engine's REAL).
void ResultDouble(sqlite3_context* ctx, double value);
void ResultDate(sqlite3_context* ctx, const JetDateTime& at);

} // namespace levy::jet
