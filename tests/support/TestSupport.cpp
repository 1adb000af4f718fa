#include "TestSupport.h"

#include "database/DatabaseAccess.h"
#include "database/DatabaseBuildingRoutines.h"
#include "database/QueryDef.h"
#include "platform/EndProgram.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace levy::test {

Sandbox::Sandbox()
{
    oldConfigHome_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path() + u"/config"_s));
    MessageLog::Start();
    InterceptEndProgram(true);
    ResetEndProgramCalled();
}

Sandbox::~Sandbox()
{
    CloseLevyDatabase();
    MessageLog::Stop();
    ResetEndProgramCalled();
    if (oldConfigHome_.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfigHome_);
}

QString Sandbox::Path(const QString& name) const { return dir_.path() + u'/' + name; }

void MakeBlankDatabase(const QString& path)
{
    auto db = DBEngine::Instance().Workspaces(0).CreateDatabase(path, levyLocaleConnect + levyPasswordConnect,
                                                                 dbEncrypt);
    BuildLevySchema(*db);
    qryGeneral.reset();
    qryReport.reset();
    qryDirectSQL.reset();
    db->Close();
}

std::shared_ptr<Database> OpenLevy(const QString& path, bool exclusive)
{
    return DBEngine::Instance().Workspaces(0).OpenDatabase(path, exclusive, false, levyPasswordConnect);
}

MessageRequest OnlyMessage()
{
    const auto shown = MessageLog::Shown();
    if (shown.size() != 1) {
        QStringList texts;
        for (const auto& m : shown)
            texts.append(m.text);
        QTest::qFail(qPrintable(u"expected one message box, saw %1: %2"_s.arg(shown.size()).arg(texts.join(u" | "_s))),
                     __FILE__, __LINE__);
        return {};
    }
    return shown.first();
}

QString Scalar(const QString& databasePath, const QString& sql)
{
    auto db = OpenLevy(databasePath);
    auto rs = db->OpenRecordset(sql);
    const QString value = rs->IsEOF() ? QString() : rs->FieldValue(0).ToDisplayText();
    db->Close();
    return value;
}

} // namespace levy::test
