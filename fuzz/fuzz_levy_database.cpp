// A damaged or foreign file opened as the levy database: the input is a plain SQLite file
// (or anything at all). It is opened as it stands, as a user's wrong or damaged file
// would be, and again enciphered with the levy key, so that a file whose tables, rows and
// stored queries are damaged reaches the code past the key. Each step either works or
// raises the programs' error with a message; nothing crashes or throws anything else.

#include "FuzzSupport.h"

#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

using namespace levy;
using namespace Qt::Literals::StringLiterals;

namespace {
QTemporaryDir* folder = nullptr;

// Runs one step; a RuntimeError must say what went wrong. False when it raised.
template <typename Step>
bool Try(const char* what, Step step)
{
    try {
        step();
        return true;
    } catch (const RuntimeError& e) {
        LEVY_REQUIRE(!e.description.trimmed().isEmpty(), "an error says what went wrong", QString::fromLatin1(what));
        return false;
    }
}

// What the programs do with the database once it is open: the ten tables and the stored
// queries bound, every row of every table read, an account looked up.
void UseAsTheProgramsDo(const QString& path)
{
    if (!Try("open", [&] { levyDatabase = DBEngine::Instance().Workspaces(0).OpenDatabase(path, false, false, levyPasswordConnect); }))
        return;
    if (Try("recordsets", [] { Initialise_recordsets(); })) {
        for (const auto& rs : {rsStudents, rsDeregisteredStudents, rsClasses, rsRegisteredFees, rsFeesTemplates,
                               rsLevyAccountDebits, rsLevyAccountCredits, rsCautionFeeAccountDebits,
                               rsCautionFeeAccountCredits, rsUsers})
            Try("rows", [&] {
                int rows = 0;
                for (rs->MoveFirst(); !rs->IsEOF() && rows < 200; rs->MoveNext(), ++rows)
                    for (int f = 0; f < rs->FieldCount(); ++f)
                        (void)rs->FieldValue(f).ToDisplayText();
            });
        Try("account", [] { (void)GetUserPassword(u"clerk"_s); });
    }
    Try("close", [] { CloseLevyDatabase(); });
}

// The input enciphered with the levy key: false when it is no SQLite file that can be read.
bool Encipher(const QString& plain, const QString& enciphered)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(plain).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    const QByteArray key = levyPasswordConnect.section(u'=', 1).toLatin1();
    const QByteArray sql = "ATTACH '" + QFile::encodeName(enciphered) + "' AS levy KEY '" + key +
                           "'; PRAGMA levy.cipher_compatibility = 3; SELECT sqlcipher_export('levy'); DETACH levy;";
    ok = ok && sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString plain = folder->filePath(u"input.mdb"_s), enciphered = folder->filePath(u"levy.mdb"_s);
    QFile::remove(enciphered);
    {
        QFile file(plain);
        LEVY_REQUIRE(file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size),
                     "input written");
    }
    UseAsTheProgramsDo(plain);
    if (Encipher(plain, enciphered))
        UseAsTheProgramsDo(enciphered);
    for (const QString& name : QDir(folder->path()).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(folder->filePath(name));
    return 0;
}
