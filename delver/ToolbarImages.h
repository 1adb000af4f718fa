#pragma once

#include <QIcon>
#include <QList>

namespace levy {

// The editor toolbar's six images, in button order: new, open, save, execute (find),
// print and help. Drawn rather than shipped as files.
QList<QIcon> EditorToolbarImages();

} // namespace levy
