#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace levy {

// A file of the user's own in their data folder ($XDG_DATA_HOME/AHS Levy System/Delver/):
// the folder made for them alone (0700), the file readable by them only (0600) and
// replaced whole, so that a failed write keeps the one before. A file that is damaged or
// not theirs is renamed beside itself rather than read or lost.
class UserDataFile {
public:
    // `what` names the file in messages ("query history"); the caller says what follows
    // from a failure.
    UserDataFile(QString path, QString what, qint64 largest);

    // The file `prefix`-NAME`suffix` of a user, in the data folder. Account names are
    // compared without regard to case; the file name keeps any name.
    static QString PathFor(const QString& prefix, const QString& userName, const QString& suffix);

    // Why a file was set aside, and where it went; empty when it was not.
    struct SetAside {
        QString reason;
        QString path;
        bool IsEmpty() const { return reason.isEmpty(); }
    };

    // Reads the file and hands its bytes to `use`, which answers whether they are what
    // it expects. A file that is not there is no failure (`found` false). One that is a
    // link, not a file, another user's, changed while read, larger than `largest`, or
    // refused by `use` (the reason `damaged`) is set aside. Raises when the file can be
    // neither read nor set aside.
    SetAside Read(const std::function<bool(const QByteArray&)>& use, const QString& damaged, bool* found = nullptr);

    // Replaces the file with `bytes`; raises when it cannot, leaving the file as it was.
    void Write(const QByteArray& bytes);

    const QString& Path() const { return path_; }

private:
    void EnsureFolder() const;
    SetAside MoveAside(const QString& reason);
    [[noreturn]] void RaiseFile(const QString& what, const QString& path, int code) const;

    QString path_;
    QString what_;
    qint64 largest_;
};

} // namespace levy
