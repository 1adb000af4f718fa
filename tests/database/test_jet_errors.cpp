#include "support/TestSupport.h"

#include "engine/EngineErrors.h"
#include "database/QueryDef.h"
#include "platform/RuntimeError.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

// What a clerk is told about a faulty statement: the unknown name or the clause, and
// where it is.
class TestJetErrors : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void messages_data();
    void messages();
    void failedSaveKeepsThePreviousStatement();
    void runTimeFaultsNameTheirPlace_data();
    void runTimeFaultsNameTheirPlace();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    std::shared_ptr<Database> db_;
};

void TestJetErrors::initTestCase()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    const QString path = sandbox_->Path(u"levy.mdb"_s);
    test::MakeBlankDatabase(path);
    db_ = test::OpenLevy(path);
}

void TestJetErrors::cleanupTestCase()
{
    db_->Close();
    db_.reset();
    sandbox_.reset();
}

void TestJetErrors::messages_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    const int syntax = engine::errSyntax;
    auto add = [](const char* name, const char* sql, int number, const char* message) {
        QTest::newRow(name) << QString::fromUtf8(sql) << number << QString::fromUtf8(message);
    };
    // Unknown names, with their place.
    add("unknown table", "SELECT * FROM Studnts", syntax,
        "The levy database has no table or query named \"Studnts\" (line 1, column 15).");
    add("unknown field", "SELECT Surname,\r\n  Surnme FROM Students", syntax,
        "No table of this query has a field named \"Surnme\" (line 2, column 3).");
    add("unknown field of a table", "SELECT s.[First Name] FROM Students AS s", syntax,
        "There is no field \"First Name\" in \"s\" (line 1, column 8)");
    add("unknown field in a crosstab", "TRANSFORM Sum(Amount) SELECT Class FROM [Levy Account Debits] GROUP BY Class "
                                       "PIVOT [Fee Code]",
        syntax, "field named \"Class\" (line 1, column 30)");
    add("unknown function", "SELECT Surname, Lenght(Surname) FROM Students", syntax,
        "Undefined function 'Lenght' in expression (line 1, column 17).");
    add("wrong number of arguments", "SELECT Left(Surname) FROM Students", syntax,
        "The function Left was given the wrong number of arguments (line 1, column 8). It is written "
        "Left(string, length).");
    add("wrong number of arguments of Partition", "SELECT Surname, Partition(1, 0, 99) FROM Students", syntax,
        "The function Partition was given the wrong number of arguments (line 1, column 17).");
    add("too many arguments", "SELECT Surname,\r\n  Format(Surname, '>', 1, 1, 1) FROM Students", syntax,
        "The function Format was given the wrong number of arguments (line 2, column 3). It is written "
        "Format(expression[, format[, firstdayofweek[, firstweekofyear]]]).");
    add("too few arguments of a financial function", "SELECT Pmt(0.1, 12) FROM Students", syntax,
        "The function Pmt was given the wrong number of arguments (line 1, column 8). It is written "
        "Pmt(rate, nper, pv[, fv[, type]]).");
    // Domain functions belong to the desktop application: a subquery does their work.
    add("a domain function", "SELECT DSum('[Amount]', 'Levy Account Debits', '[Student ID] = ''S1''') FROM Students",
        syntax,
        "DSum() is a domain function of the desktop application, which a query here cannot call. Write a subquery "
        "instead: (SELECT Sum([Amount]) FROM [Levy Account Debits] WHERE [Student ID] = 'S1'). The fault is at "
        "line 1, column 8.");
    add("a domain lookup", "SELECT dlookup(\"Surname\", \"[Students]\") FROM Classes", syntax,
        "dlookup() is a domain function of the desktop application, which a query here cannot call. Write a "
        "subquery instead: (SELECT TOP 1 Surname FROM [Students]).");
    add("a domain count of an expression", "SELECT DCount(Class, 'Students') FROM Classes", syntax,
        "Write a subquery instead: (SELECT Count(field) FROM [Students]).");
    add("ambiguous field", "SELECT Class FROM Students, Classes", syntax,
        "The field \"Class\" is in more than one table of this query (line 1, column 8). Write it with its table");
    add("aggregate in WHERE", "SELECT Count(*) FROM Students WHERE Count(*) > 1", syntax,
        "The aggregate function Count cannot be used here. Aggregates");
    add("aggregate in GROUP BY", "SELECT Class FROM Students GROUP BY Count(*)", syntax,
        "An aggregate function (Sum, Count, Avg, ...) cannot be used in GROUP BY.");
    add("union of different widths", "SELECT Surname FROM Students UNION SELECT Surname, Sex FROM Students", syntax,
        "The number of columns in the two selected tables or queries of a union query do not match.");
    add("a parameter given no value", "PARAMETERS [Which class] Text; SELECT * FROM Students WHERE Class = [Which class]",
        syntax, "No value was given for the parameter [Which class]. Run the statement again and enter a value for it.");
    add("a parameter of no type", "PARAMETERS [Which class] Colour; SELECT * FROM Students", syntax,
        "The PARAMETERS clause gives [Which class] the type Colour, which is not a data type. Use Text, Memo, Byte, "
        "Short, Long, Single, Double, Currency, Decimal, DateTime or YesNo. The fault is at line 1, column 12.");
    // The dialect's own texts.
    add("mistyped first word", "SELEC * FRM Students", syntax,
        "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'. The fault is near "
        "\"SELEC\" at line 1, column 1.");
    add("two statements", "SELECT * FROM Students; SELECT * FROM Users", engine::errTrailingCharacters,
        "Characters found after end of SQL statement.");
    add("missing operator", "SELECT * FROM Students WHERE Surname Sex", syntax,
        "Syntax error (missing operator) in query expression 'Surname Sex'. The fault is near \"Sex\" at line 1, "
        "column 38.");
    add("open text", "SELECT * FROM Students WHERE Surname = 'Banda", syntax,
        "Syntax error in string in query expression 'Surname = 'Banda'.");
    add("bad date", "SELECT * FROM Students WHERE #2/30/2026# < Date()", syntax,
        "Syntax error in date in query expression '#2/30/2026#'.");
    add("open parenthesis", "SELECT * FROM Students WHERE (Surname = 'x'", syntax,
        "Missing ), ], or Item in query expression '(Surname = 'x''.");
    add("ORDER without BY", "SELECT * FROM Students ORDER Surname", syntax,
        "Syntax error in ORDER BY clause. The fault is near \"Surname\" at line 1, column 30.");
    add("GROUP without BY", "SELECT Class FROM Students GROUP Class", syntax, "Syntax error in GROUP BY clause.");
    add("condition missing", "SELECT * FROM Students WHERE", syntax,
        "The statement ends where a value or an expression is expected.");
    add("nothing selected", "SELECT FROM Students", syntax,
        "The SELECT statement includes a reserved word or an argument name that is misspelled or missing, or the "
        "punctuation is incorrect. The fault is near \"FROM\" at line 1, column 8.");
    add("right join without ON", "SELECT * FROM Students RIGHT JOIN Classes", syntax,
        "Syntax error in JOIN operation.");
    add("other database file", "SELECT * FROM Students IN 'C:\\other.mdb'", syntax,
        "tables of other database files (IN '...') cannot be used.");
    add("crosstab without PIVOT", "TRANSFORM Count(*) SELECT Class FROM Students GROUP BY Class", syntax,
        "Syntax error in TRANSFORM statement.");
    add("FULL JOIN", "SELECT * FROM Students FULL OUTER JOIN Classes ON Students.Class = Classes.Class", syntax,
        "FULL OUTER JOIN is not supported.");
    // Each column names the one before twice: its text doubles at every column.
    QByteArray doubling = "SELECT 1 AS c0";
    for (int i = 1; i <= 40; ++i)
        doubling += ", c" + QByteArray::number(i - 1) + " + c" + QByteArray::number(i - 1) + " AS c" + QByteArray::number(i);
    QTest::newRow("earlier columns named until the text is too long")
        << QString::fromUtf8(doubling) << syntax
        << u"The statement grows too long when its column names are expanded (past 512,000 characters at the column "
           u"c16, line 1, column 258). "_s;
}

