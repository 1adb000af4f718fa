#pragma once

#include <QString>

namespace levy {

// The largest SQL text file the editor opens, in bytes.
constexpr qint64 largestSqlFile = 30000;

// The size of an SQL text file; raises when there is no such file.
qint64 SqlFileSize(const QString& path);
// The text of an SQL text file of `size` bytes, single-byte (Windows-1252), or UTF-8 where
// another editor wrote it so (`readAsUtf8` then set); "SELECT" for an empty file. Raises
// when the file cannot be read.
QString ReadSqlText(const QString& path, qint64 size, bool* readAsUtf8 = nullptr);
// What a text's tab says of a file read as UTF-8.
QString ReadAsUtf8Notice(const QString& path);
// Why a file given to the editor some other way than by the open dialog (dropped on it)
// cannot be opened as a text: a folder, unreadable, or holding what no text holds.
// Empty when it can.
QString NotATextFile(const QString& path);

} // namespace levy
