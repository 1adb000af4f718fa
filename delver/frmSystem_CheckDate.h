#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace levy {

// Asks the user to confirm the computer's date and time; anything but Yes ends the
// program.
class frmSystem_CheckDate : public QDialog {
    Q_OBJECT
public:
    // `splash` is the window the dialog places itself above.
    explicit frmSystem_CheckDate(QWidget* splash);

    QLabel* Label1;
    QLabel* lblDate;
    QLabel* Label2;
    QLabel* lblTime;
    QLabel* Label5;
    QPushButton* cmdYes;
    QPushButton* cmdNo;
    QLabel* Image1;
    QTimer* tmrTime;

    void tmrTime_Timer();
    bool DateConfirmed() const { return blnDateConfirmed; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Unload();
    QWidget* splash_;
    bool blnDateConfirmed = false;
    bool unloaded_ = false;
};

} // namespace levy
