#include "OfficeDatabase.h"

#include "levy/DatabaseAccess.h"
#include "levy/DatabaseToUse.h"
#include "levy/LevyDatabaseCheck.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }
} // namespace

void ShowDatabaseInUse(QLabel& label)
{
    const DatabaseInUse current = CurrentDatabase();
    QString mark;
    switch (current.state) {
    case DatabaseInUse::NotSet: mark = u"none set"_s; break;
    case DatabaseInUse::Missing: mark = u" (missing)"_s; break;
    case DatabaseInUse::NotALevyDatabase: mark = u" (not a levy database)"_s; break;
    case DatabaseInUse::Usable: break;
    }
    const QString caption = u"Database in use: "_s;
    // A long path gives way in its middle: the folder's start and the file's name tell
    // most. The label has the window's width, less its margins.
    const QFontMetrics metrics(label.font());
    const int room = std::max(label.contentsRect().width(), label.window()->width() - 24) -
                     metrics.horizontalAdvance(caption + mark);
    label.setText(caption + metrics.elidedText(Shown(current.path), Qt::ElideMiddle, std::max(room, 40)) + mark);
    label.setToolTip(current.why.isEmpty() ? Shown(current.path) : Shown(current.path) + u"\n"_s + current.why);
    label.setStyleSheet(current.state == DatabaseInUse::Usable ? QString() : u"color: #b00000;"_s);
}

QString NowInUseNote(const QString& path)
{
    return u"\r\n\r\nThe levy office now uses \"%1\"."_s.arg(Shown(path));
}

QString UseAsOfficeDatabase(const QString& made, const FileIdentity& madeFile, const QString& title)
{
    const DatabaseInUse current = CurrentDatabase();
    const bool other = QFileInfo(current.path).canonicalFilePath() != QFileInfo(made).canonicalFilePath();
    if (current.state == DatabaseInUse::Usable && other &&
        MsgBox(u"The levy office now uses \"%1\". Use the new database instead?"_s.arg(Shown(current.path)),
               Icon::Question, title, Buttons::YesNo, DefaultButton::Second) != Answer::Yes)
        return u"\r\n\r\n\"%1\" was made; the levy office still uses \"%2\"."_s.arg(Shown(made), Shown(current.path));
    // As for a chosen database: the name stored is the one the file just made was found
    // under, never one that a link or another file took over since.
    const DatabaseToUse use = CheckDatabaseToUse(made, madeFile);
    if (!use.why.isEmpty())
        Raise(errEngine, title, use.why + u"\r\n\r\nThe database path was not changed."_s);
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, use.path);
    return NowInUseNote(use.path);
}

} // namespace levy
