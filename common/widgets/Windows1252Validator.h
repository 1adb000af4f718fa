#pragma once

#include <QValidator>

namespace levy {

// Lets into a text box only characters that the single-byte code page holds.
class Windows1252Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

} // namespace levy
