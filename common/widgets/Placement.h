#pragma once

class QWidget;

namespace levy {

// Stands a window on the top edge of another, centred on it horizontally, each time it
// is shown (its frame is only known for sure once it is shown and activated).
void PlaceAboveWhenShown(QWidget* window, const QWidget* anchor);

// Centres a window over another, each time it is shown.
void CentreOverWhenShown(QWidget* window, const QWidget* anchor);

// Puts a window beside another, now: at its right where there is room for it, else at
// its left, and always inside the screen.
void PlaceBeside(QWidget* window, const QWidget* anchor);

} // namespace levy
