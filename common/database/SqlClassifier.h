#pragma once

#include <QList>
#include <QString>

namespace levy {

// A light tokenizer for what the engine leaves after a statement: words, names in
// brackets, quotes or backticks, strings, numbers, #dates# and single symbols; comments
// and blanks dropped.
struct SqlToken {
    enum Kind { Word, Name, String, Number, Date, Symbol };
    Kind kind;
    QString text;   // upper-case for words
    int depth;      // parenthesis depth at the token
    qsizetype offset;
};

QList<SqlToken> TokenizeSql(const QString& sql);

// The query type code of a statement in either dialect (dbQSelect, dbQSetOperation,
// dbQCrosstab, an action code: SELECT ... INTO and a PARAMETERS clause before an action
// are actions), decided from its tokens alone: nothing is compiled or run. A statement
// whose first word is no statement's verb counts as a select, so that compiling it
// reports the fault.
int ClassifyStatement(const QString& sql);

// True when something other than blanks, comments and one closing ";" follows the end of
// the first statement.
bool HasTextAfterStatement(const QString& sql);

// True when the text joins tables by column names (NATURAL, USING): the engine compares
// such columns without asking the authorizer, so a hidden column would answer. Read the
// way the engine itself reads the text, so that no string, name or comment hides a word.
bool JoinsByColumnName(const QString& sql);

} // namespace levy
