#include "support/TestSupport.h"

#include "database/QueryDef.h"
#include "database/Recordset.h"
#include "engine/SqliteHandle.h"
#include "jet/parameters/JetParameters.h"
#include "jet/translation/JetSchema.h"
#include "platform/RuntimeError.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

// The values a statement asks for: which names are parameters, in what order, how a
// typed value is read, and that a value is bound, never written into the statement.
class TestJetParameters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void finding_data();
    void finding();
    void values_data();
    void values();
    void boundValuesStayValues_data();
    void boundValuesStayValues();

private:
    QStringList Records(const QString& sql, const QList<jet::BoundParameter>& parameters);
    std::unique_ptr<test::Sandbox> sandbox_;
    std::shared_ptr<Database> db_;
};

void TestJetParameters::initTestCase()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    const QString path = sandbox_->Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    db_ = test::OpenLevy(path);
    db_->MainConnection()->Execute(u"INSERT INTO Students ([Student ID], Surname, Class) VALUES ('S1', 'Banda', '4A'), "
                                   u"('S2', 'O''Brien', '4B'), ('S3', 'Phiri', '4A')"_s);
    db_->MainConnection()->Execute(u"INSERT INTO [Levy Account Credits] VALUES ('2026-01-13 00:00:00', 1500, 'R1', "
                                   u"'S1'), ('2026-02-02 00:00:00', 250.5, 'R2', 'S2')"_s);
}

void TestJetParameters::cleanupTestCase()
{
    db_->Close();
    db_.reset();
    sandbox_.reset();
}

void TestJetParameters::finding_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("asked");  // name (type), undeclared ones marked with ?
    auto add = [](const char* name, const char* sql, const char* asked) {
        QTest::newRow(name) << QString::fromUtf8(sql) << QString::fromUtf8(asked);
    };
    add("declared, in declared order",
        "PARAMETERS [To] DateTime, [From] Date; SELECT * FROM [Levy Account Credits] WHERE [Transaction Date] "
        "BETWEEN [From] AND [To]",
        "To (Date/Time), From (Date/Time)");
    add("declared but not used", "PARAMETERS [Term] Text; SELECT * FROM Students", "Term (Text)");
    add("undeclared, as they appear",
        "SELECT * FROM Students WHERE Surname = [Which name?] OR Class = [Which class?]",
        "Which name? (Text)?, Which class? (Text)?");
    add("declared before undeclared", "PARAMETERS [Term] Text; SELECT * FROM Students WHERE Class = [Which] AND "
        "Surname = [Term]", "Term (Text), Which (Text)?");
    add("one name twice is one", "SELECT * FROM Students WHERE Class = [C] OR Surname = [c]", "C (Text)?");
    add("the JOIN's condition in its written place",
        "SELECT * FROM Students WHERE Class = [First] AND [Student ID] IN (SELECT s.[Student ID] FROM Students AS s "
        "INNER JOIN Classes ON s.Class = [Second])", "First (Text)?, Second (Text)?");
    add("texts, comments and dates are not names",
        "SELECT '[Not]' AS a, \"[Nor]\" AS b FROM Students /* [Neither] */ WHERE #1/2/2025# < Date() -- [None]\n"
        "AND Class = [Real]", "Real (Text)?");
    add("fields, aliases, tables and qualified names are not parameters",
        "SELECT [Surname] AS Who, s.[Class] FROM Students AS s WHERE [Who] <> '' AND s.[Student ID] <> '' AND "
        "[Surname] <> '' ORDER BY [Who]", "");
    add("a field of the enclosing select", "SELECT * FROM Classes WHERE EXISTS (SELECT * FROM Students WHERE "
        "Students.Class = [Classes].[Class] AND [Surname] <> [Pick])", "Pick (Text)?");
    add("a bare misspelt name is the engine's fault", "SELECT Surnme FROM Students", "");
    add("a table not known: nothing asked", "SELECT [Anything] FROM Nowhere", "");
    add("the type names", "PARAMETERS [A] Integer, [B] Short, [C] Bit, [D] Currency, [E] Byte, [F] Double, [G] "
        "YesNo, [H] Decimal, [I] Memo; SELECT 1", "A (Long Integer), B (Integer), C (Yes/No), D (Currency), E (Byte), "
        "F (Double), G (Yes/No), H (Decimal), I (Memo)");
    add("undeclared, compared with a date or a number",
        "SELECT * FROM [Levy Account Credits] WHERE [Transaction Date] BETWEEN [From] AND [To] AND Amount > [Least]",
        "From (Date/Time)?, To (Date/Time)?, Least (Currency)?");
    add("a crosstab's", "PARAMETERS [Since] DateTime; TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account "
        "Credits] WHERE [Transaction Date] >= [Since] GROUP BY [Student ID] PIVOT Format([Transaction Date], 'mmm')",
        "Since (Date/Time)");
    add("no statement of the dialect: nothing asked", "SELEC [X] FRM Students", "");
}

