#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace levy {

// The one way into either program. It closes only after a successful log-in; closing
// it any other way ends the program.
class frmSystem_LogIn : public QDialog {
    Q_OBJECT
public:
    explicit frmSystem_LogIn(QWidget* owner = nullptr);

    QLabel* Label1;
    QLineEdit* txtUserName;
    QLabel* Label2;
    QLineEdit* txtPassword;
    QPushButton* cmdLogIn;
    QPushButton* cmdHelp;
    QPushButton* cmdCancel;

    bool LoggedIn() const { return loggedIn; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    void cmdLogIn_Click();
    void Form_Activate();
    bool loggedIn = false;
};

} // namespace levy
