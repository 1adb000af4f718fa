#pragma once

namespace levy {

// Thrown instead of ending the process while tests intercept EndProgram. It derives
// from nothing so that no handler catching RuntimeError or std::exception swallows it.
struct ProgramEnded {};

// Ends the program at once: no further window events run and nothing is saved.
// Under test interception it records the call and throws ProgramEnded.
[[noreturn]] void EndProgram();

// Run by EndProgram just before the process ends (not under interception): what must not
// outlive the program, its helper processes, ends there.
void SetLastWords(void (*lastWords)());

// Test seam: while intercepted, EndProgram records instead of exiting.
void InterceptEndProgram(bool intercept);
bool EndProgramCalled();
void ResetEndProgramCalled();

// Rethrows ProgramEnded after a nested event loop returned because the program ended
// inside it (only ever true under interception).
void ThrowIfProgramEnded();

// Run when an intercepted EndProgram is called (the widget layer closes every window
// there, so that modal loops return as they would when the process ends).
void SetEndProgramHook(void (*hook)());

} // namespace levy
