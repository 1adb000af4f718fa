#pragma once

#include <QString>

namespace levy {

// ".NAME.": the start of the name of a hidden working file kept beside NAME while it is
// made or replaced. A long NAME is cut short, so that the whole working name (with its
// purpose, a random part and a journal's suffix) stays within the 255 bytes a file
// system allows a name.
QString HiddenWorkingPrefix(const QString& fileName);

} // namespace levy
