#include "frmSteward_UserAccounts_CreateNew.h"

#include "database/Recordset.h"
#include "frmSteward_UserAccounts.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"
#include "widgets/DialogKeys.h"
#include "widgets/FormControls.h"
#include "widgets/ScreenFit.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
QLineEdit* MakeBox(QWidget* owner, const QString& name, const QString& toolTip, bool masked)
{
    QLineEdit* box = MakeTextBox(owner, name, toolTip);
    box->setMaxLength(30);
    if (masked)
        MaskWithAsterisks(box);
    return box;
}
} // namespace

frmSteward_UserAccounts_CreateNew::frmSteward_UserAccounts_CreateNew(QWidget* owner) : QDialog(owner)
{
    SetUpDialog(*this, u"frmSteward_UserAccounts_CreateNew"_s, u"Create New User Account"_s);

    Label1 = MakeLabel(this, u"Label1"_s, u"User Name"_s);
    txtUserName = MakeBox(this, u"txtUserName"_s, u"Enter the username here"_s, false);
    Label2 = MakeLabel(this, u"Label2"_s, u"Password"_s);
    txtPassword = MakeBox(this, u"txtPassword"_s, u"Password"_s, true);
    Label3 = MakeLabel(this, u"Label3"_s, u"Re-enter Password"_s);
    txtReEnterPassword = MakeBox(this, u"txtReEnterPassword"_s,
                                 u"Reenter password here. The password entered must match the one entered above."_s,
                                 true);
    // Enter in a text box creates the account, as in the other dialogs; a button that
    // has the focus takes Enter for itself.
    cmdCreate = MakeButton(this, u"cmdCreate"_s, u"Create"_s, u"Click here to create the account"_s, EnterKey::Default);
    cmdHelp = MakeButton(this, u"cmdHelp"_s, u"Help"_s, u"Click here to get additional assistance"_s,
                         EnterKey::WhenFocused);
    cmdCancel = MakeButton(this, u"cmdCancel"_s, u"Cancel"_s,
                           u"Click here to close this window without creating the user account"_s,
                           EnterKey::WhenFocused);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(
        LabelledRows({{Label1, txtUserName}, {Label2, txtPassword}, {Label3, txtReEnterPassword}}));
    layout->addSpacing(6);
    layout->addLayout(ButtonRow({cmdCreate, cmdHelp, cmdCancel}));
    ChainTabOrder({txtUserName, txtPassword, txtReEnterPassword, cmdCreate, cmdHelp, cmdCancel});
    txtUserName->setMinimumWidth(200);
    SetDesignSize(this, sizeHint());
    CentreOverWhenShown(this, owner);

    connect(cmdHelp, &QPushButton::clicked, BindHelpKey(this, 310), &QAction::trigger);
    connect(cmdCreate, &QPushButton::clicked, this, [this] { Guarded([this] { cmdCreate_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
}

void frmSteward_UserAccounts_CreateNew::cmdCreate_Click()
{
    txtUserName->setText(TrimSpaces(txtUserName->text()));
    auto refuse = [](const QString& text, QLineEdit* focus) {
        MsgBox(text, Icon::Exclamation);
        focus->setFocus();
    };
    if (txtUserName->text().isEmpty())
        return refuse(u"Please enter a user name first."_s, txtUserName);
    if (txtPassword->text().isEmpty())
        return refuse(u"Please enter a password first."_s, txtPassword);
    if (txtReEnterPassword->text().isEmpty())
        return refuse(u"Please reenter the password in the space provided."_s, txtReEnterPassword);
    auto refusePasswords = [&](const QString& text) {
        txtPassword->clear();
        txtReEnterPassword->clear();
        refuse(text, txtPassword);
    };
    if (txtPassword->text() != txtReEnterPassword->text())
        return refusePasswords(u"Entered passwords are different. Please try again."_s);
    if (!CanBeMatchedAgain(txtPassword->text()))
        return refusePasswords(u"The password may only hold unaccented letters, digits, spaces and the punctuation "_s
                               u"marks of a standard keyboard: any other character could never be matched at "_s
                               u"log-in."_s);
    try {
        Recordset& users = HeldUsers();
        if (FindAccount(users, txtUserName->text()))
            return refuse(u"This user name is alredy in use"_s, txtUserName);
        users.AddNew();
        try {
            users.SetFieldValue(u"User Name"_s, txtUserName->text());
            users.SetFieldValue(u"User Password"_s, EncryptText(txtPassword->text()));
            users.SetFieldValue(u"User Rights"_s, QString(30, u'0'));
            users.Update();
        } catch (const RuntimeError&) {
            users.CancelUpdate();
            throw;
        }
    } catch (const RuntimeError& error) {
        // The table is as it was; the dialog stays open for another try.
        MsgBox(error.description, Icon::Exclamation);
        return;
    }
    MsgBox(u"User account successfull created."_s, Icon::Information);
    accept();
}

} // namespace levy
