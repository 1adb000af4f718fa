#include "frmSystem_StartUp.h"

#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmSystem_CheckDate.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "widgets/Emblem.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace levy {

frmSystem_StartUp::frmSystem_StartUp(QWidget* owner) : QDialog(owner)
{
    setObjectName(u"frmSystem_StartUp"_s);
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setStyleSheet(u"frmSystem_StartUp, QDialog#frmSystem_StartUp { background: #ffffff; border: 2px solid #000080; }"_s);
    lblDescription = new QLabel(u"Ashcombe High School Levy Office"_s, this);
    lblDescription->setObjectName(u"lblDescription"_s);
    QFont chancery(u"Monotype Corsiva"_s, 20);
    chancery.setItalic(true);
    if (!QFontDatabase::families().contains(chancery.family()))
        chancery.setFamilies({u"Monotype Corsiva"_s, u"URW Chancery L"_s, u"Z003"_s, u"Liberation Serif"_s});
    lblDescription->setFont(chancery);
    lblDescription->setStyleSheet(u"color: #0000c0;"_s);
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignCenter);
    Label1 = new QLabel(u"Loading......"_s, this);
    Label1->setObjectName(u"Label1"_s);
    // Dark on the splash's own white, whatever the desktop's colours.
    Label1->setStyleSheet(u"color: #000000;"_s);
    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setPixmap(LevyEmblem(120));
    auto* text = new QVBoxLayout;
    text->addStretch();
    text->addWidget(lblDescription);
    text->addWidget(Label1);
    text->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(Image1);
    layout->addLayout(text, 1);
    setFixedSize(480, 200);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmSystem_StartUp::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void frmSystem_StartUp::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmSystem_StartUp::keyPressEvent(QKeyEvent* event)
{
    // The splash is not a dialog the user can dismiss.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

void frmSystem_StartUp::closeEvent(QCloseEvent* event)
{
    if (!finished_)
        event->ignore();
}

void frmSystem_StartUp::Form_Activate()
{
    if (!blnFirstActivation)
        return;
    blnFirstActivation = false;
    GuardedStartUp([this] { RunStartUp(); });
}

void frmSystem_StartUp::RunStartUp()
{
    const QString product = AppInfo::ProductName();
    const std::function<void()> steps[] = {
        [this, product] { lblDescription->setText(product); },
        [product] {
            if (PrevInstance()) {
                MsgBox(u"Another copy of the "_s + product + u" is already running. Please use that copy instead."_s,
                       Icon::Critical, u"Levy System"_s);
                EndProgram();
            }
        },
        [this] { repaint(); },
        [] { OpenLevyDatabase(); },
        [] { Initialise_recordsets(); },
        [this] {
            frmSystem_LogIn login;
            PlaceAboveWhenShown(&login, this);
            ShowModal(login);
        },
        [this] {
            frmSystem_CheckDate confirm(this);
            ShowModal(confirm);
        },
    };
    for (const auto& step : steps) {
        for (;;) {
            try {
                step();
                break;
            } catch (const RuntimeError& error) {
                // Retry runs the failed step again; Cancel gives up.
                if (MsgBox(error.description, Icon::Exclamation, u"Error"_s, Buttons::RetryCancel) != Answer::Retry)
                    EndProgram();
            }
        }
    }
    finished_ = true;
    accept();
}

} // namespace levy
