#include "platform/AppInfo.h"
#include "widgets/QtMessageBackend.h"

#include <QApplication>
#include <QMainWindow>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    levy::AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s);
    levy::InstallQtMessageBackend();
    QMainWindow window;
    window.setWindowTitle(levy::AppInfo::Title());
    window.show();
    return app.exec();
}
