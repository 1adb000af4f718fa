#include "DBEngine.h"

#include "EngineErrors.h"
#include "Sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using levy::engine::QuoteName;
using levy::engine::RaiseEngine;
using levy::engine::Statement;

namespace levy {

QByteArray PasswordFromConnect(const QString& connect)
{
    for (const QString& part : connect.split(u';')) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq > 0 && part.left(eq).trimmed().compare(u"pwd"_s, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).toUtf8();
    }
    return {};
}

std::shared_ptr<Database> Workspace::CreateDatabase(const QString& path, const QString& connect, int)
{
    // A password always encrypts the file; the locale's "General" order is the file's
    // case-insensitive text order, whatever the connect text says.
    return Database::Create(path, PasswordFromConnect(connect));
}

std::shared_ptr<Database> Workspace::OpenDatabase(const QString& path, bool exclusive, bool readOnly,
                                                  const QString& connect)
{
    return Database::Open(path, exclusive, readOnly, PasswordFromConnect(connect));
}

DBEngine& DBEngine::Instance()
{
    static DBEngine engine;
    return engine;
}

Workspace& DBEngine::Workspaces(int index)
{
    if (index != 0)
        RaiseEngine(3265, u"Item not found in this collection: there is only workspace 0."_s);
    return workspace_;
}

namespace {
QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// Row counts of every table, to compare a copy with its source.
QList<QPair<QString, int64_t>> Census(const std::shared_ptr<engine::Connection>& c)
{
    QList<QPair<QString, int64_t>> out;
    QStringList names;
    {
        Statement s(c, u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s);
        while (s.Step())
            names.append(s.ColumnText(0));
    }
    for (const QString& n : names) {
        Statement s(c, u"SELECT count(*) FROM %1"_s.arg(QuoteName(n)));
        s.Step();
        out.append({n, s.ColumnInteger(0)});
    }
    return out;
}

bool LooksPlain(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.read(16) == QByteArray("SQLite format 3\0", 16);
}
} // namespace

void DBEngine::CompactDatabase(const QString& source, const QString& destination, const QString&, int,
                               const QString& password)
{
    if (QFileInfo::exists(destination))
        RaiseEngine(engine::errAlreadyExists, u"The file \"%1\" already exists."_s.arg(Native(destination)));
    const QByteArray key = PasswordFromConnect(password);
    auto src = Database::Open(source, true, false, key);
    bool attached = false;
    bool created = false;
    try {
        // The copy is made as a new, empty file first, so that no existing file is
        // ever written over.
        const int fd = ::open(QFile::encodeName(destination).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            RaiseEngine(engine::errCantCreate, u"The compacted copy \"%1\" could not be created: %2."_s.arg(
                                                   Native(destination), QString::fromLocal8Bit(std::strerror(errno))));
        ::close(fd);
        created = true;
        auto c = src->MainConnection();
        {
            Statement attach(c, u"ATTACH DATABASE ? AS compacted KEY ?"_s);
            attach.Bind(1, destination);
            attach.Bind(2, QString::fromUtf8(key));
            attach.Step();
            attached = true;
        }
        {
            Statement exportAll(c, u"SELECT sqlcipher_export('compacted')"_s);
            exportAll.Step();
        }
        c->Execute(u"DETACH DATABASE compacted"_s);
        attached = false;
        const auto expected = Census(c);
        if (!key.isEmpty() && LooksPlain(destination))
            RaiseEngine(engine::errIo, u"The compacted copy \"%1\" was not encrypted; it has been removed."_s.arg(
                                           Native(destination)));
        auto copy = Database::Open(destination, true, false, key);
        {
            Statement check(copy->MainConnection(), u"PRAGMA integrity_check"_s);
            check.Step();
            if (check.ColumnText(0) != u"ok"_s)
                RaiseEngine(engine::errDamaged, u"The compacted copy failed its check: %1."_s.arg(check.ColumnText(0)));
        }
        if (Census(copy->MainConnection()) != expected)
            RaiseEngine(engine::errDamaged, u"The compacted copy does not hold every row of the database."_s);
        copy->Close();
        src->Close();
    } catch (const RuntimeError& error) {
        if (attached && src->IsOpen())
            sqlite3_exec(src->MainConnection()->Handle(), "DETACH DATABASE compacted", nullptr, nullptr, nullptr);
        src->Close();
        if (created)
            QFile::remove(destination);
        throw;
    }
}

} // namespace levy
