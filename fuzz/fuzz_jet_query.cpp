// A user's statement on its whole way in: the dialect's tokenizer, parser and translator,
// the classifier, and the read-only path that prepares and runs it on a small levy
// database. Whatever the text, nothing crashes; a statement classified as an action is
// never run; a statement that is accepted writes, attaches and re-keys nothing, and never
// reads the stored password.

#include "FuzzSupport.h"

#include "database/DBEngine.h"
#include "values/DaoConstants.h"
#include "levy/DatabaseAccess.h"
#include "levy/DatabaseBuildingRoutines.h"
#include "database/QueryDef.h"
#include "jet/gate/ReadOnlyAuthorizer.h"
#include "jet/syntax/UserStatement.h"
#include "jet/functions/JetFunctionCatalog.h"
#include "jet/syntax/JetParser.h"
#include "jet/JetQuery.h"
#include "jet/translation/JetSchema.h"
#include "jet/syntax/JetTokenizer.h"
#include "jet/translation/JetTranslator.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

using namespace levy;
using namespace Qt::Literals::StringLiterals;
using fuzz::Codes;

namespace {
// Stored in "Users"; no accepted statement may ever deliver it.
const QString secret = u"\u00A7Zq7#secret#Wv\u00A7"_s;
// Enough engine steps for any honest query of the small database; an endless one stops.
constexpr int stepBudget = 400;  // in thousands of engine steps
constexpr int rowBudget = 64;

struct World {
    QTemporaryDir dir;
    QString path;
    std::shared_ptr<Database> db;
    std::shared_ptr<engine::Connection> query;
    QByteArray bytes;      // the database file as built
    QStringList entries;   // the folder as built
};
World* world = nullptr;

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Entries() { return QDir(world->dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

void Fill(engine::Connection& c)
{
    c.Execute(u"INSERT INTO \"Students\" VALUES ('S0001', 'Moyo', 'Tariro', 'F', '1A', 'Mrs', 'Moyo', 'T', "
              u"'12 Main Road' || char(13) || char(10) || 'Town', '555-0101'), "
              u"('S0002', 'Banda', 'Chikondi', 'M', '2B', 'Mr', 'Banda', 'J K', 'Box 7', NULL)"_s);
    c.Execute(u"INSERT INTO \"Classes\" VALUES ('1A', 'Mr Phiri', 150.5), ('2B', 'Ms Dube', 0)"_s);
    c.Execute(u"INSERT INTO \"Registered Fees\" VALUES (1, 'Tuition'), (3, 'Sports Levy')"_s);
    c.Execute(u"INSERT INTO \"Levy Account Debits\" VALUES ('2024-01-15 00:00:00', 1180, 1, 'S0001'), "
              u"('2024-01-15 00:00:00', 45.5, 3, 'S0002')"_s);
    c.Execute(u"INSERT INTO \"Levy Account Credits\" VALUES ('2024-02-01 10:30:00', 500.25, 'R-1', 'S0001')"_s);
    c.Execute(u"INSERT INTO \"Users\" VALUES ('Clerk', %1, 'YYYYYYYYYYYYYYYYYYYYYYYYY')"_s.arg(
        engine::QuoteText(secret)));
}

int CountSteps(void* counter) { return ++*static_cast<int*>(counter) > stepBudget; }

// Runs a check on the query connection without its authorizer, then puts it back.
template <class Check>
void Unguarded(Check check)
{
    sqlite3* h = world->query->Handle();
    sqlite3_set_authorizer(h, nullptr, nullptr);
    check(h);
    jet::InstallReadOnlyAuthorizer(h, jet::RegisteredFunctionNames());
}

// The values of one column of a statement's rows, each followed by ";".
QString Column(sqlite3* h, const char* sql, int column)
{
    sqlite3_stmt* s = nullptr;
    QString out;
    if (sqlite3_prepare_v2(h, sql, -1, &s, nullptr) != SQLITE_OK)
        fuzz::Fail(sql, QString::fromUtf8(sqlite3_errmsg(h)));
    while (sqlite3_step(s) == SQLITE_ROW)
        out += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column))) + u';';
    sqlite3_finalize(s);
    return out;
}

void CheckTokens(const jet::UserStatement& statement)
{
    const QString& sql = statement.sql;
    const QList<jet::JetToken>& tokens = statement.tokens;
    LEVY_REQUIRE(!tokens.isEmpty() && tokens.back().kind == jet::JetToken::End, "tokens end with End", Codes(sql));
    qsizetype end = 0;
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        const jet::JetToken& t = tokens[i];
        LEVY_REQUIRE(t.kind != jet::JetToken::End, "one End token only", Codes(sql));
        LEVY_REQUIRE(t.offset >= end && t.length > 0 && t.EndOffset() <= sql.size(), "tokens in order, inside the text",
                     Codes(sql));
        LEVY_REQUIRE(t.text == sql.mid(t.offset, t.length), "a token's text is as written", Codes(sql));
        end = t.EndOffset();
        if (i < 32)
            (void)jet::DescribePlace(sql, t.offset);
    }
    (void)jet::DescribePlace(sql, sql.size());
}

