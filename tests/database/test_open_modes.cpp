#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "platform/RuntimeError.h"

#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString holderPath = QStringLiteral(LEVY_TEST_BINARY_DIR "/tests/db_holder");

// Another program holding the database open.
class Holder {
public:
    Holder(const QString& mode, const QString& path)
    {
        process_.start(holderPath, {mode, path});
        process_.waitForStarted();
        process_.waitForReadyRead(10000);
        line_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~Holder() { Release(); }
    bool Opened() const { return line_ == u"opened"_s; }
    const QString& Line() const { return line_; }
    void Release()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.closeWriteChannel();
        process_.waitForFinished(10000);
    }
    void Kill()
    {
        process_.kill();
        process_.waitForFinished(10000);
    }

private:
    QProcess process_;
    QString line_;
};

QString OpenError(const QString& path, bool exclusive)
{
    try {
        test::OpenLevy(path, exclusive)->Close();
        return {};
    } catch (const RuntimeError& e) {
        return e.description;
    }
}
} // namespace

class TestOpenModes : public QObject {
    Q_OBJECT

private slots:
    void exclusiveFailsWhileAnotherProgramHasItOpen();
    void exclusiveBlocksEveryOtherOpen();
    void sharedOpensCoexistAndWrite();
    void releasedWhenTheHolderEnds();
    void releasedWhenTheHolderIsKilled();
    void twoOpensInOneProgramFollowTheSameRules();
};

void TestOpenModes::exclusiveFailsWhileAnotherProgramHasItOpen()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    Holder shared(u"shared"_s, path);
    QVERIFY2(shared.Opened(), qPrintable(shared.Line()));
    const QString error = OpenError(path, true);
    QVERIFY2(error.contains(u"is in use by another program"_s), qPrintable(error));
    QVERIFY(OpenError(path, false).isEmpty());
}

void TestOpenModes::exclusiveBlocksEveryOtherOpen()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    Holder exclusive(u"exclusive"_s, path);
    QVERIFY2(exclusive.Opened(), qPrintable(exclusive.Line()));
    QVERIFY2(OpenError(path, false).contains(u"held exclusively by another program"_s), qPrintable(OpenError(path, false)));
    QVERIFY(OpenError(path, true).contains(u"in use by another program"_s));
    // And the other way round: this program holds it, another is refused.
    exclusive.Release();
    auto mine = test::OpenLevy(path, true);
    Holder refused(u"shared"_s, path);
    QVERIFY(!refused.Opened());
    QVERIFY2(refused.Line().contains(u"held exclusively"_s), qPrintable(refused.Line()));
}

void TestOpenModes::sharedOpensCoexistAndWrite()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    Holder other(u"shared"_s, path);
    QVERIFY(other.Opened());
    auto db = test::OpenLevy(path);
    auto rs = db->OpenRecordset(u"Classes"_s, dbOpenTable);
    rs->AddNew();
    rs->SetFieldValue(u"Class"_s, u"4A"_s);
    rs->Update();
    QCOMPARE(rs->RecordCount(), int64_t(1));
}

void TestOpenModes::releasedWhenTheHolderEnds()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    Holder exclusive(u"exclusive"_s, path);
    QVERIFY(exclusive.Opened());
    QVERIFY(!OpenError(path, false).isEmpty());
    exclusive.Release();
    QVERIFY(OpenError(path, true).isEmpty());
}

void TestOpenModes::releasedWhenTheHolderIsKilled()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    Holder exclusive(u"exclusive"_s, path);
    QVERIFY(exclusive.Opened());
    exclusive.Kill();
    QVERIFY(OpenError(path, true).isEmpty());
}

void TestOpenModes::twoOpensInOneProgramFollowTheSameRules()
{
    test::Sandbox s;
    const QString path = s.Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    auto first = test::OpenLevy(path, false);
    QVERIFY(OpenError(path, true).contains(u"in use"_s));
    // The refused attempt must not have disturbed the first open.
    QCOMPARE(first->TableNames().size(), 10);
    first->Close();
    QVERIFY(OpenError(path, true).isEmpty());
}

QTEST_GUILESS_MAIN(TestOpenModes)
#include "test_open_modes.moc"
