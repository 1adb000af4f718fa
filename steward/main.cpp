#include "frmSteward.h"
#include "database/ResultCache.h"
#include "platform/AppInfo.h"
#include "widgets/MenuKeys.h"
#include "widgets/QtMessageBackend.h"
#include "widgets/ScreenFit.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Stewardry"_s);
    levy::AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s);
    // Copies of the database a killed Delver left are removed by whichever program starts.
    levy::ResultCache::RemoveStaleResults();
    levy::InstallQtMessageBackend();
    levy::KeepWindowsOnScreen();
    levy::OpenMenusFromTheKeyboard();
    levy::frmSteward window;
    window.show();
    return app.exec();
}
