#include "DialogKeys.h"

#include "Guard.h"
#include "utilities/HelpRoutines.h"

#include <QAction>
#include <QAbstractButton>
#include <QKeyEvent>

namespace levy {

bool SwallowEscape(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return false;
    event->accept();
    return true;
}

namespace {
QAction* HelpAction(QWidget* window)
{
    auto* help = new QAction(window);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    window->addAction(help);
    return help;
}
} // namespace

QAction* BindHelpKey(QWidget* window, int context)
{
    QAction* help = HelpAction(window);
    QObject::connect(help, &QAction::triggered, window, [context] { Guarded([context] { ShowHelpTopic(context); }); });
    return help;
}

void BindHelpKey(QWidget* window, QAbstractButton* button)
{
    QObject::connect(HelpAction(window), &QAction::triggered, button, &QAbstractButton::click);
}

} // namespace levy
