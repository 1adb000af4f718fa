#include "support/TestSupport.h"

#include "database/DBEngine.h"
#include "levy/DatabaseAccess.h"
#include "database/QueryRecordset.h"
#include "database/ResultCache.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
constexpr auto othersRead = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                            QFileDevice::WriteOther;

bool OwnerOnly(const QString& path) { return (QFile::permissions(path) & othersRead) == QFileDevice::Permissions(); }

// Every file under `folder` whose bytes contain `text` as UTF-8 or single-byte.
QStringList FilesHolding(const QString& folder, const QString& text)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = f.readAll();
        if (bytes.contains(text.toUtf8()) || bytes.contains(text.toLatin1()))
            found.append(f.fileName());
    }
    return found;
}
} // namespace

class TestSecretsOnDisk : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Stewardry"_s, u"Stewardry"_s); }
    void createdDatabasesAreTheOwnersOnlyAndCompactionKeepsTheMode();
    void settingsFileIsTheOwnersOnlyAndHoldsNoPlainPassword();
    void queryResultsArePrivateAndEnciphered();
};

void TestSecretsOnDisk::createdDatabasesAreTheOwnersOnlyAndCompactionKeepsTheMode()
{
    test::Sandbox s;
    const QString blank = s.Path(u"blank.mdb"_s);
    DBEngine::Instance().Workspaces(0).CreateDatabase(blank, levyLocaleConnect + levyPasswordConnect)->Close();
    QVERIFY2(OwnerOnly(blank), qPrintable(QString::number(QFile::permissions(blank), 16)));
    const QString copy = s.Path(u"compacted.mdb"_s);
    DBEngine::Instance().CompactDatabase(blank, copy, {}, 0, levyPasswordConnect);
    QVERIFY(OwnerOnly(copy));
    DBEngine::Instance().CompactDatabaseInPlace(copy, levyPasswordConnect);
    QVERIFY(OwnerOnly(copy));
    // Compacting in place keeps whatever the office gave the file: a group may share it.
    const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::WriteGroup;
    QVERIFY(QFile::setPermissions(copy, shared));
    DBEngine::Instance().CompactDatabaseInPlace(copy, levyPasswordConnect);
    QCOMPARE(QFile::permissions(copy) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), shared);
    // Nothing is left beside them: no journal, no half-made copy.
    QCOMPARE(QDir(s.Folder()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u"blank.mdb"_s, u"compacted.mdb"_s}));
}

void TestSecretsOnDisk::settingsFileIsTheOwnersOnlyAndHoldsNoPlainPassword()
{
    test::Sandbox s;
    const QString password = u"Quokka 7 Lantern"_s;
    SaveSetting(settingsApplication, settingsSection, settingsSecurity, EncryptText(password));
    const QString file = SettingsFilePath(settingsApplication);
    QVERIFY(QFile::exists(file));
    QVERIFY(OwnerOnly(file));
    QVERIFY(FilesHolding(s.Folder(), password).isEmpty());
}

void TestSecretsOnDisk::queryResultsArePrivateAndEnciphered()
{
    test::Sandbox s;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(s.Path(u"cache"_s)));
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    auto db = test::OpenLevy(path);
    const QString marker = u"Plainly visible marker text"_s;
    auto rs = db->OpenRecordset(u"SELECT '%1' AS m FROM (SELECT 1 UNION ALL SELECT 2)"_s.arg(marker));
    rs->MoveLast();
    const QString folder = ResultCache::Folder();
    QVERIFY(folder.startsWith(s.Folder()));
    QVERIFY(OwnerOnly(folder));
    const QStringList files = QDir(folder).entryList({u"*.result"_s}, QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(OwnerOnly(folder + u'/' + files[0]));
    QVERIFY(FilesHolding(s.Folder(), marker).isEmpty());
    rs->Close();
    QVERIFY(QDir(folder).entryList({u"*.result"_s}, QDir::Files).isEmpty());
    db->Close();
    qunsetenv("XDG_CACHE_HOME");
}

QTEST_GUILESS_MAIN(TestSecretsOnDisk)
#include "test_secrets_on_disk.moc"
