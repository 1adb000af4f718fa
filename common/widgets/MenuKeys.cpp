#include "MenuKeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>

namespace levy {
namespace {
QMenuBar* MenuBarOf(QWidget* window)
{
    if (!window)
        return nullptr;
    if (auto* main = qobject_cast<QMainWindow*>(window))
        return main->menuWidget() ? qobject_cast<QMenuBar*>(main->menuWidget()) : nullptr;
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        if (bar->window() == window && bar->isVisible())
            return bar;
    return nullptr;
}

bool OpenFirstMenu(QWidget* window)
{
    QMenuBar* bar = MenuBarOf(window);
    if (!bar || !bar->isEnabled() || QApplication::activePopupWidget())
        return false;
    // Some styles only highlight the bar on Alt: its highlighted menu then opens.
    if (QAction* highlighted = bar->activeAction()) {
        bar->setActiveAction(highlighted);
        return true;
    }
    for (QAction* menu : bar->actions())
        if (menu->isVisible() && menu->isEnabled() && menu->menu()) {
            bar->setActiveAction(menu);
            return true;
        }
    return false;
}

// Alt counts when nothing else was pressed between its press and its release.
class MenuOpener : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->isAutoRepeat() || !watched->isWidgetType())
                return false;
            // Window systems differ on whether Alt's own press carries its modifier.
            altAlone_ = key->key() == Qt::Key_Alt && (key->modifiers() & ~Qt::AltModifier) == Qt::NoModifier &&
                        !QApplication::activePopupWidget();
            if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier && !QApplication::activePopupWidget() &&
                OpenFirstMenu(static_cast<QWidget*>(watched)->window()))
                return true;
            return false;
        }
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Alt && altAlone_ && !key->isAutoRepeat() && watched->isWidgetType()) {
                altAlone_ = false;
                return OpenFirstMenu(static_cast<QWidget*>(watched)->window());
            }
            return false;
        }
        case QEvent::FocusOut:
            // A style's own Alt navigation hands the focus to the menu bar before the
            // release: the same Alt, which still opens the menu.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::MenuBarFocusReason)
                altAlone_ = false;
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::WindowDeactivate: altAlone_ = false; return false;
        default: return false;
        }
    }

private:
    bool altAlone_ = false;
};
} // namespace

void OpenMenusFromTheKeyboard()
{
    static MenuOpener* opener = nullptr;
    if (opener || !qApp)
        return;
    opener = new MenuOpener(qApp);
    qApp->installEventFilter(opener);
}

} // namespace levy
