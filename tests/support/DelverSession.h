#pragma once

#include <QString>

namespace levy {
class frmDelver;
}

namespace levy::test {

// Answers Delver's start-up as a clerk would: logs in with the given account and
// confirms the date.
void AnswerStartUp(const QString& user, const QString& password);

// A levy database with the sample's three clerk accounts, made the settings' database.
QString DelverDatabase(const QString& folder);

} // namespace levy::test
