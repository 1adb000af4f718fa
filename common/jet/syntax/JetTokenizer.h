#pragma once

#include <QList>
#include <QString>

namespace levy::jet {

// One token of a statement in the Access-style dialect, which also reads the engine's
// own SQL: names in [brackets] or `backticks`, texts in '...' or "..." (the Access
// meaning of double quotes), #dates#, numbers, parameters and operator symbols.
// Comments (-- to the end of the line, /* ... */) and blanks are dropped.
struct JetToken {
    enum Kind {
        Word,        // a bare word: a name or a keyword
        QuotedName,  // [name] or `name`
        Text,        // 'text' or "text"
        Number,      // 12, 1.5, .5, 1e3, 0x1F
        Date,        // #...#; `value` is what lies between the hash signs
        Blob,        // x'0A1B'
        Parameter,   // ?, ?1, :name, @name, $name
        Symbol,      // ( ) , . ; and the operators
        Invalid,     // an unterminated text, name, date or comment; `value` says which
        End,
    };
    Kind kind = End;
    QString text;       // the token as written
    QString value;      // the name, text or date without its quotes (inner quotes undoubled)
    qsizetype offset = 0;
    qsizetype length = 0;
    int depth = 0;      // parentheses open before the token

    bool IsWord(const QString& upper) const { return kind == Word && text.compare(upper, Qt::CaseInsensitive) == 0; }
    bool IsSymbol(const QString& symbol) const { return kind == Symbol && text == symbol; }
    qsizetype EndOffset() const { return offset + length; }
};

// The tokens of a text, always ending with one End token.
QList<JetToken> TokenizeJet(const QString& sql);

// Where an offset lies in a text, for messages: "line 2, column 14".
QString DescribePlace(const QString& sql, qsizetype offset);

} // namespace levy::jet
