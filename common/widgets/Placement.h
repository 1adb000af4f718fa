#pragma once

class QWidget;

namespace levy {

// Keeps a window standing on the top edge of another, centred on it horizontally, each
// time it is shown or activated (its frame is only known for sure once it is shown).
void PlaceAboveWhenShown(QWidget* window, const QWidget* anchor);

// Centres a window over another, each time it is shown.
void CentreOverWhenShown(QWidget* window, const QWidget* anchor);

} // namespace levy
