#include "EndProgram.h"

#include <cstdio>
#include <cstdlib>

namespace levy {
namespace {
bool intercepted = false;
bool called = false;
void (*onEndHook)() = nullptr;
void (*lastWordsHook)() = nullptr;
} // namespace

void SetEndProgramHook(void (*hook)()) { onEndHook = hook; }
void SetLastWords(void (*lastWords)()) { lastWordsHook = lastWords; }

void EndProgram()
{
    called = true;
    if (intercepted) {
        if (onEndHook)
            onEndHook();
        throw ProgramEnded{};
    }
    if (lastWordsHook)
        lastWordsHook();
    std::fflush(nullptr);
    std::_Exit(0);
}

void InterceptEndProgram(bool intercept) { intercepted = intercept; }
bool EndProgramCalled() { return called; }
void ResetEndProgramCalled() { called = false; }

void ThrowIfProgramEnded()
{
    if (intercepted && called)
        throw ProgramEnded{};
}

} // namespace levy
