#pragma once

#include <QString>

class QLineEdit;

namespace levy {

class CommonDialog;

// The database location of the install dialogs: a box the administrator may type a path
// in, with the location dialog behind a click on the empty box and behind "Browse...".

// Shows the location dialog and puts the chosen path into the box; cancelling empties it.
void BrowseForLocation(CommonDialog& dialog, QLineEdit& box);
// Checks a location before anything is made there, as the location dialog checks a
// chosen one: a typed location wholly, a chosen one again for a folder that cannot be
// written in. Shows why and returns false when it refuses.
bool LocationAccepted(CommonDialog& dialog, const QString& location, bool typed);

} // namespace levy
