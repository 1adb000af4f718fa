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

// Runs `statement` from the editor through Execute Query and the real results window,
// which is closed once its records are counted (from a timer: the window reads them in a
// loop of its own, which a wait here would hold up). True when that window was shown.
bool RunAndCloseOnceCounted(frmDelver& editor, const QString& statement);

} // namespace levy::test
