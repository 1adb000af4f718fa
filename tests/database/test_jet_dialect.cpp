#include "support/TestSupport.h"

#include "values/DaoConstants.h"
#include "database/QueryDef.h"
#include "platform/RuntimeError.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
// Four students, three fees, five debits: small enough to work the answers out by hand.
void AddRecords(Database& db)
{
    auto c = db.MainConnection();
    c->Execute(u"INSERT INTO Students ([Student ID], Surname, [First Names], Sex, Class) VALUES "
               u"('S1', 'Banda', 'Mary', 'F', '4A'), ('S2', 'phiri', 'John', 'M', '4A'), "
               u"('S3', 'Mwale', 'Peter', 'M', '4B'), ('S4', 'Zulu', 'Ann', 'F', NULL)"_s);
    c->Execute(u"INSERT INTO Users VALUES ('Admin', '\u00A7Qz9\u00A7', '1'), ('Mary', '\u00A7Ka1\u00A7', '1')"_s);
    c->Execute(u"INSERT INTO [Registered Fees] VALUES (1, 'Tuition'), (2, 'Sports'), (3, 'Library')"_s);
    c->Execute(u"INSERT INTO [Levy Account Debits] VALUES ('2026-01-13 00:00:00', 1500, 1, 'S1'), "
               u"('2026-01-13 00:00:00', 250.5, 2, 'S1'), ('2026-02-02 09:30:00', 1500, 1, 'S2'), "
               u"('2026-03-01 00:00:00', 75.25, 3, 'S3'), ('2026-03-01 00:00:00', -100, 1, 'S3')"_s);
}
} // namespace

class TestJetDialect : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void values_data();
    void values();
    void columnNames_data();
    void columnNames();
    void fieldTypes_data();
    void fieldTypes();
    void typeFromAllValues_data();
    void typeFromAllValues();
    void passwordsStayHidden_data();
    void passwordsStayHidden();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    std::shared_ptr<Database> db_;
};

void TestJetDialect::initTestCase()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    db_ = test::FreshLevy(*sandbox_);
    AddRecords(*db_);
}

void TestJetDialect::cleanupTestCase()
{
    db_->Close();
    db_.reset();
    sandbox_.reset();
}

