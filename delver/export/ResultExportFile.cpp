#include "ResultExportFile.h"

#include "TextExportFile.h"
#include "WorkbookExportFile.h"

namespace levy {

std::unique_ptr<ResultExportFile> OpenExportFile(ExportFormat format, const QString& path)
{
    if (format == ExportFormat::Workbook)
        return std::make_unique<WorkbookExportFile>(path);
    return std::make_unique<TextExportFile>(path);
}

} // namespace levy
