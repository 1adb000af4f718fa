#pragma once

#include "ExportTarget.h"
#include "ResultExportFile.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace levy {

// The workbook export file (Office Open XML), written row by row in constant memory.
//
// How the results window uses it:
//   WorkbookExportFile workbook(chosenPath);     // refuses an unusable target up front
//   workbook.WriteHeader(fieldNames);            // bold, in row 1
//   for each page (LoadPage silent), for each grid row that holds a record:
//       cells[c - 1] = {text, colour} of grid cell (r, c);
//       workbook.WriteRecord(cells);
//   workbook.Commit();                           // only now is the chosen file replaced
// On any RuntimeError: let the object go; the chosen file stays exactly as it was.
//
// Cell values are what a spreadsheet makes of the texts typed in: red and blue cells
// become signed numbers with a format showing negatives red and others blue; integers
// ("42  ") and numbers in plain decimal form become numbers; "dd/mm/yyyy" and
// "dd/mm/yyyy hh:nn" (from 1900 on) become dates shown the same way; everything else
// stays text, also texts that would lose something as numbers ("0012", "1.50", "-0",
// more than 15 digits) and texts that look like formulas. Every cell is aligned to the top.
//
// Multi-line texts (holding a carriage return) are joined with line feeds, and their
// column gets wrapping and width 30 at its first such value. Rows are written in order,
// so cells above that value keep their format without wrapping; they hold single lines.
//
// A worksheet holds 1,048,576 rows: further records continue on further worksheets, each
// starting with the header row again.
//
// Laid out for reading: every column as wide as its widest value and heading (measured
// while the cells are written, within a cap; a wrapping column keeps width 30), the
// heading row frozen and given a filter, the worksheet named after the result ("Result",
// then "Result (2)" and so on), and the description in the document's properties.
class WorkbookExportFile : public ResultExportFile {
public:
    static constexpr int32_t worksheetRows = 1048576;
    static constexpr int32_t cellCharacters = 32767;

    // rowsPerWorksheet (header row included) is smaller only in tests.
    static constexpr double widestColumn = 60;  // characters

    explicit WorkbookExportFile(const QString& path, int32_t rowsPerWorksheet = worksheetRows,
                                const ExportDescription& description = {});
    ~WorkbookExportFile() override;
    WorkbookExportFile(const WorkbookExportFile&) = delete;
    WorkbookExportFile& operator=(const WorkbookExportFile&) = delete;

    void WriteHeader(const QList<QString>& names) override;
    void WriteRecord(const QList<ExportCell>& cells) override;

    // Switches wrapping on for a worksheet column (from 1) and sets its width to 30, once:
    // a column that wraps already is left as it is. WriteRecord calls it for every column
    // that receives a text with line breaks.
    void SetColumnWrapping(int32_t column);

    // Completes the workbook and puts it in place of the chosen file.
    void Commit() override;

    qint64 RecordCount() const { return records_; }
    int WorksheetCount() const { return int(sheets_.size()); }

private:
    void CreateFormats();
    void StartWorksheet();
    void WriteHeaderRow();
    void WriteCell(int32_t column, const ExportCell& cell);
    void WriteText(int32_t column, const QString& text, lxw_format* format);
    void CheckWorksheetData();
    void Measure(int32_t column, double characters);
    void LayOut(size_t sheet);
    void Release() noexcept;

    ExportTarget target_;
    int32_t rowsPerWorksheet_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    std::vector<lxw_worksheet*> sheets_;
    std::vector<int32_t> sheetRows_;         // rows written on each worksheet
    std::vector<std::vector<bool>> sheetWrapped_;  // per worksheet, its wrapping columns
    std::vector<double> widths_;             // per column, the widest value in characters
    QString sheetName_;
    int32_t row_ = 0;  // the next row of the current worksheet, from 0
    qint64 records_ = 0;
    QList<QString> names_;
    std::vector<bool> wrapped_;  // per column of the current worksheet
    // [0] top-aligned, [1] top-aligned and wrapping
    lxw_format* header_ = nullptr;
    lxw_format* plain_[2] = {};
    lxw_format* date_[2] = {};
    lxw_format* dateTime_[2] = {};
    lxw_format* amount_[2] = {};
    std::string utf8_;  // reused for every text
};

} // namespace levy
