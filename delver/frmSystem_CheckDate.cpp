#include "frmSystem_CheckDate.h"

#include "platform/EndProgram.h"
#include "platform/MessageBox.h"
#include "widgets/Emblem.h"
#include "widgets/FormControls.h"
#include "widgets/ScreenFit.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {

frmSystem_CheckDate::frmSystem_CheckDate(QWidget* splash) : QDialog(nullptr), splash_(splash)
{
    SetUpDialog(*this, u"frmSystem_CheckDate"_s, u"Confirm Date & Time"_s);
    Label1 = MakeLabel(this, u"Label1"_s, u"Date"_s);
    lblDate = MakeLabel(this, u"lblDate"_s, QString());
    Label2 = MakeLabel(this, u"Label2"_s, u"Time"_s);
    lblTime = MakeLabel(this, u"lblTime"_s, QString());
    Label5 = MakeLabel(this, u"Label5"_s, u"Are the above Details correct?"_s);
    Image1 = MakeLabel(this, u"Image1"_s, QString());
    Image1->setPixmap(LevyEmblem(64));
    QFont big = lblDate->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    lblDate->setFont(big);
    lblTime->setFont(big);
    lblDate->setMinimumWidth(260);
    cmdYes = MakeButton(this, u"cmdYes"_s, u"Yes"_s, QString(), EnterKey::WhenFocused);
    cmdNo = MakeButton(this, u"cmdNo"_s, u"No"_s, QString(), EnterKey::Default);
    tmrTime = new QTimer(this);
    tmrTime->setObjectName(u"tmrTime"_s);
    tmrTime->setInterval(50);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addLayout(LabelledRows({{Label1, lblDate}, {Label2, lblTime}}), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Label5);
    layout->addLayout(ButtonRow({cmdYes, cmdNo}));
    ChainTabOrder({cmdYes, cmdNo});
    SetDesignSize(this, sizeHint());

    connect(tmrTime, &QTimer::timeout, this, &frmSystem_CheckDate::tmrTime_Timer);
    connect(cmdYes, &QPushButton::clicked, this, [this] {
        blnDateConfirmed = true;
        Unload();
    });
    connect(cmdNo, &QPushButton::clicked, this, [this] {
        blnDateConfirmed = false;
        Unload();
    });
    tmrTime->start();
    // It stands above the splash each time it becomes active.
    PlaceAboveWhenShown(this, splash_);
}

void frmSystem_CheckDate::tmrTime_Timer()
{
    const QDateTime now = QDateTime::currentDateTime();
    lblDate->setText(QLocale::system().toString(now.date(), u"dddd d MMMM yyyy"_s));
    lblTime->setText(now.time().toString(u"HH:mm:ss"_s) + u" hrs"_s);
}

void frmSystem_CheckDate::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    cmdYes->setFocus();
}

void frmSystem_CheckDate::reject()
{
    // Escape presses No, the cancel button.
    cmdNo->click();
}

void frmSystem_CheckDate::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!unloaded_) {
        blnDateConfirmed = false;
        Unload();
    }
}

void frmSystem_CheckDate::Unload()
{
    unloaded_ = true;
    tmrTime->stop();
    if (blnDateConfirmed) {
        accept();
        return;
    }
    hide();
    Guarded([] {
        MsgBox(u"Please correct the date and/or time using Windows"_s, Icon::Critical);
        EndProgram();
    });
}

} // namespace levy
