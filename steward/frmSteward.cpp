#include "frmSteward.h"

#include "DatabaseMaintenance.h"
#include "OfficeDatabase.h"
#include "dialogs/frmSystem_AboutBox.h"
#include "dialogs/frmSystem_ChangePassword.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmSteward_DBInitialisation.h"
#include "frmSteward_InstallSampleDB.h"
#include "frmSteward_UserAccounts.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "levy/SecurityEnforcement.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"
#include "widgets/CommonDialog.h"
#include "widgets/DialogKeys.h"
#include "widgets/Emblem.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"
#include "widgets/ScreenFit.h"
#include "widgets/StatusBar.h"
#include "widgets/Twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace levy {

frmSteward::frmSteward()
{
    setObjectName(u"frmSteward"_s);
    setWindowTitle(u"Stewardry"_s);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    dlgAdmin = new CommonDialog(this, u"dlgAdmin"_s);

    mnuAdmin = menuBar()->addMenu(u"&Admin"_s);
    mnuAdmin->setObjectName(u"mnuAdmin"_s);
    mnuAdmin_ManageUserAccounts =
        AddItem(u"mnuAdmin_ManageUserAccounts"_s, u"&Manage User Accounts"_s, &frmSteward::ManageUserAccounts);
    mnuAdmin_ChangeAdminPassword =
        AddItem(u"mnuAdmin_ChangeAdminPassword"_s, u"&Change Admin Password"_s, &frmSteward::ChangeAdminPassword);
    mnuAdmin->addSeparator()->setObjectName(u"mnuAdmin_Bar1"_s);
    mnAdmin_RepairOptimiseDatabase =
        AddItem(u"mnAdmin_RepairOptimiseDatabase"_s, u"&Repair/Optimise Database"_s, &frmSteward::RepairOptimise);
    mnuAdmin_ResetDatabasePath =
        AddItem(u"mnuAdmin_ResetDatabasePath"_s, u"Reset Database &Path"_s, &frmSteward::ResetPath);
    mnuAdmin_InstallSampleDatabase =
        AddItem(u"mnuAdmin_InstallSampleDatabase"_s, u"Install Sample Database"_s, &frmSteward::InstallSample);
    mnuAdmin_InstallBlankDatabase =
        AddItem(u"mnuAdmin_InstallBlankDatabase"_s, u"&Install Blank Database"_s, &frmSteward::InstallBlank);
    mnuAdmin->addSeparator()->setObjectName(u"mnuAdmin_Bar2"_s);
    mnuAdmin_Help = BindHelpKey(this, 200);
    mnuAdmin_Help->setText(u"&Help"_s);
    mnuAdmin_Help->setObjectName(u"mnuAdmin_Help"_s);
    mnuAdmin->addAction(mnuAdmin_Help);
    mnuAdmin_About = AddItem(u"mnuAdmin_About"_s, u"&About...."_s, &frmSteward::About);
    mnuAdmin->addSeparator()->setObjectName(u"mnuAdmin_Bar3"_s);
    mnuAdmin_exit = AddItem(u"mnuAdmin_exit"_s, u"E&xit"_s, nullptr);
    connect(mnuAdmin_exit, &QAction::triggered, this, &QWidget::close);

    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(LevyEmblem(200));
    Image1->setStyleSheet(u"background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f4ff, stop:1 #c8c8e8);"_s);
    lblDatabaseInUse = new QLabel(this);
    lblDatabaseInUse->setObjectName(u"lblDatabaseInUse"_s);
    lblDatabaseInUse->setContentsMargins(6, 3, 6, 3);
    auto* area = new QWidget(this);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(lblDatabaseInUse);
    layout->addWidget(Image1, 1);
    setCentralWidget(area);
    barBottomStatusBar = new StatusBar(this, u"barBottomStatusBar"_s);
    setStatusBar(barBottomStatusBar);

    // The client area is the design; the bars come on top of it.
    const QSize client(Twips(8670), Twips(5580));
    SetDesignSize(this, {client.width(), client.height() + menuBar()->sizeHint().height()});
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QAction* frmSteward::AddItem(const QString& name, const QString& caption, void (frmSteward::*handler)())
{
    QAction* action = mnuAdmin->addAction(caption);
    action->setObjectName(name);
    // Every command may have changed the database in use, or the file behind it.
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] {
            Guarded([this, handler] { (this->*handler)(); });
            Guarded([this] { ShowDatabaseInUse(); });
        });
    return action;
}

void frmSteward::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Not every platform reports activation; the first showing counts as one.
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void frmSteward::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmSteward::Form_Activate()
{
    if (!blnFirstActivation)
        return;
    blnFirstActivation = false;
    GuardedStartUp([this] { LogInSequence(); });
}

// Any error on the way is shown and ends the program (GuardedStartUp).
void frmSteward::LogInSequence()
{
    SetHelpDialog(dlgAdmin);
    frmSystem_LogIn login(this);
    login.txtUserName->setText(u"Admin"_s);
    login.txtUserName->setReadOnly(true);
    CentreOverWhenShown(&login, this);
    ShowModal(login);
    if (!NamesMatch(CurrentUserName, u"admin"_s)) {
        MsgBox(u"You must log in as Admin to use the the stewardry"_s, Icon::Critical);
        EndProgram();
    }
    barBottomStatusBar->SetSessionText(u"Logged in as "_s + CurrentUserName);
    ShowDatabaseInUse();
}

void frmSteward::ShowDatabaseInUse() { levy::ShowDatabaseInUse(*lblDatabaseInUse); }

void frmSteward::ManageUserAccounts()
{
    // A window that could not open the database has said why and does not appear.
    try {
        frmSteward_UserAccounts window(this);
        ShowModal(window);
    } catch (const RuntimeError&) {
    }
}

void frmSteward::ChangeAdminPassword()
{
    frmSystem_ChangePassword dialog(this);
    ShowModal(dialog);
}

void frmSteward::RepairOptimise() { RepairOptimiseDatabase(); }

void frmSteward::ResetPath() { ResetDatabasePath(*dlgAdmin); }

void frmSteward::InstallSample()
{
    frmSteward_InstallSampleDB dialog(this);
    BindHelpKey(&dialog, dialog.cmdHelp);
    ShowModal(dialog);
}

void frmSteward::InstallBlank()
{
    frmSteward_DBInitialisation dialog(this);
    BindHelpKey(&dialog, dialog.cmdHelp);
    ShowModal(dialog);
}

void frmSteward::Help() { mnuAdmin_Help->trigger(); }

void frmSteward::About()
{
    frmSystem_AboutBox dialog(this);
    ShowModal(dialog);
}

} // namespace levy
