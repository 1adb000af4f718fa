// Renders the programs' windows to PNG files, for looking at them as a user would:
//   levy_snapshots OUTPUT_FOLDER   (run under xvfb-run or with QT_QPA_PLATFORM=offscreen)
#include "SqlEditor.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmDelver.h"
#include "frmSystem_CheckDate.h"
#include "frmSteward.h"
#include "frmSteward_DBInitialisation.h"
#include "frmSteward_InstallSampleDB.h"
#include "platform/AppInfo.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
void Save(QWidget& w, const QString& folder, const QString& name)
{
    w.show();
    QApplication::processEvents();
    w.grab().save(folder + u'/' + name + u".png"_s);
    w.hide();
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"."_s;
    QDir().mkpath(folder);
    AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s);

    frmSystem_LogIn login;
    login.txtUserName->setText(u"Admin"_s);
    login.txtUserName->setReadOnly(true);
    Save(login, folder, u"login"_s);

    frmSteward console;
    console.barBottomStatusBar->SetSessionText(u"Logged in as Admin"_s);
    console.setAttribute(Qt::WA_DontShowOnScreen);
    console.grab().save(folder + u"/steward.png"_s);

    frmSteward_DBInitialisation blank(nullptr);
    blank.txtDBLocation->setText(u"/srv/levy/levy.mdb"_s);
    Save(blank, folder, u"install_blank"_s);

    frmSteward_InstallSampleDB sample(nullptr);
    Save(sample, folder, u"install_sample"_s);
    AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s);
    frmDelver editor;
    editor.txtSQL->SetText(u"SELECT [Student ID], Surname, [First Names]\r\nFROM Students\r\n"
                           u"WHERE Class = '4A' -- this term\r\nORDER BY Surname"_s);
    editor.barBottomStatusBar->SetSessionText(u"Logged in as Clerk"_s);
    editor.resize(editor.size());
    editor.grab().save(folder + u"/delver.png"_s);

    frmSystem_CheckDate date(nullptr);
    date.tmrTime_Timer();
    Save(date, folder, u"check_date"_s);
    return 0;
}