void TestJetParameters::finding()
{
    QFETCH(QString, sql);
    QFETCH(QString, asked);
    const jet::ConnectionSchema schema(db_->MainConnection()->Handle());
    QStringList found;
    for (const jet::JetParameter& p : jet::FindJetParameters(sql, schema))
        found.append(u"%1 (%2)%3"_s.arg(p.name, jet::ParameterTypeText(p), p.declared ? QString() : u"?"_s));
    QCOMPARE(found.join(u", "_s), asked);
}

void TestJetParameters::values_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");  // as test::Shown shows it, or the refusal's words
    auto add = [](const char* name, const char* type, const char* typed, const char* stored) {
        QTest::newRow(name) << QString::fromUtf8(type) << QString::fromUtf8(typed) << QString::fromUtf8(stored);
    };
    add("text as typed", "Text", "O'Brien; --", "O'Brien; --");
    add("nothing typed is Null", "Long", "", "Null");
    add("a long", "Long", "1,234", "1234");
    add("not whole", "Short", "2.5", "\"2.5\" is not a whole number. [P] takes a whole number (Integer), for example 12.");
    add("past a byte", "Byte", "300", "\"300\" is out of range for [P]: a Byte lies between 0 and 255.");
    add("not a number", "Double", "ten", "\"ten\" is not a number. [P] takes a number (Double), for example 1250.50.");
    add("an amount", "Currency", "1,250.50", "1250.5");
    add("a whole amount", "Currency", "$1500", "1500");
    add("a date, day first", "DateTime", "31/01/2025", "2025-01-31 00:00:00");
    add("a date and time", "Date", "2/3/2025 14:30", "2025-03-02 14:30:00");
    add("not a date", "DateTime", "31/02/2025",
        "\"31/02/2025\" is not a date. [P] takes a date, day first, for example 31/01/2025 or 31/01/2025 14:30.");
    add("yes", "Bit", "yes", "-1");
    add("no", "YesNo", "False", "0");
    add("neither", "Bit", "maybe", "\"maybe\" is neither Yes nor No. [P] takes Yes or No.");
    add("too long a text", "Text", QByteArray(256, 'x').constData(),
        "The value for [P] has 256 characters; a Text parameter holds at most 255.");
}

void TestJetParameters::values()
{
    QFETCH(QString, type);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    const jet::ConnectionSchema schema(db_->MainConnection()->Handle());
    const QList<jet::JetParameter> found =
        jet::FindJetParameters(u"PARAMETERS [P] %1; SELECT [P]"_s.arg(type), schema);
    QCOMPARE(found.size(), 1);
    try {
        QCOMPARE(test::Shown(jet::ParameterValue(found[0], typed)), stored);
    } catch (const RuntimeError& e) {
        QCOMPARE(e.description, stored);
    }
}

QStringList TestJetParameters::Records(const QString& sql, const QList<jet::BoundParameter>& parameters)
{
    auto q = db_->QueryDefs(u"Direct SQL Query Object"_s);
    q->SetSQL(sql);
    q->SetParameters(parameters);
    auto rs = q->OpenRecordset();
    return test::RenderRecords(*rs).split(u';', Qt::SkipEmptyParts);
}

void TestJetParameters::boundValuesStayValues_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("records");
    const char* students = "SELECT [Student ID] FROM Students WHERE Surname = [Who] OR Class = [Who]";
    auto add = [&](const char* row, const char* sql, const char* value, int records) {
        QTest::newRow(row) << QString::fromUtf8(sql) << u"Who"_s << QString::fromUtf8(value) << records;
    };
    add("a quote in the value", students, "O'Brien", 1);
    add("a statement in the value", students, "x'; DELETE FROM Students; --", 0);
    add("a condition in the value", students, "' OR 1=1 OR '", 0);
    add("brackets in the value", students, "[Surname]", 0);
    add("the same name twice", students, "4a", 2);
    add("undeclared, read as the date it meets",
        "SELECT [Receipt Number] FROM [Levy Account Credits] WHERE [Transaction Date] >= [Who]", "1/2/2026", 1);
    add("undeclared, read as the Yes or No it meets",
        "SELECT [Receipt Number] FROM [Levy Account Credits] WHERE True = [Who]", "Yes", 2);
    add("a crosstab's",
        "PARAMETERS [Who] Currency; TRANSFORM Sum(Amount) SELECT [Student ID] FROM [Levy Account Credits] WHERE "
        "Amount > [Who] GROUP BY [Student ID] PIVOT Format([Transaction Date], 'mmm')",
        "300", 1);
}

void TestJetParameters::boundValuesStayValues()
{
    QFETCH(QString, sql);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(int, records);
    auto everyone = [this] {
        engine::Statement s(db_->MainConnection(), u"SELECT group_concat(Surname) FROM Students"_s);
        s.Step();
        return s.ColumnText(0);
    };
    const QString before = everyone();
    const jet::ConnectionSchema schema(db_->MainConnection()->Handle());
    const QList<jet::JetParameter> found = jet::FindJetParameters(sql, schema);
    QCOMPARE(found.size(), 1);
    const QStringList rows = Records(sql, {{name, jet::ParameterValue(found[0], value)}});
    QCOMPARE(rows.size(), records);
    QCOMPARE(everyone(), before);
}

QTEST_GUILESS_MAIN(TestJetParameters)
#include "test_jet_parameters.moc"
