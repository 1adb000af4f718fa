#include "LevyDatabaseCheck.h"

#include "DatabaseAccess.h"
#include "database/DBEngine.h"
#include "engine/EngineErrors.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QStringList levyTables = {
    u"Students"_s,           u"Deregistered Students"_s, u"Classes"_s,
    u"Registered Fees"_s,    u"Fees Templates"_s,        u"Levy Account Debits"_s,
    u"Levy Account Credits"_s, u"Caution Fee Account Debits"_s, u"Caution Fee Account Credits"_s,
    u"Users"_s,
};

bool LooksEnciphered(const QString& path, FileIdentity& examined)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    examined = IdentityOfDescriptor(file.handle());
    const qint64 size = file.size();
    return size >= 1024 && size % 1024 == 0 && file.read(16) != QByteArray("SQLite format 3\0", 16);
}

// By the file, not by its name: a name the held one shares through a link, or a name
// now standing for another file, is no reason to pass a file unopened.
bool HeldOpenHere(const QString& path)
{
    return levyDatabase && levyDatabase->IsOpen() && levyDatabase->HeldFile() == IdentityLeadTo(path);
}
} // namespace

QString WhyNotALevyDatabase(const QString& path, FileIdentity* examined)
{
    FileIdentity ignored;
    FileIdentity& file = examined ? *examined : ignored;
    file = {};
    if (HeldOpenHere(path)) {
        file = levyDatabase->HeldFile();
        return {};
    }
    const QString shown = QDir::toNativeSeparators(path);
    QStringList tables;
    try {
        auto db = DBEngine::Instance().Workspaces(0).OpenDatabase(path, false, true, levyPasswordConnect);
        file = db->HeldFile();
        tables = db->TableNames();
        db->Close();
    } catch (const RuntimeError& error) {
        if (error.number == engine::errHeldExclusively || error.number == engine::errInUse)
            return LooksEnciphered(path, file) ? QString()
                                         : u"\"%1\" is held by another program, and it does not look like a levy "
                                           u"database."_s.arg(shown);
        if (error.number == engine::errNotDatabase)
            return u"\"%1\" is not a levy database: it could not be opened with the levy system's key."_s.arg(shown);
        return u"\"%1\" could not be checked: %2"_s.arg(shown, error.description);
    }
    for (const QString& table : levyTables)
        if (!tables.contains(table, Qt::CaseInsensitive))
            return u"\"%1\" is a database, but it has no table \"%2\": it is not a levy database."_s.arg(shown, table);
    return {};
}

QString StoredDatabasePath()
{
    const QString path = GetSetting(settingsApplication, settingsSection, settingsDBPath);
    return path == dbPathNotSet ? QString() : path;
}

DatabaseInUse CurrentDatabase()
{
    DatabaseInUse current;
    current.path = StoredDatabasePath();
    if (current.path.isEmpty())
        return current;
    if (!QFileInfo(current.path).isFile()) {
        current.state = DatabaseInUse::Missing;
        current.why = u"\"%1\" does not exist."_s.arg(QDir::toNativeSeparators(current.path));
        return current;
    }
    current.why = WhyNotALevyDatabase(current.path);
    current.state = current.why.isEmpty() ? DatabaseInUse::Usable : DatabaseInUse::NotALevyDatabase;
    return current;
}

} // namespace levy
