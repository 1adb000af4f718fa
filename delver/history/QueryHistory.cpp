#include "QueryHistory.h"

#include "UserDataFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString formatKey = u"levy-delver-history"_s;
constexpr int formatVersion = 1;
// Far above 500 statements of the largest file the editor opens.
constexpr qint64 largestFile = 64 * 1024 * 1024;

UserDataFile FileAt(const QString& path)
{
    return UserDataFile(path, u"query history"_s, largestFile);
}
} // namespace

QueryHistory::QueryHistory(QString path) : path_(std::move(path)) {}

QString QueryHistory::PathFor(const QString& userName)
{
    return UserDataFile::PathFor(u"history-"_s, userName, u".json"_s);
}

QByteArray QueryHistory::Serialize(const QList<HistoryEntry>& entries)
{
    QJsonArray list;
    for (const HistoryEntry& e : entries) {
        QJsonObject o{{u"ran"_s, e.ranAt.toString(Qt::ISODateWithMs)}, {u"sql"_s, e.statement}};
        if (e.records >= 0)
            o.insert(u"records"_s, double(e.records));
        if (e.Failed())
            o.insert(u"error"_s, e.error);
        if (!e.parameters.isEmpty()) {
            QJsonArray parameters;
            for (const HistoryParameter& p : e.parameters)
                parameters.append(QJsonObject{{u"name"_s, p.name}, {u"value"_s, p.value}});
            o.insert(u"parameters"_s, parameters);
        }
        if (e.pageOneMs >= 0)
            o.insert(u"pageOneMs"_s, double(e.pageOneMs));
        if (e.countMs >= 0)
            o.insert(u"countMs"_s, double(e.countMs));
        list.append(o);
    }
    return QJsonDocument(QJsonObject{{formatKey, formatVersion}, {u"entries"_s, list}}).toJson(QJsonDocument::Indented);
}

bool QueryHistory::Parse(const QByteArray& bytes, QList<HistoryEntry>& entries)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject root = document.object();
    if (root.value(formatKey).toInt(-1) != formatVersion || !root.value(u"entries"_s).isArray())
        return false;
    QList<HistoryEntry> read;
    for (const QJsonValue& v : root.value(u"entries"_s).toArray()) {
        const QJsonObject o = v.toObject();
        HistoryEntry e;
        e.ranAt = QDateTime::fromString(o.value(u"ran"_s).toString(), Qt::ISODateWithMs);
        if (!v.isObject() || !o.value(u"sql"_s).isString() || !e.ranAt.isValid())
            return false;
        e.statement = o.value(u"sql"_s).toString();
        // A count no result can have (below zero, not whole, past what a double holds
        // exactly) is taken for one not known.
        const double records = o.value(u"records"_s).toDouble(-1);
        e.records = records >= 0 && records <= 9007199254740992.0 && records == std::floor(records) ? qint64(records) : -1;
        e.error = o.value(u"error"_s).toString();
        // Written by later versions only: a file without them has none.
        for (const QJsonValue& p : o.value(u"parameters"_s).toArray())
            if (p.isObject() && p.toObject().value(u"name"_s).isString())
                e.parameters.append({p.toObject().value(u"name"_s).toString(), p.toObject().value(u"value"_s).toString()});
        // Times came later: a file without them, or with one no run can take, has none.
        for (auto [key, ms] : {std::pair{u"pageOneMs"_s, &e.pageOneMs}, std::pair{u"countMs"_s, &e.countMs}}) {
            const double kept = o.value(key).toDouble(-1);
            *ms = kept >= 0 && kept <= 9007199254740992.0 && kept == std::floor(kept) ? qint64(kept) : -1;
        }
        read.append(e);
        if (read.size() == limit)
            break;
    }
    entries = read;
    return true;
}

QString QueryHistory::Load()
{
    entries_.clear();
    const UserDataFile::SetAside aside = FileAt(path_).Read(
        [this](const QByteArray& bytes) { return Parse(bytes, entries_); }, u"it is damaged or is not a query history"_s);
    if (aside.IsEmpty())
        return {};
    entries_.clear();
    return u"Your query history could not be used: %1. It has been set aside as \"%2\" and a new history has "
           u"been started."_s.arg(aside.reason, aside.path);
}

void QueryHistory::Write(const QList<HistoryEntry>& entries) { FileAt(path_).Write(Serialize(entries)); }

void QueryHistory::Add(const HistoryEntry& entry)
{
    QList<HistoryEntry> entries = entries_;
    entries.prepend(entry);
    if (entries.size() > limit)
        entries.resize(limit);
    Write(entries);
    entries_ = entries;
}

void QueryHistory::Clear()
{
    Write({});
    entries_.clear();
}

QList<int> QueryHistory::Search(const QString& text) const
{
    QList<int> found;
    for (int i = 0; i < entries_.size(); ++i)
        if (Matches(entries_[i], text))
            found.append(i);
    return found;
}

} // namespace levy
