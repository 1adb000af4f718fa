#include "FunctionTesting.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy::test;

// The dialect's annuities and depreciation, with the documented examples: a loan of
// 10,000 at 8% a year over ten months, a savings plan, an asset of 2,400 kept ten years.
class TestJetFinance : public QObject {
    Q_OBJECT

private slots:
    void finance_data();
    void finance() { db_.Check(); }

private:
    FunctionDatabase db_;
};

void TestJetFinance::finance_data()
{
    AddExpressionColumns();
    Row("Pmt of a loan", "jet_round(jet_pmt(0.08 / 12, 10, 10000), 2)", "-1037.03");
    Row("Pmt due at the start of each month", "jet_round(jet_pmt(0.08 / 12, 10, 10000, 0, 1), 2)", "-1030.16");
    Row("Pmt without interest", "jet_pmt(0, 10, 1000)", "-100.0");
    Row("Pmt over no periods", "jet_pmt(0.1, 0, 1000)", "!Invalid procedure call or argument in Pmt()");
    Row("Pmt of Null", "jet_pmt(NULL, 10, 1000)", "!Invalid use of Null in Pmt()");
    Row("FV of a savings plan paid in advance", "jet_round(jet_fv(0.06 / 12, 10, -200, -500, 1), 2)", "2581.4");
    Row("FV of monthly deposits", "jet_round(jet_fv(0.12 / 12, 12, -1000), 2)", "12682.5");
    Row("FV without interest", "jet_fv(0, 12, -100)", "1200.0");
    Row("PV of an annuity", "jet_round(jet_pv(0.08 / 12, 12 * 20, 500, 0, 0), 2)", "-59777.15");
    Row("PV without interest", "jet_pv(0, 10, -100)", "1000.0");
    Row("NPer due at the start", "jet_round(jet_nper(0.12 / 12, -100, -1000, 10000, 1), 6)", "59.673866");
    Row("NPer due at the end", "jet_round(jet_nper(0.12 / 12, -100, -1000, 10000), 6)", "60.082123");
    Row("NPer back to nothing", "jet_round(jet_nper(0.12 / 12, -100, -1000), 6)", "-9.578594");
    Row("NPer without interest", "jet_nper(0, -100, 1000)", "10.0");
    Row("NPer that never gets there", "jet_nper(0.01, 100, 1000, 20000)",
        "!Invalid procedure call or argument in NPer(): the payments never reach the future value.");
    Row("IPmt of the first month", "jet_round(jet_ipmt(0.1 / 12, 1, 36, 8000), 2)", "-66.67");
    Row("IPmt of the last year", "jet_round(jet_ipmt(0.1, 3, 3, 8000), 2)", "-292.45");
    Row("IPmt of the first payment in advance", "jet_ipmt(0.1, 1, 3, 8000, 0, 1)", "0.0");
    Row("IPmt of period 0", "jet_ipmt(0.1, 0, 3, 8000)", "!Invalid procedure call or argument in IPmt()");
    Row("IPmt past the last period", "jet_ipmt(0.1, 4, 3, 8000)", "!Invalid procedure call or argument in IPmt()");
    Row("PPmt of the first month", "jet_round(jet_ppmt(0.1 / 12, 1, 24, 2000), 2)", "-75.62");
    Row("PPmt of the last year", "jet_round(jet_ppmt(0.08, 10, 10, 200000), 2)", "-27598.05");
    Row("Rate of a loan", "jet_round(jet_rate(4 * 12, -200, 8000), 9)", "0.007701472");
    Row("Rate from a guess", "jet_round(jet_rate(4 * 12, -200, 8000, 0, 0, 0.01), 9)", "0.007701472");
    Row("Rate from a guess too far off", "jet_rate(4 * 12, -200, 8000, 0, 0, 0.5)",
        "!Invalid procedure call or argument in Rate(): no rate was found in 20 tries from the guess 0.5.");
    Row("Rate that cannot be found", "jet_rate(10, 100, 100)",
        "!Invalid procedure call or argument in Rate(): no rate was found in 20 tries from the guess 0.1.");
    Row("Rate over no periods", "jet_rate(0, -200, 8000)", "!Invalid procedure call or argument in Rate()");
    Row("SLN", "jet_sln(30000, 7500, 10)", "2250.0");
    Row("SLN over no life", "jet_sln(30000, 7500, 0)", "!Invalid procedure call or argument in SLN()");
    Row("SYD of the first year", "jet_round(jet_syd(30000, 7500, 10, 1), 2)", "4090.91");
    Row("SYD of the last year", "jet_round(jet_syd(30000, 7500, 10, 10), 2)", "409.09");
    Row("SYD past the life", "jet_syd(30000, 7500, 10, 11)", "!Invalid procedure call or argument in SYD()");
    Row("DDB of the first day", "jet_round(jet_ddb(2400, 300, 10 * 365, 1), 2)", "1.32");
    Row("DDB of the first month", "jet_round(jet_ddb(2400, 300, 10 * 12, 1, 2), 2)", "40.0");
    Row("DDB of the first year", "jet_ddb(2400, 300, 10, 1, 2)", "480.0");
    Row("DDB of the second year at 1.5", "jet_round(jet_ddb(2400, 300, 10, 2, 1.5), 2)", "306.0");
    Row("DDB of the tenth year", "jet_round(jet_ddb(2400, 300, 10, 10), 2)", "22.12");
    Row("DDB with factor 0", "jet_ddb(2400, 300, 10, 1, 0)", "!Invalid procedure call or argument in DDB()");
    Row("DDB past the life", "jet_ddb(2400, 300, 10, 11)", "!Invalid procedure call or argument in DDB()");
    Row("a text number", "jet_sln('30000', 7500, 10)", "2250.0");
    Row("a word", "jet_sln('abc', 7500, 10)", "!Type mismatch in SLN()");
}

QTEST_MAIN(TestJetFinance)
#include "test_jet_finance.moc"
