#include "StatementRun.h"

#include <chrono>

namespace levy::jet {
namespace {
// Where the dialect's own sequence starts.
constexpr uint32_t firstSeed = 0x50000;
thread_local StatementRun running;
thread_local uint32_t seed = firstSeed;

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}
} // namespace

StatementRun BeginStatementRun(const StatementRun& asked)
{
    running.clockMs = asked.clockMs > 0 ? asked.clockMs : NowMs();
    running.seed = asked.seed >= 0 ? (asked.seed & 0xFFFFFF) : seed;
    seed = uint32_t(running.seed);
    return running;
}

void RestartStatementRun()
{
    if (running.seed >= 0)
        seed = uint32_t(running.seed);
}

void EndStatementRun() { running = {}; }

int64_t StatementClockMs() { return running.clockMs > 0 ? running.clockMs : NowMs(); }

uint32_t& RandomSeed() { return seed; }

} // namespace levy::jet
