#include "frmSystem_ChangePassword.h"

#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"
#include "utilities/HelpRoutines.h"
#include "widgets/DialogKeys.h"
#include "widgets/FormControls.h"
#include "widgets/ScreenFit.h"
#include "widgets/Guard.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString checkTitle = u"Change Password"_s;
} // namespace

frmSystem_ChangePassword::frmSystem_ChangePassword(QWidget* owner) : QDialog(owner)
{
    SetUpDialog(*this, u"frmSystem_ChangePassword"_s, u"Change User Password"_s);

    Label4 = MakeLabel(this, u"Label4"_s, u"User Name"_s);
    txtUserName = MakeTextBox(this, u"txtUserName"_s, u"Enter username here"_s);
    txtUserName->setReadOnly(true);
    Label3 = MakeLabel(this, u"Label3"_s, u"Current Password"_s);
    txtCurrentPassword = MakeTextBox(this, u"txtCurrentPassword"_s, u"Enter the password you wish to change"_s);
    MaskWithAsterisks(txtCurrentPassword);
    Label1 = MakeLabel(this, u"Label1"_s, u"New Password"_s);
    txtNewPassword = MakeTextBox(this, u"txtNewPassword"_s, u"Enter the password you would like to change to."_s);
    MaskWithAsterisks(txtNewPassword);
    txtNewPassword->setMaxLength(30);
    Label2 = MakeLabel(this, u"Label2"_s, u"Re-enter Password"_s);
    txtReEnterPassword = MakeTextBox(this, u"txtReEnterPassword"_s, u"Reenter your new password here."_s);
    MaskWithAsterisks(txtReEnterPassword);
    txtReEnterPassword->setMaxLength(30);
    // Enter saves and Escape cancels, as in the office's other dialogs; a focused button
    // takes Enter for itself.
    cmdSave = MakeButton(this, u"cmdSave"_s, u"Save"_s, u"Click here to Change Password"_s, EnterKey::Default);
    cmdHelp = MakeButton(this, u"cmdHelp"_s, u"Help"_s, u"Get assistance"_s, EnterKey::WhenFocused);
    cmdCancel = MakeButton(this, u"cmdCancel"_s, u"Cancel"_s, u"Close window without changing your password"_s,
                           EnterKey::WhenFocused);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(LabelledRows({{Label4, txtUserName},
                                    {Label3, txtCurrentPassword},
                                    {Label1, txtNewPassword},
                                    {Label2, txtReEnterPassword}}));
    layout->addSpacing(6);
    layout->addLayout(ButtonRow({cmdSave, cmdHelp, cmdCancel}));
    ChainTabOrder({txtCurrentPassword, txtNewPassword, txtReEnterPassword, cmdSave, cmdHelp, cmdCancel, txtUserName});
    txtCurrentPassword->setMinimumWidth(200);
    SetDesignSize(this, sizeHint());

    connect(cmdSave, &QPushButton::clicked, this, [this] { Guarded([this] { cmdSave_Click(); }); });
    connect(cmdHelp, &QPushButton::clicked, BindHelpKey(this, 340), &QAction::trigger);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { close(); });

    Form_Load();
}

void frmSystem_ChangePassword::Form_Load() { txtUserName->setText(CurrentUserName); }

void frmSystem_ChangePassword::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    txtCurrentPassword->setFocus();
}

void frmSystem_ChangePassword::cmdSave_Click()
{
    try {
        // The account is looked up before any box, so a vanished account is reported first.
        const QString stored = GetUserPassword(txtUserName->text());
        if (txtCurrentPassword->text().isEmpty()) {
            MsgBox(u"Please enter the current password"_s, Icon::Exclamation, checkTitle);
            txtCurrentPassword->setFocus();
            return;
        }
        if (stored != txtCurrentPassword->text()) {
            MsgBox(u"The entered current password is incorrect."_s, Icon::Exclamation, checkTitle);
            txtCurrentPassword->clear();
            txtCurrentPassword->setFocus();
            return;
        }
        if (txtNewPassword->text().isEmpty()) {
            MsgBox(u"Please enter the new password"_s, Icon::Exclamation, checkTitle);
            txtNewPassword->setFocus();
            return;
        }
        if (txtReEnterPassword->text().isEmpty()) {
            MsgBox(u"Please reenter the new password in the space provided."_s, Icon::Exclamation, checkTitle);
            txtReEnterPassword->setFocus();
            return;
        }
        if (txtNewPassword->text() != txtReEnterPassword->text()) {
            MsgBox(u"The entered new passwords do not match."_s, Icon::Exclamation, checkTitle);
            txtNewPassword->clear();
            txtReEnterPassword->clear();
            txtNewPassword->setFocus();
            return;
        }
        if (!CanBeMatchedAgain(txtNewPassword->text())) {
            MsgBox(u"The new password may only hold unaccented letters, digits, spaces and the punctuation "_s
                   u"marks of a standard keyboard: any other character could never be matched at the next "_s
                   u"log-in."_s,
                   Icon::Exclamation, checkTitle);
            txtNewPassword->clear();
            txtReEnterPassword->clear();
            txtNewPassword->setFocus();
            return;
        }
        SetUserPassword(txtUserName->text(), txtNewPassword->text());
        MsgBox(u"Password successfully changed."_s, Icon::Information, checkTitle);
        accept();
    } catch (const RuntimeError& error) {
        if (error.number == errUserNotFound)
            MsgBox(u"Unable to locate your user account. Please try logging off and logging "_s + u"back on again."_s,
                   Icon::Critical, u"System Error"_s);
        else
            MsgBox(error.description, Icon::Exclamation, u"Password Not Changed"_s);
    } catch (const std::exception& error) {
        MsgBox(QString::fromLocal8Bit(error.what()), Icon::Exclamation, u"Password Not Changed"_s);
    }
}

} // namespace levy
