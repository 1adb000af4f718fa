#pragma once

class QKeyEvent;
class QWidget;

namespace levy {

// Keys of a dialog that has neither a default nor a cancel button: Escape closes
// nothing and Enter presses only the button that has the focus. True when the key
// was handled.
bool HandleKeysWithoutDefaultButton(QWidget* dialog, QKeyEvent* event);

} // namespace levy
