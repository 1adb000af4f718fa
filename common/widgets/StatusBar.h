#pragma once

#include <QStatusBar>

class QLabel;
class QTimer;

namespace levy {

// The main windows' status bar: a text panel for the session, then the date, the time
// and the Num Lock, Caps Lock and Scroll Lock states, kept up to date by the bar itself.
class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent, const QString& name);
    // Panels by position from 1, as the windows address them.
    QLabel* Panel(int index) const;
    void SetSessionText(const QString& text);
    QString SessionText() const;
    void Refresh();

private:
    QList<QLabel*> panels_;
    QTimer* timer_;
};

} // namespace levy
