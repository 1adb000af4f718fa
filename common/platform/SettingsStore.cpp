#include "SettingsStore.h"

#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString source = u"Settings"_s;

void CheckStatus(const QSettings& settings, const QString& doing)
{
    switch (settings.status()) {
    case QSettings::NoError: return;
    case QSettings::AccessError:
        Raise(errEngine, source,
              u"The settings file \"%1\" could not be %2: access was refused or the disk is full."_s
                  .arg(QDir::toNativeSeparators(settings.fileName()), doing));
    case QSettings::FormatError:
        Raise(errEngine, source,
              u"The settings file \"%1\" is damaged and could not be %2."_s
                  .arg(QDir::toNativeSeparators(settings.fileName()), doing));
    }
}

QString KeyPath(const QString& section, const QString& key) { return section + u'/' + key; }

// A value as the callers get it: a text holding commas may come back as a list, joined
// back as it was written.
QString StoredText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

// QSettings parses a file once per process and reports a damaged part only to the first
// object that reads it; later objects see the cached remains as a sound file, and a
// write through one of them would replace the damaged file with them. And a read that
// fails half way gives it a shorter file, not an error. So the file is read here, whole
// and checked, into a private copy that nothing has cached, and that copy is parsed.
// Gives nothing when there is no file.
std::unique_ptr<QSettings> ReadSoundCopy(const QString& path, const QTemporaryDir& folder)
{
    QFile file(path);
    if (!file.exists())
        return nullptr;
    const QString shown = QDir::toNativeSeparators(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError)
        Raise(errEngine, source, u"The settings file \"%1\" could not be read: %2."_s.arg(shown, file.errorString()));
    QFile copy(folder.filePath(u"check.ini"_s));
    if (!folder.isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() || !copy.flush())
        Raise(errEngine, source,
              u"The settings file \"%1\" could not be read: no private copy of it could be made (%2)."_s.arg(
                  shown, copy.errorString()));
    copy.close();
    auto settings = std::make_unique<QSettings>(copy.fileName(), QSettings::IniFormat);
    (void)settings->allKeys();
    if (settings->status() == QSettings::FormatError)
        Raise(errEngine, source, u"The settings file \"%1\" is damaged and could not be read."_s.arg(shown));
    return settings;
}

// QSettings writes some entries that it read back in a form it cannot read again (a key
// ending in "/" comes out as "key\=value"), and the whole store would then be unreadable.
// So the change is first made to a private copy, and that copy must read back whole.
void CheckChangeReadsBack(const QString& path, const QString& section, const QList<QPair<QString, QString>>& values)
{
    QTemporaryDir folder;
    const QString trial = folder.filePath(u"trial.ini"_s), reread = folder.filePath(u"reread.ini"_s);
    if (!folder.isValid() || (QFileInfo::exists(path) && !QFile::copy(path, trial)))
        return;  // the real write reports what keeps it from being made
    QMap<QString, QVariant> expected;
    {
        QSettings settings(trial, QSettings::IniFormat);
        for (const auto& [key, value] : values)
            settings.setValue(KeyPath(section, key), value);
        settings.sync();
        if (settings.status() != QSettings::NoError || !QFile::copy(trial, reread))
            return;
        for (const QString& key : settings.allKeys())
            expected.insert(key, settings.value(key));
    }
    QSettings again(reread, QSettings::IniFormat);
    QMap<QString, QVariant> read;
    for (const QString& key : again.allKeys())
        read.insert(key, again.value(key));
    if (again.status() != QSettings::NoError || read != expected)
        Raise(errEngine, source,
              u"The settings file \"%1\" holds an entry that could not be written back, so nothing was changed. "
              u"Remove the odd entry from the file and try again."_s.arg(QDir::toNativeSeparators(path)));
}

// Whether the file holds what `settings` wrote. QSettings misses a write that fails when
// its buffer is flushed and puts the short copy in place of the file as if all went well.
bool WrittenWhole(const QString& path, const QSettings& settings)
{
    const QTemporaryDir folder;
    std::unique_ptr<QSettings> written;
    try {
        written = ReadSoundCopy(path, folder);
    } catch (const RuntimeError&) {
        return false;
    }
    if (!written || written->allKeys() != settings.allKeys())
        return false;
    for (const QString& key : settings.allKeys())
        if (StoredText(written->value(key)) != StoredText(settings.value(key)))
            return false;
    return true;
}

