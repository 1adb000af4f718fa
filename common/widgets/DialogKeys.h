#pragma once

class QAbstractButton;
class QAction;
class QKeyEvent;
class QWidget;

namespace levy {

// Escape in a dialog whose Cancel is not its cancel button: nothing happens. True when
// the key was Escape.
bool SwallowEscape(QKeyEvent* event);

// F1 anywhere in a window opens its help topic (also while no menu is open). The
// returned action is the window's help command: a Help button or menu item uses it too.
QAction* BindHelpKey(QWidget* window, int context);
// F1 presses the window's own Help button.
void BindHelpKey(QWidget* window, QAbstractButton* help);

} // namespace levy
