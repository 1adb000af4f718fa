#include "DatabaseInstallForm.h"

#include "InstallLocation.h"
#include "utilities/HelpRoutines.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/CommonDialog.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace levy {

DatabaseInstallForm::DatabaseInstallForm(QWidget* owner, const Form& form) : QDialog(owner)
{
    setObjectName(form.name);
    setWindowTitle(form.caption);
    setWindowFlags(DialogFlags);
    Label1 = MakeLabel(this, u"Label1"_s, u"Database Location"_s);
    txtDBLocation = new ClickableLineEdit(this);
    txtDBLocation->setObjectName(u"txtDBLocation"_s);
    txtDBLocation->setToolTip(u"Click here to enter the file name."_s);
    Label1->setBuddy(txtDBLocation);
    // Enter installs wherever the focus is but on another button, which takes it for
    // itself.
    cmdCreateDatabase = MakeButton(this, u"cmdCreateDatabase"_s, u"Install Database"_s,
                                   u"Click here to create the database"_s, EnterKey::Default);
    cmdHelp = MakeButton(this, u"cmdHelp"_s, u"Help"_s, form.helpToolTip, EnterKey::WhenFocused);
    cmdCancel = MakeButton(this, u"cmdCancel"_s, u"Cancel"_s, u"Click here to exit without creating a database"_s,
                           EnterKey::WhenFocused);
    cmdBrowse = MakeButton(this, u"cmdBrowse"_s, u"Browse..."_s, u"Click here to choose the location"_s,
                           EnterKey::WhenFocused);
    dlgPath = new CommonDialog(this, u"dlgPath"_s);

    auto* row = new QHBoxLayout;
    row->addWidget(Label1);
    row->addWidget(txtDBLocation, 1);
    row->addWidget(cmdBrowse);
    const auto last = form.helpBeforeCancel ? std::pair(cmdHelp, cmdCancel) : std::pair(cmdCancel, cmdHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(ButtonRow({cmdCreateDatabase, last.first, last.second}));
    ChainTabOrder({txtDBLocation, cmdBrowse, cmdCreateDatabase, last.first, last.second});

    connect(txtDBLocation, &ClickableLineEdit::clicked, this, [this] { Guarded([this] { txtDBLocation_Click(); }); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { Guarded([this] { txtDBLocation_Click(); }); });
    connect(cmdCreateDatabase, &QPushButton::clicked, this, [this] { Guarded([this] { cmdCreateDatabase_Click(); }); });
    connect(cmdHelp, &QPushButton::clicked, this,
            [context = form.helpContext] { Guarded([context] { ShowHelpTopic(context); }); });
    // Escape presses Cancel, as a dialog's cancel button does.
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DatabaseInstallForm::txtDBLocation_Click() { BrowseForLocation(*dlgPath, *txtDBLocation); }

} // namespace levy
