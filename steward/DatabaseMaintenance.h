#pragma once

namespace levy {

class CommonDialog;

// Compacts the levy database in place and reports the outcome.
void RepairOptimiseDatabase();
// Lets the administrator choose another levy database file and stores its location.
void ResetDatabasePath(CommonDialog& dialog);

} // namespace levy
