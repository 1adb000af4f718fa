#pragma once

#include <QDialog>

class QLabel;

namespace levy {

// The splash that runs Delver's start-up: refuses a second copy, opens the levy
// database and its recordsets, has the user log in and confirm the date, then closes.
// Every way out but success ends the program.
class frmSystem_StartUp : public QDialog {
    Q_OBJECT
public:
    explicit frmSystem_StartUp(QWidget* owner = nullptr);

    QLabel* lblDescription;
    QLabel* Label1;
    QLabel* Image1;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Activate();
    void RunStartUp();
    bool blnFirstActivation = true;
    bool finished_ = false;
};

} // namespace levy
