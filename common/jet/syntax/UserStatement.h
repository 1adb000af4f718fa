#pragma once

#include "jet/syntax/JetTokenizer.h"
#include "values/Value.h"

#include <QList>
#include <QString>

namespace levy::jet {

// The value given for one of a statement's parameters, in the form the engine stores
// (a date as its stored text, a Yes/No as -1 or 0); Null when none was typed.
struct BoundParameter {
    QString name;
    Value value;
    bool operator==(const BoundParameter&) const = default;
};

// A user's statement as it sets out for the engine, read once: its tokens and what they
// tell. Every later stage (the single-statement check, the type test, the parse, the
// translation, the prepare and the clarification of the engine's messages) works on
// this instead of reading the text again.
struct UserStatement {
    QString sql;              // exactly as the user wrote it
    QList<JetToken> tokens;   // the dialect's tokens, ending with End
    int type = 0;             // the query type code (SqlClassifier.h)
    bool textAfterStatement = false;
    // The values its parameters are given when it runs, bound by name (letter case
    // ignored), never written into its text.
    QList<BoundParameter> parameters;
};

UserStatement ReadUserStatement(const QString& sql);

} // namespace levy::jet
