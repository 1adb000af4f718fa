#include "frmSystem_CheckDate.h"

#include "platform/EndProgram.h"
#include "platform/MessageBox.h"
#include "widgets/Emblem.h"
#include "widgets/FormControls.h"
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
    setObjectName(u"frmSystem_CheckDate"_s);
    setWindowTitle(u"Confirm Date & Time"_s);
    setWindowFlags(DialogFlags);
    setModal(true);
    auto label = [this](const QString& name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    Label1 = label(u"Label1"_s, u"Date"_s);
    lblDate = label(u"lblDate"_s, QString());
    Label2 = label(u"Label2"_s, u"Time"_s);
    lblTime = label(u"lblTime"_s, QString());
    Label5 = label(u"Label5"_s, u"Are the above Details correct?"_s);
    Image1 = label(u"Image1"_s, QString());
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

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(lblDate, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(lblTime, 1, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addLayout(grid, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdYes);
    buttons->addWidget(cmdNo);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Label5);
    layout->addLayout(buttons);
    setTabOrder(cmdYes, cmdNo);
    setFixedSize(sizeHint());

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
