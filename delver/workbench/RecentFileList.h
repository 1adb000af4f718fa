#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMenu;

namespace levy {

// The files opened or saved last, newest first: kept in the user's settings as they
// change, and offered as the items of a menu.
class RecentFileList : public QObject {
    Q_OBJECT
public:
    RecentFileList(QMenu* menu, QString section, int size, std::function<void(const QString&)> open);

    const QStringList& Files() const { return files_; }
    // Puts a file first.
    void Note(const QString& path);
    // Whether a file of the list is still there; one that is not is taken off the list,
    // and the user told so.
    bool StillThere(const QString& path);

private:
    void Save();
    void Fill();
    QMenu* menu_;
    QString section_;
    int size_;
    std::function<void(const QString&)> open_;
    QStringList files_;
};

} // namespace levy
