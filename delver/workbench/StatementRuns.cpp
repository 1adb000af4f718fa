// The editor's running of statements: the one under the cursor, a selection or the whole
// text, the values they ask for, the results window, and the history that keeps each run.

#include "frmDelver.h"

#include "database/QueryDef.h"
#include "history/QueryHistory.h"
#include "levy/DatabaseAccess.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "results/ResultCountWatcher.h"
#include "widgets/Guard.h"
#include "workbench/EditorTab.h"
#include "workbench/EditorTabs.h"
#include "workbench/ErrorPlace.h"
#include "workbench/HistoryPanel.h"
#include "workbench/QueryValidation.h"
#include "workbench/SchemaPanel.h"
#include "workbench/SqlEditor.h"
#include "workbench/StatementFinder.h"
#include "workbench/frmDelverParameters.h"

#include <QDateTime>
#include <QPointer>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace levy {

void frmDelver::ExecuteQuery() { RunStatement(txtSQL->Text()); }

void frmDelver::RunStatementOrSelection()
{
    // The tab that ran, whichever is current by the time the statement has run.
    const QPointer<SqlEditor> editor = txtSQL;
    const QString text = editor->PlainText();
    if (const QString selected = editor->SelectedText(); !selected.isEmpty()) {
        const qsizetype start = editor->textCursor().selectionStart();
        RunStatement(selected, [&](const QString& message) { return PlacesInWholeText(message, text, start); });
        return;
    }
    const StatementSpan span = StatementAt(text, editor->textCursor().position());
    // A text with no statement in it is answered as Execute Query answers it.
    if (span.IsEmpty() || ValidationRunning()) {
        RunStatement(editor->Text());
        return;
    }
    editor->MarkRun(int(span.start), int(span.end));
    RunStatement(editor->TextBetween(int(span.start), int(span.end)),
                 [&](const QString& message) { return PlacesInWholeText(message, text, span.start); });
    if (editor)
        editor->EndRunMark();
}

void frmDelver::RunStatement(const QString& statement, const std::function<QString(const QString&)>& placed)
{
    if (ValidationRunning())
        return;
    // The error is pointed at in the text that ran, whichever is in view by then.
    const QPointer<SqlEditor> ran = txtSQL;
    Guarded([&] {
        // The parameters are asked for first; their values are bound, never written in.
        QList<HistoryParameter> values;
        QList<jet::BoundParameter> bound;
        std::optional<jet::ConnectionSchema> live;
        if (levyDatabase)
            live.emplace(levyDatabase->MainConnection()->Handle());
        if (!AskForParameters(this, statement, dockSchema->Listing(), live ? &*live : nullptr,
                              OfferedValues(statement, recalled_, history_.get()), values, bound))
            return;
        // From now on the values just typed are offered, from the history.
        recalled_ = {};
        qryDirectSQL->SetParameters(bound);
        QString refusal;
        if (!ValidateQuery(statement, &refusal, placed)) {
            Remember(statement, -1, refusal, values);
            PointAtError(ran, placed ? placed(refusal) : refusal);
            return;
        }
        qint64 records = -1, pageOneMs = -1, countMs = -1;
        QString failure;
        if (showResults) {
            ResultCountWatcher watcher(&records, &failure, &pageOneMs, &countMs);
            showResults(this);
        }
        Remember(statement, records, failure, values, pageOneMs, countMs);
        if (!failure.isEmpty())
            PointAtError(ran, placed ? placed(failure) : failure);
    });
}

void frmDelver::PointAtError(SqlEditor* editor, const QString& message)
{
    if (!editor)
        return;
    if (const ErrorSpan span = ErrorSpanIn(message, editor->PlainText()); span.IsFound())
        editor->MarkError(int(span.start), int(span.end));
}

void frmDelver::ShowHistory() { dockHistory->Show(history_ ? history_->Entries() : QList<HistoryEntry>{}); }

void frmDelver::Remember(const QString& statement, qint64 records, const QString& error,
                         const QList<HistoryParameter>& values, qint64 pageOneMs, qint64 countMs)
{
    if (!history_)
        return;
    try {
        history_->Add(
            HistoryEntry{QDateTime::currentDateTime(), statement, records, error, values, pageOneMs, countMs});
    } catch (const RuntimeError& failure) {
        MsgBox(failure.description, Icon::Exclamation, u"History"_s);
    }
    ShowHistory();
}

void frmDelver::RecallFromHistory(const QString& statement, bool replace)
{
    // Run again, it is offered the values it ran with.
    recalled_ = HistoryEntry{{}, statement, -1, {}, dockHistory->ChosenParameters()};
    GuardedCancellable([&] {
        if (!replace) {
            txtSQL->InsertAtCursor(statement);
            return;
        }
        // A recalled statement is a new, unsaved text: it belongs to no file.
        EditorTab* tab = tabQueries->ForNewText();
        tab->Load(statement, {});
        tab->MarkChanged();
        SetCaption({});
        txtSQL->setFocus();
    });
}

void frmDelver::ClearHistory()
{
    if (!history_ || history_->Entries().isEmpty())
        return;
    if (MsgBox(u"Clear the history of the statements you have run?"_s, Icon::Question, u"History"_s,
               Buttons::YesNo) != Answer::Yes)
        return;
    try {
        history_->Clear();
    } catch (const RuntimeError& failure) {
        MsgBox(failure.description, Icon::Exclamation, u"History"_s);
    }
    ShowHistory();
}

} // namespace levy
