#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace levy {

// Files dropped on a window, or on one of its text boxes, are opened as texts; anything
// that is not a text file on this computer is answered with a message, and nothing is
// dropped into a text as its name.
class FileDrops : public QObject {
    Q_OBJECT
public:
    FileDrops(QObject* parent, std::function<void(const QString&)> open);
    // Takes the drops of files on `widget` (a text box's viewport as well).
    void Watch(QWidget* widget);
    // Opens what a drop brought, file by file.
    void Open(const QList<QUrl>& urls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> open_;
};

} // namespace levy
