#include "DatabaseMaintenance.h"

#include "levy/DatabaseAccess.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "widgets/CommonDialog.h"
#include "widgets/Guard.h"

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
        dialog.Flags = CommonDialog::cdlOFNFileMustExist | CommonDialog::cdlOFNPathMustExist;
        dialog.FileName.clear();
        dialog.CancelError = true;
        dialog.ShowSave();
        SaveSetting(settingsApplication, settingsSection, settingsDBPath, dialog.FileName);
        MsgBox(u"New Database Path Set"_s, Icon::Information);
    } catch (const RuntimeError& error) {
        TellUnlessCancelled(error, u"Path Not Changed"_s);
    }
}

} // namespace levy
