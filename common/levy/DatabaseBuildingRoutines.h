#pragma once

#include "database/Database.h"

#include <functional>

namespace levy {

// The table builders, in the order a blank levy database is built. Each stops at the
// first engine error; what was built before it stays in the file.
void BuildStudentsTable(Database& db);
void BuildDeregisteredStudentsTable(Database& db);
void BuildClassesTable(Database& db);
void BuildRegisteredFeesTable(Database& db);
void BuildFeesTemplatesTable(Database& db);
void BuildLevyAccountDebitsTable(Database& db);
void BuildLevyAccountCreditsTable(Database& db);
void BuildCautionFeeAccountDebitsTable(Database& db);
void BuildCautionFeeAccountCreditsTable(Database& db);
void BuildUsersTable(Database& db);

// The ten tables, then the three stored queries (bound to qryGeneral, qryReport and
// qryDirectSQL). No record is written.
void BuildLevySchema(Database& db);

// Creates an enciphered levy database at `path` with the schema, lets `fill` write its
// records, and closes it, leaving no stored query bound. A failure closes the file and
// raises. For the programs that make the sample and benchmark databases.
void CreateFilledLevyDatabase(const QString& path, const std::function<void(Database&)>& fill);

// Creates a blank levy database at `path` and leaves it open in levyDatabase. Tells the
// user why when it refuses or fails, and then returns false.
bool BuildBlankDatabase(const QString& path);

} // namespace levy
