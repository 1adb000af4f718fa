#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

class QPrinter;
class QWidget;

namespace levy {

class CommonDialog;
class ResultRows;

// The records a printout holds: `count` records from `first` (0 is the first shown),
// or all from `first` to the end when count is negative.
struct PrintedRecords {
    int64_t first = 0;
    int64_t count = -1;
};

// What every printed sheet says at its top: the window's title, the statement, and the
// database, user and time of the run, so that a sheet handed on says what it answers.
struct PrintHeading {
    QString title;
    QString statement;
    QString details;
};

// The heading of a result the signed-in user ran at `ran` on the open levy database; a
// statement saved in a file is named by the file.
PrintHeading RunHeading(const QString& title, const QDateTime& ran, const QString& statementFile = {});

// The number of sheets the records fill on this printer. Raises what the engine raises.
int PrintedPageCount(ResultRows& rows, QPrinter& printer, PrintedRecords records);

// Prints the records as a table with the heading and the column headings at the top of
// every sheet and "Page N of M" at its foot. Columns that do not fit beside one another
// even at the smallest type go to the following sheets of the same records, each with the
// record numbers. Raises what the engine raises, and a
// RuntimeError when the printer cannot be started.
void PrintResultRows(ResultRows& rows, QPrinter& printer, PrintedRecords records, const PrintHeading& heading);

// Print and Print Page: asks for the printer in `dialog`, asks again before a printout of
// more than a few dozen sheets, and prints. Reports its own failures; a cancelled dialog
// ends it quietly.
void AskAndPrint(CommonDialog& dialog, ResultRows& rows, PrintedRecords records, const PrintHeading& heading);

// Print Preview of every sheet; of the records `onScreen` alone when the result fills too
// many sheets to draw them all at once.
void PreviewPrintout(QWidget* owner, ResultRows& rows, PrintedRecords onScreen, const PrintHeading& heading);

} // namespace levy
