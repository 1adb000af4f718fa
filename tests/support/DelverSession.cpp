#include "DelverSession.h"

#include "TestSupport.h"
#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmDelver.h"
#include "frmDelverResults.h"
#include "frmSystem_CheckDate.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "workbench/SqlEditor.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace levy::test {

void AnswerStartUp(const QString& user, const QString& password)
{
    WhenModal<frmSystem_LogIn>([user, password](frmSystem_LogIn* login) {
        login->txtUserName->setText(user);
        login->txtPassword->setText(password);
        login->cmdLogIn->click();
        WhenModal<frmSystem_CheckDate>([](frmSystem_CheckDate* date) { date->cmdYes->click(); });
    });
}

QString DelverDatabase(const QString& folder)
{
    const QString path = folder + u"/levy.mdb"_s;
    MakeBlankDatabase(path);
    auto db = OpenLevy(path);
    auto users = db->OpenRecordset(u"Users"_s, dbOpenTable);
    const QList<std::tuple<QString, QString, QString>> accounts = {
        {u"Clerk"_s, u"clerk"_s, QString(25, u'1')},
        {u"Bursar"_s, u"bursar"_s, QString(24, u'0') + u'1'},
        {u"Trainee"_s, u"trainee"_s, QString(30, u'0')}};
    for (const auto& [name, password, rights] : accounts) {
        users->AddNew();
        users->SetFieldValue(u"User Name"_s, name);
        users->SetFieldValue(u"User Password"_s, EncryptText(password));
        users->SetFieldValue(u"User Rights"_s, rights);
        users->Update();
    }
    db->Close();
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, path);
    return path;
}

bool RunAndCloseOnceCounted(frmDelver& editor, const QString& statement)
{
    auto closed = WhenModal<frmDelverResults>([](frmDelverResults* results) {
        auto* poll = new QTimer(results);
        QObject::connect(poll, &QTimer::timeout, results, [results] {
            if (!results->Counting() && results->lngPageCount > 0)
                results->close();
        });
        poll->start(10);
    });
    editor.txtSQL->SetText(statement);
    editor.ExecuteQuery();
    return *closed;
}

} // namespace levy::test
