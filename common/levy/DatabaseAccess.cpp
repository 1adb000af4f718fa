#include "DatabaseAccess.h"

#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace levy {

Workspace* levyWorkspace = nullptr;
std::shared_ptr<Database> levyDatabase;
std::shared_ptr<Recordset> rsStudents, rsDeregisteredStudents, rsClasses, rsRegisteredFees, rsFeesTemplates,
    rsLevyAccountDebits, rsLevyAccountCredits, rsCautionFeeAccountDebits, rsCautionFeeAccountCredits, rsUsers;
std::shared_ptr<QueryDef> qryGeneral, qryReport, qryDirectSQL;

QString GetDatabasePath()
{
    try {
        const QString path = GetSetting(settingsApplication, settingsSection, settingsDBPath);
        if (path.isEmpty())
            Raise(errDatabaseLocation, AppInfo::Title(), u"Registry entry corrupt."_s);
        if (path == dbPathNotSet)
            Raise(errDatabaseLocation, AppInfo::Title(), u"Database Path Not Set"_s);
        if (!QFileInfo(path).isFile())
            Raise(errDatabaseLocation, AppInfo::Title(), u"Database cannot be located."_s);
        return path;
    } catch (const RuntimeError& error) {
        MsgBox(error.description + u" Please contact technical support"_s, Icon::Critical, u"Critical System Error"_s);
        EndProgram();
    }
}

QString GetSampleDatabasePath() { return AppInfo::Path() + u"/setup/SampleDB.mdb"_s; }

void OpenLevyDatabase()
{
    levyWorkspace = &DBEngine::Instance().Workspaces(0);
    const QString path = GetDatabasePath();
    levyDatabase = levyWorkspace->OpenDatabase(path, false, false, levyPasswordConnect);
    // Users' statements read a private copy: the office's other programs keep writing.
    levyDatabase->UseQuerySnapshots(true);
    // ...in a process of their own: whatever the engine does with one, Delver stays.
    levyDatabase->UseQueryWorker(true);
}

void Initialise_recordsets()
{
    rsStudents = levyDatabase->OpenRecordset(u"Students"_s, dbOpenTable);
    rsDeregisteredStudents = levyDatabase->OpenRecordset(u"Deregistered Students"_s, dbOpenTable);
    rsClasses = levyDatabase->OpenRecordset(u"Classes"_s, dbOpenTable);
    rsRegisteredFees = levyDatabase->OpenRecordset(u"Registered Fees"_s, dbOpenTable);
    rsFeesTemplates = levyDatabase->OpenRecordset(u"Fees Templates"_s, dbOpenTable);
    rsLevyAccountDebits = levyDatabase->OpenRecordset(u"Levy Account Debits"_s, dbOpenTable);
    rsLevyAccountCredits = levyDatabase->OpenRecordset(u"Levy Account Credits"_s, dbOpenTable);
    rsCautionFeeAccountDebits = levyDatabase->OpenRecordset(u"Caution Fee Account Debits"_s, dbOpenTable);
    rsCautionFeeAccountCredits = levyDatabase->OpenRecordset(u"Caution Fee Account Credits"_s, dbOpenTable);
    rsUsers = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
    qryGeneral = levyDatabase->QueryDefs(u"General Query Obj"_s);
    qryDirectSQL = levyDatabase->QueryDefs(u"Direct SQL Query Object"_s);
    qryReport = levyDatabase->QueryDefs(u"Report Query Object"_s);
}

void CloseLevyDatabase()
{
    for (auto* rs : {&rsStudents, &rsDeregisteredStudents, &rsClasses, &rsRegisteredFees, &rsFeesTemplates,
                     &rsLevyAccountDebits, &rsLevyAccountCredits, &rsCautionFeeAccountDebits,
                     &rsCautionFeeAccountCredits, &rsUsers})
        rs->reset();
    qryGeneral.reset();
    qryReport.reset();
    qryDirectSQL.reset();
    if (levyDatabase)
        levyDatabase->Close();
    levyDatabase.reset();
}

} // namespace levy
