#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

namespace levy {

class CommonDialog;
class Recordset;
class ShownResult;
enum class ExportFormat;
struct ExportDescription;

// What names a result that leaves Delver (a file, a sheet, a chart): the statement's file
// name without its folder and extension, or else the first table the statement reads;
// empty when neither is known.
QString ResultName(const QString& statementFile, const QString& statement);

// The first table named after a FROM of the statement, without its brackets; empty when
// the statement reads none.
QString FirstTableOf(const QString& statement);

// The file name a save dialog suggests: the result's name and the date, "Receipts
// 2026-12-09" ("Result 2026-12-09" without a name), with nothing a file name cannot hold
// and no dot, so that the dialog adds the extension of the filter the user picks.
QString SuggestedExportName(const QString& resultName, const QDate& date);

// The save dialog of an export, opened in the folder of the user's last export with a
// suggested name. A text export offers the office's code page first and UTF-8 for
// spreadsheets second; `format` becomes the one chosen. Raises the dialog's cancellation.
QString AskExportFile(CommonDialog& dialog, ExportFormat& format, const QString& resultName);

// Keeps the folder of a finished export as the user's export folder; a failure to keep
// it costs only the convenience and is not reported.
void RememberExportFolder(const QString& exportedFile);

// "Results successfully exported to ...", offering to open the file or its folder with
// the desktop's own program.
void TellExported(const QString& path);

// How an export shows its progress in the window that runs it, and runs: `run` runs the
// writing off the window's thread while the window stays answerable, its Cancel setting
// `stop`; `update` is called on the window's thread.
struct ExportProgress {
    std::function<void()> show;
    std::function<void(int32_t done, int32_t total)> update;
    std::function<void()> hide;
    std::function<void(const std::function<void()>& work)> run;
    const std::atomic<bool>* stop = nullptr;
};

// Export Results: asks for the file, writes the headings and the `records` records of the
// result in the order shown, each amount with its exact value, and says where it went.
// Reports its own failures; nothing of an unfinished export is kept, a stopped one
// included.
void ExportResult(CommonDialog& dialog, ExportFormat format, const ExportDescription& description,
                  const QList<QString>& headings, ShownResult& shown, Recordset& result, int64_t records,
                  const ExportProgress& progress);

} // namespace levy
