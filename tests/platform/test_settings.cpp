#include "support/TestSupport.h"

#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <unistd.h>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void missingKeyReadsAsTheDefault();
    void everyPrintableTextRoundTrips_data();
    void everyPrintableTextRoundTrips();
    void valuesSurviveAnotherProcessReadingThem();
    void unwritableStoreRaisesAndLosesNothing();
    void unreadableStoreRaises();
    void garbageInTheFileIsReportedAndKept_data();
    void garbageInTheFileIsReportedAndKept();
    void fileIsPrivateToItsOwner();
    void abandonedWriteCopyIsRemovedByTheNextWrite();
    void entryThatWouldNotReadBackStopsTheWrite();
};

void TestSettings::missingKeyReadsAsTheDefault()
{
    test::Sandbox s;
    QCOMPARE(GetSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s), QString());
    QCOMPARE(GetSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s, u"x"_s), u"x"_s);
}

void TestSettings::everyPrintableTextRoundTrips_data()
{
    QTest::addColumn<QString>("value");
    QString printable;
    for (int c = 32; c < 127; ++c)
        printable.append(QChar(c));
    QTest::newRow("every printable character") << printable;
    QTest::newRow("stored password form") << u"\u00A7 ,;\"=#\\ \u00A7"_s;
    QTest::newRow("commas") << u"a,b,c"_s;
    QTest::newRow("surrounding spaces") << u"  padded  "_s;
    QTest::newRow("not-set marker") << u"\u00A4"_s;
    QTest::newRow("path with odd characters") << u"/home/levy/L\u00E9vy [2026] 50%.mdb"_s;
}

void TestSettings::everyPrintableTextRoundTrips()
{
    QFETCH(QString, value);
    test::Sandbox s;
    SaveSetting(u"AHS Levy System"_s, u"System"_s, u"Security"_s, value);
    QCOMPARE(GetSetting(u"AHS Levy System"_s, u"System"_s, u"Security"_s), value);
}

void TestSettings::valuesSurviveAnotherProcessReadingThem()
{
    test::Sandbox s;
    SaveSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s, u"/srv/levy.mdb"_s);
    SaveSetting(u"AHS Levy System"_s, u"System"_s, u"Security"_s, u"\u00A7abc\u00A7"_s);
    QFile file(SettingsFilePath(u"AHS Levy System"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.contains(u"[System]"_s));
    QVERIFY(text.contains(u"DBPath=/srv/levy.mdb"_s));
}

void TestSettings::unwritableStoreRaisesAndLosesNothing()
{
    if (geteuid() == 0)
        QSKIP("root writes through file permissions");
    test::Sandbox s;
    SaveSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s, u"/srv/levy.mdb"_s);
    const QString path = SettingsFilePath(u"AHS Levy System"_s);
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    QFile::setPermissions(QFileInfo(path).absolutePath(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, SaveSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s, u"/x"_s));
    QCOMPARE(GetSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s), u"/srv/levy.mdb"_s);
    QFile::setPermissions(QFileInfo(path).absolutePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestSettings::unreadableStoreRaises()
{
    test::Sandbox s;
    const QString path = SettingsFilePath(u"AHS Levy System"_s);
    QDir().mkpath(path);  // a folder where the file should be
    QVERIFY_THROWS_EXCEPTION(RuntimeError, GetSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s));
    QVERIFY_THROWS_EXCEPTION(RuntimeError, SaveSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s, u"x"_s));
}

void TestSettings::garbageInTheFileIsReportedAndKept_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("control bytes and stray brackets")
        << QByteArray("\x01\x02garbage ]]][[\n=\n[System]\nDBPath=/kept.mdb\n\xff\xfe\n");
    // Found by fuzzing: an unclosed section holding a stored value of an unknown kind.
    QTest::newRow("unclosed section, unknown stored value")
        << QByteArray::fromBase64("W1NoPUBWYXJpYXTP2KOjbs+jz554N2ZcMFwwXDBceDE4KQo=");
}

