#pragma once

#include "RightsCommands.h"
#include "levy/UserRights.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace levy {

class frmSteward_UserAccounts;

// Edits the 25 access rights of the account selected in the user-accounts window.
// Nothing is written until Save, which writes the whole rights text once.
class frmSteward_UserAccounts_AccessRights : public QDialog {
    Q_OBJECT
public:
    // Loads the selected account's rights; a database error while loading is raised to
    // the caller. When the account is not found the editor closes at once.
    explicit frmSteward_UserAccounts_AccessRights(frmSteward_UserAccounts* owner);

    QTabWidget* SSTab1;
    // The labels of the tabs "Classes" to "Utilities", in tab order.
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label5;
    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label6;
    QLabel* Label7;
    // The check box of each right, by position from 1 (entry 0 is unused).
    std::array<QCheckBox*, rightsCount + 1> chkRights{};
    QPushButton* cmdCancel;
    QPushButton* cmdHelp;
    QPushButton* cmdSave;
    RightsCommands rightsCommands;

    bool Loaded() const { return loaded_; }
    int exec() override;

    void cmdSave_Click();

private:
    void Form_Load();
    QString AccountName() const;
    static Qt::CheckState RightToCheckValue(const QString& rightsText, int position);
    static QChar CheckValueToRight(Qt::CheckState value);

    frmSteward_UserAccounts* owner_;
    bool loaded_ = false;
};

} // namespace levy
