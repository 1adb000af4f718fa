#include "StatusBar.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QLabel>
#include <QLocale>
#include <QTimer>

#include <X11/XKBlib.h>
#undef Bool
#undef None
#undef Status

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
// The lock keys' indicator bits, where the window system reports them.
std::optional<unsigned> LockIndicators()
{
    if (QGuiApplication::platformName() != u"xcb"_s)
        return std::nullopt;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->display()) {
        unsigned state = 0;
        if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) == 0)
            return state;
    }
    return std::nullopt;
}
} // namespace

StatusBar::StatusBar(QWidget* parent, const QString& name) : QStatusBar(parent), timer_(new QTimer(this))
{
    setObjectName(name);
    setSizeGripEnabled(false);
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(u"Panel%1"_s.arg(i + 1));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        if (i == 0)
            addWidget(label, 1);
        else
            addPermanentWidget(label);
        panels_.append(label);
    }
    panels_[3]->setText(u"NUM"_s);
    panels_[4]->setText(u"CAPS"_s);
    panels_[5]->setText(u"SCRL"_s);
    connect(timer_, &QTimer::timeout, this, &StatusBar::Refresh);
    timer_->start(500);
    Refresh();
}

QLabel* StatusBar::Panel(int index) const { return panels_.value(index - 1); }

void StatusBar::SetSessionText(const QString& text) { panels_[0]->setText(text); }
QString StatusBar::SessionText() const { return panels_[0]->text(); }

void StatusBar::Refresh()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    panels_[1]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    panels_[2]->setText(locale.toString(now.time(), QLocale::ShortFormat));
    const auto indicators = LockIndicators();
    // Caps Lock is indicator bit 0, Num Lock bit 1 and Scroll Lock bit 2 on the usual
    // keyboard maps; a panel is greyed while its lock is off or its state is unknown.
    const unsigned bits[] = {2u /* NUM */, 1u /* CAPS */, 4u /* SCRL */};
    for (int i = 0; i < 3; ++i)
        panels_[3 + i]->setEnabled(indicators && (*indicators & bits[i]));
}

} // namespace levy
