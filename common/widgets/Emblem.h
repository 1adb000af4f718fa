#pragma once

#include <QPixmap>

namespace levy {

// The levy office's emblem, drawn rather than shipped as a file.
QPixmap LevyEmblem(int size);

} // namespace levy
