#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace levy {

// From now on, every window of the program lies inside the available area of its screen
// each time it is shown: a size or place (given in twips, remembered, or centred on its
// owner) that does not fit is shrunk, as far as its contents allow, and moved in. Once
// per program, before its first window; further calls do nothing.
void KeepWindowsOnScreen();

// Shrinks and moves one window, now, to lie inside the available area of its screen.
void FitOnScreen(QWidget* window);

// The available area (without panels and docks) of the screen a window is on.
QRect AvailableArea(const QWidget* window);

// A window of a fixed design: it opens at `design` (the twips size at 100%), grows no
// larger, and shrinks down to what its layout needs where the screen is smaller.
void SetDesignSize(QWidget* window, QSize design);

} // namespace levy