void TestJetDialect::values_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    auto add = [](const char* name, const char* sql, const char* expected) {
        QTest::newRow(name) << QString::fromUtf8(sql) << QString::fromUtf8(expected);
    };
    // Operators, as the dialect defines them.
    add("/ divides exactly", "SELECT 7 / 2, 2000 / 8, [Fee Code] / 2 FROM [Registered Fees] WHERE [Fee Code] = 3",
        "3.5|250|1.5");
    add("/ by a number beyond a Long", "SELECT 5 / 10000000000, 10000000000 / 4, [Fee Code] / 3000000000 * 1000000000 "
                                       "FROM [Registered Fees] WHERE [Fee Code] = 3",
        "0.0000000005|2500000000|1");
    add("\\ divides whole numbers", "SELECT 7 \\ 2, -7 \\ 2, 7.5 \\ 2, 6.5 \\ 2", "3|-3|4|3");
    add("Mod keeps the dividend's sign", "SELECT 7 Mod 3, -7 Mod 3, 10 Mod 3.5, 10.5 Mod 3", "1|-1|2|1");
    add("^ binds tighter than unary minus", "SELECT 2 ^ 10, -2 ^ 2, 2 ^ -1, 2 ^ 3 ^ 2", "1024|-4|0.5|64");
    add("& joins and passes Null over", "SELECT 'a' & Null, Null & 'b', 1 & 2, Surname & ', ' & [First Names] "
                                        "FROM Students WHERE [Student ID] = 'S1'",
        "a|b|12|Banda, Mary");
    add("& of two Nulls is Null", "SELECT Null & Null", "Null");
    add("+ joins two texts, Null propagates", "SELECT 'a' + 'b', 'a' + Null, 1 + 2, Surname + '!' FROM Students "
                                              "WHERE [Student ID] = 'S3'",
        "ab|Null|3|Mwale!");
    add("precedence of Mod, \\ and *", "SELECT 2 + 7 Mod 4, 8 \\ 2 * 2, 7 Mod 2 * 2", "5|2|3");
    add("True, Yes and On are -1", "SELECT True + 0, Yes + 0, On + 0, False + 0, No + 0, Off + 0", "-1|-1|-1|0|0|0");
    add("a comparison's value is -1 when true", "SELECT (1 < 2) + 0, (2 < 1) + 0, (1 = 1) = True", "-1|0|True");
    add("counting with a comparison", "SELECT -Sum(Sex = 'M'), Sum(IIf(Sex = 'F', 1, 0)) FROM Students", "2|2");
    add("Not, And, Or, Xor, Eqv, Imp", "SELECT Not (1 = 2), (1 = 1) Xor (1 = 2), (1 = 1) Eqv (2 = 2), "
                                       "(1 = 2) Imp (1 = 3)",
        "True|True|True|True");
    // Texts compare as the "General" order does, also between two literals.
    add("literals compare without case", "SELECT 'abc' = 'ABC', 'b' > 'A', 'a' <> 'A'", "True|True|False");
    add("columns compare without case", "SELECT [Student ID] FROM Students WHERE Surname = 'PHIRI'", "S2");
    add("expressions compare without case", "SELECT [Student ID] FROM Students WHERE Left(Surname, 1) = 'b' "
                                            "OR UCase(Surname) = 'zulu'",
        "S1;S4");
    add("IN and BETWEEN without case", "SELECT [Student ID] FROM Students WHERE Left(Surname, 2) IN ('BA', 'zu') "
                                       "OR Left(Surname, 1) BETWEEN 'm' AND 'n' ORDER BY 1",
        "S1;S3;S4");
    add("ordering without case", "SELECT Surname FROM Students ORDER BY Left(Surname, 3)", "Banda;Mwale;phiri;Zulu");
    add("grouping without case", "SELECT Count(*) FROM (SELECT 'a' AS x UNION ALL SELECT 'A' UNION ALL SELECT 'b') "
                                 "GROUP BY x ORDER BY 1",
        "1;2");
    // Literals.
    add("texts in double quotes", "SELECT \"it's\", 'say \"\"hi\"\"' FROM Students WHERE Surname = \"Banda\"",
        "it's|say \"\"hi\"\"");
    add("dates month first", "SELECT #1/31/2026#, #2026-01-31#, #31/1/2026#, #1/2/26#", "2026-01-31 00:00:00|"
                                                                                        "2026-01-31 00:00:00|"
                                                                                        "2026-01-31 00:00:00|"
                                                                                        "2026-01-02 00:00:00");
    add("dates with names and times", "SELECT #Jan 31, 2026#, #31-Jan-2026 2:30 PM#, #14:05:09#",
        "2026-01-31 00:00:00|2026-01-31 14:30:00|1899-12-30 14:05:09");
    add("dates compare with date columns", "SELECT Count(*) FROM [Levy Account Debits] WHERE [Transaction Date] "
                                           "BETWEEN #1/13/2026# AND #2/28/2026#",
        "3");
    add("date arithmetic", "SELECT #1/31/2026# + 1, #3/1/2026# - #2/1/2026#, [Transaction Date] - 0.5 "
                           "FROM [Levy Account Debits] WHERE [Fee Code] = 3",
        "2026-02-01 00:00:00|28|2026-02-28 12:00:00");
    // LIKE patterns: *, ?, #, [list], [!list]; % and _ keep working.
    add("like star", "SELECT Surname FROM Students WHERE Surname LIKE 'b*' OR Surname LIKE '*LU'", "Banda;Zulu");
    add("like question mark", "SELECT Surname FROM Students WHERE Surname LIKE '?h*'", "phiri");
    add("like lists", "SELECT Surname FROM Students WHERE Surname LIKE '[A-M]*' ORDER BY 1", "Banda;Mwale");
    add("like negated list", "SELECT Surname FROM Students WHERE Surname LIKE '[!A-M]*' ORDER BY 1", "phiri;Zulu");
    add("like digit", "SELECT [Student ID] FROM Students WHERE [Student ID] LIKE 'S#' AND NOT "
                      "[Student ID] LIKE '*[12]'",
        "S3;S4");
    add("like percent and underscore", "SELECT Surname FROM Students WHERE Surname LIKE 'm%' OR Surname LIKE "
                                       "'_ulu'",
        "Mwale;Zulu");
    add("like a column's pattern", "SELECT Count(*) FROM Students a, Students b WHERE a.Surname LIKE "
                                   "Left(b.Surname, 1) & '*'",
        "4");
    add("like Null", "SELECT Count(*) FROM Students WHERE Class LIKE '*'", "3");
    // Names.
    add("table!field", "SELECT Students!Surname, [Students]![First Names] FROM Students WHERE [Student ID] = 'S2'",
        "phiri|John");
    add("an earlier column's name", "SELECT Amount * 2 AS Twice, Twice + 1 AS More FROM [Levy Account Debits] "
                                    "WHERE [Fee Code] = 3",
        "150.5|151.5");
    // TOP keeps the records tied with the last one; without ORDER BY it just cuts.
    add("top with ties", "SELECT TOP 1 [Student ID] FROM [Levy Account Debits] ORDER BY Amount DESC", "S1;S2");
    add("top ties on two keys", "SELECT TOP 2 [Student ID], [Fee Code] FROM [Levy Account Debits] "
                                "ORDER BY [Transaction Date], [Fee Code] DESC",
        "S1|2;S1|1");
    add("top ties with ordinal", "SELECT TOP 3 Surname, Class FROM Students ORDER BY 2", "Zulu|Null;Banda|4A;phiri|4A");
    add("top more than there are", "SELECT TOP 10 [Student ID] FROM Students ORDER BY Surname", "S1;S3;S2;S4");
    add("top without order", "SELECT TOP 2 [Student ID] FROM Students", "S1;S2");
    add("top percent rounds up", "SELECT TOP 25 PERCENT [Fee Code], Amount FROM [Levy Account Debits] "
                                 "ORDER BY Amount",
        "1|-100;3|75.25");
    add("top percent with ties", "SELECT TOP 40 PERCENT Amount FROM [Levy Account Debits] ORDER BY Amount DESC",
        "1500;1500");
    add("top of grouped sums", "SELECT TOP 1 [Student ID], Sum(Amount) AS Total FROM [Levy Account Debits] "
                               "GROUP BY [Student ID] ORDER BY Sum(Amount) DESC",
        "S1|1750.5");
    add("top by alias", "SELECT TOP 1 [Student ID], Sum(Amount) AS Total FROM [Levy Account Debits] "
                        "GROUP BY [Student ID] ORDER BY Total",
        "S3|-24.75");
    add("top in a subquery", "SELECT Surname FROM Students WHERE [Student ID] IN (SELECT TOP 1 [Student ID] "
                             "FROM [Levy Account Debits] ORDER BY Amount DESC) ORDER BY 1",
        "Banda;phiri");
    add("top distinct", "SELECT DISTINCT TOP 2 Amount FROM [Levy Account Debits] ORDER BY Amount DESC",
        "1500;250.5");
    add("top in union members", "SELECT Count(*) FROM (SELECT TOP 3 Surname FROM Students UNION ALL "
                                "SELECT TOP 1 [Fee Name] FROM [Registered Fees])",
        "4");
    // DISTINCTROW: distinct records of the tables read; the same as ALL for one table.
    add("distinctrow over a join", "SELECT DISTINCTROW Students.Surname FROM Students INNER JOIN "
                                   "[Levy Account Debits] ON Students.[Student ID] = [Levy Account Debits].[Student ID] "
                                   "ORDER BY 1",
        "Banda;Mwale;phiri");
    add("distinctrow on one table", "SELECT DISTINCTROW Sex FROM Students ORDER BY 1", "F;F;M;M");
    // Joins the engine writes differently.
    add("right join", "SELECT f.[Fee Name], d.[Student ID] FROM [Levy Account Debits] d RIGHT JOIN "
                      "[Registered Fees] f ON d.[Fee Code] = f.[Fee Code] WHERE f.[Fee Code] > 1 ORDER BY 1",
        "Library|S3;Sports|S1");
    add("right join keeps the column order", "SELECT * FROM (SELECT 3 AS a, 'x' AS t) x RIGHT JOIN "
                                             "(SELECT 3 AS b, 'y' AS u) y ON x.a = y.b",
        "3|x|3|y");
    add("nested joins in parentheses", "SELECT s.Surname, f.[Fee Name] FROM (Students s INNER JOIN "
                                       "[Levy Account Debits] d ON s.[Student ID] = d.[Student ID]) INNER JOIN "
                                       "[Registered Fees] f ON d.[Fee Code] = f.[Fee Code] WHERE d.Amount < 100 "
                                       "ORDER BY 2",
        "Mwale|Library;Mwale|Tuition");
    // Functions that the translation writes natively.
    add("IIf, Nz, Switch and IsNull", "SELECT IIf(Class Is Null, 'none', Class), Nz(Class, '-'), "
                                      "Switch(Sex = 'M', 'boy', Sex = 'F', 'girl'), IsNull(Class) "
                                      "FROM Students WHERE [Student ID] = 'S4'",
        "none|-|girl|True");
    add("IIf does not evaluate the other branch", "SELECT IIf([Fee Code] = 0, [Fee Code] \\ 0.4, [Fee Code]) "
                                                  "FROM [Registered Fees] WHERE [Fee Code] = 2",
        "2");
    add("aggregates", "SELECT Count(*), Count(Class), Sum(Amount), Min(Amount), Max(Amount) FROM Students, "
                      "[Levy Account Debits] WHERE Students.[Student ID] = 'S1'",
        "5|5|3225.75|-100|1500");
    // A name both know reads the dialect's way.
    add("Hex and Oct", "SELECT Hex(255), Hex(Null), Hex(-1), Oct(8), Partition(7, 0, 99, 10)",
        "FF|Null|FFFFFFFF|10|  0:  9");
    // A field's type is its declared one; Null is Null whatever the field.
    add("TypeName and VarType of fields", "SELECT TypeName(Amount), VarType(Amount), TypeName([Fee Code]), "
                                          "TypeName(s.[Student ID]), VarType(d.[Transaction Date]), TypeName(Class) "
                                          "FROM [Levy Account Debits] AS d, Students AS s "
                                          "WHERE d.Amount = 75.25 AND s.[Student ID] = 'S4'",
        "Currency|6|Integer|String|7|Null");
    add("financial functions in a query", "SELECT Round(Pmt(0.08 / 12, 10, Amount * 10), 2), SLN(Amount, 0, 5) "
                                          "FROM [Levy Account Debits] WHERE Amount = 250.5",
        "-259.78|50.1");
    add("StrConv of a field", "SELECT StrConv(Surname, 3) FROM Students WHERE [Student ID] = 'S2'", "Phiri");
    // The engine's own SQL keeps working where it does not clash.
    add("engine functions", "SELECT substr('abcdef', 2, 3), length('abc'), coalesce(NULL, 'x'), upper('ab'), "
                            "typeof(1), 'a' || 'b', abs(-2)",
        "bcd|3|x|AB|integer|ab|2");
    add("case and cast", "SELECT CASE WHEN 1 > 2 THEN 'a' ELSE 'b' END, CAST('12' AS INTEGER) + 1, "
                         "CAST(7 AS REAL) / 2",
        "b|13|3.5");
    add("limit and offset", "SELECT [Student ID] FROM Students ORDER BY 1 LIMIT 2 OFFSET 1", "S2;S3");
    add("common table", "WITH t(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM t WHERE n < 3) SELECT Sum(n) FROM t",
        "6");
    add("exists and in", "SELECT Surname FROM Students s WHERE EXISTS (SELECT 1 FROM [Levy Account Debits] d "
                         "WHERE d.[Student ID] = s.[Student ID] AND d.Amount < 0) AND [Student ID] NOT IN ('S9')",
        "Mwale");
    add("group by having", "SELECT [Student ID], Count(*) FROM [Levy Account Debits] GROUP BY [Student ID] "
                           "HAVING Count(*) > 1 ORDER BY 1",
        "S1|2;S3|2");
    add("union orders by name", "SELECT Surname AS n FROM Students WHERE Sex = 'F' UNION SELECT [Fee Name] "
                                "FROM [Registered Fees] ORDER BY n DESC",
        "Zulu;Tuition;Sports;Library;Banda");
    add("comments and parameters clause", "-- unused\r\nPARAMETERS [x] Text;\r\n/* all */ SELECT Count(*) "
                                          "FROM Students;",
        "4");
    add("text that looks like SQL", "SELECT 'x''; DELETE FROM Students; --' FROM Students WHERE "
                                    "[Student ID] = 'S1'",
        "x'; DELETE FROM Students; --");
}

