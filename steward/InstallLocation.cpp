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

QString AcceptedLocation(CommonDialog& dialog, QLineEdit& box, const QString& location)
{
    PrepareLocationDialog(dialog);
    const bool typed = box.isModified();
    const QString completed = dialog.WithExtension(location);
    if (completed != location) {
        box.setText(completed);
        box.setModified(typed);
    }
    // A chosen location passed the dialog's checks when it was chosen; its folder may
    // have been made read-only since.
    if (!typed)
        dialog.Flags &= CommonDialog::cdlOFNNoReadOnlyReturn;
    const QString refusal = dialog.Refusal(completed);
    if (refusal.isEmpty())
        return completed;
    MsgBox(refusal, Icon::Exclamation, dialog.DialogTitle);
    return {};
}

} // namespace levy
