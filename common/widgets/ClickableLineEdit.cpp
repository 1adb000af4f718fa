#include "ClickableLineEdit.h"

#include <QMouseEvent>

namespace levy {

void ClickableLineEdit::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && (isReadOnly() || text().isEmpty()))
        emit clicked();
}

} // namespace levy
