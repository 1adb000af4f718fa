#include "frmSteward_UserAccounts.h"

#include "levy/DatabaseAccess.h"
#include "frmSteward_UserAccounts_AccessRights.h"
#include "frmSteward_UserAccounts_CreateNew.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "utilities/HelpRoutines.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"
#include "widgets/ListBox.h"
#include "widgets/DialogKeys.h"
#include "widgets/Placement.h"
#include "widgets/ScreenFit.h"
#include "widgets/Twips.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
void ReleaseDatabaseIgnoringErrors()
{
    try {
        CloseLevyDatabase();
    } catch (const RuntimeError&) {
    } catch (const std::exception&) {
    }
}
} // namespace

Recordset& HeldUsers()
{
    if (!rsUsers)
        Raise(91, u"User Accounts"_s, u"Object variable or With block variable not set"_s);
    return *rsUsers;
}

frmSteward_UserAccounts::frmSteward_UserAccounts(QWidget* owner) : QDialog(owner)
{
    SetUpDialog(*this, u"frmSteward_UserAccounts"_s, u"User Accounts"_s);

    mnuBar = new QMenuBar(this);
    mnuBar->setObjectName(u"mnuBar"_s);
    mnuTools = mnuBar->addMenu(u"Tools"_s);
    mnuTools->setObjectName(u"mnuTools"_s);
    auto item = [this](const QString& name, const QString& caption, void (frmSteward_UserAccounts::*handler)()) {
        QAction* action = mnuTools->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        return action;
    };
    auto separator = [this](const QString& name) {
        QAction* bar = mnuTools->addSeparator();
        bar->setObjectName(name);
        return bar;
    };
    mnuTools_CreateNewAccount =
        item(u"mnuTools_CreateNewAccount"_s, u"Create New Account"_s, &frmSteward_UserAccounts::CreateNewAccount);
    mnuTools_ChangeUserRights =
        item(u"mnuTools_ChangeUserRights"_s, u"Change User Rights"_s, &frmSteward_UserAccounts::ChangeUserRights);
    mnuTools_DeleteAccount =
        item(u"mnuTools_DeleteAccount"_s, u"Delete Account"_s, &frmSteward_UserAccounts::DeleteAccount);
    mnuTools_Bar1 = separator(u"mnuTools_Bar1"_s);
    mnuTools_Help = BindHelpKey(this, 300);
    mnuTools_Help->setText(u"Help"_s);
    mnuTools_Help->setObjectName(u"mnuTools_Help"_s);
    mnuTools->addAction(mnuTools_Help);
    mnuTools_Bar2 = separator(u"mnuTools_Bar2"_s);
    mnuTools_Close = mnuTools->addAction(u"Close"_s);
    mnuTools_Close->setObjectName(u"mnuTools_Close"_s);
    connect(mnuTools_Close, &QAction::triggered, this, &QWidget::close);
    connect(mnuTools, &QMenu::aboutToShow, this, [this] { Guarded([this] { mnuTools_AboutToShow(); }); });

    lstUsers = new ListBox(this);
    lstUsers->setObjectName(u"lstUsers"_s);
    lstUsers->setToolTip(u"List of users"_s);
    lstUsers->setAccessibleName(u"List of users"_s);
    lstUsers->viewport()->installEventFilter(this);
    lstUsers->installEventFilter(this);
    lstUsers->setAccessibleDescription(u"Enter changes the chosen account's rights; Delete deletes it"_s);
    // The menu key and a right click offer the Tools menu, as a double click does.
    lstUsers->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstUsers, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QListWidgetItem* current = lstUsers->currentItem();
        const QPoint where = current && !lstUsers->underMouse() ? lstUsers->visualItemRect(current).center() : at;
        mnuTools->popup(lstUsers->viewport()->mapToGlobal(where));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(mnuBar);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(lstUsers);
    SetDesignSize(this, {Twips(5490), Twips(4335) + mnuBar->sizeHint().height()});
    CentreOverWhenShown(this, owner);

    Form_Load();
}

frmSteward_UserAccounts::~frmSteward_UserAccounts() { ReleaseDatabase(); }

void frmSteward_UserAccounts::Form_Load()
{
    try {
        // A database the console still holds (the blank installation leaves its new
        // database open) would make the exclusive open fail against this very program.
        ReleaseDatabaseIgnoringErrors();
        levyWorkspace = &DBEngine::Instance().Workspaces(0);
        holdingDatabase_ = true;
        levyDatabase = levyWorkspace->OpenDatabase(GetDatabasePath(), true, false, levyPasswordConnect);
        rsUsers = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
        loaded_ = true;
    } catch (const RuntimeError& error) {
        MsgBox(error.description, Icon::Exclamation);
        ReleaseDatabase();
    }
}

