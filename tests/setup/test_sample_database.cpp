#include "support/TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

class TestSampleDatabase : public QObject {
    Q_OBJECT

private slots:
    void holdsAnOfficesWorthOfData();
    void demoAccountsLogInWithTheirDocumentedPasswords();
};

namespace {
const QString samplePath = QStringLiteral(LEVY_PROGRAM_DIR "/setup/SampleDB.mdb");
}

void TestSampleDatabase::holdsAnOfficesWorthOfData()
{
    test::Sandbox s;
    auto db = test::OpenLevy(samplePath);
    QCOMPARE(db->TableNames().size(), 10);
    QCOMPARE(db->QueryDefNames().size(), 3);
    QVERIFY(db->OpenRecordset(u"Students"_s, dbOpenTable)->RecordCount() >= 200);
    QVERIFY(db->OpenRecordset(u"Levy Account Debits"_s, dbOpenTable)->RecordCount() >= 1000);
    // Negative and positive balances, multi-line and empty addresses.
    // Comparisons are Yes/No values, as the office's dialect has them.
    QCOMPARE(test::Scalar(samplePath, u"SELECT count(*) > 0 FROM Students WHERE [Guardian Address] LIKE '%' || "
                                      u"char(13) || char(10) || '%'"_s),
             u"True"_s);
    QCOMPARE(test::Scalar(samplePath, u"SELECT count(*) > 0 FROM Students WHERE [Guardian Address] IS NULL"_s), u"True"_s);
    QCOMPARE(test::Scalar(samplePath, u"SELECT min(Amount) < 0 AND max(Amount) > 0 FROM Classes c, "
                                      u"(SELECT [Minimum Balance] AS Amount FROM Classes)"_s),
             u"True"_s);
}

void TestSampleDatabase::demoAccountsLogInWithTheirDocumentedPasswords()
{
    test::Sandbox s;
    levyDatabase = test::OpenLevy(samplePath);
    rsUsers = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
    for (const auto& [name, password, delver] :
         {std::tuple{u"Clerk"_s, u"clerk"_s, true}, {u"Bursar"_s, u"bursar"_s, true}, {u"Trainee"_s, u"trainee"_s, false}}) {
        QCOMPARE(GetUserPassword(name), password);
        LogInUser(name);
        QCOMPARE(CurrentUserName, name);
        QCOMPARE(UserRights[Utilities_Delver], delver);
    }
    LogOffUser();
}

QTEST_GUILESS_MAIN(TestSampleDatabase)
#include "test_sample_database.moc"
