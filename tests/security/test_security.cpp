#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "platform/AppInfo.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestSecurity : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Delver"_s); }
    void init();
    void cleanup();
    void administratorInEveryCase_data();
    void administratorInEveryCase();
    void administratorPasswordLivesInTheSettings();
    void accountPasswordThroughTheIndex();
    void unknownAccountRaisesUserNotFound();
    void rightsTexts_data();
    void rightsTexts();
    void logInKeepsTheStoredName();
    void logInOfAMissingAccountWarnsAndChangesNothing();
    void logOffClearsEverything();
    void nullFieldsFailToRead();
    void rightsTableCaptions();

private:
    void AddAccount(const QString& name, const QString& password, const QVariant& rights)
    {
        rsUsers->AddNew();
        rsUsers->SetFieldValue(u"User Name"_s, name);
        rsUsers->SetFieldValue(u"User Password"_s, EncryptText(password));
        rsUsers->SetFieldValue(u"User Rights"_s, rights.isNull() ? Value() : Value(rights.toString()));
        rsUsers->Update();
    }
    std::unique_ptr<test::Sandbox> sandbox_;
};

void TestSecurity::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    const QString path = sandbox_->Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    levyDatabase = test::OpenLevy(path);
    rsUsers = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
    LogOffUser();
}

void TestSecurity::cleanup()
{
    LogOffUser();
    sandbox_.reset();
}

void TestSecurity::administratorInEveryCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("administrator");
    for (const QString& n : {u"admin"_s, u"Admin"_s, u"ADMIN"_s, u"  admin"_s, u"Admin  "_s, u" aDmIn "_s})
        QTest::newRow(qPrintable(u'[' + n + u']')) << n << true;
    for (const QString& n : {u"admin1"_s, u"ad min"_s, u"administrator"_s, u"\tadmin"_s})
        QTest::newRow(qPrintable(u'[' + n + u']')) << n << false;
}

void TestSecurity::administratorInEveryCase()
{
    QFETCH(QString, name);
    QFETCH(bool, administrator);
    SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(u"Top$ecret"_s));
    AddAccount(u"admin1"_s, u"other"_s, QString(25, u'1'));
    if (administrator) {
        QCOMPARE(GetUserPassword(name), u"Top$ecret"_s);
        LogInUser(name);
        QCOMPARE(CurrentUserName, u"Admin"_s);
        for (int k = 1; k <= rightsCount; ++k)
            QVERIFY(UserRights[k]);
    } else if (name == u"admin1"_s) {
        QCOMPARE(GetUserPassword(name), u"other"_s);
    } else {
        QVERIFY_THROWS_EXCEPTION(RuntimeError, GetUserPassword(name));
    }
}

void TestSecurity::administratorPasswordLivesInTheSettings()
{
    // A Users row named "admin" is never consulted, for reading or writing.
    AddAccount(u"admin"_s, u"rowpassword"_s, QString(30, u'0'));
    QCOMPARE(GetUserPassword(u"Admin"_s), QString());  // no settings value yet
    SetUserPassword(u"ADMIN"_s, u"new one"_s);
    QCOMPARE(GetSetting(settingsApplication, settingsSection, settingsSecurity), EncryptText(u"new one"_s));
    QCOMPARE(GetUserPassword(u"admin"_s), u"new one"_s);
    rsUsers->SetIndex(u"User Name Index"_s);
    rsUsers->Seek(u"="_s, u"admin"_s);
    QCOMPARE(rsUsers->FieldValue(u"User Password"_s).AsText(), EncryptText(u"rowpassword"_s));
    LogInUser(u"admin"_s);
    QCOMPARE(CurrentUserName, u"Admin"_s);
    QVERIFY(UserRights[Utilities_Delver]);
}

void TestSecurity::accountPasswordThroughTheIndex()
{
    AddAccount(u"Mary"_s, u"Pa55 word"_s, QString(30, u'0'));
    QCOMPARE(GetUserPassword(u"mary"_s), u"Pa55 word"_s);
    SetUserPassword(u"MARY"_s, u"changed"_s);
    QCOMPARE(GetUserPassword(u"Mary"_s), u"changed"_s);
    QCOMPARE(test::Scalar(levyDatabase->Name(), u"SELECT [User Name] FROM Users"_s), u"Mary"_s);
    // A password too long for the field is refused and the old one stays.
    QVERIFY_THROWS_EXCEPTION(RuntimeError, SetUserPassword(u"Mary"_s, QString(31, u'x')));
    QCOMPARE(GetUserPassword(u"Mary"_s), u"changed"_s);
}

