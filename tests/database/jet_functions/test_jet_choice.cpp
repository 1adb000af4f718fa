#include "FunctionTesting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy::test;

// The dialect's choice and inspection, a row or more per documented case.
class TestJetChoice : public QObject {
    Q_OBJECT

private slots:
    void choice_data();
    void choice() { db_.Check(); }

private:
    FunctionDatabase db_;
};

void TestJetChoice::choice_data()
{
    AddExpressionColumns();
    Row("IIf true", "jet_iif(1 = 1, 'a', 'b')", "'a'");
    Row("IIf Null condition takes the false part", "jet_iif(NULL, 'a', 'b')", "'b'");
    Row("IIf True is -1", "jet_iif(-1, 1, 2)", "1");
    Row("Switch takes the first true pair", "jet_switch(1 = 0, 'a', 1 = 1, 'b', 1 = 1, 'c')", "'b'");
    Row("Switch without a true pair", "jet_switch(0, 'a')", "Null");
    Row("Choose", "jet_choose(2, 'a', 'b', 'c')", "'b'");
    Row("Choose beyond the list", "jet_choose(4, 'a', 'b')", "Null");
    Row("Choose below the list", "jet_choose(0, 'a')", "Null");
    Row("Choose rounds its index half to even", "jet_choose(2.5, 'a', 'b', 'c')", "'b'");
    Row("Choose of Null", "jet_choose(NULL, 'a')", "Null");
    Row("IsNull of Null", "jet_isnull(NULL)", "-1");
    Row("IsNull of an empty text", "jet_isnull('')", "0");
    Row("IsNumeric of a decimal text", "jet_isnumeric('12.5')", "-1");
    Row("IsNumeric with thousands and blanks", "jet_isnumeric(' 1,234 ')", "-1");
    Row("IsNumeric with an exponent", "jet_isnumeric('1e3')", "-1");
    Row("IsNumeric of a word", "jet_isnumeric('abc')", "0");
    Row("IsNumeric of an empty text", "jet_isnumeric('')", "0");
    Row("IsNumeric of Null", "jet_isnumeric(NULL)", "0");
    Row("IsNumeric of a number", "jet_isnumeric(5)", "-1");
    Row("IsNumeric of a stored date", "jet_isnumeric('2020-01-31 00:00:00')", "0");
    Row("IsDate of the office's short date", "jet_isdate('31/01/2020')", "-1");
    Row("IsDate of a stored date", "jet_isdate('2020-01-31 00:00:00')", "-1");
    Row("IsDate of a thirteenth month", "jet_isdate('31/13/2020')", "0");
    Row("IsDate of 30 February", "jet_isdate('30 February 2020')", "0");
    Row("IsDate of a time", "jet_isdate('2:30 PM')", "-1");
    Row("IsDate of a number", "jet_isdate(5)", "0");
    Row("IsDate of a number with thousands", "jet_isdate('1,234')", "0");
    Row("IsDate of a word", "jet_isdate('abc')", "0");
    Row("Partition below start", "jet_partition(-1, 0, 99, 5)", "'   : -1'");
    Row("Partition first range", "jet_partition(0, 0, 99, 5)", "'  0:  4'");
    Row("Partition last range", "jet_partition(99, 0, 99, 5)", "' 95: 99'");
    Row("Partition above stop", "jet_partition(100, 0, 99, 5)", "'100:   '");
    Row("Partition last range ends at stop", "jet_partition(1010, 100, 1010, 20)", "' 1000: 1010'");
    Row("Partition below a later start", "jet_partition(5, 100, 1010, 20)", "'     :   99'");
    Row("Partition of interval 1", "jet_partition(100, 0, 1000, 1)", "'  100:  100'");
    Row("Partition rounds half to even", "jet_partition(2.5, 0, 10, 1)", "'  2:  2'");
    Row("Partition of Null", "jet_partition(1, 0, NULL, 5)", "Null");
    Row("Compare ignores case", "jet_compare('abc', 'ABC')", "0");
    Row("Compare texts", "jet_compare('a', 'b')", "-1");
    Row("Compare a number with a numeric text", "jet_compare(10, '9')", "1");
    Row("Compare a number with a word", "jet_compare(2, 'abc')", "-1");
    Row("Compare with Null", "jet_compare(NULL, 1)", "Null");
    Row("IIf of a word", "jet_iif('abc', 1, 2)", "!Type mismatch in IIf()");
    Row("Switch without pairs", "jet_switch(1, 'a', 2)", "!Invalid procedure call or argument in Switch()");
    Row("Partition with a negative start", "jet_partition(1, -1, 5, 1)",
        "!Invalid procedure call or argument in Partition()");
    Row("Partition with stop not above start", "jet_partition(1, 5, 5, 1)",
        "!Invalid procedure call or argument in Partition()");
    Row("Partition with interval 0", "jet_partition(1, 0, 5, 0)", "!Invalid procedure call or argument in Partition()");
    Row("TypeName of a small whole number", "jet_typename(5)", "'Integer'");
    Row("TypeName of a large whole number", "jet_typename(100000)", "'Long'");
    Row("TypeName of a fraction", "jet_typename(2.5)", "'Double'");
    Row("TypeName of a text", "jet_typename('a')", "'String'");
    Row("TypeName of a date", "jet_typename('2020-01-31 00:00:00')", "'Date'");
    Row("TypeName of Null", "jet_typename(NULL)", "'Null'");
    Row("VarType of each kind", "jet_vartype(5) || jet_vartype(100000) || jet_vartype(2.5) || jet_vartype('a') || "
        "jet_vartype('2020-01-31 00:00:00') || jet_vartype(NULL)", "'235871'");
    Row("IsEmpty of Null", "jet_isempty(NULL)", "0");
    Row("IsEmpty of an empty text", "jet_isempty('')", "0");
    Row("IsError of a number", "jet_iserror(5)", "0");
}

QTEST_MAIN(TestJetChoice)
#include "test_jet_choice.moc"
