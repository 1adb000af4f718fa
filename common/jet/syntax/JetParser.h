#pragma once

#include "jet/syntax/JetSyntax.h"
#include "jet/syntax/UserStatement.h"

#include <QString>

namespace levy::jet {

// Reads a select, union or crosstab statement in the Access-style dialect (which takes
// in the engine's own select syntax as well) into its syntax tree. Nothing is looked up
// or run. A fault raises the engine's syntax error with a text that names the clause or
// expression and its place in the statement, in the dialect's own wording where it has
// one ("Syntax error in TRANSFORM statement.", "Characters found after end of SQL
// statement.").
Query ParseJetQuery(const UserStatement& statement);
Query ParseJetQuery(const QString& sql);

// True for the words that cannot stand as a bare name.
bool IsReservedWord(const QString& word);

} // namespace levy::jet
