#include "ResultExporting.h"

#include "UserChoices.h"
#include "export/ResultExportFile.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "widgets/CommonDialog.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

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

} // namespace levy
