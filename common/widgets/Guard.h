#pragma once

#include <functional>

namespace levy {

// Runs an event handler so that nothing crosses the event loop: the end of the program
// (under test interception) stops the handler quietly; any other escaped error is
// reported in a message box.
void Guarded(const std::function<void()>& handler);


} // namespace levy

class QDialog;

namespace levy {
// Shows a dialog modally; when the program ended inside it, ends the caller too.
int ShowModal(QDialog& dialog);
} // namespace levy
