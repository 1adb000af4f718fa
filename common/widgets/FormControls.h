#pragma once

#include <QString>
#include <qnamespace.h>

#include <initializer_list>
#include <utility>

class QDialog;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace levy {

// The frame of every dialog: a title and a close button, nothing to minimise, maximise
// or ask for context help.
inline constexpr Qt::WindowFlags DialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Names and titles a modal dialog and gives it the dialog frame.
void SetUpDialog(QDialog& dialog, const QString& name, const QString& caption);

// A plain label with its caption.
QLabel* MakeLabel(QWidget* owner, const QString& name, const QString& caption);

// A text box that takes only what the database's code page can store.
QLineEdit* MakeTextBox(QWidget* owner, const QString& name, const QString& toolTip);
// Shows a password box's characters as asterisks, as the office's other programs do.
void MaskWithAsterisks(QLineEdit* box);
// What Enter does to a dialog's button.
enum class EnterKey {
    Ignored,      // Enter presses nothing, not even this button when it has the focus
    WhenFocused,  // a focused button takes Enter for itself
    Default,      // Enter presses it wherever the focus is, unless a WhenFocused button has it
};

// Every button of the windows is made here, so that they all come out alike.
QPushButton* MakeButton(QWidget* owner, const QString& name, const QString& caption,
                        const QString& toolTip = QString(), EnterKey enter = EnterKey::Ignored);

// Rows of a caption beside its box, in a grid; each caption names its box.
QGridLayout* LabelledRows(std::initializer_list<std::pair<QWidget*, QWidget*>> rows);
// A dialog's buttons, side by side at the right.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);
// Tab moves through the controls in this order.
void ChainTabOrder(std::initializer_list<QWidget*> controls);

} // namespace levy
