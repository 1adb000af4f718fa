#pragma once

#include <QList>
#include <utility>

class QWidget;

namespace levy {

// F6 and Shift+F6 move the focus from one part of a window to the next and back round
// (the editor, the Database panel, the History panel), skipping the hidden ones; Ctrl+Tab
// and Ctrl+Shift+Tab do the same. Each part is the area it covers and the control that
// takes the focus there.
void CyclePartsWithF6(QWidget* window, const QList<std::pair<QWidget*, QWidget*>>& parts);

} // namespace levy
