#include "DialogKeys.h"

#include <QKeyEvent>
#include <QPushButton>

namespace levy {

bool HandleKeysWithoutDefaultButton(QWidget* dialog, QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(dialog->focusWidget()))
            button->click();
        event->accept();
        return true;
    }
    return false;
}

} // namespace levy
