#pragma once

#include <functional>

namespace levy {

// Runs the engine's work on a thread of its own (and, through it, in the query worker)
// while the window's events go on: the window stays painted and its Cancel can be
// pressed. Once the work has taken `revealAfterMs`, `reveal` (when given) shows the
// progress and the Cancel. While `stopRequested` answers true the engine is asked to
// stop, again and again until the work ends: it only stops a statement that is running.
// Rethrows what the work raised.
void WaitOffTheWindowsThread(const std::function<void()>& work, const std::function<bool()>& stopRequested,
                             int revealAfterMs = 0, const std::function<void()>& reveal = {});

} // namespace levy
