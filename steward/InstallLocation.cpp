#include "InstallLocation.h"

#include "platform/MessageBox.h"
#include "widgets/CommonDialog.h"

#include <QLineEdit>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
void PrepareLocationDialog(CommonDialog& dialog)
{
    dialog.DialogTitle = u"Specify the location for the database"_s;
    dialog.Filter = u"Databases (*.mdb)|*.mdb"_s;
    dialog.Flags = CommonDialog::cdlOFNPathMustExist | CommonDialog::cdlOFNHideReadOnly |
                   CommonDialog::cdlOFNNoReadOnlyReturn;
    dialog.FileName.clear();
    dialog.CancelError = false;
}
} // namespace

void BrowseForLocation(CommonDialog& dialog, QLineEdit& box)
{
    PrepareLocationDialog(dialog);
    dialog.ShowSave();
    box.setText(dialog.FileName);
}

bool LocationAccepted(CommonDialog& dialog, const QString& location, bool typed)
{
    PrepareLocationDialog(dialog);
    // A chosen location passed the dialog's checks when it was chosen; its folder may
    // have been made read-only since.
    if (!typed)
        dialog.Flags &= CommonDialog::cdlOFNNoReadOnlyReturn;
    const QString refusal = dialog.Refusal(location);
    if (refusal.isEmpty())
        return true;
    MsgBox(refusal, Icon::Exclamation, dialog.DialogTitle);
    return false;
}

} // namespace levy
