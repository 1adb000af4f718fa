#pragma once

#include "ExportCells.h"

#include <QList>
#include <QString>
#include <memory>

namespace levy {

// Text: the office's code page; SpreadsheetText: UTF-8 for spreadsheets.
enum class ExportFormat { Text, SpreadsheetText, Workbook };

// What a workbook says of itself: the name of its worksheet and its title ("Result" and
// "SQL Result" when empty), its author and, in its comments, the statement.
struct ExportDescription {
    QString name;
    QString author;
    QString statement;
};

// One export of a whole result, whatever its format: the header (grid row 0), then one
// record per grid row that holds a record, then Commit, which alone puts the file in
// place of the chosen one. Every failure raises a RuntimeError; destroyed without
// Commit, it leaves the chosen file exactly as it was and no temporary file.
class ResultExportFile {
public:
    virtual ~ResultExportFile() = default;
    virtual void WriteHeader(const QList<QString>& names) = 0;
    virtual void WriteRecord(const QList<ExportCell>& cells) = 0;
    virtual void Commit() = 0;
};

// Opens the export file of a format; an unusable target is refused here, before any work.
std::unique_ptr<ResultExportFile> OpenExportFile(ExportFormat format, const QString& path,
                                                 const ExportDescription& description = {});

} // namespace levy
