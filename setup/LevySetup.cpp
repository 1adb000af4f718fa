#include "LevySetup.h"

#include "levy/DatabaseAccess.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString usage =
    u"Usage: levy-setup [--password-stdin] [--database PATH]\n"
    u"Sets the administrator's password of the levy office programs, and can point them\n"
    u"at an existing levy database.\n"
    u"  --password-stdin  read the password from the first line of standard input\n"
    u"                    instead of asking for it twice\n"
    u"  --database PATH   use the levy database at PATH\n"
    u"  --help            show this text\n"_s;

// Characters outside printable ASCII are stored but can never be matched at log-in.
QString PasswordProblem(const QString& password)
{
    if (password.isEmpty())
        return u"The password must not be empty."_s;
    for (QChar c : password)
        if (c.unicode() < 32 || c.unicode() > 126)
            return u"The password may hold only letters, digits, spaces and the printable signs of a "
                   u"standard keyboard; \"%1\" cannot be used, because the log-in could never match it."_s.arg(c);
    return {};
}

QString DatabaseProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return u"There is no file \"%1\"."_s.arg(path);
    if (!info.isFile())
        return u"\"%1\" is not a file."_s.arg(path);
    try {
        auto db = DBEngine::Instance().Workspaces(0).OpenDatabase(path, false, true, levyPasswordConnect);
        const QStringList tables = db->TableNames();
        for (const QString& t : {u"Students"_s, u"Classes"_s, u"Users"_s, u"Levy Account Debits"_s})
            if (!tables.contains(t))
                return u"\"%1\" is not a levy database: it has no table \"%2\"."_s.arg(path, t);
        db->QueryDefs(u"Direct SQL Query Object"_s);
        db->Close();
    } catch (const RuntimeError& e) {
        return e.description;
    }
    return {};
}
} // namespace

int RunLevySetup(const QStringList& arguments, SetupConsole& console)
{
    bool fromStdin = false;
    QString database;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--help"_s || a == u"-h"_s) {
            console.out << usage;
            return 0;
        }
        if (a == u"--password-stdin"_s) {
            fromStdin = true;
        } else if (a == u"--database"_s && i + 1 < arguments.size()) {
            database = arguments[++i];
        } else {
            console.err << u"levy-setup: unknown or incomplete option \"%1\".\n"_s.arg(a) << usage;
            return 2;
        }
    }

    QString password;
    if (fromStdin) {
        const auto line = console.readLine({}, false);
        if (!line) {
            console.err << u"levy-setup: no password was given on standard input. Nothing was changed.\n"_s;
            return 1;
        }
        password = *line;
    } else {
        const auto first = console.readLine(u"New administrator password: "_s, false);
        const auto second = first ? console.readLine(u"Type it again: "_s, false) : std::nullopt;
        if (!first || !second) {
            console.err << u"levy-setup: the password was not given. Nothing was changed.\n"_s;
            return 1;
        }
        if (*first != *second) {
            console.err << u"levy-setup: the two passwords differ. Nothing was changed.\n"_s;
            return 1;
        }
        password = *first;
    }
    if (const QString problem = PasswordProblem(password); !problem.isEmpty()) {
        console.err << u"levy-setup: "_s << problem << u" Nothing was changed.\n"_s;
        return 1;
    }
    QList<QPair<QString, QString>> values;
    if (!database.isEmpty()) {
        database = QFileInfo(database).absoluteFilePath();
        if (const QString problem = DatabaseProblem(database); !problem.isEmpty()) {
            console.err << u"levy-setup: "_s << problem << u" Nothing was changed.\n"_s;
            return 1;
        }
        values.append({settingsDBPath, database});
    }
    values.append({settingsSecurity, EncryptText(password)});
    try {
        SaveSettings(settingsApplication, settingsSection, values);
    } catch (const RuntimeError& e) {
        console.err << u"levy-setup: "_s << e.description << u" Nothing was changed.\n"_s;
        return 1;
    }
    console.out << u"The administrator's password has been set."_s;
    if (!database.isEmpty())
        console.out << u" The levy database is now \"%1\"."_s.arg(database);
    console.out << u"\n"_s;
    return 0;
}

} // namespace levy
