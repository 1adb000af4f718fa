#include "PanelKeys.h"

#include <QAction>
#include <QApplication>
#include <QWidget>

namespace levy {
namespace {
void MoveFocus(const QList<std::pair<QWidget*, QWidget*>>& parts, int step)
{
    const int n = int(parts.size());
    int current = -1;
    const QWidget* focus = QApplication::focusWidget();
    for (int i = 0; i < n && focus; ++i)
        if (parts[i].first == focus || parts[i].first->isAncestorOf(focus))
            current = i;
    // From outside every part, the first part comes next and the last one before.
    const int start = current >= 0 ? current : step > 0 ? n - 1 : 0;
    for (int k = 1; k <= n; ++k) {
        const auto& [area, control] = parts[((start + step * k) % n + n) % n];
        if (!area->isVisible() || !control->isVisible() || !control->isEnabled())
            continue;
        control->window()->activateWindow();  // a panel may stand apart, floating
        control->setFocus(Qt::ShortcutFocusReason);
        return;
    }
}
} // namespace

void CyclePartsWithF6(QWidget* window, const QList<std::pair<QWidget*, QWidget*>>& parts)
{
    auto add = [&](const QList<QKeySequence>& keys, int step) {
        auto* action = new QAction(window);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, window, [parts, step] { MoveFocus(parts, step); });
        window->addAction(action);
        // Also from a floating panel, which is a window of its own.
        for (const auto& part : parts)
            if (part.first != window)
                part.first->addAction(action);
    };
    add({QKeySequence(Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::Key_Tab)}, 1);
    add({QKeySequence(Qt::SHIFT | Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
         QKeySequence(Qt::CTRL | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)},
        -1);
}

} // namespace levy
