#include "DatabaseBuildingRoutines.h"

#include "DatabaseAccess.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
struct Column {
    const char16_t* name;
    int type;
    int size;
};

void Build(Database& db, const QString& name, std::initializer_list<Column> columns,
           std::initializer_list<std::pair<const char16_t*, const char16_t*>> indexes,
           const QString& zeroLengthField = {})
{
    TableDef table = TableDef(name);
    for (const Column& c : columns) {
        FieldDef f = table.CreateField(QString::fromUtf16(c.name), c.type, c.size);
        if (f.name == zeroLengthField)
            f.allowZeroLength = true;
        table.AppendField(f);
    }
    for (const auto& [indexName, field] : indexes) {
        IndexDef index = table.CreateIndex(QString::fromUtf16(indexName));
        index.AddField(QString::fromUtf16(field));
        table.AppendIndex(index);
    }
    db.AppendTableDef(table);
}
} // namespace

void BuildStudentsTable(Database& db)
{
    Build(db, u"Students"_s,
          {{u"Student ID", dbText, 8},
           {u"Surname", dbText, 20},
           {u"First Names", dbText, 30},
           {u"Sex", dbText, 1},
           {u"Class", dbText, 6},
           {u"Guardian Title", dbText, 6},
           {u"Guardian Surname", dbText, 20},
           {u"Guardian Initials", dbText, 6},
           {u"Guardian Address", dbText, 150},
           {u"Guardian Telephone", dbText, 15}},
          {{u"Student ID Index", u"Student ID"}});
}

void BuildDeregisteredStudentsTable(Database& db)
{
    Build(db, u"Deregistered Students"_s,
          {{u"Student ID", dbText, 8},
           {u"Surname", dbText, 20},
           {u"First Names", dbText, 30},
           {u"Sex", dbText, 1},
           {u"Date Deregistered", dbDate, 0},
           {u"Guardian Title", dbText, 6},
           {u"Guardian Surname", dbText, 20},
           {u"Guardian Initials", dbText, 6},
           {u"Guardian Address", dbText, 150},
           {u"Guardian Telephone", dbText, 15}},
          {{u"Student ID Index", u"Student ID"}});
}

void BuildClassesTable(Database& db)
{
    Build(db, u"Classes"_s,
          {{u"Class", dbText, 6}, {u"Form Teacher", dbText, 50}, {u"Minimum Balance", dbCurrency, 0}},
          {{u"Class Index", u"Class"}});
}

void BuildRegisteredFeesTable(Database& db)
{
    Build(db, u"Registered Fees"_s, {{u"Fee Code", dbInteger, 0}, {u"Fee Name", dbText, 30}},
          {{u"Fee Code Index", u"Fee Code"}, {u"Fee Name Index", u"Fee Name"}});
}

void BuildFeesTemplatesTable(Database& db)
{
    Build(db, u"Fees Templates"_s, {{u"Template Name", dbText, 30}, {u"Template Data", dbMemo, 0}},
          {{u"Template Name Index", u"Template Name"}}, u"Template Data"_s);
}

void BuildLevyAccountDebitsTable(Database& db)
{
    Build(db, u"Levy Account Debits"_s,
          {{u"Transaction Date", dbDate, 0},
           {u"Amount", dbCurrency, 0},
           {u"Fee Code", dbInteger, 0},
           {u"Student ID", dbText, 8}},
          {});
}

void BuildLevyAccountCreditsTable(Database& db)
{
    Build(db, u"Levy Account Credits"_s,
          {{u"Transaction Date", dbDate, 0},
           {u"Amount", dbCurrency, 0},
           {u"Receipt Number", dbText, 15},
           {u"Student ID", dbText, 8}},
          {{u"Receipt Number Index", u"Receipt Number"}});
}

void BuildCautionFeeAccountDebitsTable(Database& db)
{
    Build(db, u"Caution Fee Account Debits"_s,
          {{u"Transaction Date", dbDate, 0},
           {u"Reason", dbText, 30},
           {u"Amount", dbCurrency, 0},
           {u"Reference code", dbText, 15},
           {u"Student ID", dbText, 8}},
          {});
}

void BuildCautionFeeAccountCreditsTable(Database& db)
{
    Build(db, u"Caution Fee Account Credits"_s,
          {{u"Transaction Date", dbDate, 0},
           {u"Amount", dbCurrency, 0},
           {u"Receipt Number", dbText, 15},
           {u"Student ID", dbText, 8}},
          {{u"Receipt Number Index", u"Receipt Number"}});
}

void BuildUsersTable(Database& db)
{
    Build(db, u"Users"_s, {{u"User Name", dbText, 30}, {u"User Password", dbText, 32}, {u"User Rights", dbText, 30}},
          {{u"User Name Index", u"User Name"}});
}

void BuildLevySchema(Database& db)
{
    BuildStudentsTable(db);
    BuildDeregisteredStudentsTable(db);
    BuildClassesTable(db);
    BuildRegisteredFeesTable(db);
    BuildFeesTemplatesTable(db);
    BuildLevyAccountDebitsTable(db);
    BuildLevyAccountCreditsTable(db);
    BuildCautionFeeAccountDebitsTable(db);
    BuildCautionFeeAccountCreditsTable(db);
    BuildUsersTable(db);
    qryGeneral = db.CreateQueryDef(u"General Query Obj"_s);
    qryReport = db.CreateQueryDef(u"Report Query Object"_s);
    qryDirectSQL = db.CreateQueryDef(u"Direct SQL Query Object"_s);
}

void CreateFilledLevyDatabase(const QString& path, const std::function<void(Database&)>& fill)
{
    auto db = DBEngine::Instance().Workspaces(0).CreateDatabase(path, levyLocaleConnect + levyPasswordConnect,
                                                                 dbEncrypt);
    // BuildLevySchema binds the stored queries to the programs' globals, which would keep
    // the file open.
    const auto forgetStoredQueries = [] {
        qryGeneral.reset();
        qryReport.reset();
        qryDirectSQL.reset();
    };
    try {
        BuildLevySchema(*db);
        forgetStoredQueries();
        fill(*db);
        db->Close();
    } catch (...) {
        forgetStoredQueries();
        db->Close();
        throw;
    }
}

bool BuildBlankDatabase(const QString& path)
{
    try {
        levyWorkspace = &DBEngine::Instance().Workspaces(0);
        const QFileInfo existing(path);
        if (existing.exists() && existing.isFile()) {
            MsgBox(u"Unable to create database because it already exits.\r\n"
                   u"To create a new database delete the old one first."_s,
                   Icon::Critical);
            return false;
        }
        levyDatabase = levyWorkspace->CreateDatabase(path, levyLocaleConnect + levyPasswordConnect, dbEncrypt);
        BuildLevySchema(*levyDatabase);
        return true;
    } catch (const RuntimeError& error) {
        MsgBox(error.description, Icon::Exclamation);
        return false;
    }
}

} // namespace levy
