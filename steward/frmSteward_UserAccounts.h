#pragma once

#include <QDialog>

class QAction;
class QListWidget;
class QMenu;
class QMenuBar;

namespace levy {

class Recordset;

// The Users recordset that the user-accounts window holds open; raises an error when
// no such window has opened it.
Recordset& HeldUsers();

// Lists the user accounts and deletes them; opens the create dialog and the rights
// editor. While it is loaded it holds the levy database exclusively, so the dialogs it
// opens work on its rsUsers.
class frmSteward_UserAccounts : public QDialog {
    Q_OBJECT
public:
    explicit frmSteward_UserAccounts(QWidget* owner);
    ~frmSteward_UserAccounts() override;

    QMenuBar* mnuBar;
    QMenu* mnuTools;
    QAction* mnuTools_CreateNewAccount;
    QAction* mnuTools_ChangeUserRights;
    QAction* mnuTools_DeleteAccount;
    QAction* mnuTools_Bar1;
    QAction* mnuTools_Help;
    QAction* mnuTools_Bar2;
    QAction* mnuTools_Close;
    QListWidget* lstUsers;

    // False when opening the database failed: the window then closed at once and is
    // never shown.
    bool Loaded() const { return loaded_; }
    int exec() override;

    void RefreshUserList();
    // Selects the entry of exactly this text, if the list has one.
    void SelectName(const QString& name);
    // The selected entry's text, or an empty text when nothing is selected.
    QString SelectedName() const;

    void CreateNewAccount();
    void ChangeUserRights();
    void DeleteAccount();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void Form_Load();
    void Form_Activate();
    void mnuTools_AboutToShow();
    void ReleaseDatabase();

    bool loaded_ = false;
    bool holdingDatabase_ = false;
};

} // namespace levy
