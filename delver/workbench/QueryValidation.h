#pragma once

#include <QString>
#include <memory>

namespace levy {

class QueryDef;
class Recordset;

// The recordset the last validation opened; nothing reads it afterwards.
extern std::shared_ptr<Recordset> rsDirectQuery;

// Whether a query object is a select, crosstab or union query.
bool IsSelectTypeQuery(QueryDef& query);

// Saves the statement in the direct SQL query, has the engine compile and open it, and
// accepts only select-type queries; tells the user why otherwise, and hands the same
// words to `refusal` when one is given.
// The engine's work runs off the window's thread, with a Cancel after a moment.
bool ValidateQuery(const QString& statement, QString* refusal = nullptr);
// True while a statement is being checked: the window's events still run meanwhile.
bool ValidationRunning();

} // namespace levy