void frmSteward_UserAccounts::ReleaseDatabase()
{
    if (!holdingDatabase_)
        return;
    holdingDatabase_ = false;
    ReleaseDatabaseIgnoringErrors();
}

int frmSteward_UserAccounts::exec()
{
    if (!loaded_)
        return QDialog::Rejected;
    return QDialog::exec();
}

void frmSteward_UserAccounts::done(int result)
{
    ReleaseDatabase();
    QDialog::done(result);
}

void frmSteward_UserAccounts::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void frmSteward_UserAccounts::Form_Activate() { Guarded([this] { RefreshUserList(); }); }

bool frmSteward_UserAccounts::eventFilter(QObject* watched, QEvent* event)
{
    // Enter changes the chosen account's rights and Delete deletes it (after its
    // question), as the menu's commands do.
    if (watched == lstUsers && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if ((enter || key == Qt::Key_Delete) && !SelectedName().isEmpty()) {
            mnuTools_AboutToShow();
            (enter ? mnuTools_ChangeUserRights : mnuTools_DeleteAccount)->trigger();
            return true;
        }
    }
    if (watched == lstUsers->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        mnuTools->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString frmSteward_UserAccounts::SelectedName() const
{
    const QListWidgetItem* item = lstUsers->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void frmSteward_UserAccounts::RefreshUserList()
{
    const QListWidgetItem* current = lstUsers->currentItem();
    const bool hadSelection = current && current->isSelected();
    const QString remembered = hadSelection ? current->text() : QString();
    lstUsers->clear();
    if (!rsUsers)
        return;
    // Listed in the index's order, so that the list keeps one order whatever ran last.
    rsUsers->SetIndex(u"User Name Index"_s);
    if (rsUsers->RecordCount() > 0) {
        for (rsUsers->MoveFirst(); !rsUsers->IsEOF(); rsUsers->MoveNext())
            lstUsers->addItem(rsUsers->FieldValue(u"User Name"_s).AsText());
    }
    lstUsers->setCurrentRow(-1);
    if (hadSelection)
        SelectName(remembered);
}

void frmSteward_UserAccounts::SelectName(const QString& name)
{
    for (int i = 0; i < lstUsers->count(); ++i)
        if (lstUsers->item(i)->text() == name) {
            lstUsers->setCurrentRow(i);
            return;
        }
}

void frmSteward_UserAccounts::mnuTools_AboutToShow()
{
    const bool selected = lstUsers->currentItem() && lstUsers->currentItem()->isSelected();
    mnuTools_ChangeUserRights->setEnabled(selected);
    mnuTools_DeleteAccount->setEnabled(selected);
}

void frmSteward_UserAccounts::CreateNewAccount()
{
    QString created;
    {
        frmSteward_UserAccounts_CreateNew dialog(this);
        if (ShowModal(dialog) == QDialog::Accepted)
            created = dialog.txtUserName->text();
    }
    Form_Activate();
    if (created.isEmpty())
        return;
    // The next command acts on the account just made, which can do nothing until it
    // is given rights.
    SelectName(created);
    if (MsgBox(u"The account \"%1\" has no access rights yet. Set its rights now?"_s.arg(created), Icon::Question,
               u"Create New User Account"_s, Buttons::YesNo) == Answer::Yes)
        ChangeUserRights();
}

void frmSteward_UserAccounts::ChangeUserRights()
{
    try {
        frmSteward_UserAccounts_AccessRights editor(this);
        ShowModal(editor);
    } catch (const RuntimeError&) {
    }
    Form_Activate();
}

void frmSteward_UserAccounts::DeleteAccount()
{
    Guarded([this] {
        const QString name = SelectedName();
        if (MsgBox(u"Are you sure you want to delete the account for "_s + name, Icon::Question,
                   u"Delete User Account"_s, Buttons::YesNo, DefaultButton::Second) != Answer::Yes)
            return;
        Recordset& users = HeldUsers();
        users.SetIndex(u"User Name Index"_s);
        users.Seek(u"="_s, name);
        if (users.NoMatch()) {
            MsgBox(u"User Acount Not Found"_s, Icon::Critical, u"System Error"_s);
            return;
        }
        users.Delete();
        MsgBox(u"Account successfully deleted."_s, Icon::Information);
    });
    RefreshUserList();
}

} // namespace levy
