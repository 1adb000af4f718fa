#pragma once

#include <QString>

class QLineEdit;
class QPushButton;
class QWidget;

namespace levy {

// A text box that takes only what the database's code page can store.
QLineEdit* MakeTextBox(QWidget* owner, const QString& name, const QString& toolTip);
// Shows a password box's characters as asterisks, as the office's other programs do.
void MaskWithAsterisks(QLineEdit* box);
// A button that is never the default: Enter in a text box presses nothing.
QPushButton* MakeButton(QWidget* owner, const QString& name, const QString& caption, const QString& toolTip);

} // namespace levy
