#include "ResultCountWatcher.h"

#include "database/QueryRecordset.h"
#include "frmDelverResults.h"
#include "platform/RuntimeError.h"

#include <QApplication>
#include <QEvent>

namespace levy {

ResultCountWatcher::ResultCountWatcher(qint64* records, QString* failure, qint64* pageOneMs, qint64* countMs)
    : records_(records), failure_(failure), pageOneMs_(pageOneMs), countMs_(countMs)
{
    qApp->installEventFilter(this);
}

ResultCountWatcher::~ResultCountWatcher() { qApp->removeEventFilter(this); }

bool ResultCountWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && failure_)
        if (auto* results = qobject_cast<frmDelverResults*>(watched); results && !results->Failure().isEmpty())
            *failure_ = results->Failure();
    if (event->type() == QEvent::Hide && pageOneMs_ && countMs_)
        if (auto* results = qobject_cast<frmDelverResults*>(watched); results && results->PageOneMs() >= 0) {
            *pageOneMs_ = results->PageOneMs();
            *countMs_ = results->CountMs();
        }
    if (event->type() == QEvent::Hide)
        if (auto* results = qobject_cast<frmDelverResults*>(watched); results && results->rsResults) {
            // Known only when the whole result was read; never asked while the window
            // still counts it on another thread.
            const auto* query = dynamic_cast<const QueryRecordset*>(results->rsResults.get());
            if (query && !results->Counting() && query->Complete()) {
                try {
                    *records_ = results->rsResults->RecordCount();
                } catch (const RuntimeError&) {
                }
            }
        }
    return QObject::eventFilter(watched, event);
}

} // namespace levy
