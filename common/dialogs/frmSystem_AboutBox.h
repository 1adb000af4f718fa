#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace levy {

// The About dialog that both programs carry unchanged.
class frmSystem_AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit frmSystem_AboutBox(QWidget* owner = nullptr);

    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblComponent;
    QLabel* lblVersion;
    QFrame* Line1;
    QLabel* lblDescription;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void StartSysInfo();
};

} // namespace levy
