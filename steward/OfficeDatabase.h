#pragma once

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
// names the database in use afterwards. A failed write of the setting is raised.
QString UseAsOfficeDatabase(const QString& made, const QString& title);

} // namespace levy