void TestSettings::garbageInTheFileIsReportedAndKept()
{
    QFETCH(QByteArray, bytes);
    test::Sandbox s;
    const QString path = SettingsFilePath(u"AHS Levy System"_s);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const QByteArray before = [&] {
        QFile r(path);
        r.open(QIODevice::ReadOnly);
        return r.readAll();
    }();
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                GetSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s);
            else
                SaveSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s, u"/new.mdb"_s);
            QFAIL(qPrintable(u"a damaged settings file was used, attempt %1"_s.arg(attempt)));
        } catch (const RuntimeError& e) {
            QVERIFY2(e.description.contains(u"is damaged"_s), qPrintable(e.description));
        }
    }
    QFile r(path);
    QVERIFY(r.open(QIODevice::ReadOnly));
    QCOMPARE(r.readAll(), before);
}

void TestSettings::fileIsPrivateToItsOwner()
{
    test::Sandbox s;
    SaveSetting(u"AHS Levy System"_s, u"System"_s, u"Security"_s, u"\u00A7x\u00A7"_s);
    const auto permissions = QFile::permissions(SettingsFilePath(u"AHS Levy System"_s));
    QCOMPARE(permissions & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
}

// A writer killed between writing its copy and renaming it leaves "FILE.XXXXXX" behind;
// files of other shapes beside the store are not the store's to remove.
void TestSettings::abandonedWriteCopyIsRemovedByTheNextWrite()
{
    test::Sandbox s;
    const QString path = SettingsFilePath(u"AHS Levy System"_s);
    SaveSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s, u"/a"_s);
    test::WriteFile(path + u".Ab3dE9"_s, "[System]\nDBPath=/half");
    test::WriteFile(path + u".bak"_s, "kept");
    test::WriteFile(path + u".Ab3dE9x"_s, "kept");
    // A writer killed while it took over a dead one's lock: its removal lock, an hour old.
    const QString removalLock = path + u".lock.rmlock"_s;
    test::WriteFile(removalLock, "999999\nfault_worker\n" + QSysInfo::machineHostName().toUtf8() + '\n');
    QFile stale(removalLock);
    QVERIFY(stale.open(QIODevice::ReadWrite));
    QVERIFY(stale.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    stale.close();
    SaveSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s, u"/b"_s);
    QCOMPARE(test::FolderEntries(QFileInfo(path).absolutePath()).join(u", "_s),
             u"AHS Levy System.ini, AHS Levy System.ini.Ab3dE9x, AHS Levy System.ini.bak"_s);
    QCOMPARE(GetSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s), u"/b"_s);
}

// Found by fuzzing: QSettings reads the key "DBPa/" but writes it back as "DBPa\=...",
// which it cannot read, so a write would have left the whole store unreadable.
void TestSettings::entryThatWouldNotReadBackStopsTheWrite()
{
    test::Sandbox s;
    const QString path = SettingsFilePath(u"AHS Levy System"_s);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray bytes = "[System]\nDBPath=/kept.mdb\nDBPa/=hthom2e/o\n";
    test::WriteFile(path, bytes);
    try {
        SaveSetting(u"AHS Levy System"_s, u"System"_s, u"Security"_s, u"\u00A7x\u00A7"_s);
        QFAIL("the write went ahead");
    } catch (const RuntimeError& e) {
        QCOMPARE(e.description, u"The settings file \""_s + path +
                                    u"\" holds an entry that could not be written back, so nothing was changed. "
                                    u"Remove the odd entry from the file and try again."_s);
    }
    QCOMPARE(test::FileBytes(path), bytes);
    QCOMPARE(GetSetting(u"AHS Levy System"_s, u"System"_s, u"DBPath"_s), u"/kept.mdb"_s);
    QCOMPARE(GetSetting(u"AHS Levy System"_s, u"System"_s, u"Security"_s), QString());
    QCOMPARE(test::FolderEntries(QFileInfo(path).absolutePath()), QStringList{u"AHS Levy System.ini"_s});
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
