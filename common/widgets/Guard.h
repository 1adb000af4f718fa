#pragma once

#include <QString>
#include <functional>

namespace levy {

// Runs an event handler so that nothing crosses the event loop: the end of the program
// (under test interception) stops the handler quietly; any other escaped error is
// reported in a message box.
void Guarded(const std::function<void()>& handler);

// Runs a program's start-up (the log-in, Delver's splash): an error that escapes it is
// shown with the critical icon and then the program ends, so that no half-started
// window (a frameless splash, a console nobody logged in to) is left on screen.
void GuardedStartUp(const std::function<void()>& startUp);

// Runs a command that the user may cancel: a cancellation ends it quietly; any other
// error is reported as by Guarded.
void GuardedCancellable(const std::function<void()>& command);

// A command's failure under its own title, with the exclamation icon; a cancellation
// stays quiet.
struct RuntimeError;
void TellUnlessCancelled(const RuntimeError& error, const QString& title);

// Runs a step under the editors' rule for failures: a cancellation passes on; any other
// failure shows its description under "Error" with Retry and Cancel, and Retry runs the
// step again. False when the user gave up.
bool RetryOnFailure(const std::function<void()>& step);

} // namespace levy

class QDialog;

namespace levy {
// Shows a dialog modally; when the program ended inside it, ends the caller too.
int ShowModal(QDialog& dialog);
} // namespace levy