void CheckTranslation(const jet::UserStatement& statement)
{
    const QString& sql = statement.sql;
    jet::Query query;
    try {
        query = jet::ParseJetQuery(statement);
    } catch (const RuntimeError&) {
        return;
    }
    try {
        const jet::ConnectionSchema schema(world->query->Handle());
        const jet::TranslatedQuery translated = jet::TranslateJetQuery(query, sql, schema);
        LEVY_REQUIRE(translated.crosstab || !translated.sql.isEmpty(), "a translation has a statement", Codes(sql));
    } catch (const RuntimeError&) {
    }
}

bool IsAction(int type)
{
    return type == dbQDelete || type == dbQUpdate || type == dbQAppend || type == dbQMakeTable || type == dbQDDL;
}

// Runs an accepted statement for a while and looks at what it delivers.
void RunAccepted(const QString& sql, engine::Statement& statement)
{
    int rows = 0;
    try {
        while (rows < rowBudget && statement.Step()) {
            ++rows;
            for (int c = 0; c < statement.ColumnCount(); ++c) {
                if (statement.ColumnIsNull(c))
                    continue;
                const QString text = statement.ColumnText(c);
                LEVY_REQUIRE(!text.contains(secret), "an accepted statement never reads the stored password",
                             Codes(sql));
            }
        }
    } catch (const RuntimeError&) {
        // Stopped by the budget, or a fault found while running: either way nothing ran
        // that could write.
    }
}

void CheckNothingChanged(const QString& sql)
{
    Unguarded([&](sqlite3* h) {
        LEVY_REQUIRE(sqlite3_total_changes(h) == 0, "an accepted statement changes no row", Codes(sql));
        // The temporary database shows once anything has used it.
        const QString databases = Column(h, "PRAGMA database_list", 1);
        LEVY_REQUIRE(databases == u"main;"_s || databases == u"main;temp;"_s, "an accepted statement attaches nothing",
                     databases + u"\n"_s + Codes(sql));
        LEVY_REQUIRE(Column(h, "SELECT count(*) FROM sqlite_temp_master", 0) == u"0;"_s,
                     "an accepted statement creates nothing, not even temporarily",
                     Column(h, "SELECT type || ' ' || name FROM sqlite_temp_master", 0));
    });
    LEVY_REQUIRE(FileBytes(world->path) == world->bytes, "the database file is untouched", Codes(sql));
    LEVY_REQUIRE(Entries() == world->entries, "no file appears beside the database", Codes(sql));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    world = new World;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(world->dir.path()));
    world->path = world->dir.filePath(u"levy.mdb"_s);
    try {
        world->db =
            DBEngine::Instance().Workspaces(0).CreateDatabase(world->path, levyLocaleConnect + levyPasswordConnect,
                                                               dbEncrypt);
        BuildLevySchema(*world->db);
        qryGeneral.reset();
        qryReport.reset();
        qryDirectSQL.reset();
        Fill(*world->db->MainConnection());
        world->query = world->db->QueryConnection();
    } catch (const RuntimeError& e) {
        fuzz::Fail("building the database", e.description);
    }
    world->bytes = FileBytes(world->path);
    world->entries = Entries();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString sql = fuzz::TextOf(data, size);
    // Read once, as every statement of a user is on its way to the engine.
    const jet::UserStatement statement = jet::ReadUserStatement(sql);
    CheckTokens(statement);
    CheckTranslation(statement);
    const int type = statement.type;

    int steps = 0;
    sqlite3_progress_handler(world->query->Handle(), 1000, CountSteps, &steps);
    // The way every statement of a user is opened: one classified as an action gives an
    // empty recordset and is never prepared.
    if (!IsRunnableQueryType(type)) {
        try {
            const auto recordset = world->db->OpenRecordset(sql, dbOpenSnapshot);
            LEVY_REQUIRE(recordset->FieldCount() == 0 && recordset->IsEOF(), "an action query is never run",
                         Codes(sql));
        } catch (const RuntimeError&) {
        }
    }
    try {
        jet::PreparedJetQuery prepared = jet::PrepareJetQuery(world->query, statement);
        LEVY_REQUIRE(!IsAction(type), "the read-only path refuses what the classifier calls an action",
                     Codes(sql) + u"\n"_s + sql);
        RunAccepted(sql, *prepared.statement);
    } catch (const RuntimeError&) {
    }
    try {
        jet::CompileJetQuery(world->query, statement);
    } catch (const RuntimeError&) {
    }
    sqlite3_progress_handler(world->query->Handle(), 0, nullptr, nullptr);
    CheckNothingChanged(sql);
    return 0;
}
