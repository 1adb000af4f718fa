#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace levy {

// Lets the logged-in user replace their own password after proving the current one.
// The change is one write, made only when every check has passed.
class frmSystem_ChangePassword : public QDialog {
    Q_OBJECT
public:
    explicit frmSystem_ChangePassword(QWidget* owner = nullptr);

    QLabel* Label4;
    QLineEdit* txtUserName;
    QLabel* Label3;
    QLineEdit* txtCurrentPassword;
    QLabel* Label1;
    QLineEdit* txtNewPassword;
    QLabel* Label2;
    QLineEdit* txtReEnterPassword;
    QPushButton* cmdSave;
    QPushButton* cmdHelp;
    QPushButton* cmdCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void cmdSave_Click();
};

} // namespace levy
