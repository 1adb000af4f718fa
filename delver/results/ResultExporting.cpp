#include "ResultExporting.h"

#include "ResultCellText.h"
#include "ShownResult.h"
#include "UserChoices.h"
#include "database/Recordset.h"
#include "export/GridColours.h"
#include "export/ResultExportFile.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "values/DaoConstants.h"
#include "widgets/BusyPointer.h"
#include "widgets/CommonDialog.h"
#include "widgets/Guard.h"

#include <QDesktopServices>
#include <QObject>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <limits>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString exportTitle = u"Export Results"_s;
const QString exportFolderKey = u"ExportFolder"_s;
const QString textFilter = u"Text Files (*.TXT)|*.txt|UTF-8 text for spreadsheets (*.csv)|*.csv"_s;
const QString workbookFilter = u"Excel Files (*.xlsx)|*.xlsx"_s;

void OpenWithDesktop(const QString& path)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        MsgBox(u"No program of the desktop could open \"%1\"."_s.arg(QDir::toNativeSeparators(path)),
               Icon::Exclamation, exportTitle);
}

// Writes every record of the result, in the order shown. Straight from the result: the
// grid shows amounts to two decimals, and the export keeps the value each holds.
void ExportRecords(ResultExportFile& file, ShownResult& shown, Recordset& result, int64_t records,
                   const std::function<void(int32_t, int32_t)>& progress, const std::atomic<bool>* stop)
{
    const int fields = result.FieldCount();
    QList<int> types(fields);
    for (int f = 0; f < fields; ++f)
        types[f] = result.FieldType(f);
    QList<ExportCell> cells(fields);
    const int32_t total = int32_t(std::min<int64_t>(records, std::numeric_limits<int32_t>::max()));
    for (int64_t row = 0; row < records; ++row) {
        const QList<Value> record = shown.Record(row);
        for (int f = 0; f < fields; ++f) {
            ExportCell& cell = cells[f];
            if (types[f] == dbCurrency && !record[f].IsNull()) {
                // Its value is what is written: the grid's text of it is not needed. One
                // that is no amount is written as the grid shows it.
                try {
                    cell.amount = record[f].AsCurrency();
                    cell.text.clear();
                    cell.colour = cell.amount->tenThousandths < 0 ? gridRed : gridBlue;
                    continue;
                } catch (const RuntimeError&) {
                }
            }
            ResultCellText text = FormatResultCell(record[f], types[f]);
            cell.text = std::move(text.text);
            cell.colour = text.setsColour ? text.colour : gridNormalColour;
            cell.amount.reset();
        }
        file.WriteRecord(cells);
        // Even asking the clock whether to paint the bar shows in a million records.
        if ((row + 1) % 256 == 0 || row + 1 == records) {
            if (stop && *stop)
                Raise(errUserCancelled, exportTitle, u"The export was stopped."_s);
            progress(int32_t(std::min<int64_t>(row + 1, total)), total);
        }
    }
}
} // namespace

QString FirstTableOf(const QString& statement)
{
    // A FROM followed by a subquery names no table: the next FROM may.
    static const QRegularExpression from(
        uR"(\bFROM\s+(?:\[([^\]]+)\]|([A-Za-z_\x{00C0}-\x{024F}][\w\x{00C0}-\x{024F}]*)))"_s,
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = from.match(statement);
    if (!match.hasMatch())
        return {};
    return match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
}

QString ResultName(const QString& statementFile, const QString& statement)
{
    if (!statementFile.isEmpty())
        return QFileInfo(statementFile).completeBaseName();
    return FirstTableOf(statement);
}

QString SuggestedExportName(const QString& resultName, const QDate& date)
{
    QString name = resultName.trimmed().isEmpty() ? u"Result"_s : resultName.trimmed();
    static const QRegularExpression unfit(uR"([\\/:*?"<>|.\x00-\x1F])"_s);
    name.replace(unfit, u"_"_s);
    return name + u' ' + date.toString(u"yyyy-MM-dd"_s);
}

QString AskExportFile(CommonDialog& dialog, ExportFormat& format, const QString& resultName)
{
    const bool text = format != ExportFormat::Workbook;
    dialog.DialogTitle = exportTitle;
    dialog.Filter = text ? textFilter : workbookFilter;
    dialog.FilterIndex = 1;
    dialog.Flags = CommonDialog::cdlOFNOverwritePrompt | CommonDialog::cdlOFNPathMustExist;
    dialog.FileName = SuggestedExportName(resultName, QDate::currentDate());
    const QString folder = UserChoice(exportFolderKey);
    dialog.InitDir = !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
    dialog.CancelError = true;
    dialog.ShowSave();
    if (text)
        format = dialog.FilterIndex == 2 ? ExportFormat::SpreadsheetText : ExportFormat::Text;
    return dialog.FileName;
}

void RememberExportFolder(const QString& exportedFile)
{
    try {
        SaveUserChoice(exportFolderKey, QFileInfo(exportedFile).absolutePath());
    } catch (const RuntimeError&) {
    }
}

void TellExported(const QString& path)
{
    switch (MsgBoxOffering(u"Results successfully exported to "_s + path, Icon::Information, exportTitle,
                           {u"&Open File"_s, u"Open &Folder"_s})) {
    case Answer::Offer1:
        OpenWithDesktop(path);
        break;
    case Answer::Offer2:
        OpenWithDesktop(QFileInfo(path).absolutePath());
        break;
    default:
        break;
    }
}

void ExportResult(CommonDialog& dialog, ExportFormat format, const ExportDescription& description,
                  const QList<QString>& headings, ShownResult& shown, Recordset& result, int64_t records,
                  const ExportProgress& progress)
{
    std::optional<BusyPointer> busy;
    std::unique_ptr<ResultExportFile> file;
    QString path;
    try {
        path = AskExportFile(dialog, format, description.name);
        busy.emplace();
        file = OpenExportFile(format, path, description);
        progress.show();
        file->WriteHeader(headings);
        if (progress.run) {
            // The bar moves on the window's thread; what is still queued when the export
            // has ended is dropped with `bar`.
            QObject bar;
            const auto update = [&bar, &progress](int32_t done, int32_t total) {
                QMetaObject::invokeMethod(&bar, [&progress, done, total] { progress.update(done, total); },
                                          Qt::QueuedConnection);
            };
            progress.run([&] { ExportRecords(*file, shown, result, records, update, progress.stop); });
        } else {
            ExportRecords(*file, shown, result, records, progress.update, progress.stop);
        }
        file->Commit();
        progress.hide();
        busy.reset();
        RememberExportFolder(path);
        TellExported(path);
    } catch (const RuntimeError& error) {
        progress.hide();
        // Nothing of an unfinished export is kept while the user reads why.
        file.reset();
        busy.reset();
        if (progress.stop && *progress.stop && IsCancellation(error))
            MsgBox(u"The export was stopped. Nothing was written to \"%1\"."_s.arg(QDir::toNativeSeparators(path)),
                   Icon::Information, exportTitle);
        else
            TellUnlessCancelled(error, u"Aborting"_s);
    }
}

} // namespace levy
