#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QMenu;

namespace levy {

class CommonDialog;
class StatusBar;

// The administrator's console: admits only the administrator, then offers the
// console's functions through one menu.
class frmSteward : public QMainWindow {
    Q_OBJECT
public:
    frmSteward();

    CommonDialog* dlgAdmin;
    StatusBar* barBottomStatusBar;
    QLabel* Image1;
    QLabel* lblDatabaseInUse;  // which database the office's programs open
    QMenu* mnuAdmin;
    QAction* mnuAdmin_ManageUserAccounts;
    QAction* mnuAdmin_ChangeAdminPassword;
    QAction* mnAdmin_RepairOptimiseDatabase;
    QAction* mnuAdmin_ResetDatabasePath;
    QAction* mnuAdmin_InstallSampleDatabase;
    QAction* mnuAdmin_InstallBlankDatabase;
    QAction* mnuAdmin_Help;
    QAction* mnuAdmin_About;
    QAction* mnuAdmin_exit;

    bool FirstActivationDone() const { return !blnFirstActivation; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Form_Activate();
    void LogInSequence();
    QAction* AddItem(const QString& name, const QString& caption, void (frmSteward::*handler)());
    void ManageUserAccounts();
    void ChangeAdminPassword();
    void RepairOptimise();
    void ResetPath();
    void InstallSample();
    void InstallBlank();
    void Help();
    void About();
    void ShowDatabaseInUse();

    bool blnFirstActivation = true;
};

} // namespace levy
