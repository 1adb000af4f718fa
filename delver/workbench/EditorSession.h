#pragma once

#include <QList>
#include <QString>

namespace levy {

// The editor's texts as a user left them, for the next start.
struct SessionText {
    QString file;           // empty: the text has no file
    QString text;           // with CR LF line breaks
    bool modified = false;  // changed since it was last loaded or saved
    bool operator==(const SessionText&) const = default;
};

struct SessionState {
    QList<SessionText> texts;
    int current = 0;
    bool operator==(const SessionState&) const = default;
};

// The file that keeps one user's session, beside their query history and as private.
class EditorSession {
public:
    // Far above what the editor holds in use; a session past it is not written.
    static constexpr qint64 largest = 64 * 1024 * 1024;

    explicit EditorSession(QString path);
    static QString PathFor(const QString& userName);

    // Reads the session into `state` (left empty when there is none). A damaged file, or
    // one not the user's own, is set aside: the answer then says so in words for the
    // user, and is empty otherwise. Raises when the file can be neither read nor set aside.
    QString Load(SessionState& state);
    // Replaces the file; raises when it cannot, leaving the file as it was.
    void Save(const SessionState& state);

    static QByteArray Serialize(const SessionState& state);
    static bool Parse(const QByteArray& bytes, SessionState& state);

    const QString& Path() const { return path_; }

private:
    QString path_;
};

} // namespace levy
