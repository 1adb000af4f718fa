#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_LogIn.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "levy/SecurityEnforcement.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
struct Run {
    int status;
    QString out;
    QString err;
};

Run Setup(const QStringList& args, const QByteArray& input)
{
    QProcess p;
    p.start(QStringLiteral(LEVY_PROGRAM_DIR "/levy-setup"), args);
    p.waitForStarted();
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QString Stored(const QString& key) { return GetSetting(settingsApplication, settingsSection, key); }
} // namespace

class TestLevySetup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Stewardry"_s, u"Stewardry"_s); }
    void storedFormLogsInThroughTheDialog();
    void askedTwiceMustMatch();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
    void pointsAtALevyDatabase();
};

void TestLevySetup::storedFormLogsInThroughTheDialog()
{
    test::Sandbox s;
    const Run run = Setup({u"--password-stdin"_s}, "Head 0f Office\n");
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.contains(u"has been set"_s));
    QCOMPARE(Stored(settingsSecurity), EncryptText(u"Head 0f Office"_s));
    QVERIFY(!run.out.contains(u"Head 0f Office"_s) && !run.err.contains(u"Head 0f Office"_s));

    frmSystem_LogIn login;
    login.txtUserName->setText(u"Admin"_s);
    login.show();
    login.txtPassword->setText(u"Head 0f Office"_s);
    QTest::mouseClick(login.cmdLogIn, Qt::LeftButton);
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(CurrentUserName, u"Admin"_s);
    LogOffUser();
}

void TestLevySetup::askedTwiceMustMatch()
{
    test::Sandbox s;
    Run run = Setup({}, "first\nsecond\n");
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.contains(u"the two passwords differ"_s));
    QCOMPARE(Stored(settingsSecurity), QString());
    run = Setup({}, "same\nsame\n");
    QCOMPARE(run.status, 0);
    QCOMPARE(Stored(settingsSecurity), EncryptText(u"same"_s));
}

void TestLevySetup::refusalsChangeNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QStringList{u"--password-stdin"_s} << QByteArray("\n") << u"must not be empty"_s;
    QTest::newRow("no input") << QStringList{u"--password-stdin"_s} << QByteArray() << u"no password"_s;
    QTest::newRow("a tab") << QStringList{u"--password-stdin"_s} << QByteArray("a\tb\n") << u"could never match"_s;
    QTest::newRow("accented") << QStringList{u"--password-stdin"_s} << QByteArray("caf\xc3\xa9\n")
                              << u"could never match"_s;
    QTest::newRow("unknown option") << QStringList{u"--frobnicate"_s} << QByteArray("x\nx\n") << u"unknown"_s;
    QTest::newRow("no such database") << QStringList{u"--password-stdin"_s, u"--database"_s, u"/nonexistent.mdb"_s}
                                      << QByteArray("good\n") << u"no file"_s;
    QTest::newRow("folder as database") << QStringList{u"--password-stdin"_s, u"--database"_s, u"FOLDER"_s}
                                        << QByteArray("good\n") << u"not a file"_s;
    QTest::newRow("not a levy database") << QStringList{u"--password-stdin"_s, u"--database"_s, u"TEXTFILE"_s}
                                         << QByteArray("good\n") << u"not a levy database"_s;
}

void TestLevySetup::refusalsChangeNothing()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, message);
    test::Sandbox s;
    SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(u"old"_s));
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, u"/kept.mdb"_s);
    QFile text(s.Path(u"notes.txt"_s));
    text.open(QIODevice::WriteOnly);
    text.write("not a database at all\n");
    text.close();
    for (QString& a : args)
        a.replace(u"FOLDER"_s, s.Folder()).replace(u"TEXTFILE"_s, s.Path(u"notes.txt"_s));
    const Run run = Setup(args, input);
    QVERIFY(run.status != 0);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(Stored(settingsSecurity), EncryptText(u"old"_s));
    QCOMPARE(Stored(settingsDBPath), u"/kept.mdb"_s);
}

void TestLevySetup::pointsAtALevyDatabase()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    const Run run = Setup({u"--password-stdin"_s, u"--database"_s, path}, "pw\n");
    QCOMPARE(run.status, 0);
    QCOMPARE(Stored(settingsDBPath), path);
    QCOMPARE(GetDatabasePath(), path);
}

QTEST_MAIN(TestLevySetup)
#include "test_levy_setup.moc"
