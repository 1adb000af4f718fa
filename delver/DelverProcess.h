#pragma once

namespace levy {

// What Delver's process does before its first window, wherever it runs: no core dump of
// a process that holds the levy key; what a Delver that was killed left (copies of the
// database, results) removed; the query workers ended however Delver ends (Exit, the
// end of the session's SIGTERM or SIGHUP, which end Delver as its own Exit does).
void PrepareDelverProcess();

} // namespace levy