void TestJetDialect::values()
{
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    try {
        QCOMPARE(test::RenderRecords(*db_->OpenRecordset(sql)), expected);
    } catch (const RuntimeError& e) {
        QFAIL(qPrintable(e.description));
    }
    // The stored query runs it the same way.
    auto q = db_->QueryDefs(u"Direct SQL Query Object"_s);
    q->SetSQL(sql);
    QCOMPARE(test::RenderRecords(*q->OpenRecordset()), expected);
}

void TestJetDialect::columnNames_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("names");
    QTest::newRow("fields and aggregates")
        << u"SELECT d.Amount, Sum(Amount), Count([Student ID]), Count(*), Amount * 2, Max(d.Amount) "
           u"FROM [Levy Account Debits] d"_s
        << u"Amount|SumOfAmount|CountOfStudent ID|Expr1003|Expr1004|MaxOfAmount"_s;
    QTest::newRow("aliases") << u"SELECT Surname AS Name, [First Names] AS [Given Names], 1 AS One FROM Students"_s
                             << u"Name|Given Names|One"_s;
    QTest::newRow("engine's own SQL") << u"SELECT count(*), upper(Surname) FROM Students"_s
                                      << u"Expr1000|Expr1001"_s;
}

void TestJetDialect::columnNames()
{
    QFETCH(QString, sql);
    QFETCH(QString, names);
    auto rs = db_->OpenRecordset(sql);
    QStringList actual;
    for (int i = 0; i < rs->FieldCount(); ++i)
        actual.append(rs->FieldName(i));
    QCOMPARE(actual.join(u'|'), names);
}

