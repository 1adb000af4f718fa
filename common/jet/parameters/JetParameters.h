#pragma once

#include "jet/translation/JetSchema.h"
#include "jet/translation/JetTranslator.h"
#include "values/Value.h"

#include <QList>
#include <QString>

namespace levy::jet {

// The parameters a statement asks for, in the order they are asked: those its PARAMETERS
// clause declares, as declared, then the names in brackets that name nothing it reads, as
// they first appear. The same name twice is one parameter; names inside texts, comments
// and #dates# are none. A statement the dialect cannot read or translate asks for nothing
// here: its fault shows when it is checked.
QList<JetParameter> FindJetParameters(const QString& sql, const JetSchema& schema);

// A parameter's name as a message or a caption shows it: one of thousands of characters
// is cut short.
QString BriefName(const QString& name);

// The type of a parameter's value as the user knows it: "Text", "Long Integer",
// "Date/Time"...
QString ParameterTypeText(const JetParameter& parameter);

// The value typed for a parameter, read as its type asks (a number the dialect's way, a
// date in the office's order, day first) and in the form the engine stores; an empty text
// is Null. Raises, with a message that names the parameter and says what it takes, when
// the text does not fit.
Value ParameterValue(const JetParameter& parameter, const QString& typed);

} // namespace levy::jet
