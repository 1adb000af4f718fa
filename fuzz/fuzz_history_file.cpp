// The statement history reading whatever its file holds: a file it cannot read as a
// history is set aside beside itself with a message and the history starts empty; one it
// reads keeps its entries through a change and a new reading; nothing crashes.

#include "FuzzSupport.h"

#include "history/QueryHistory.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace levy;
using namespace Qt::Literals::StringLiterals;

namespace {
QTemporaryDir* folder = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = folder->filePath(u"history.json"_s);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        LEVY_REQUIRE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), "history file written");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    QList<HistoryEntry> parsed;
    const bool readable = QueryHistory::Parse(bytes, parsed);

    QueryHistory history(path);
    QString answer;
    try {
        answer = history.Load();
    } catch (const RuntimeError& e) {
        fuzz::Fail("a history file that can be read is read or set aside", e.description);
    }
    if (readable) {
        LEVY_REQUIRE(answer.isEmpty() && history.Entries() == parsed, "a history file is read as it stands", answer);
        QList<HistoryEntry> again;
        LEVY_REQUIRE(QueryHistory::Parse(QueryHistory::Serialize(parsed), again) && again == parsed,
                     "what is read is written back the same");
    } else {
        LEVY_REQUIRE(!answer.trimmed().isEmpty() && history.Entries().isEmpty(), "a damaged history says so and starts empty");
        LEVY_REQUIRE(!QFile::exists(path), "a damaged history is set aside");
    }

    const HistoryEntry added{QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC), u"SELECT 1"_s, 1, {}};
    history.Add(added);
    QueryHistory reread(path);
    LEVY_REQUIRE(reread.Load().isEmpty(), "a written history reads back");
    LEVY_REQUIRE(!reread.Entries().isEmpty() && reread.Entries().first() == added &&
                     reread.Entries().mid(1) == history.Entries().mid(1),
                 "a change keeps the entries before it");
    for (const QString& name : QDir(folder->path()).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(folder->filePath(name));
    return 0;
}
