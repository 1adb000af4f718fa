#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace levy {

class ClickableLineEdit;
class CommonDialog;

// Creates a new, empty levy database at a chosen place and makes it the system's.
class frmSteward_DBInitialisation : public QDialog {
    Q_OBJECT
public:
    explicit frmSteward_DBInitialisation(QWidget* owner);

    QLabel* Label1;
    ClickableLineEdit* txtDBLocation;  // typed in, or filled by the location dialog
    QPushButton* cmdBrowse;
    QPushButton* cmdCreateDatabase;
    QPushButton* cmdCancel;
    QPushButton* cmdHelp;
    CommonDialog* dlgPath;

    void txtDBLocation_Click();
    void cmdCreateDatabase_Click();
};

} // namespace levy
