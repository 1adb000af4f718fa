#pragma once

#include "DatabaseInstallForm.h"

#include <functional>

namespace levy {

// Copies the delivered sample database to a chosen place and makes it the system's.
class frmSteward_InstallSampleDB : public DatabaseInstallForm {
    Q_OBJECT
public:
    explicit frmSteward_InstallSampleDB(QWidget* owner);

    void cmdCreateDatabase_Click() override;

    // Test seam: before each system call that puts the copy in place ("rename", "link",
    // "open"), `fault` may return an error number for the call to report instead of its
    // own; 0 lets it report its own. An empty function ends the seam.
    static void SetPlacementFaultForTests(std::function<int(const char* call)> fault);
};

} // namespace levy
