#pragma once

#include "platform/FileIdentity.h"

#include <QString>

namespace levy {

// Why the file at `path` cannot be the office's levy database, in words for the
// administrator; empty when it can. The file is opened read-only with the levy key and
// must hold the levy tables. A file another program holds exclusively cannot be opened:
// it passes when its first page is enciphered the way the levy file is (no plain SQLite
// header, whole 1,024-byte pages). The file this program holds open as levyDatabase
// passes unopened: opening it a second time would drop the locks of that hold.
// `examined`, when given, receives the file that was looked at (unknown when none was).
QString WhyNotALevyDatabase(const QString& path, FileIdentity* examined = nullptr);

// The stored "DBPath" as it is written, or an empty text when none is set.
QString StoredDatabasePath();

// The database every program of the office now opens, and whether it can.
struct DatabaseInUse {
    enum State { NotSet, Missing, NotALevyDatabase, Usable };
    QString path;  // as stored
    State state = NotSet;
    QString why;  // what is wrong with it, when anything is
};
DatabaseInUse CurrentDatabase();

} // namespace levy
