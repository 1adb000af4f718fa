#pragma once

#include <QString>
#include <QStringList>

namespace levy {

// The words of the query language, upper case, for the highlighter and the completion.
const QStringList& SqlKeywords();
bool IsSqlKeyword(const QString& word);

// A table or field name as it must be written in a statement: bracketed when it is not
// a plain word or is one of the language's words ("[Levy Account Credits]", "[Date]").
QString SqlName(const QString& name);

} // namespace levy
