#pragma once

#include "EditorSession.h"

#include <QObject>
#include <QSet>
#include <QTimer>

namespace levy {

class EditorTab;
class EditorTabs;

// Keeps the logged-in user's texts for their next start: written a moment after each
// change (nothing is saved when the program ends), and put back after the log-in.
class SessionKeeper : public QObject {
    Q_OBJECT
public:
    // The least time between a change and its being written.
    static constexpr int delayMs = 1000;

    SessionKeeper(EditorTabs* tabs, const QString& userName);

    // Puts the user's texts in place of those in the tabs. A damaged session is set
    // aside, and a text whose file has gone is kept and said to be so.
    void Restore();
    // Writes the session at once; `discarded` texts are kept as their files hold them,
    // and untitled ones not at all. Tells the user of a failure once, until a write
    // succeeds again.
    void SaveNow(const QSet<EditorTab*>& discarded = {});
    SessionState Capture(const QSet<EditorTab*>& discarded = {}) const;

    const EditorSession& Session() const { return session_; }

private:
    void Fill(EditorTab* tab, const SessionText& text);
    EditorTabs* tabs_;
    EditorSession session_;
    QTimer soon_;
    bool usable_ = true;  // false once the file could not be read: it is not overwritten
    bool failureShown_ = false;
};

} // namespace levy
