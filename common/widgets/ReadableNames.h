#pragma once

class QWidget;

namespace levy {

// Names, for a screen reader, the controls that Qt's own parts of a window leave
// unnamed: a toolbar's button for the commands that do not fit, and the page box, zoom
// box and pages of a print preview.
void NameQtsOwnControls(QWidget* window);

} // namespace levy