void TestJetDialect::fieldTypes_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("type");
    auto add = [](const char* expression, int type) { QTest::newRow(expression) << QString::fromUtf8(expression) << type; };
    // Amounts stay amounts through sums and amount arithmetic.
    add("Sum(Amount)", dbCurrency);
    add("Min(Amount)", dbCurrency);
    add("Max(Amount)", dbCurrency);
    add("First(Amount)", dbCurrency);
    add("Last(Amount)", dbCurrency);
    add("Amount * 2", dbCurrency);
    add("Amount + 1", dbCurrency);
    add("-Amount", dbCurrency);
    add("CCur([Fee Code])", dbCurrency);
    add("IIf(Amount > 0, Amount, 0)", dbCurrency);
    add("Nz(Amount, 0)", dbCurrency);
    add("Amount / 2", dbDouble);
    add("Amount * 1.5", dbDouble);
    add("StDev(Amount)", dbDouble);
    // Counts are long integers.
    add("Count(*)", dbLong);
    add("Count(Amount)", dbLong);
    add("Sum([Fee Code])", dbLong);
    add("[Fee Code] \\ 2", dbLong);
    add("Year([Transaction Date])", dbLong);
    // Dates.
    add("[Transaction Date] + 1", dbDate);
    add("DateAdd('m', 1, [Transaction Date])", dbDate);
    add("Max([Transaction Date])", dbDate);
    add("#1/1/2026#", dbDate);
    add("[Transaction Date] - #1/1/2026#", dbDouble);
    // The rest.
    add("[Student ID] & '!'", dbText);
    add("Left([Student ID], 1)", dbText);
    add("Format(Amount, '0.00')", dbText);
    add("Amount > 0", dbBoolean);
    add("IsNull(Amount)", dbBoolean);
    add("1", dbLong);
    add("1.5", dbDouble);
    add("[Fee Code]", dbInteger);
    add("Amount", dbCurrency);
}

