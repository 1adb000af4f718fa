#include "FunctionTesting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy::test;

// The dialect's numbers and arithmetic, a row or more per documented case.
class TestJetNumbers : public QObject {
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers() { db_.Check(); }

private:
    FunctionDatabase db_;
};

void TestJetNumbers::numbers_data()
{
    AddExpressionColumns();
    Row("Round 2.5 to even", "jet_round(2.5)", "2.0");
    Row("Round 3.5 to even", "jet_round(3.5)", "4.0");
    Row("Round -2.5 to even", "jet_round(-2.5)", "-2.0");
    Row("Round to places, tie in decimal", "jet_round(2.675, 2)", "2.68");
    Row("Round to places, tie to even", "jet_round(0.125, 2)", "0.12");
    Row("Round 1.005 to even", "jet_round(1.005, 2)", "1.0");
    Row("Round away from a tie", "jet_round(1.23456, 3)", "1.235");
    Row("Round keeps a whole number whole", "jet_round(5)", "5");
    Row("Round of Null", "jet_round(NULL)", "Null");
    Row("Int of a negative is the floor", "jet_int(-8.4)", "-9.0");
    Row("Fix of a negative truncates", "jet_fix(-8.4)", "-8.0");
    Row("Int of a positive", "jet_int(8.9)", "8.0");
    Row("Int keeps a whole number whole", "jet_int(7)", "7");
    Row("Int of a numeric text", "jet_int('5.5')", "5.0");
    Row("Int of Null", "jet_int(NULL)", "Null");
    Row("Abs", "jet_abs(-5)", "5");
    Row("Abs of a double", "jet_abs(-2.5)", "2.5");
    Row("Abs of Null", "jet_abs(NULL)", "Null");
    Row("Sgn negative", "jet_sgn(-3)", "-1");
    Row("Sgn zero", "jet_sgn(0)", "0");
    Row("Sgn positive", "jet_sgn(2.5)", "1");
    Row("Sqr", "jet_sqr(16)", "4.0");
    Row("\\ of whole numbers", "jet_intdiv(7, 2)", "3");
    Row("\\ truncates toward zero", "jet_intdiv(-7, 2)", "-3");
    Row("\\ rounds 7.5 to 8 first", "jet_intdiv(7.5, 2)", "4");
    Row("\\ rounds 6.5 to 6 first", "jet_intdiv(6.5, 2)", "3");
    Row("\\ of Null", "jet_intdiv(NULL, 1)", "Null");
    Row("Mod", "jet_mod(7, 3)", "1");
    Row("Mod takes the dividend's sign", "jet_mod(-7, 3)", "-1");
    Row("Mod of a negative divisor", "jet_mod(7, -3)", "1");
    Row("Mod rounds first", "jet_mod(5.5, 2)", "0");
    Row("^", "jet_pow(2, 10)", "1024.0");
    Row("^ negative exponent", "jet_pow(2, -1)", "0.5");
    Row("^ of a negative base and whole exponent", "jet_pow(-2, 3)", "-8.0");
    Row("^ of Null", "jet_pow(NULL, 2)", "Null");
    Row("/ gives a double", "jet_div(5, 2)", "2.5");
    Row("/ of Null", "jet_div(NULL, 0)", "Null");
    Row("+ of numbers", "jet_add(1, 2)", "3");
    Row("+ of two texts joins them", "jet_add('1', '2')", "'12'");
    Row("+ of a numeric text and a number", "jet_add('5', 3)", "8.0");
    Row("+ of a date and days", "jet_add('2020-01-31 00:00:00', 1)", "'2020-02-01 00:00:00'");
    Row("+ of a date and half a day", "jet_add('2020-01-31 00:00:00', 0.5)", "'2020-01-31 12:00:00'");
    Row("+ with Null", "jet_add(NULL, 1)", "Null");
    Row("- of two dates gives days", "jet_sub('2020-03-01 00:00:00', '2020-02-01 00:00:00')", "29.0");
    Row("- of days from a date", "jet_sub('2020-03-01 00:00:00', 1)", "'2020-02-29 00:00:00'");
    Row("- of numbers", "jet_sub(5, 7)", "-2");
    Row("Sqr of a negative", "jet_sqr(-1)", "!Invalid procedure call or argument in Sqr()");
    Row("Round to negative places", "jet_round(2.5, -1)", "!Invalid procedure call or argument in Round()");
    Row("\\ by zero", "jet_intdiv(5, 0)", "!Division by zero in the \\ operator.");
    Row("\\ by a divisor rounded to zero", "jet_intdiv(5, 0.4)", "!Division by zero in the \\ operator.");
    Row("Mod by zero", "jet_mod(7, 0)", "!Division by zero in the Mod operator.");
    Row("/ by zero", "jet_div(1, 0)", "!Division by zero in the / operator.");
    Row("/ of zero by zero", "jet_div(0, 0)", "!Overflow in the / operator.");
    Row("^ of a negative base and a fraction", "jet_pow(-8, 1.0 / 3)", "!Invalid procedure call or argument in the ^ operator");
    Row("^ of zero to a negative power", "jet_pow(0, -1)", "!Division by zero in the ^ operator.");
    Row("+ of a word and a number", "jet_add('a', 1)", "!Type mismatch in the + operator");
    Row("Atn of 1 is a quarter of pi", "jet_round(jet_atn(1) * 4, 9)", "3.141592654");
    Row("Cos", "jet_cos(0)", "1.0");
    Row("Sin", "jet_round(jet_sin(jet_atn(1) * 2), 9)", "1.0");
    Row("Tan", "jet_tan(0)", "0.0");
    Row("Exp", "jet_round(jet_exp(1), 9)", "2.718281828");
    Row("Exp too large", "jet_exp(710)", "!Overflow in Exp()");
    Row("Log undoes Exp", "jet_round(jet_log(jet_exp(2)), 9)", "2.0");
    Row("Log of 0", "jet_log(0)", "!Invalid procedure call or argument in Log()");
    Row("Log of Null", "jet_log(NULL)", "!Invalid use of Null in Log()");
    Row("Rnd of a negative number repeats", "jet_round(jet_rnd(-1), 6) || ' ' || (jet_rnd(-1) = jet_rnd(-1))",
        "'0.224007 1'");
    Row("Rnd of 0 repeats the last number", "jet_rnd(-5) = jet_rnd(0)", "1");
    Row("Rnd lies between 0 and 1", "jet_rnd() >= 0 AND jet_rnd(7) < 1", "1");
}

QTEST_MAIN(TestJetNumbers)
#include "test_jet_numbers.moc"
