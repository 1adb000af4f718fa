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
// written in. A name typed without an extension gets the database's, as the dialog
// gives it, and the box shows it. Returns the location to use, or an empty text after
// showing why it refuses.
QString AcceptedLocation(CommonDialog& dialog, QLineEdit& box, const QString& location);

} // namespace levy
