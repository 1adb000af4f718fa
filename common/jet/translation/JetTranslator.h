#pragma once

#include "jet/translation/Crosstab.h"
#include "jet/translation/JetSchema.h"
#include "jet/syntax/JetSyntax.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace levy::jet {

// A value a statement asks for when it runs: one its PARAMETERS clause declares, with the
// type named there, or a name in [brackets] that names no field, table or alias the
// statement can read (the dialect takes such a name for a parameter).
struct JetParameter {
    QString name;
    QString typeName;       // as declared; empty for an undeclared one
    int type = 0;           // the field type its value must fit; Text for an undeclared one
    bool declared = false;
    qsizetype offset = 0;   // where the statement first names it
    // An undeclared one compared with a field of a known type (a date, a number): its
    // value is read as that type, as the dialect converts a typed value for the
    // comparison. 0 when nothing tells.
    int comparedType = 0;
};

// A statement of the Access-style dialect rewritten as the engine's own SQL, once: the
// dialect's operators, literals, functions, TOP and DISTINCTROW become what the engine
// runs, and each result column gets the dialect's name and, where the expression tells
// it, its field type.
struct TranslatedQuery {
    QString sql;                 // empty for a crosstab, whose columns wait for its pivot values
    std::optional<CrosstabPlan> crosstab;
    // The field type of each result column as the expressions give it (0 where they
    // do not); empty when the columns are not all known.
    QList<int> columnTypes;
    // Where the dialect's reading of this statement differs from the engine's own
    // reading of the same text (for example "&" joins texts instead of combining bits),
    // one short note each; empty when both readings agree.
    QStringList dialectReadings;
    // The parameters, in the order they are asked for: the declared ones as declared,
    // then the others as they first appear.
    QList<JetParameter> parameters;
    // The parameter bound at each position ?1, ?2... of the engine's statements.
    QStringList boundNames;
};

// Translates a parsed statement; `sql` is its text, for messages. Raises a clear error
// for what the dialect allows but the engine cannot do. Each parameter becomes a
// numbered place of the engine's statement, the same one wherever it is named.
TranslatedQuery TranslateJetQuery(const Query& query, const QString& sql, const JetSchema& schema);

} // namespace levy::jet
