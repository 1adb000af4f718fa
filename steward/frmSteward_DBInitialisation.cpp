#include "frmSteward_DBInitialisation.h"

#include "InstallLocation.h"
#include "levy/DatabaseAccess.h"
#include "levy/DatabaseBuildingRoutines.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "utilities/HelpRoutines.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/CommonDialog.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {

frmSteward_DBInitialisation::frmSteward_DBInitialisation(QWidget* owner) : QDialog(owner)
{
    setObjectName(u"frmSteward_DBInitialisation"_s);
    setWindowTitle(u"Install Blank Database"_s);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    Label1 = new QLabel(u"Database Location"_s, this);
    Label1->setObjectName(u"Label1"_s);
    txtDBLocation = new ClickableLineEdit(this);
    txtDBLocation->setObjectName(u"txtDBLocation"_s);
    txtDBLocation->setToolTip(u"Click here to enter the file name."_s);
    txtDBLocation->setMinimumWidth(360);
    cmdCreateDatabase =
        MakeButton(this, u"cmdCreateDatabase"_s, u"Install Database"_s, u"Click here to create the database"_s);
    cmdCancel =
        MakeButton(this, u"cmdCancel"_s, u"Cancel"_s, u"Click here to exit without creating a database"_s);
    cmdHelp = MakeButton(this, u"cmdHelp"_s, u"Help"_s, u"Click here to launch help"_s);
    cmdBrowse = MakeBrowseButton(this);
    dlgPath = new CommonDialog(this, u"dlgPath"_s);

    auto* row = new QHBoxLayout;
    row->addWidget(Label1);
    row->addWidget(txtDBLocation, 1);
    row->addWidget(cmdBrowse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCreateDatabase);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setTabOrder(txtDBLocation, cmdBrowse);
    setTabOrder(cmdBrowse, cmdCreateDatabase);
    setTabOrder(cmdCreateDatabase, cmdCancel);
    setTabOrder(cmdCancel, cmdHelp);
    setFixedSize(sizeHint());

    connect(txtDBLocation, &ClickableLineEdit::clicked, this, [this] { Guarded([this] { txtDBLocation_Click(); }); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { Guarded([this] { txtDBLocation_Click(); }); });
    connect(cmdCreateDatabase, &QPushButton::clicked, this, [this] { Guarded([this] { cmdCreateDatabase_Click(); }); });
    // Escape presses Cancel, as a dialog's cancel button does.
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdHelp, &QPushButton::clicked, this, [] { Guarded([] { ShowHelpTopic(240); }); });
}

void frmSteward_DBInitialisation::txtDBLocation_Click() { BrowseForLocation(*dlgPath, *txtDBLocation); }

void frmSteward_DBInitialisation::cmdCreateDatabase_Click()
{
    if (txtDBLocation->text().isEmpty()) {
        MsgBox(u"Please enter the database location first"_s, Icon::Exclamation);
        return;
    }
    const QString location = txtDBLocation->text();
    if (!LocationAccepted(*dlgPath, location, txtDBLocation->isModified()) || !BuildBlankDatabase(location))
        return;
    try {
        SaveSetting(settingsApplication, settingsSection, settingsDBPath, location);
    } catch (const RuntimeError& error) {
        MsgBox(error.description, Icon::Exclamation);
        return;
    }
    MsgBox(u"Database succesfully created."_s, Icon::Information);
    accept();
}

} // namespace levy
