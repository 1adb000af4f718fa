#include "FormControls.h"

#include "Windows1252Validator.h"

#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace levy {

QLineEdit* MakeTextBox(QWidget* owner, const QString& name, const QString& toolTip)
{
    auto* box = new QLineEdit(owner);
    box->setObjectName(name);
    box->setToolTip(toolTip);
    box->setValidator(new Windows1252Validator(box));
    return box;
}

void MaskWithAsterisks(QLineEdit* box)
{
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(u"QLineEdit { lineedit-password-character: 42; }"_s);
}

QPushButton* MakeButton(QWidget* owner, const QString& name, const QString& caption, const QString& toolTip,
                        EnterKey enter)
{
    auto* button = new QPushButton(caption, owner);
    button->setObjectName(name);
    button->setToolTip(toolTip);
    button->setAutoDefault(enter != EnterKey::Ignored);
    button->setDefault(enter == EnterKey::Default);
    return button;
}

} // namespace levy
