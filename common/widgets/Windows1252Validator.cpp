#include "Windows1252Validator.h"

#include "platform/Windows1252.h"

namespace levy {

QValidator::State Windows1252Validator::validate(QString& input, int&) const
{
    return Windows1252::CanEncode(input) ? Acceptable : Invalid;
}

} // namespace levy
