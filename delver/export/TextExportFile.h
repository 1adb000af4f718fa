#pragma once

#include "ExportTarget.h"
#include "ResultExportFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace levy {

// The generic (comma-separated) export file: Windows-1252 without a byte-order mark,
// carriage return and line feed after every line, "," between the fields. A field holding ",", a double quote, a carriage return or a line feed is put
// in double quotes with its quotes doubled, so that it reads back as one field; a text
// that a spreadsheet would run as a formula (=, +, -, @, a tab or a carriage return
// first, and not a plain number) gets an apostrophe first; every other field is written
// as it is.
//
// How the results window uses it:
//   TextExportFile file(chosenPath);            // refuses an unusable target up front
//   file.WriteHeader(fieldNames);               // grid row 0, columns 1 to the last
//   for each page (LoadPage silent), for each grid row that holds a record:
//       cells[c - 1] = {text, colour} of grid cell (r, c);
//       file.WriteRecord(cells);                // each through ExportedCellText
//   file.Commit();                              // only now is the chosen file replaced
// Every failure raises a RuntimeError (shown under "Aborting"); the object destroyed
// without Commit leaves the chosen file exactly as it was and no temporary file.
//
// A character the code page cannot hold is never replaced: the export is refused with a
// message naming the record and field, and nothing is changed on disk.
//
// For spreadsheets, the same file in UTF-8 with a byte-order mark (RFC 4180): every
// character kept, a multi-line text kept as its lines inside its quotes, whole numbers
// without the blanks that lay them out in the grid.
class TextExportFile : public ResultExportFile {
public:
    enum class Encoding { Windows1252, Utf8ForSpreadsheets };
    explicit TextExportFile(const QString& path, Encoding encoding = Encoding::Windows1252);

    void WriteHeader(const QList<QString>& names) override;
    void WriteRecord(const QList<ExportCell>& cells) override;
    void Commit() override;
    void Discard() noexcept { target_.Discard(); }

    // Records written so far.
    qint64 RecordCount() const { return records_; }

private:
    void AppendField(const QString& text, qsizetype field);
    void AppendAmount(Currency amount, qsizetype field);
    void EndLine();
    void WritePending();

    ExportTarget target_;
    QList<QString> names_;
    QByteArray pending_;  // encoded lines not yet written
    qint64 records_ = 0;
    bool inHeader_ = false;
    bool utf8_ = false;
};

} // namespace levy
