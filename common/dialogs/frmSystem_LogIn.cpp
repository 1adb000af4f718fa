#include "frmSystem_LogIn.h"

#include "platform/EndProgram.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "levy/SecurityEnforcement.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"
#include "widgets/DialogKeys.h"
#include "widgets/FormControls.h"
#include "widgets/ScreenFit.h"
#include "widgets/Guard.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace levy {

frmSystem_LogIn::frmSystem_LogIn(QWidget* owner) : QDialog(owner)
{
    SetUpDialog(*this, u"frmSystem_LogIn"_s, u"Log In"_s);

    Label1 = MakeLabel(this, u"Label1"_s, u"User Name"_s);
    txtUserName = MakeTextBox(this, u"txtUserName"_s, u"Username goes here"_s);
    txtUserName->setMaxLength(30);
    Label2 = MakeLabel(this, u"Label2"_s, u"Password"_s);
    txtPassword = MakeTextBox(this, u"txtPassword"_s, u"Enter your passwor here. Mind the CAPS!"_s);
    MaskWithAsterisks(txtPassword);
    cmdLogIn = MakeButton(this, u"cmdLogIn"_s, u"Log In"_s, QString(), EnterKey::Default);
    cmdHelp = MakeButton(this, u"cmdHelp"_s, u"Help"_s);
    cmdCancel = MakeButton(this, u"cmdCancel"_s, u"Cancel"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(LabelledRows({{Label1, txtUserName}, {Label2, txtPassword}}));
    layout->addLayout(ButtonRow({cmdLogIn, cmdHelp, cmdCancel}));
    ChainTabOrder({txtUserName, txtPassword, cmdLogIn, cmdHelp, cmdCancel});
    txtUserName->setMinimumWidth(200);
    SetDesignSize(this, sizeHint());

    connect(cmdLogIn, &QPushButton::clicked, this, [this] { Guarded([this] { cmdLogIn_Click(); }); });
    connect(cmdHelp, &QPushButton::clicked, BindHelpKey(this, 130), &QAction::trigger);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { close(); });
}

void frmSystem_LogIn::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void frmSystem_LogIn::Form_Activate()
{
    if (!txtUserName->text().isEmpty())
        txtPassword->setFocus();
    else
        txtUserName->setFocus();
    loggedIn = false;
}

void frmSystem_LogIn::cmdLogIn_Click()
{
    try {
        txtUserName->setText(TrimSpaces(txtUserName->text()));
        if (txtUserName->text().isEmpty()) {
            MsgBox(u"Please enter a username first"_s, Icon::Exclamation, u"Log In"_s);
            txtUserName->setFocus();
            return;
        }
        const QString stored = GetUserPassword(txtUserName->text());
        if (txtPassword->text().isEmpty()) {
            MsgBox(u"Please enter a password first"_s, Icon::Exclamation, u"Log In"_s);
            txtPassword->setFocus();
            return;
        }
        if (stored != txtPassword->text()) {
            MsgBox(u"The entered password is incorrect. Remember that passwords "_s + u"are case sensitive."_s,
                   Icon::Critical);
            txtPassword->clear();
            txtPassword->setFocus();
            return;
        }
        LogInUser(txtUserName->text());
        loggedIn = true;
        close();
    } catch (const RuntimeError&) {
        MsgBox(u"There is no record of an account under that name. "_s +
                   u"Please check that the supplied user name is correct."_s,
               Icon::Critical);
        txtUserName->setFocus();
    }
}

void frmSystem_LogIn::keyPressEvent(QKeyEvent* event)
{
    // Escape does not cancel the log-in.
    if (!SwallowEscape(event))
        QDialog::keyPressEvent(event);
}

void frmSystem_LogIn::done(int result)
{
    QDialog::done(loggedIn ? QDialog::Accepted : result);
}

void frmSystem_LogIn::closeEvent(QCloseEvent* event)
{
    if (loggedIn) {
        event->accept();
        QDialog::closeEvent(event);
        accept();
        return;
    }
    Guarded([] { EndProgram(); });
    event->accept();
}

} // namespace levy
