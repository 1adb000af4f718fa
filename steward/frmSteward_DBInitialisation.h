#pragma once

#include "DatabaseInstallForm.h"

namespace levy {

// Creates a new, empty levy database at a chosen place and makes it the system's.
class frmSteward_DBInitialisation : public DatabaseInstallForm {
    Q_OBJECT
public:
    explicit frmSteward_DBInitialisation(QWidget* owner);

    void cmdCreateDatabase_Click() override;
};

} // namespace levy
