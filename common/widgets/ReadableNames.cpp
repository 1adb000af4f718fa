#include "ReadableNames.h"

#include <QComboBox>
#include <QGraphicsView>
#include <QLineEdit>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace levy {

void NameQtsOwnControls(QWidget* window)
{
    for (QToolButton* more : window->findChildren<QToolButton*>(u"qt_toolbar_ext_button"_s))
        if (more->accessibleName().isEmpty())
            more->setAccessibleName(u"More commands"_s);
    for (QLineEdit* box : window->findChildren<QLineEdit*>())
        if (box->accessibleName().isEmpty() && box->objectName().isEmpty())
            box->setAccessibleName(qobject_cast<QComboBox*>(box->parentWidget()) ? u"Zoom"_s : u"Page"_s);
    for (QGraphicsView* view : window->findChildren<QGraphicsView*>())
        if (view->accessibleName().isEmpty())
            view->setAccessibleName(u"Pages"_s);
}

} // namespace levy
