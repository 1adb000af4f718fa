#include "QueryValidation.h"

#include "OffThreadWork.h"
#include "levy/DatabaseAccess.h"
#include "platform/AppInfo.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"

#include <QApplication>
#include <QProgressDialog>

#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace levy {

std::shared_ptr<Recordset> rsDirectQuery;

namespace {
bool checking = false;
constexpr int progressDelayMs = 500;

// The engine's work runs off the window's thread, and after a moment shows progress
// with a Cancel that stops the engine. Raises what the work raises; true when the user
// cancelled.
bool CheckOffTheWindowsThread(const std::function<void()>& work)
{
    QProgressDialog progress(u"Checking the statement..."_s, u"Cancel"_s, 0, 0, QApplication::activeWindow());
    progress.setObjectName(u"dlgCheckingStatement"_s);
    progress.setWindowTitle(AppInfo::Title());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(progressDelayMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    bool cancelled = false;
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] { cancelled = true; });
    std::exception_ptr failure;
    try {
        WaitOffTheWindowsThread(work, [&] { return cancelled; });
    } catch (...) {
        failure = std::current_exception();
    }
    // (Closing the dialog would count as its Cancel.)
    progress.disconnect();
    if (cancelled)
        return true;
    if (failure)
        std::rethrow_exception(failure);
    return false;
}
} // namespace

bool IsSelectTypeQuery(QueryDef& query) { return IsRunnableQueryType(query.Type()); }

bool ValidationRunning() { return checking; }

bool ValidateQuery(const QString& statement, QString* refusal, const std::function<QString(const QString&)>& placed)
{
    auto refuse = [refusal, &placed](const QString& text) {
        if (refusal)
            *refusal = text;
        MsgBox(placed ? placed(text) : text, Icon::Exclamation, u"Compiling Error"_s);
        return false;
    };
    checking = true;
    struct Done {
        ~Done() { checking = false; }
    } done;
    try {
        // The previous result is replaced; let it go first, so that it holds nothing.
        if (rsDirectQuery)
            rsDirectQuery->Close();
        rsDirectQuery.reset();
        bool selectType = false;
        const bool cancelled = CheckOffTheWindowsThread([&] {
            qryDirectSQL->SetSQL(statement);
            // Compiled and opened, but nothing reads this recordset: running it here would
            // make the engine do a sorted statement's work twice, with no way to stop it.
            rsDirectQuery = qryDirectSQL->OpenRecordset(QueryReading::OnDemand);
            selectType = IsSelectTypeQuery(*qryDirectSQL);
        });
        if (cancelled) {
            if (refusal)
                *refusal = u"The check of the statement was stopped."_s;
            return false;
        }
        if (selectType)
            return true;
        return refuse(u"You can only execute select queries."_s);
    } catch (const RuntimeError& error) {
        return refuse(error.description);
    }
}

} // namespace levy
