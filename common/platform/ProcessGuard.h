#pragma once

#include <functional>

namespace levy {

// No core dump and no other process's reading of this one's memory: it holds the levy
// key, decrypted pages and passwords.
void KeepNoCoreDump();

// The end of a session (SIGTERM at log-out, SIGHUP when the terminal goes) ends the
// program as its own Exit would: `beforeQuit` runs on the window's thread, then every
// event loop returns. A program that has not ended five seconds later, or that gets a
// second signal, ends at once.
void QuitOnTerminationSignals(std::function<void()> beforeQuit);
// True once such a signal has come: a loop that runs no events ends by it.
bool TerminationRequested();

} // namespace levy
