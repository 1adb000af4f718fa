#pragma once

#include "jet/syntax/JetTokenizer.h"

#include <QList>
#include <QString>

namespace levy::jet {

// A user's statement as it sets out for the engine, read once: its tokens and what they
// tell. Every later stage (the single-statement check, the type test, the parse, the
// translation, the prepare and the clarification of the engine's messages) works on
// this instead of reading the text again.
struct UserStatement {
    QString sql;              // exactly as the user wrote it
    QList<JetToken> tokens;   // the dialect's tokens, ending with End
    int type = 0;             // the query type code (SqlClassifier.h)
    bool textAfterStatement = false;
};

UserStatement ReadUserStatement(const QString& sql);

} // namespace levy::jet
