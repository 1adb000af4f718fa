// Repeats one operation through the real windows, offscreen, so that a test can kill it
// at any moment or let it run out of disk space.
//
//   fault_worker OPERATION COUNT [TARGET]
//
// OPERATION: compact, accounts (create then delete an account), rights, password (the
// administrator's), export-text, export-workbook (to TARGET), count (a long statement
// run and its count stopped by closing the results window), reset (the database path,
// to TARGET, through the console's menu). SIGTERM ends it as it ends Delver. COUNT 0 repeats until killed. The database is
// the one the settings under $XDG_CONFIG_HOME name.
//
// It prints "ready" once set up, then per round "box|TITLE|ICON|TEXT" for every message
// box shown, "shown|PATH" for the database the console shows in use after a reset, and
// "done N". With $LEVY_FAULT_FILE_LIMIT set, no file may grow beyond that
// many bytes: writes then fail as on a full disk.
#include "FaultOperations.h"

#include "DelverProcess.h"
#include "DatabaseMaintenance.h"
#include "workbench/QueryValidation.h"
#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_ChangePassword.h"
#include "frmDelverResults.h"
#include "frmSteward.h"
#include "frmSteward_UserAccounts.h"
#include "frmSteward_UserAccounts_AccessRights.h"
#include "frmSteward_UserAccounts_CreateNew.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/MessageBox.h"
#include "platform/ProcessGuard.h"
#include "levy/SecurityEnforcement.h"
#include "widgets/CommonDialog.h"
#include "widgets/Guard.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;
using namespace levy::faults;

namespace {
void Say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

void ReportMessages()
{
    static const QStringList icons = {u"none"_s, u"critical"_s, u"question"_s, u"warning"_s, u"information"_s};
    for (const MessageRequest& m : MessageLog::Shown())
        Say(u"box|"_s + m.title + u'|' + icons[int(m.icon)] + u'|' + QString(m.text).replace(u'\n', u' '));
    MessageLog::Clear();
}

void LimitFileSize()
{
    const QByteArray limit = qgetenv("LEVY_FAULT_FILE_LIMIT");
    if (limit.isEmpty())
        return;
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    r.rlim_cur = limit.toULongLong();
    setrlimit(RLIMIT_FSIZE, &r);
}

QListWidgetItem* Find(QListWidget* list, const QString& name)
{
    const auto found = list->findItems(name, Qt::MatchFixedString);
    return found.isEmpty() ? nullptr : found.first();
}

void DeleteAccount(frmSteward_UserAccounts& window, const QString& name)
{
    window.RefreshUserList();
    if (QListWidgetItem* item = Find(window.lstUsers, name)) {
        window.lstUsers->setCurrentItem(item);
        MessageLog::QueueAnswer(Answer::Yes);
        window.DeleteAccount();
    }
}

// One round of the operation; the windows it needs live as long as the worker.
using Round = std::function<void(int round)>;

Round Accounts()
{
    auto window = std::make_shared<frmSteward_UserAccounts>(nullptr);
    if (!window->Loaded())
        return {};
    window->show();
    // A round killed between creating and deleting left the account behind.
    DeleteAccount(*window, createdAccount);
    MessageLog::Clear();
    return [window](int) {
        frmSteward_UserAccounts_CreateNew dialog(window.get());
        dialog.show();
        dialog.txtUserName->setText(createdAccount);
        dialog.txtPassword->setText(createdPassword);
        dialog.txtReEnterPassword->setText(createdPassword);
        dialog.cmdCreate->click();
        DeleteAccount(*window, createdAccount);
    };
}

Round Rights()
{
    auto window = std::make_shared<frmSteward_UserAccounts>(nullptr);
    if (!window->Loaded())
        return {};
    window->show();
    return [window](int round) {
        window->RefreshUserList();
        window->lstUsers->setCurrentItem(Find(window->lstUsers, rightsAccount));
        frmSteward_UserAccounts_AccessRights editor(window.get());
        if (!editor.Loaded())
            return;
        editor.show();
        const QString pattern = RightsPattern(round);
        for (int k = 1; k <= rightsCount; ++k)
            editor.chkRights[k]->setChecked(pattern[k - 1] == u'1');
        editor.cmdSave->click();
    };
}

Round Password()
{
    LogInUser(u"Admin"_s);
    return [](int) {
        // Whichever of the two it is now, change it to the other.
        const QString current = GetUserPassword(u"Admin"_s);
        const QString next = current == adminPasswords[0] ? adminPasswords[1] : adminPasswords[0];
        frmSystem_ChangePassword dialog;
        dialog.show();
        dialog.txtCurrentPassword->setText(current);
        dialog.txtNewPassword->setText(next);
        dialog.txtReEnterPassword->setText(next);
        dialog.cmdSave->click();
    };
}

Round Reset(const QString& target)
{
    auto console = std::make_shared<frmSteward>();
    return [console, target](int) {
        CommonDialog::QueueFileName(target);
        console->mnuAdmin_ResetDatabasePath->trigger();
        Say(u"shown|"_s + console->lblDatabaseInUse->toolTip());
    };
}

Round Export(bool workbook, const QString& target)
{
    OpenLevyDatabase();
    Initialise_recordsets();
    if (!ValidateQuery(exportStatement))
        return {};
    auto window = std::make_shared<frmDelverResults>(nullptr);
    window->show();
    QTest::qWait(0);
    QCoreApplication::processEvents();
    if (!window->isVisible())  // it could not read the result, said why and closed
        return {};
    return [window, workbook, target](int) {
        CommonDialog::QueueFileName(target);
        (workbook ? window->mnuTools_Export_Excel : window->mnuTools_Export_Generic)->trigger();
    };
}
Round Count()
{
    OpenLevyDatabase();
    Initialise_recordsets();
    return [](int) {
        if (!ValidateQuery(countedStatement))
            return;
        frmDelverResults window(nullptr);
        window.show();
        QTest::qWait(150);
        window.close();
    };
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        Say(u"usage: fault_worker OPERATION COUNT [TARGET]"_s);
        return 2;
    }
    const QString operation = args[1];
    const int count = args[2].toInt();
    const bool delver = operation.startsWith(u"export"_s) || operation == u"count"_s;
    if (delver) {
        AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s);
        PrepareDelverProcess();
    }
    else
        AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s);
    MessageLog::Start();
    InterceptEndProgram(true);
    LimitFileSize();

    Round round;
    try {
        // As the programs start: an error that escapes is shown and the program ends.
        GuardedStartUp([&] {
            if (operation == u"compact"_s)
                round = [](int) { RepairOptimiseDatabase(); };
            else if (operation == u"accounts"_s)
                round = Accounts();
            else if (operation == u"rights"_s)
                round = Rights();
            else if (operation == u"password"_s)
                round = Password();
            else if (operation == u"reset"_s && args.size() > 3)
                round = Reset(args[3]);
            else if (operation == u"count"_s)
                round = Count();
            else if (delver && args.size() > 3)
                round = Export(operation == u"export-workbook"_s, args[3]);
        });
    } catch (const ProgramEnded&) {
        // The program said why it cannot go on (a setting it cannot read) and ended.
        ReportMessages();
        Say(u"ended"_s);
        return 0;
    }
    if (!round) {
        ReportMessages();
        Say(u"not ready"_s);
        return 1;
    }
    ReportMessages();
    Say(u"ready"_s);
    for (int i = 1; (count == 0 || i <= count) && !TerminationRequested(); ++i) {
        // As every handler does: an error that escapes becomes a message.
        Guarded([&] { round(i); });
        ReportMessages();
        Say(u"done "_s + QString::number(i));
    }
    return 0;
}
