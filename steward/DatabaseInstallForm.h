#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QPushButton;

namespace levy {

class ClickableLineEdit;
class CommonDialog;

// The form of the two install dialogs: the database's location, with the location
// dialog behind it, and the buttons that install, show help or cancel.
class DatabaseInstallForm : public QDialog {
    Q_OBJECT
public:
    QLabel* Label1;
    ClickableLineEdit* txtDBLocation;  // typed in, or filled by the location dialog
    QPushButton* cmdBrowse;
    QPushButton* cmdCreateDatabase;
    QPushButton* cmdHelp;
    QPushButton* cmdCancel;
    CommonDialog* dlgPath;

    void txtDBLocation_Click();
    virtual void cmdCreateDatabase_Click() = 0;

protected:
    struct Form {
        QString name;
        QString caption;
        QString helpToolTip;
        int32_t helpContext;
        bool helpBeforeCancel;  // the order of the last two buttons, on screen and for Tab
    };
    DatabaseInstallForm(QWidget* owner, const Form& form);
};

} // namespace levy
