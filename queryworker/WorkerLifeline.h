#pragma once

namespace levy::queryworker {

// Ends the process at once when Delver ends, however it ends and whatever the worker is
// doing: the end of Delver's socket is seen by a thread of its own, and the system's
// parent-death signal is a second way. `parent` is Delver's process id as text; false when
// Delver has already gone.
bool EndWithDelver(int socket, const char* parent);

} // namespace levy::queryworker
