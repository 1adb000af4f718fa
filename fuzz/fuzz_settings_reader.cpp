// The per-user settings store reading whatever bytes its file holds: reading never
// crashes and never changes the file; a file that cannot be read back is reported and
// left as it was; a write to a readable file keeps every other value.

#include "FuzzSupport.h"

#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <optional>

using namespace levy;
using namespace Qt::Literals::StringLiterals;

namespace {
struct Key {
    QString section;
    QString key;
};
// The keys the programs read, and a few an INI file treats specially.
const Key keys[] = {
    {u"System"_s, u"DBPath"_s}, {u"System"_s, u"Security"_s}, {u"General"_s, u"DBPath"_s},
    {u"system"_s, u"dbpath"_s}, {u"%General"_s, u"Key"_s},    {u"A B"_s, u"x y"_s},
};

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// A value as read, or the error's description.
struct Reading {
    std::optional<QString> value;
    QString error;
};

Reading Read(const QString& application, const Key& k)
{
    try {
        return {GetSetting(application, k.section, k.key, u"<default>"_s), {}};
    } catch (const RuntimeError& e) {
        LEVY_REQUIRE(e.number == errEngine, "a settings fault raises the engine's error", e.description);
        return {std::nullopt, e.description};
    }
}

QTemporaryDir* configHome = nullptr;
int iteration = 0;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    configHome = new QTemporaryDir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome->path()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A new store every time: the settings layer caches what it read by file name.
    const QString application = u"Levy Fuzz %1"_s.arg(++iteration);
    const QString path = SettingsFilePath(application);
    LEVY_REQUIRE(path.startsWith(configHome->path()), "the store lies under XDG_CONFIG_HOME", path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        LEVY_REQUIRE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), "seed file written");
    }

    QList<Reading> before;
    QString damage;  // the first read's error, if any
    for (const Key& k : keys) {
        before.append(Read(application, k));
        if (!before.back().value && damage.isEmpty())
            damage = before.back().error;
    }
    LEVY_REQUIRE(FileBytes(path) == bytes, "reading leaves the file as it was");

    bool saved = true;
    QString saveError;
    try {
        SaveSetting(application, u"Probe"_s, u"Written"_s, u"one, two"_s);
    } catch (const RuntimeError& e) {
        saved = false;
        saveError = e.description;
    }
    if (!saved || !damage.isEmpty()) {
        LEVY_REQUIRE(!saved, "a file reported damaged is never written", damage);
        LEVY_REQUIRE(FileBytes(path) == bytes, "a failed write leaves the file as it was", saveError);
    } else {
        const Reading written = Read(application, Key{u"Probe"_s, u"Written"_s});
        LEVY_REQUIRE(written.value == u"one, two"_s, "a written value reads back", written.error);
        for (qsizetype i = 0; i < before.size(); ++i) {
            const Reading after = Read(application, keys[i]);
            LEVY_REQUIRE(after.value == before[i].value, "a write keeps every other value",
                         keys[i].section + u'/' + keys[i].key + u": "_s + before[i].value.value_or(u"(error)"_s) +
                             u" -> "_s + after.value.value_or(after.error));
        }
    }
    QDir(QFileInfo(path).absolutePath()).removeRecursively();
    return 0;
}