void TestJetDialect::fieldTypes()
{
    QFETCH(QString, expression);
    QFETCH(int, type);
    auto rs = db_->OpenRecordset(u"SELECT %1 FROM [Levy Account Debits]"_s.arg(expression));
    rs->MoveLast();
    QCOMPARE(rs->FieldType(0), type);
}

void TestJetDialect::typeFromAllValues_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("values");
    QTest::newRow("whole numbers") << u"1, 2"_s << int(dbLong) << u"1;2"_s;
    QTest::newRow("Null first") << u"NULL, 7"_s << int(dbLong) << u"Null;7"_s;
    QTest::newRow("whole then fraction") << u"1, 2.5"_s << int(dbDouble) << u"1;2.5"_s;
    QTest::newRow("beyond 32 bits") << u"1, 5000000000"_s << int(dbDouble) << u"1;5000000000"_s;
    QTest::newRow("number then text") << u"1, 'x'"_s << int(dbText) << u"1;x"_s;
    QTest::newRow("text then fraction") << u"'x', 2.5"_s << int(dbText) << u"x;2.5"_s;
    QTest::newRow("only Nulls") << u"NULL, NULL"_s << int(dbText) << u"Null;Null"_s;
}

void TestJetDialect::typeFromAllValues()
{
    QFETCH(QString, rows);
    QFETCH(int, type);
    QFETCH(QString, values);
    // A view's expression column: neither declared nor typed by an expression the
    // statement shows, so its type comes from every value of the result, read once.
    QStringList selects;
    for (const QString& v : rows.split(u", "_s))
        selects.append(u"SELECT %1 AS x"_s.arg(v));
    auto c = db_->MainConnection();
    c->Execute(u"DROP VIEW IF EXISTS Mixed"_s);
    c->Execute(u"CREATE VIEW Mixed AS "_s + selects.join(u" UNION ALL "_s));
    auto rs = db_->OpenRecordset(u"SELECT x FROM Mixed"_s);
    rs->MoveLast();
    QCOMPARE(rs->FieldType(0), type);
    QCOMPARE(test::RenderRecords(*rs), values);
}

