#include "QueryHistory.h"

#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString formatKey = u"levy-delver-history"_s;
constexpr int formatVersion = 1;
// Far above 500 statements of the largest file the editor opens.
constexpr qint64 largestFile = 64 * 1024 * 1024;

QString SystemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

[[noreturn]] void RaiseFile(const QString& what, const QString& path, int code)
{
    Raise(75, u"Delver"_s, u"The query history %1 \"%2\": %3."_s.arg(what, QDir::toNativeSeparators(path),
                                                                     SystemError(code)));
}

// The folder is made for the user alone; one that is not theirs is not used.
void EnsureFolder(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    QDir().mkpath(QFileInfo(folder).path());
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        RaiseFile(u"folder could not be made at"_s, folder, errno);
    struct stat st{};
    if (::lstat(native.constData(), &st) != 0)
        RaiseFile(u"folder could not be read at"_s, folder, errno);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        Raise(75, u"Delver"_s,
              u"The query history folder \"%1\" is not a folder of yours; the history is not kept."_s.arg(
                  QDir::toNativeSeparators(folder)));
}
} // namespace

QueryHistory::QueryHistory(QString path) : path_(std::move(path)) {}

QString QueryHistory::PathFor(const QString& userName)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           u"/AHS Levy System/Delver"_s;
    // Account names are compared without regard to case; the file name keeps any name.
    return folder + u"/history-"_s + QString::fromLatin1(QUrl::toPercentEncoding(userName.toLower())) + u".json"_s;
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
    EnsureFolder(QFileInfo(path_).path());
    const QByteArray native = QFile::encodeName(path_);
    struct stat st{};
    if (::lstat(native.constData(), &st) != 0) {
        if (errno == ENOENT)
            return {};
        RaiseFile(u"file could not be read at"_s, path_, errno);
    }
    if (S_ISLNK(st.st_mode))
        return SetAside(u"it is a link to another file"_s);
    if (!S_ISREG(st.st_mode))
        return SetAside(u"it is not a file"_s);
    if (st.st_uid != ::getuid())
        return SetAside(u"it belongs to another user"_s);
    // Opened without following a link put there since, and checked to be the same file.
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        RaiseFile(u"file could not be read at"_s, path_, errno);
    struct stat opened{};
    QByteArray bytes;
    bool same = ::fstat(fd, &opened) == 0 && opened.st_ino == st.st_ino && opened.st_dev == st.st_dev;
    if (same && opened.st_size <= largestFile) {
        // Others may have been able to read it; from now on they cannot.
        if ((opened.st_mode & 077) != 0)
            ::fchmod(fd, 0600);
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            bytes = file.readAll();
    }
    ::close(fd);
    if (!same)
        return SetAside(u"it was changed while it was read"_s);
    if (opened.st_size > largestFile || !Parse(bytes, entries_)) {
        entries_.clear();
        return SetAside(u"it is damaged or is not a query history"_s);
    }
    return {};
}

QString QueryHistory::SetAside(const QString& reason)
{
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    QString aside = path_ + u".set-aside-"_s + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path_ + u".set-aside-"_s + stamp + u'-' + QString::number(n);
    // rename() moves a link itself, never the file it points to.
    if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(aside).constData()) != 0)
        RaiseFile(u"file could not be set aside at"_s, path_, errno);
    return u"Your query history could not be used: %1. It has been set aside as \"%2\" and a new history has "
           u"been started."_s.arg(reason, QDir::toNativeSeparators(aside));
}

void QueryHistory::Write(const QList<HistoryEntry>& entries)
{
    const QString folder = QFileInfo(path_).path();
    EnsureFolder(folder);
    const QByteArray bytes = Serialize(entries);
    QByteArray temp = QFile::encodeName(folder + u"/.history-XXXXXX"_s);
    const int fd = ::mkstemp(temp.data());  // made with mode 0600
    if (fd < 0)
        RaiseFile(u"could not be written in"_s, folder, errno);
    qint64 done = 0;
    int failure = 0;
    while (done < bytes.size() && failure == 0) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            failure = errno;
        else if (n > 0)
            done += n;
    }
    if (failure == 0 && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temp.constData(), QFile::encodeName(path_).constData()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temp.constData());
        RaiseFile(u"could not be written to"_s, path_, failure);
    }
}

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
