#pragma once

struct sqlite3;

namespace levy {

// Registers every function of the dialect's catalogue (JetFunctionCatalog.h) on a
// connection as "jet_" and its lower-case name (jet_iif, jet_format, jet_sum...), once
// for each number of arguments it takes.
//
// Values inside the engine: a date is the stored text 'YYYY-MM-DD HH:MM:SS' (results of
// date functions too, so they compare and sort with columns); date arguments may also
// be 'YYYY-MM-DD', the office's own spellings (31/01/2020) or serial numbers (day 0 is
// 30 December 1899). Booleans are -1 and 0. Amounts are plain numbers. A text in the
// exact stored date form converts to text as a date does (31/01/2020, or with the time).
//
// The operators' helpers: jet_concat(a, b) for &, jet_add and jet_sub for + and -
// (dates and numbers, two texts join), jet_div for /, jet_intdiv for \, jet_mod for Mod,
// jet_pow for ^, jet_like(text, pattern) for Like, and jet_compare(a, b), which gives
// -1, 0 or 1 (Null when either is Null) with texts compared without regard to case.
//
// The dialect's run-time errors (Division by zero, Overflow, Type mismatch, Invalid use
// of Null, Invalid procedure call or argument, Invalid pattern string) fail the
// statement with a text that names the function, e.g.
// "Overflow in CInt(): 40000 is outside -32768 to 32767.".
//
// Every argument is evaluated: IIf(x = 0, 0, 1 / x) needs CASE to keep from dividing.
void RegisterJetFunctions(sqlite3* db);

} // namespace levy