void TestJetDialect::passwordsStayHidden_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    auto add = [](const char* name, const char* sql, const char* expected) {
        QTest::newRow(name) << QString::fromUtf8(sql) << QString::fromUtf8(expected);
    };
    // The dialect's forms read "User Password" through the same checks: always Null.
    add("pivot on the password", "TRANSFORM Count(*) SELECT [User Name] FROM Users GROUP BY [User Name] "
                                 "PIVOT [User Password]",
        "Admin|1;Mary|1");
    add("pivot IN a password", "TRANSFORM Count(*) SELECT [User Name] FROM Users GROUP BY [User Name] "
                               "PIVOT [User Password] IN ('\u00A7Qz9\u00A7')",
        "Admin|Null;Mary|Null");
    add("top ordered by the password", "SELECT TOP 1 [User Name] FROM Users ORDER BY [User Password] DESC",
        "Admin;Mary");
    add("like on the password", "SELECT [User Name] FROM Users WHERE [User Password] LIKE '*Q*' OR "
                                "[User Password] LIKE '[!x]*'",
        "");
    add("functions of the password", "SELECT [User Name] & [User Password], Len([User Password]), "
                                     "Mid([User Password], 2, 1) FROM Users",
        "Admin|Null|Null;Mary|Null|Null");
    add("distinctrow over the password", "SELECT DISTINCTROW a.[User Name] FROM Users a INNER JOIN Users b "
                                         "ON a.[User Password] = b.[User Password]",
        "");
}

void TestJetDialect::passwordsStayHidden()
{
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    try {
        QCOMPARE(test::RenderRecords(*db_->OpenRecordset(sql)), expected);
    } catch (const RuntimeError& e) {
        QFAIL(qPrintable(e.description));
    }
}

QTEST_GUILESS_MAIN(TestJetDialect)
#include "test_jet_dialect.moc"
