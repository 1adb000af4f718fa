#pragma once

#include "database/DBEngine.h"
#include "database/QueryDef.h"
#include "database/Recordset.h"

#include <memory>

namespace levy {

// Where the levy system keeps its per-user settings.
inline const QString settingsApplication = QStringLiteral("AHS Levy System");
inline const QString settingsSection = QStringLiteral("System");
inline const QString settingsDBPath = QStringLiteral("DBPath");
inline const QString settingsSecurity = QStringLiteral("Security");
// The "DBPath" value that means no path has been set.
inline const QString dbPathNotSet = QStringLiteral("\u00A4");

// The connection parameters of the levy database.
inline const QString levyPasswordConnect = QStringLiteral(";pwd=47193605");
inline const QString levyLocaleConnect = QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0");

// The program-wide database objects.
extern Workspace* levyWorkspace;
extern std::shared_ptr<Database> levyDatabase;
extern std::shared_ptr<Recordset> rsStudents, rsDeregisteredStudents, rsClasses, rsRegisteredFees, rsFeesTemplates,
    rsLevyAccountDebits, rsLevyAccountCredits, rsCautionFeeAccountDebits, rsCautionFeeAccountCredits, rsUsers;
extern std::shared_ptr<QueryDef> qryGeneral, qryReport, qryDirectSQL;

// The stored database location, checked. A missing, unset or wrong location is fatal:
// the message is shown and the program ends here.
QString GetDatabasePath();
// "setup/SampleDB.mdb" in the program's folder.
QString GetSampleDatabasePath();

// Opens the levy database shared and read-write.
void OpenLevyDatabase();
// Opens the ten table recordsets and binds the three stored queries.
void Initialise_recordsets();
// Closes the levy database and lets go of every object bound to it.
void CloseLevyDatabase();

} // namespace levy
