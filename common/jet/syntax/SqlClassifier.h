#pragma once

#include <initializer_list>

#include "jet/syntax/JetTokenizer.h"

#include <QList>
#include <QString>

namespace levy::jet {

// The query type code of a statement in either dialect (dbQSelect, dbQSetOperation,
// dbQCrosstab, an action code: SELECT ... INTO and a PARAMETERS clause before an action
// are actions), decided from its tokens alone: nothing is compiled or run. A statement
// whose first word is no statement's verb counts as a select, so that compiling it
// reports the fault.
int ClassifyStatement(const QList<JetToken>& tokens);
int ClassifyStatement(const QString& sql);

// True when something other than blanks, comments and one closing ";" follows the end of
// the first statement.
bool HasTextAfterStatement(const QList<JetToken>& tokens);
bool HasTextAfterStatement(const QString& sql);

// True when the text joins tables by column names (NATURAL, USING): the engine compares
// such columns without asking the authorizer, so a hidden column would answer. Read the
// way the engine itself reads the text, so that no string, name or comment hides a word.
bool JoinsByColumnName(const QString& sql);
// Whether one of `keywords` occurs as a word in the text as the engine reads it (not in
// a literal, a quoted name or a comment).
bool HasEngineKeyword(const QString& sql, std::initializer_list<const char*> keywords);

} // namespace levy::jet
