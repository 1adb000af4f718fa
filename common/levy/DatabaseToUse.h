#pragma once

#include "platform/FileIdentity.h"

#include <QString>

#include <functional>

namespace levy {

// A file about to become the database of the whole office ("DBPath"), as it was checked.
struct DatabaseToUse {
    QString path;  // the name resolved once: absolute, without links; what is to be stored
    QString why;   // why it cannot be used, in words for the administrator; empty when it can
};

// Resolves `chosen` once, checks the file that leads to (WhyNotALevyDatabase) and makes
// sure that the resolved name still stands for that very file afterwards: the name
// stored is then the name of what was checked, whatever links or files change under the
// chosen name meanwhile. With `expected` known only that file will do (a database just
// made there).
DatabaseToUse CheckDatabaseToUse(const QString& chosen, const FileIdentity& expected = {});

// Test seam: runs once between the check and the look afterwards, as another program
// changing the file meanwhile would.
void SetWhileCheckingForTests(std::function<void(const QString& resolved)> act);

} // namespace levy