// QSettings writes a copy named "FILE.XXXXXX" and renames it over the file, holding
// "FILE.lock" meanwhile. A writer killed in between leaves its copy behind. Whoever holds
// the lock is the only writer, so any such copy seen under it is abandoned.
void RemoveAbandonedWriteCopies(const QString& path)
{
    QLockFile lock(path + u".lock"_s);
    if (!lock.tryLock(2000))
        return;  // someone else is writing; the next write tidies up
    const QFileInfo info(path);
    const QRegularExpression copyName(
        u"^"_s + QRegularExpression::escape(info.fileName()) + u"\\.[A-Za-z0-9]{6}$"_s);
    const QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (copyName.match(name).hasMatch())
            QFile::remove(folder.filePath(name));
    }
    // Taking over a dead writer's lock, QLockFile holds "FILE.lock.rmlock" meanwhile; killed
    // then, it leaves that behind, and nothing else would ever remove it. A dead holder's
    // is taken over and released, which removes it.
    const QString removalLock = path + u".lock.rmlock"_s;
    if (QFileInfo::exists(removalLock)) {
        QLockFile removal(removalLock);
        if (removal.tryLock(0))
            removal.unlock();
    }
}
} // namespace

namespace {
// The file holds the administrator's settings: made private before its first byte, so
// that the copy QSettings writes and renames over it takes its permissions from the start.
void CreateOwnerOnly(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}
} // namespace

QString SettingsFilePath(const QString& application)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + u'/' + application + u'/' + application + u".ini"_s;
}

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    const QString path = SettingsFilePath(application);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        Raise(errEngine, source,
              u"The settings file \"%1\" is not a file."_s.arg(QDir::toNativeSeparators(path)));
    if (info.exists() && !info.isReadable())
        Raise(errEngine, source,
              u"The settings file \"%1\" could not be read: access was refused."_s.arg(QDir::toNativeSeparators(path)));
    const QTemporaryDir folder;
    const auto settings = ReadSoundCopy(path, folder);
    if (!settings)
        return defaultValue;
    const QVariant value = settings->value(KeyPath(section, key));
    CheckStatus(*settings, u"read"_s);
    if (!value.isValid())
        return defaultValue;
    return StoredText(value);
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value)
{
    SaveSettings(application, section, {{key, value}});
}

void SaveSettings(const QString& application, const QString& section, const QList<QPair<QString, QString>>& values)
{
    const QString path = SettingsFilePath(application);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        Raise(errEngine, source,
              u"The settings folder \"%1\" could not be created."_s
                  .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
    // A damaged file must not be written over.
    const QTemporaryDir folder;
    const auto sound = ReadSoundCopy(path, folder);
    CheckChangeReadsBack(path, section, values);
    RemoveAbandonedWriteCopies(path);
    CreateOwnerOnly(path);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.sync();  // reads the file again if another program changed it since
        CheckStatus(settings, u"read"_s);
        // What it read must be the whole file: written back, a shorter reading would lose
        // the settings it missed.
        if (sound && sound->allKeys() != settings.allKeys())
            Raise(errEngine, source,
                  u"The settings file \"%1\" could not be read whole; nothing was changed."_s.arg(
                      QDir::toNativeSeparators(path)));
        QList<QVariant> previous;
        for (const auto& [key, value] : values) {
            previous.append(settings.value(KeyPath(section, key)));
            settings.setValue(KeyPath(section, key), value);
        }
        // QSettings keeps unwritten values in a cache shared by the whole process: later
        // reads would see them and the next successful write would store them. Putting the
        // stored values back (last first, for a key given twice) makes a failed write
        // change nothing.
        const auto putBack = [&] {
            for (qsizetype i = values.size() - 1; i >= 0; --i) {
                if (previous[i].isValid())
                    settings.setValue(KeyPath(section, values[i].first), previous[i]);
                else
                    settings.remove(KeyPath(section, values[i].first));
            }
        };
        settings.sync();
        if (settings.status() != QSettings::NoError)
            putBack();
        CheckStatus(settings, u"written"_s);
        if (!WrittenWhole(path, settings)) {
            // The file now holds a short copy: write the stored values back over it.
            putBack();
            settings.sync();
            const QString shown = QDir::toNativeSeparators(path);
            if (settings.status() != QSettings::NoError || !WrittenWhole(path, settings))
                Raise(errEngine, source,
                      u"The settings file \"%1\" could not be written: the disk failed while writing it, and it "
                      u"could not be put back as it was. Check the disk, then set the program's settings again."_s
                          .arg(shown));
            Raise(errEngine, source,
                  u"The settings file \"%1\" could not be written: the disk failed while writing it. Nothing "
                  u"was changed."_s.arg(shown));
        }
    }
    // The store holds the administrator's enciphered password: keep it to its owner.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace levy
