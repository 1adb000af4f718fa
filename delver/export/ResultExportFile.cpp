#include "ResultExportFile.h"

#include "TextExportFile.h"
#include "WorkbookExportFile.h"

namespace levy {

std::unique_ptr<ResultExportFile> OpenExportFile(ExportFormat format, const QString& path,
                                                 const ExportDescription& description)
{
    if (format == ExportFormat::Workbook)
        return std::make_unique<WorkbookExportFile>(path, WorkbookExportFile::worksheetRows, description);
    return std::make_unique<TextExportFile>(path, format == ExportFormat::SpreadsheetText
                                                      ? TextExportFile::Encoding::Utf8ForSpreadsheets
                                                      : TextExportFile::Encoding::Windows1252);
}

} // namespace levy