void TestSecurity::unknownAccountRaisesUserNotFound()
{
    for (bool setting : {false, true}) {
        try {
            if (setting)
                SetUserPassword(u"nobody"_s, u"x"_s);
            else
                GetUserPassword(u"nobody"_s);
            QFAIL("found nobody");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number, int32_t(0x80040259u));
            QCOMPARE(e.source, setting ? u"Set User Password"_s : u"Get User Password"_s);
            QCOMPARE(e.description, u"User Not Found"_s);
        }
    }
    // Names are used as given: the callers trim.
    AddAccount(u"Mary"_s, u"p"_s, QString(30, u'0'));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, GetUserPassword(u" Mary"_s));
}

void TestSecurity::rightsTexts_data()
{
    QTest::addColumn<QString>("rights");
    QTest::addColumn<QString>("granted");  // positions granted, as a 25-character mask
    QTest::newRow("new account") << QString(30, u'0') << QString(25, u'0');
    QTest::newRow("only right 1") << u"1"_s << u"1"_s + QString(24, u'0');
    QTest::newRow("all 25") << QString(25, u'1') << QString(25, u'1');
    QTest::newRow("26 to 30 ignored") << QString(25, u'0') + u"11111"_s << QString(25, u'0');
    QTest::newRow("only the digit 1 grants")
        << u"1x2-Y1 1"_s + QString(17, u'0') << u"10000101"_s + QString(17, u'0');
    QTest::newRow("only Delver") << QString(24, u'0') + u"1"_s << QString(24, u'0') + u"1"_s;
}

void TestSecurity::rightsTexts()
{
    QFETCH(QString, rights);
    QFETCH(QString, granted);
    AddAccount(u"Clerk"_s, u"c"_s, rights);
    LogInUser(u"Clerk"_s);
    QString mask;
    for (int k = 1; k <= rightsCount; ++k)
        mask.append(UserRights[k] ? u'1' : u'0');
    QCOMPARE(mask, granted);
    QVERIFY(!UserRights[0]);
}

void TestSecurity::logInKeepsTheStoredName()
{
    AddAccount(u"Mary Jones"_s, u"p"_s, QString(25, u'1'));
    LogInUser(u"mary jones"_s);
    QCOMPARE(CurrentUserName, u"Mary Jones"_s);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestSecurity::logInOfAMissingAccountWarnsAndChangesNothing()
{
    AddAccount(u"Mary"_s, u"p"_s, QString(25, u'1'));
    LogInUser(u"Mary"_s);
    MessageLog::Clear();
    LogInUser(u"Gone"_s);
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"User account not found"_s);
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(box.title, u"Delver"_s);
    QCOMPARE(CurrentUserName, u"Mary"_s);
    QVERIFY(UserRights[1]);
}

void TestSecurity::logOffClearsEverything()
{
    LogInUser(u"Admin"_s);
    LogOffUser();
    QVERIFY(CurrentUserName.isEmpty());
    for (bool r : UserRights)
        QVERIFY(!r);
}

void TestSecurity::nullFieldsFailToRead()
{
    rsUsers->AddNew();
    rsUsers->SetFieldValue(u"User Name"_s, u"Empty"_s);
    rsUsers->Update();
    QVERIFY_THROWS_EXCEPTION(RuntimeError, GetUserPassword(u"Empty"_s));
    AddAccount(u"NoRights"_s, u"p"_s, QVariant());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, LogInUser(u"NoRights"_s));
    QVERIFY(CurrentUserName.isEmpty());
}

void TestSecurity::rightsTableCaptions()
{
    const auto& table = RightsTable();
    QCOMPARE(table[10].caption, u"Create New And  Modify Existing Fees Templates"_s);
    QCOMPARE(table[19].caption, u"Batch Produce Statement of Account"_s);
    QCOMPARE(table[24].checkBox, u"chkUtilities_Delver"_s);
    for (int k = 0; k < rightsCount; ++k)
        QCOMPARE(int(table[k].position), k + 1);
}

QTEST_GUILESS_MAIN(TestSecurity)
#include "test_security.moc"