void TestJetErrors::messages()
{
    QFETCH(QString, sql);
    QFETCH(int, number);
    QFETCH(QString, message);
    auto q = db_->QueryDefs(u"Direct SQL Query Object"_s);
    try {
        q->SetSQL(sql);
        q->OpenRecordset();
        QFAIL("the statement was accepted");
    } catch (const RuntimeError& e) {
        QCOMPARE(e.number, number);
        QVERIFY2(e.description.contains(message), qPrintable(e.description));
    }
}

void TestJetErrors::failedSaveKeepsThePreviousStatement()
{
    auto q = db_->QueryDefs(u"Direct SQL Query Object"_s);
    q->SetSQL(u"SELECT Surname FROM Students"_s);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, q->SetSQL(u"SELECT Surnam FROM Students"_s));
    QCOMPARE(q->SQL(), u"SELECT Surname FROM Students"_s);
}

void TestJetErrors::runTimeFaultsNameTheirPlace_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");
    QTest::newRow("a text where a number belongs")
        << u"SELECT 1,\n  CInt('abc')"_s
        << u"Type mismatch in CInt(): \"abc\" is not a number. The call of CInt is at line 2, column 3."_s;
    QTest::newRow("one of several calls")
        << u"SELECT CInt('1'), Left('a', 1), cint('x')"_s
        << u"Type mismatch in CInt(): \"x\" is not a number. The statement calls CInt at line 1, column 8 and once "
           u"more."_s;
    QTest::newRow("an argument out of range")
        << u"SELECT StrConv('abc', 64)"_s
        << u"Invalid procedure call or argument in StrConv(): the conversion 64 is not 1 (upper case), 2 (lower "
           u"case) or 3 (proper case). The call of StrConv is at line 1, column 8."_s;
}

void TestJetErrors::runTimeFaultsNameTheirPlace()
{
    QFETCH(QString, sql);
    QFETCH(QString, message);
    try {
        db_->OpenRecordset(sql)->MoveLast();
        QFAIL("the statement ran");
    } catch (const RuntimeError& e) {
        QCOMPARE(e.description, message);
    }
}

QTEST_GUILESS_MAIN(TestJetErrors)
#include "test_jet_errors.moc"
