#pragma once

namespace levy {

// From now on, in every window of the program that has a menu bar, Alt pressed and
// released alone, and F10, open its first menu (the arrow keys go on to the others), as
// on the office's other desktops. Once per program; further calls do nothing.
void OpenMenusFromTheKeyboard();

} // namespace levy
