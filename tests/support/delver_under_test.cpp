// Delver as it starts when installed, for the tests that run it as a process: the same
// windows, except that every message box is appended to the file named by
// LEVY_TEST_MESSAGE_LOG (title|icon|text) and answered with its first button (Cancel
// to Retry or Cancel) instead of being shown. The installed program has no such seam.
#include "DelverProcess.h"
#include "frmDelver.h"
#include "platform/AppInfo.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "widgets/QtMessageBackend.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
Answer LogMessage(const QString& file, const MessageRequest& request)
{
    QFile log(file);
    if (log.open(QIODevice::Append | QIODevice::Text)) {
        QTextStream out(&log);
        out << request.title << u'|' << int(request.icon) << u'|' << request.text << u'\n';
    }
    switch (request.buttons) {
    case Buttons::AbortRetryIgnore: return Answer::Abort;
    case Buttons::YesNo:
    case Buttons::YesNoCancel: return Answer::Yes;
    case Buttons::RetryCancel: return Answer::Cancel;
    default: return Answer::OK;
    }
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Delver"_s);
    AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s);
    DecidePreviousInstance(u"delver"_s);
    PrepareDelverProcess();
    InstallQtMessageBackend();
    const QString log = qEnvironmentVariable("LEVY_TEST_MESSAGE_LOG");
    SetMessageBackend({[log](const MessageRequest& r) { return LogMessage(log, r); },
                       [](const QString&, const QString&, const QString&) { return QString(); }});
    frmDelver window;
    window.show();
    return app.exec();
}
