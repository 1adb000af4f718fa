#pragma once

#include "platform/FileIdentity.h"

#include <QString>

class QLabel;

namespace levy {

// Shows which database the office's programs now open, marked when it is missing or is
// no levy database; the tooltip holds the whole path and what is wrong with it.
void ShowDatabaseInUse(QLabel& label);

// What a completion message adds after its own text: the database the office now uses.
QString NowInUseNote(const QString& path);

// Makes a database just made at `made` the office's ("DBPath"). When the office already
// uses a levy database that opens, the administrator is asked first (under `title`,
// No the default) and No keeps it. Returns the completion message's addition, which
// names the database in use afterwards. Only the file just made (`madeFile`) is stored,
// under the name it resolves to; anything else under its name meanwhile, or a failed
// write of the setting, is raised and leaves "DBPath" as it was.
QString UseAsOfficeDatabase(const QString& made, const FileIdentity& madeFile, const QString& title);

} // namespace levy
