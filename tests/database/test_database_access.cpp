#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestDatabaseAccess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }
    void badLocationEndsTheProgram_data();
    void badLocationEndsTheProgram();
    void pathIsReturnedUnchanged_data();
    void pathIsReturnedUnchanged();
    void openLevyDatabaseBindsEverything();
    void missingTableOrQueryFailsClearly();
    void damagedFilesGiveClearErrorsAndStayAsTheyWere_data();
    void damagedFilesGiveClearErrorsAndStayAsTheyWere();
    void samplePathFollowsTheProgramFolder();
};

void TestDatabaseAccess::badLocationEndsTheProgram_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << false << QString() << u"Registry entry corrupt. Please contact technical support"_s;
    QTest::newRow("empty") << true << QString() << u"Registry entry corrupt. Please contact technical support"_s;
    QTest::newRow("not set") << true << u"\u00A4"_s << u"Database Path Not Set Please contact technical support"_s;
    QTest::newRow("marker and more") << true << u"\u00A4x"_s
                                     << u"Database cannot be located. Please contact technical support"_s;
    QTest::newRow("no such file") << true << u"/nonexistent/levy.mdb"_s
                                  << u"Database cannot be located. Please contact technical support"_s;
    QTest::newRow("a folder") << true << u"FOLDER"_s << u"Database cannot be located. Please contact technical support"_s;
    QTest::newRow("spaces around a real path")
        << true << u" REAL "_s << u"Database cannot be located. Please contact technical support"_s;
}

void TestDatabaseAccess::badLocationEndsTheProgram()
{
    QFETCH(bool, write);
    QFETCH(QString, value);
    QFETCH(QString, message);
    test::Sandbox s;
    test::MakeBlankDatabase(s.Path(u"levy.mdb"_s));
    value.replace(u"FOLDER"_s, s.Folder()).replace(u"REAL"_s, s.Path(u"levy.mdb"_s));
    if (write)
        SaveSetting(settingsApplication, settingsSection, settingsDBPath, value);
    bool ended = false;
    try {
        GetDatabasePath();
    } catch (const ProgramEnded&) {
        ended = true;
    }
    QVERIFY(ended);
    QVERIFY(EndProgramCalled());
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, u"Critical System Error"_s);
    QCOMPARE(box.icon, Icon::Critical);
    QCOMPARE(box.buttons, Buttons::OKOnly);
}

void TestDatabaseAccess::pathIsReturnedUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << u"levy.mdb"_s;
    QTest::newRow("trailing space") << u"levy.mdb "_s;
    QTest::newRow("leading space") << u" levy.mdb"_s;
    QTest::newRow("odd characters") << u"L\u00E9vy \u00A4 'office' [1].mdb"_s;
}

void TestDatabaseAccess::pathIsReturnedUnchanged()
{
    QFETCH(QString, name);
    test::Sandbox s;
    const QString path = s.Path(name);
    test::MakeBlankDatabase(path);
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, path);
    QCOMPARE(GetDatabasePath(), path);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestDatabaseAccess::openLevyDatabaseBindsEverything()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, path);
    OpenLevyDatabase();
    Initialise_recordsets();
    QVERIFY(levyWorkspace == &DBEngine::Instance().Workspaces(0));
    QVERIFY(levyDatabase && levyDatabase->IsOpen());
    for (auto* rs : {&rsStudents, &rsDeregisteredStudents, &rsClasses, &rsRegisteredFees, &rsFeesTemplates,
                     &rsLevyAccountDebits, &rsLevyAccountCredits, &rsCautionFeeAccountDebits,
                     &rsCautionFeeAccountCredits, &rsUsers})
        QVERIFY(*rs);
    QCOMPARE(qryGeneral->Name(), u"General Query Obj"_s);
    QCOMPARE(qryDirectSQL->Name(), u"Direct SQL Query Object"_s);
    QCOMPARE(qryReport->Name(), u"Report Query Object"_s);
    CloseLevyDatabase();
    QVERIFY(!levyDatabase && !rsUsers && !qryDirectSQL);
    // Closed for real: an exclusive open succeeds now.
    test::OpenLevy(path, true)->Close();
}

void TestDatabaseAccess::missingTableOrQueryFailsClearly()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    {
        auto db = test::OpenLevy(path);
        db->MainConnection()->Execute(u"DROP TABLE \"Fees Templates\""_s);
    }
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, path);
    OpenLevyDatabase();
    try {
        Initialise_recordsets();
        QFAIL("bound a missing table");
    } catch (const RuntimeError& e) {
        QVERIFY2(e.description.contains(u"\"Fees Templates\""_s), qPrintable(e.description));
    }
}

void TestDatabaseAccess::damagedFilesGiveClearErrorsAndStayAsTheyWere_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero length") << u"empty"_s << u"is empty"_s;
    QTest::newRow("not a database") << u"text"_s << u"not a levy database"_s;
    QTest::newRow("truncated") << u"truncated"_s << u"levy database"_s;
    QTest::newRow("damaged page") << u"damaged"_s << u"levy database"_s;
    QTest::newRow("plain database") << u"plain"_s << u"not a levy database"_s;
}

void TestDatabaseAccess::damagedFilesGiveClearErrorsAndStayAsTheyWere()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    QByteArray content;
    if (kind == u"text"_s)
        content = "These are the minutes of the levy committee.\n";
    if (kind == u"plain"_s)
        content = QByteArray("SQLite format 3\0", 16) + QByteArray(1008, '\0');
    if (kind == u"truncated"_s || kind == u"damaged"_s) {
        test::MakeBlankDatabase(path);
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        content = f.readAll();
        f.close();
        QFile::remove(path);
        if (kind == u"truncated"_s)
            content.truncate(content.size() / 2);
        else
            for (qsizetype i = 1024; i < content.size(); ++i)
                content[i] = char(i * 7);
    }
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    try {
        auto db = test::OpenLevy(path);
        db->OpenRecordset(u"Users"_s, dbOpenTable)->MoveFirst();
        db->QueryDefs(u"Direct SQL Query Object"_s);
        QFAIL("opened a damaged file");
    } catch (const RuntimeError& e) {
        QVERIFY2(e.description.contains(expected), qPrintable(e.description));
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
}

void TestDatabaseAccess::samplePathFollowsTheProgramFolder()
{
    AppInfo::SetPathForTests(u"/opt/levy"_s);
    QCOMPARE(GetSampleDatabasePath(), u"/opt/levy/setup/SampleDB.mdb"_s);
    AppInfo::SetPathForTests({});
}

QTEST_GUILESS_MAIN(TestDatabaseAccess)
#include "test_database_access.moc"
