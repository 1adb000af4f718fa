// The folder of query results holds enciphered results and the private copy of the levy
// file: one that another user could reach, or a link to elsewhere, is never used.
#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/QueryValidation.h"
#include "database/ResultCache.h"
#include "levy/DatabaseAccess.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestResultFolder : public QObject {
    Q_OBJECT
private slots:
    void anUnsafeFolderIsRefused_data();
    void anUnsafeFolderIsRefused();
};

void TestResultFolder::anUnsafeFolderIsRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("fault");
    QTest::newRow("a link to a folder holding a FIFO") << u"link"_s << u"it is a link to another place"_s;
    QTest::newRow("open to others") << u"open"_s << u"other users may open it"_s;
    QTest::newRow("another user's") << u"other"_s << u"it belongs to another user"_s;
}

void TestResultFolder::anUnsafeFolderIsRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, fault);
    test::Sandbox sandbox;
    test::DelverDatabase(sandbox.Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    const QString folder = ResultCache::Folder();
    QDir(folder).removeRecursively();
    QFile::remove(folder);
    QVERIFY(QDir().mkpath(QFileInfo(folder).absolutePath()));
    const QByteArray name = QFile::encodeName(folder);
    const QString elsewhere = sandbox.Path(u"elsewhere"_s);
    if (kind == u"link"_s) {
        // A planted FIFO named as a stale result would freeze a program that opened it.
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(::mkfifo(QFile::encodeName(elsewhere + u"/0.result"_s).constData(), 0600) == 0);
        QVERIFY(::symlink(QFile::encodeName(elsewhere).constData(), name.constData()) == 0);
    } else {
        QVERIFY(::mkdir(name.constData(), 0700) == 0);
        if (kind == u"open"_s)
            QVERIFY(::chmod(name.constData(), 0777) == 0);
        else if (::chown(name.constData(), 4242, 4242) != 0)
            QSKIP("only the administrator can give a folder to another user");
    }

    MessageLog::Clear();
    QVERIFY(!ValidateQuery(u"SELECT Class FROM Classes"_s));
    const MessageRequest box = test::OnlyMessage();
    QVERIFY2(box.text.contains(u"for query results cannot be used safely: "_s + fault), qPrintable(box.text));
    QVERIFY(box.text.contains(QDir::toNativeSeparators(folder)));
    if (kind == u"link"_s)
        QVERIFY(QFileInfo(elsewhere + u"/0.result"_s).exists());

    // Once the folder is removed, Delver makes it again, private, and the query runs.
    QFile::remove(folder);
    QDir(folder).removeRecursively();
    MessageLog::Clear();
    QVERIFY(ValidateQuery(u"SELECT Class FROM Classes"_s));
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(QFileInfo(folder).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
    if (rsDirectQuery)
        rsDirectQuery->Close();
    rsDirectQuery.reset();
    CloseLevyDatabase();
}

QTEST_MAIN(TestResultFolder)
#include "test_result_folder.moc"
