#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace levy {

// A value typed for one of a statement's parameters, as it was typed.
struct HistoryParameter {
    QString name;
    QString value;
    bool operator==(const HistoryParameter&) const = default;
};

// One statement that ran: when, what it gave, and for a failed one the error it met.
struct HistoryEntry {
    QDateTime ranAt;
    QString statement;
    qint64 records = -1;  // -1 when not known (the result was not read to its end)
    QString error;        // empty when the statement ran
    QList<HistoryParameter> parameters = {};  // the values it was run with, in the order asked
    qint64 pageOneMs = -1;  // how long page 1 took to show; -1 when not known
    qint64 countMs = -1;    // and every record to be counted
    bool Failed() const { return !error.isEmpty(); }
    bool operator==(const HistoryEntry&) const = default;
};

// The statements one user ran, newest first, kept in a file only that user can read.
// The file is replaced whole on every change, so a failed write keeps the one before.
class QueryHistory {
public:
    static constexpr int limit = 500;

    explicit QueryHistory(QString path);

    // The file of a user's history, in the per-user data folder
    // ($XDG_DATA_HOME/AHS Levy System/Delver/).
    static QString PathFor(const QString& userName);

    // Reads the file. One that is damaged or not the user's own (another owner, a link,
    // not a regular file, not a history) is renamed beside itself and the history starts
    // empty; the answer then says so in words for the user, and is empty otherwise.
    // Raises when the file can be neither read nor set aside.
    QString Load();

    const QList<HistoryEntry>& Entries() const { return entries_; }
    const QString& Path() const { return path_; }

    // Both raise when the file cannot be written; the history is then as it was.
    void Add(const HistoryEntry& entry);
    void Clear();

    // The positions in Entries() of the statements that hold `text`, letter case ignored.
    QList<int> Search(const QString& text) const;
    static bool Matches(const HistoryEntry& entry, const QString& text)
    {
        return entry.statement.contains(text, Qt::CaseInsensitive);
    }

    // The file's content for a list of entries, and back; false for anything else.
    static QByteArray Serialize(const QList<HistoryEntry>& entries);
    static bool Parse(const QByteArray& bytes, QList<HistoryEntry>& entries);

private:
    void Write(const QList<HistoryEntry>& entries);

    QString path_;
    QList<HistoryEntry> entries_;
};

} // namespace levy
