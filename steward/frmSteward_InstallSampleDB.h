#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace levy {

class ClickableLineEdit;
class CommonDialog;

// Copies the delivered sample database to a chosen place and makes it the system's.
class frmSteward_InstallSampleDB : public QDialog {
    Q_OBJECT
public:
    explicit frmSteward_InstallSampleDB(QWidget* owner);

    QLabel* Label1;
    ClickableLineEdit* txtDBLocation;
    QPushButton* cmdCreateDatabase;
    QPushButton* cmdHelp;
    QPushButton* cmdCancel;
    CommonDialog* dlgPath;

    void txtDBLocation_Click();
    void cmdCreateDatabase_Click();
};

} // namespace levy
