#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace levy {

// Adds one account, with every right denied, to the Users table that the user-accounts
// window holds open.
class frmSteward_UserAccounts_CreateNew : public QDialog {
    Q_OBJECT
public:
    explicit frmSteward_UserAccounts_CreateNew(QWidget* owner);

    QLabel* Label1;
    QLineEdit* txtUserName;
    QLabel* Label2;
    QLineEdit* txtPassword;
    QLabel* Label3;
    QLineEdit* txtReEnterPassword;
    QPushButton* cmdCreate;
    QPushButton* cmdHelp;
    QPushButton* cmdCancel;

    void cmdCreate_Click();
};

} // namespace levy
