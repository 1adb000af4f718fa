#include "FormControls.h"

#include "Windows1252Validator.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace levy {

void SetUpDialog(QDialog& dialog, const QString& name, const QString& caption)
{
    dialog.setObjectName(name);
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(DialogFlags);
    dialog.setModal(true);
}

QLabel* MakeLabel(QWidget* owner, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, owner);
    label->setObjectName(name);
    return label;
}

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

QGridLayout* LabelledRows(std::initializer_list<std::pair<QWidget*, QWidget*>> rows)
{
    auto* grid = new QGridLayout;
    int row = 0;
    for (const auto& [caption, box] : rows) {
        // A screen reader names the box by its caption.
        if (auto* label = qobject_cast<QLabel*>(caption); label && !qobject_cast<QLabel*>(box))
            label->setBuddy(box);
        grid->addWidget(caption, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    }
    return grid;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons)
        row->addWidget(button);
    return row;
}

void ChainTabOrder(std::initializer_list<QWidget*> controls)
{
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

} // namespace levy
