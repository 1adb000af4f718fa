#pragma once

#include <QDialog>

#include <functional>

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
    ClickableLineEdit* txtDBLocation;  // typed in, or filled by the location dialog
    QPushButton* cmdBrowse;
    QPushButton* cmdCreateDatabase;
    QPushButton* cmdHelp;
    QPushButton* cmdCancel;
    CommonDialog* dlgPath;

    void txtDBLocation_Click();
    void cmdCreateDatabase_Click();

    // Test seam: before each system call that puts the copy in place ("rename", "link",
    // "open"), `fault` may return an error number for the call to report instead of its
    // own; 0 lets it report its own. An empty function ends the seam.
    static void SetPlacementFaultForTests(std::function<int(const char* call)> fault);
};

} // namespace levy
