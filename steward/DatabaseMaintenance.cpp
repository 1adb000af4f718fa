#include "DatabaseMaintenance.h"

#include "OfficeDatabase.h"
#include "levy/DatabaseAccess.h"
#include "levy/DatabaseToUse.h"
#include "levy/LevyDatabaseCheck.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "widgets/CommonDialog.h"
#include "widgets/Guard.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace levy {

void RepairOptimiseDatabase()
{
    try {
        const QString path = GetDatabasePath();
        // The only database Steward holds outside a modal window is the one a blank
        // installation left open; that hold is ours, not another program's.
        CloseLevyDatabase();
        const QString note = DBEngine::Instance().CompactDatabaseInPlace(path, levyPasswordConnect);
        MsgBox(note.isEmpty() ? u"Database successfully compacted."_s
                              : u"Database successfully compacted."_s + u"\r\n\r\n"_s + note,
               Icon::Information);
    } catch (const RuntimeError& error) {
        MsgBox(error.description, Icon::Critical);
    }
}

void ResetDatabasePath(CommonDialog& dialog)
{
    try {
        dialog.DialogTitle = u"New Database Path"_s;
        dialog.Filter = u"Databases (*.mdb)|*.mdb|All Files|(*.*)"_s;
        dialog.FilterIndex = 1;
        dialog.Flags = CommonDialog::cdlOFNFileMustExist | CommonDialog::cdlOFNPathMustExist;
        dialog.FileName.clear();
        // The administrator looks for a database beside the one in use, and picks one to
        // use: nothing is saved by this dialog.
        const QFileInfo current(StoredDatabasePath());
        dialog.InitDir = current.filePath().isEmpty() || !current.absoluteDir().exists() ? QString()
                                                                                         : current.absolutePath();
        dialog.AcceptLabel = u"Use"_s;
        dialog.CancelError = true;
        dialog.ShowSave();
        // Any existing file would do for the dialog; stored, one that is no levy database
        // would keep every program of the office from starting. Steward lets go of the
        // file first: opening and closing it again beside its own hold would drop locks.
        // What is stored is the name the check resolved, never the chosen one, which a
        // link or another file may have taken over since.
        CloseLevyDatabase();
        const DatabaseToUse use = CheckDatabaseToUse(dialog.FileName);
        if (!use.why.isEmpty()) {
            MsgBox(use.why + u"\r\n\r\nThe database path was not changed."_s, Icon::Exclamation,
                   u"Path Not Changed"_s);
            return;
        }
        SaveSetting(settingsApplication, settingsSection, settingsDBPath, use.path);
        MsgBox(u"New Database Path Set"_s + NowInUseNote(use.path), Icon::Information);
    } catch (const RuntimeError& error) {
        TellUnlessCancelled(error, u"Path Not Changed"_s);
    }
}

} // namespace levy
