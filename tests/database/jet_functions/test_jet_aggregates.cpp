#include "FunctionTesting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy::test;

// The dialect's aggregates, a row or more per documented case.
class TestJetAggregates : public QObject {
    Q_OBJECT

private slots:
    void aggregates_data();
    void aggregates() { db_.Check(); }

private:
    FunctionDatabase db_;
};

void TestJetAggregates::aggregates_data()
{
    AddExpressionColumns();
    AggregateRow("Sum skips Nulls", "jet_sum(v)", "(1), (NULL), (2)", "3");
    AggregateRow("Sum of only Nulls", "jet_sum(v)", "(NULL), (NULL)", "Null");
    AggregateRow("Sum of amounts adds exactly", "jet_sum(v)", "(0.1), (0.2)", "0.3");
    AggregateRow("Sum of ten tenths is one", "jet_sum(v)", "(0.1), (0.1), (0.1), (0.1), (0.1), (0.1), (0.1), (0.1), (0.1), (0.1)",
        "1.0");
    AggregateRow("Sum of whole and decimal amounts", "jet_sum(v)", "(1), (0.05)", "1.05");
    AggregateRow("Sum of numeric texts", "jet_sum(v)", "('5'), ('2.5')", "7.5");
    AggregateRow("Sum of a thirds keeps the double", "jet_sum(v)", "(1.0 / 3), (1.0 / 3), (1.0 / 3)", "1.0");
    AggregateRow("Avg skips Nulls", "jet_avg(v)", "(1), (NULL), (2)", "1.5");
    AggregateRow("Avg of amounts", "jet_avg(v)", "(0.1), (0.2)", "0.15");
    AggregateRow("Avg of nothing", "jet_avg(v)", "(NULL)", "Null");
    AggregateRow("Count skips Nulls", "jet_count(v)", "(1), (NULL), (2)", "2");
    AggregateRow("Count(*) counts every record", "jet_count(*)", "(1), (NULL), (2)", "3");
    AggregateRow("Count of only Nulls", "jet_count(v)", "(NULL)", "0");
    AggregateRow("Min of numbers", "jet_min(v)", "(3), (NULL), (-1), (2.5)", "-1");
    AggregateRow("Max of numbers", "jet_max(v)", "(3), (NULL), (-1), (2.5)", "3");
    AggregateRow("Min of texts ignores case", "jet_min(v)", "('banda'), ('Adams'), ('carl')", "'Adams'");
    AggregateRow("Max of texts ignores case", "jet_max(v)", "('banda'), ('Adams'), ('carl')", "'carl'");
    AggregateRow("Min of stored dates", "jet_min(v)", "('2020-01-31 00:00:00'), ('2019-12-31 23:00:00')",
        "'2019-12-31 23:00:00'");
    AggregateRow("Max of nothing", "jet_max(v)", "(NULL)", "Null");
    AggregateRow("First in record order", "jet_first(v)", "('b'), (NULL), ('a'), ('c')", "'b'");
    AggregateRow("Last in record order", "jet_last(v)", "('b'), (NULL), ('a'), ('c')", "'c'");
    AggregateRow("First skips a leading Null", "jet_first(v)", "(NULL), ('x')", "'x'");
    AggregateRow("Last skips a trailing Null", "jet_last(v)", "('x'), (NULL)", "'x'");
    AggregateRow("First keeps the value's type", "jet_first(v)", "(2.5), (1)", "2.5");
    AggregateRow("StDev of one value is Null", "jet_stdev(v)", "(5)", "Null");
    AggregateRow("StDevP of one value is 0", "jet_stdevp(v)", "(5)", "0.0");
    AggregateRow("VarP of nothing is Null", "jet_varp(v)", "(NULL)", "Null");
    // Eight values of mean 5 whose squared deviations add up to 32.
    AggregateRow("StDev divides by n - 1", "jet_round(jet_stdev(v), 9)", "(2), (4), (4), (4), (5), (5), (7), (9)",
        "2.138089935");
    AggregateRow("StDevP divides by n", "jet_round(jet_stdevp(v), 9)", "(2), (4), (4), (4), (5), (5), (7), (9), (NULL)", "2.0");
    AggregateRow("Var divides by n - 1", "jet_round(jet_var(v), 9)", "(2), (4), (4), (4), (5), (5), (7), (9)", "4.571428571");
    AggregateRow("VarP divides by n", "jet_round(jet_varp(v), 9)", "(2), (4), (4), (4), (5), (5), (7), (9)", "4.0");
    AggregateRow("Var of large, close values", "jet_round(jet_var(v), 9)", "(100000.1), (100000.2), (100000.3)",
        "0.01");
    QTest::newRow("groups keep their own totals")
        << u"g, jet_sum(v), jet_first(v), jet_last(v) FROM (SELECT 'a' AS g, 1 AS v UNION ALL "
           u"SELECT 'b', 2 UNION ALL SELECT 'a', 3 UNION ALL SELECT 'b', NULL) GROUP BY g ORDER BY g"_s
        << u"'a'|4|1|3;'b'|2|2|2"_s;
    Row("Sum of a word", "jet_sum('abc')", "!Type mismatch in Sum()");
}

QTEST_MAIN(TestJetAggregates)
#include "test_jet_aggregates.moc"
