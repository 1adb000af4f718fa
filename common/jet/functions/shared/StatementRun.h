#pragma once

#include <cstdint>

namespace levy::jet {

// What one run of a statement fixes for all its rows, however often its rows are read
// again (a count stopped and taken up, rows read ahead and dropped): the time that Now(),
// Date(), Time() and Timer() give, and where Rnd()'s sequence starts. Per thread.
struct StatementRun {
    int64_t clockMs = 0;  // ms since the epoch; 0: not fixed yet
    int64_t seed = -1;    // Rnd()'s seed at the start; -1: not fixed yet
};

// Fixes the clock and the seed for the statement about to run: those of `asked` where
// they are fixed (a statement run again), else the time now and the sequence where it
// stands. Returns what was fixed.
StatementRun BeginStatementRun(const StatementRun& asked);
// The statement is read again from its first row: Rnd()'s sequence starts again.
void RestartStatementRun();
// No statement runs: the clock goes on.
void EndStatementRun();

// The clock, fixed while a statement runs.
int64_t StatementClockMs();
// Rnd()'s sequence, 24 bits, per thread.
uint32_t& RandomSeed();

} // namespace levy::jet
