#pragma once

class QAbstractButton;
class QAction;
class QKeyEvent;
class QWidget;

namespace levy {

// Keys of a dialog that has neither a default nor a cancel button: Escape closes
// nothing and Enter presses only the button that has the focus. True when the key
// was handled.
bool HandleKeysWithoutDefaultButton(QWidget* dialog, QKeyEvent* event);

// Escape in a dialog whose Cancel is not its cancel button: nothing happens. True when
// the key was Escape.
bool SwallowEscape(QKeyEvent* event);

// F1 anywhere in a window opens its help topic (also while no menu is open). The
// returned action is the window's help command: a Help button or menu item uses it too.
QAction* BindHelpKey(QWidget* window, int context);
// F1 presses the window's own Help button.
void BindHelpKey(QWidget* window, QAbstractButton* help);

} // namespace levy
