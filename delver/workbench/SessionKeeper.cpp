#include "SessionKeeper.h"

#include "EditorTab.h"
#include "EditorTabs.h"
#include "SqlEditor.h"
#include "SqlFiles.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString title = u"Open Queries"_s;
}

SessionKeeper::SessionKeeper(EditorTabs* tabs, const QString& userName)
    : QObject(tabs), tabs_(tabs), session_(EditorSession::PathFor(userName))
{
    soon_.setSingleShot(true);
    soon_.setInterval(delayMs);
    connect(&soon_, &QTimer::timeout, this, [this] { SaveNow(); });
    // Not put off again by each key: a long stretch of typing is kept every moment.
    connect(tabs_, &EditorTabs::contentChanged, this, [this] {
        if (!soon_.isActive())
            soon_.start();
    });
}

void SessionKeeper::Restore()
{
    SessionState state;
    try {
        if (const QString aside = session_.Load(state); !aside.isEmpty())
            MsgBox(aside, Icon::Exclamation, title);
    } catch (const RuntimeError& error) {
        usable_ = false;
        MsgBox(error.description + u" Your open queries are not kept for the next start."_s, Icon::Exclamation, title);
        return;
    }
    soon_.stop();
    if (state.texts.isEmpty())
        return;
    const QList<EditorTab*> old = tabs_->Tabs();
    QList<EditorTab*> restored;
    for (const SessionText& text : state.texts) {
        EditorTab* tab = tabs_->Add();
        Fill(tab, text);
        restored.append(tab);
    }
    for (EditorTab* tab : old)
        tabs_->Remove(tab);
    tabs_->setCurrentWidget(restored.value(state.current, restored.first()));
    soon_.stop();
}

void SessionKeeper::Fill(EditorTab* tab, const SessionText& text)
{
    const QString shown = QDir::toNativeSeparators(text.file);
    if (text.file.isEmpty() || text.modified) {
        tab->Load(text.text, text.file);
        tab->blnDirty = text.modified;
    } else if (!QFileInfo(text.file).isFile()) {
        tab->Load(text.text, text.file);
        tab->blnDirty = true;  // the text is nowhere else now
    } else {
        // A text kept unchanged is read again: the file may have been changed meanwhile.
        try {
            const qint64 size = SqlFileSize(text.file);
            if (size > largestSqlFile)
                Raise(75, u"Open SQL File"_s, u"it is now longer than this utility opens"_s);
            bool utf8 = false;
            tab->Load(ReadSqlText(text.file, size, &utf8), text.file);
            if (utf8)
                tab->SetNotice(ReadAsUtf8Notice(text.file));
        } catch (const RuntimeError& error) {
            // Not tied to the file: a Save would put the old text over whatever the file
            // holds now.
            tab->Load(text.text, QString());
            tab->blnDirty = true;
            tab->SetNotice(u"The file \"%1\" could not be read again (%2). This is its text as you left it; Save "
                           u"asks where to keep it."_s.arg(shown, error.description));
            emit tab->stateChanged();
            return;
        }
    }
    // Said in the tab's caption, its tool tip and a line above the text.
    if (!text.file.isEmpty() && !QFileInfo(text.file).isFile())
        tab->SetFileGone(true);
    emit tab->stateChanged();
}

SessionState SessionKeeper::Capture(const QSet<EditorTab*>& discarded) const
{
    SessionState state;
    const EditorTab* current = tabs_->Current();
    for (EditorTab* tab : tabs_->Tabs()) {
        const bool dropped = discarded.contains(tab);
        // Nothing in an untitled blank text, nor in one the user chose to lose.
        if (tab->strCurrentFile.isEmpty() && (tab->IsBlank() || dropped))
            continue;
        if (tab == current || state.texts.isEmpty())
            state.current = int(state.texts.size());
        if (dropped)
            state.texts.append(SessionText{tab->strCurrentFile, {}, false});
        else
            state.texts.append(SessionText{tab->strCurrentFile, tab->txtSQL->Text(), tab->blnDirty});
    }
    return state;
}

void SessionKeeper::SaveNow(const QSet<EditorTab*>& discarded)
{
    soon_.stop();
    if (!usable_)
        return;
    try {
        QElapsedTimer took;
        took.start();
        session_.Save(Capture(discarded));
        // Large texts take a while to write: typing is held up a tenth of the time at most.
        soon_.setInterval(int(std::max<qint64>(delayMs, took.elapsed() * 10)));
        failureShown_ = false;
    } catch (const RuntimeError& error) {
        if (failureShown_)
            return;
        failureShown_ = true;
        MsgBox(error.description + u" Your open queries are not kept for the next start until it can be written."_s,
               Icon::Exclamation, title);
    }
}

} // namespace levy
