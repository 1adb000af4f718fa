#include "ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace levy {
namespace {
const char* framedProperty = "levyFittedInFrame";

bool IsPlacedWindow(const QWidget* widget)
{
    if (!widget->isWindow())
        return false;
    const Qt::WindowType type = widget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop && type != Qt::SubWindow;
}

// Fits each window as it is shown, and once more at its first activation after that,
// when the window system has framed it and the frame's size is known.
class ScreenKeeper : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::ActivationChange)
            return false;
        if (!watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!IsPlacedWindow(window))
            return false;
        if (type == QEvent::Show) {
            window->setProperty(framedProperty, false);
            FitOnScreen(window);
        } else if (type == QEvent::Hide) {
            window->setProperty(framedProperty, QVariant());
        } else if (window->isActiveWindow() && window->property(framedProperty) == QVariant(false)) {
            window->setProperty(framedProperty, true);
            FitOnScreen(window);
        }
        return false;
    }
};
} // namespace

void KeepWindowsOnScreen()
{
    static ScreenKeeper* keeper = nullptr;
    if (keeper || !qApp)
        return;
    keeper = new ScreenKeeper(qApp);
    qApp->installEventFilter(keeper);
}

QRect AvailableArea(const QWidget* window)
{
    const QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center());
    if (!screen)
        screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void FitOnScreen(QWidget* window)
{
    const QRect area = AvailableArea(window);
    if (area.isEmpty() || window->isMaximized() || window->isFullScreen())
        return;
    QRect frame = window->frameGeometry();
    const QSize frameExtra = frame.size() - window->size();
    const QSize room = area.size() - frameExtra;
    if (window->width() > room.width() || window->height() > room.height()) {
        const QSize fitted = window->size().boundedTo(room);
        // Contents that need more than the screen has are cut rather than the window
        // left where its title and buttons cannot be reached.
        if (window->minimumWidth() > fitted.width() || window->minimumHeight() > fitted.height())
            window->setMinimumSize(window->minimumSize().boundedTo(fitted));
        const QPoint centre = frame.center();
        window->resize(fitted);
        frame = window->frameGeometry();
        frame.moveCenter(centre);
    }
    frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height() + 1)));
    if (frame.topLeft() != window->frameGeometry().topLeft())
        window->move(frame.topLeft());
}

void SetDesignSize(QWidget* window, QSize design)
{
    window->setMinimumSize(0, 0);
    window->setMaximumSize(design);
    window->resize(design);
}

} // namespace levy
