#include "frmSystem_AboutBox.h"

#include "platform/AppInfo.h"
#include "platform/MessageBox.h"
#include "widgets/Contrast.h"
#include "widgets/Emblem.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"
#include "widgets/Twips.h"

#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
// The first of the faces that is installed, or the style hint's choice when none is.
QFont FontOf(const QStringList& faces, QFont::StyleHint hint, qreal points, bool bold, bool italic)
{
    QFont font;
    font.setStyleHint(hint);
    for (const QString& face : faces) {
        if (QFontDatabase::hasFamily(face)) {
            font.setFamily(face);
            break;
        }
    }
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QFont ChanceryFont()
{
    return FontOf({u"Monotype Corsiva"_s, u"URW Chancery L"_s, u"Z003"_s, u"TeX Gyre Chorus"_s}, QFont::Cursive,
                  15.75, false, true);
}

QFont NoticeFont()
{
    return FontOf({u"MS Sans Serif"_s, u"Microsoft Sans Serif"_s, u"Liberation Sans"_s, u"Arial"_s,
                   u"Nimbus Sans"_s, u"DejaVu Sans"_s},
                  QFont::SansSerif, 8.25, true, false);
}

// The box's own colour, lighter or darker where the desktop's background would swallow it.
void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ReadableOn(colour, palette.color(QPalette::Window)));
    widget->setPalette(palette);
}

QLabel* MakeLabel(QWidget* owner, const QString& name, const QRect& geometry)
{
    auto* label = new QLabel(owner);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}
} // namespace

frmSystem_AboutBox::frmSystem_AboutBox(QWidget* owner) : QDialog(owner)
{
    SetUpDialog(*this, u"frmSystem_AboutBox"_s, u"About The Ashcombe Levy Office System"_s);
    setFixedSize(Twips(5925), Twips(4365));

    const QPixmap emblem = LevyEmblem(Twips(720));
    setWindowIcon(QIcon(emblem));
    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setPixmap(emblem);
    Image1->setGeometry(TwipsRect(240, 240, 720, 720));

    lblTitle = MakeLabel(this, u"lblTitle"_s, TwipsRect(1200, 180, 4500, 450));
    lblTitle->setText(u"Ashcombe Levy Office System"_s);
    lblTitle->setFont(ChanceryFont());
    SetTextColour(lblTitle, QColor(0, 0, 192));
    lblComponent = MakeLabel(this, u"lblComponent"_s, TwipsRect(1200, 630, 4500, 450));
    lblComponent->setFont(ChanceryFont());
    SetTextColour(lblComponent, QColor(0, 0, 192));
    lblVersion = MakeLabel(this, u"lblVersion"_s, TwipsRect(1200, 1110, 4500, 255));
    lblVersion->setText(u"Release 1.0"_s);
    SetTextColour(lblVersion, QColor(255, 0, 0));

    // Etched: a grey line with a white one beneath it.
    Line1 = new QFrame(this);
    Line1->setObjectName(u"Line1"_s);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setLineWidth(1);
    Line1->setMidLineWidth(0);
    QPalette etched = Line1->palette();
    etched.setColor(QPalette::Dark, QColor(128, 128, 128));
    etched.setColor(QPalette::Light, QColor(255, 255, 255));
    Line1->setPalette(etched);
    Line1->setGeometry(Twips(225), Twips(1500), Twips(5925 - 2 * 225), 2);

    lblDescription = MakeLabel(this, u"lblDescription"_s, TwipsRect(240, 1650, 5445, 990));
    lblDescription->setFont(NoticeFont());
    lblDescription->setWordWrap(true);
    lblDisclaimer = MakeLabel(this, u"lblDisclaimer"_s, TwipsRect(240, 2700, 3840, 1500));
    lblDisclaimer->setFont(NoticeFont());
    lblDisclaimer->setWordWrap(true);

    cmdOK = MakeButton(this, u"cmdOK"_s, u"OK"_s, QString(), EnterKey::Default);
    cmdOK->setGeometry(TwipsRect(4260, 3270, 1425, 375));
    cmdSysInfo = MakeButton(this, u"cmdSysInfo"_s, u"&System Info..."_s, QString(), EnterKey::WhenFocused);
    cmdSysInfo->setGeometry(TwipsRect(4260, 3750, 1425, 375));
    setTabOrder(cmdOK, cmdSysInfo);

    // OK is also the cancel button: QDialog turns Escape into reject().
    connect(cmdOK, &QPushButton::clicked, this, [this] { accept(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { Guarded([this] { StartSysInfo(); }); });

    Form_Load();
}

void frmSystem_AboutBox::Form_Load()
{
    lblDescription->setText(u"Copyright \u00A9 Ashcombe High School Levy Office. All rights reserved.\r\n"_s
                            u"Licensed for use within the Ashcombe High School Levy Office only.\r\n"_s
                            u"Levy Fees Processing System for the 32 Bit Windows Environment"_s);
    lblDisclaimer->setText(u"Disclaimer\r\n"_s
                           u"This software solution and its documentation are provided as is "_s
                           u"and the author will not be held responsible for any liabilities "_s
                           u"arising from their use."_s);
    lblComponent->setText(AppInfo::Title());
}

void frmSystem_AboutBox::showEvent(QShowEvent* event)
{
    // Centred on the screen rather than over the owner.
    if (const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
    cmdOK->setFocus();
}

// This platform has neither the registry entries nor the System Information tool
// that the button would start, so it always ends in the unavailability message.
void frmSystem_AboutBox::StartSysInfo() { MsgBox(u"System Information Is Unavailable At This Time"_s); }

} // namespace levy
