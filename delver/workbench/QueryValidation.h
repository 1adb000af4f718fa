#pragma once

#include <QString>

#include <functional>
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
// words to `refusal` when one is given. `placed`, when given, restates the places the
// message names for the text the user sees, of which the statement is a part; `refusal`
// keeps them as places in the statement.
// The engine's work runs off the window's thread, with a Cancel after a moment.
bool ValidateQuery(const QString& statement, QString* refusal = nullptr,
                   const std::function<QString(const QString&)>& placed = {});
// True while a statement is being checked: the window's events still run meanwhile.
bool ValidationRunning();

} // namespace levy
