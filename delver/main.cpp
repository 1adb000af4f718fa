#include "DelverProcess.h"
#include "frmDelver.h"
#include "platform/AppInfo.h"
#include "platform/InstanceLock.h"
#include "widgets/MenuKeys.h"
#include "widgets/QtMessageBackend.h"
#include "widgets/ScreenFit.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Delver"_s);
    levy::AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s);
    levy::DecidePreviousInstance(u"delver"_s);
    levy::PrepareDelverProcess();
    levy::InstallQtMessageBackend();
    levy::KeepWindowsOnScreen();
    levy::OpenMenusFromTheKeyboard();
    levy::frmDelver window;
    window.show();
    return app.exec();
}
