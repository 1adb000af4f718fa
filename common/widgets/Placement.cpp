#include "Placement.h"

#include "ScreenFit.h"

#include <QEvent>

#include <algorithm>
#include <QPointer>
#include <QWidget>

namespace levy {
namespace {
class Placer : public QObject {
public:
    Placer(QWidget* window, const QWidget* anchor, bool above)
        : QObject(window), window_(window), anchor_(anchor), above_(above)
    {
        window->installEventFilter(this);
    }

    // Placed when it opens, and once more at its first activation after that, when the
    // window system has framed it. Later activations (coming back from help or a message)
    // leave it where the user has moved it.
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            Place();
            framePending_ = true;
        } else if (event->type() == QEvent::ActivationChange && framePending_ && window_->isActiveWindow()) {
            framePending_ = false;
            Place();
        }
        return false;
    }

    void Place()
    {
        if (!anchor_)
            return;
        const QRect a = anchor_->frameGeometry();
        const QSize me = window_->frameGeometry().size();
        const int left = int(a.left() + a.width() / 2.0 - me.width() / 2.0);
        const int top = above_ ? a.top() - me.height() : int(a.top() + a.height() / 2.0 - me.height() / 2.0);
        window_->move(left, top);
        // Never off the screen, whatever the owner's place.
        FitOnScreen(window_);
    }

private:
    QWidget* window_;
    QPointer<const QWidget> anchor_;
    bool above_;
    bool framePending_ = false;
};
} // namespace

void PlaceAboveWhenShown(QWidget* window, const QWidget* anchor) { (new Placer(window, anchor, true))->Place(); }

void CentreOverWhenShown(QWidget* window, const QWidget* anchor) { (new Placer(window, anchor, false))->Place(); }

void PlaceBeside(QWidget* window, const QWidget* anchor)
{
    constexpr int narrowest = 320;  // pixels; a window narrower than this is no use beside
    const QRect area = AvailableArea(anchor);
    const QRect a = anchor->frameGeometry();
    QRect me = window->frameGeometry();
    const int right = area.right() - a.right(), left = a.left() - area.left();
    // The side with room for the whole window; else the side with more room, the window
    // narrowed to it while that leaves it usable, else over the anchor's edge.
    // A window not yet shown has no frame yet: it will have one like the anchor's.
    const int frame = std::max(me.width() - window->width(), a.width() - anchor->width());
    me.setWidth(window->width() + frame);
    const int room = std::max(right, left);
    if (room < me.width() && room >= std::max(window->minimumSizeHint().width(), narrowest)) {
        window->resize(room - frame, window->height());
        me.setWidth(room);
    }
    if (right >= me.width() || (left < me.width() && right >= left))
        me.moveLeft(a.right() + 1);
    else
        me.moveRight(a.left() - 1);
    me.moveTop(a.top());
    window->move(me.topLeft());
    FitOnScreen(window);
}

} // namespace levy
