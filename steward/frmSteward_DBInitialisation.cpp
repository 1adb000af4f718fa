#include "frmSteward_DBInitialisation.h"

#include "InstallLocation.h"
#include "OfficeDatabase.h"
#include "levy/DatabaseAccess.h"
#include "levy/DatabaseBuildingRoutines.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/ScreenFit.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {

frmSteward_DBInitialisation::frmSteward_DBInitialisation(QWidget* owner)
    : DatabaseInstallForm(owner, {u"frmSteward_DBInitialisation"_s, u"Install Blank Database"_s,
                                  u"Click here to launch help"_s, 240, false})
{
    // Designed with room for a long path; a small screen gets a shorter box.
    txtDBLocation->setMinimumWidth(360);
    SetDesignSize(this, sizeHint());
    txtDBLocation->setMinimumWidth(120);
}

void frmSteward_DBInitialisation::cmdCreateDatabase_Click()
{
    if (txtDBLocation->text().isEmpty()) {
        MsgBox(u"Please enter the database location first"_s, Icon::Exclamation);
        return;
    }
    const QString location = AcceptedLocation(*dlgPath, *txtDBLocation, txtDBLocation->text());
    if (location.isEmpty() || !BuildBlankDatabase(location))
        return;
    QString inUse;
    try {
        inUse = UseAsOfficeDatabase(location, levyDatabase->HeldFile(), windowTitle());
    } catch (const RuntimeError& error) {
        MsgBox(error.description, Icon::Exclamation);
        return;
    }
    MsgBox(u"Database succesfully created."_s + inUse, Icon::Information);
    accept();
}

} // namespace levy
