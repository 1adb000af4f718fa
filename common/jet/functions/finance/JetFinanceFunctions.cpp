#include "jet/functions/finance/JetFinanceFunctions.h"

#include "jet/functions/shared/JetCall.h"
#include "engine/Sqlite.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace levy::jet {
namespace {
// Every argument is a number: Null fails ("Invalid use of Null"), so does a word.
double Argument(const Call& c, int at, double omitted = 0.0) { return c.Has(at) ? DoubleOf(c[at]) : omitted; }

bool DueAtStart(const Call& c, int at) { return Argument(c, at) != 0.0; }

void Result(const Call& c, double value)
{
    if (std::isnan(value))
        Fail(Fault::InvalidArgument, u"the arguments give no number."_s);
    if (std::isinf(value))
        Fail(Fault::Overflow);
    ResultDouble(c.ctx, value);
}

double Payment(double rate, double nper, double pv, double fv, bool atStart)
{
    if (nper == 0.0)
        Fail(Fault::InvalidArgument, u"the number of periods is 0."_s);
    if (rate == 0.0)
        return (-fv - pv) / nper;
    const double growth = std::pow(1.0 + rate, nper);
    return (-fv - pv * growth) / ((atStart ? 1.0 + rate : 1.0) * (growth - 1.0)) * rate;
}

double FutureValue(double rate, double nper, double pmt, double pv, bool atStart)
{
    if (rate == 0.0)
        return -pv - pmt * nper;
    const double growth = std::pow(1.0 + rate, nper);
    return -pv * growth - pmt / rate * (atStart ? 1.0 + rate : 1.0) * (growth - 1.0);
}

void CheckPeriod(double per, double nper)
{
    if (per <= 0.0 || per >= nper + 1.0)
        Fail(Fault::InvalidArgument, u"the period %1 is not 1 to %2."_s.arg(per).arg(nper));
}

double InterestPayment(double rate, double per, double nper, double pv, double fv, bool atStart)
{
    CheckPeriod(per, nper);
    // Paid at the start, the first payment comes before any interest.
    if (atStart && per == 1.0)
        return 0.0;
    const double pmt = Payment(rate, nper, pv, fv, atStart);
    // The balance at the start of the period, as if payments fell at the ends.
    const double balance =
        atStart ? FutureValue(rate, per - 2.0, pmt, pv + pmt, true) : FutureValue(rate, per - 1.0, pmt, pv, false);
    return balance * rate;
}

// What remains of the loan after nper periods at `rate`: 0 at the rate sought.
double Remaining(double rate, double nper, double pmt, double pv, double fv, bool atStart)
{
    if (rate == 0.0)
        return pv + pmt * nper + fv;
    const double growth = std::pow(1.0 + rate, nper);
    return pv * growth + pmt * (atStart ? 1.0 + rate : 1.0) * (growth - 1.0) / rate + fv;
}
} // namespace

void Pmt(const Call& c)
{
    Result(c, Payment(Argument(c, 0), Argument(c, 1), Argument(c, 2), Argument(c, 3), DueAtStart(c, 4)));
}

void FV(const Call& c)
{
    Result(c, FutureValue(Argument(c, 0), Argument(c, 1), Argument(c, 2), Argument(c, 3), DueAtStart(c, 4)));
}

void PV(const Call& c)
{
    const double rate = Argument(c, 0), nper = Argument(c, 1), pmt = Argument(c, 2), fv = Argument(c, 3);
    const bool atStart = DueAtStart(c, 4);
    if (rate == 0.0) {
        Result(c, -fv - pmt * nper);
        return;
    }
    const double growth = std::pow(1.0 + rate, nper);
    Result(c, -(fv + pmt * (atStart ? 1.0 + rate : 1.0) * ((growth - 1.0) / rate)) / growth);
}

void IPmt(const Call& c)
{
    Result(c, InterestPayment(Argument(c, 0), Argument(c, 1), Argument(c, 2), Argument(c, 3), Argument(c, 4),
                              DueAtStart(c, 5)));
}

void PPmt(const Call& c)
{
    const double rate = Argument(c, 0), per = Argument(c, 1), nper = Argument(c, 2), pv = Argument(c, 3),
                 fv = Argument(c, 4);
    const bool atStart = DueAtStart(c, 5);
    CheckPeriod(per, nper);
    Result(c, Payment(rate, nper, pv, fv, atStart) - InterestPayment(rate, per, nper, pv, fv, atStart));
}

void NPer(const Call& c)
{
    const double rate = Argument(c, 0), pmt = Argument(c, 1), pv = Argument(c, 2), fv = Argument(c, 3);
    const bool atStart = DueAtStart(c, 4);
    if (rate <= -1.0)
        Fail(Fault::InvalidArgument, u"the rate %1 is not above -1."_s.arg(rate));
    if (rate == 0.0) {
        if (pmt == 0.0)
            Fail(Fault::InvalidArgument, u"with no interest and no payment the loan never ends."_s);
        Result(c, -(pv + fv) / pmt);
        return;
    }
    const double perPeriod = pmt * (atStart ? 1.0 + rate : 1.0) / rate;
    double owedAtEnd = perPeriod - fv, owedNow = perPeriod + pv;
    if (owedAtEnd < 0.0 && owedNow < 0.0) {
        owedAtEnd = -owedAtEnd;
        owedNow = -owedNow;
    } else if (owedAtEnd <= 0.0 || owedNow <= 0.0) {
        Fail(Fault::InvalidArgument, u"the payments never reach the future value."_s);
    }
    Result(c, (std::log(owedAtEnd) - std::log(owedNow)) / std::log(1.0 + rate));
}

// By the secant method from the guess and half or twice it, as documented: at most 20
// tries, each closer, until the loan's remainder is within 0.0000001.
void Rate(const Call& c)
{
    constexpr int tries = 20;
    constexpr double close = 0.0000001;
    const double nper = Argument(c, 0), pmt = Argument(c, 1), pv = Argument(c, 2), fv = Argument(c, 3);
    const bool atStart = DueAtStart(c, 4);
    const double guess = Argument(c, 5, 0.1);
    if (nper <= 0.0)
        Fail(Fault::InvalidArgument, u"the number of periods %1 is not above 0."_s.arg(nper));
    auto remaining = [&](double rate) { return Remaining(rate, nper, pmt, pv, fv, atStart); };
    double rate0 = guess, y0 = remaining(rate0);
    double rate1 = y0 > 0.0 ? rate0 / 2.0 : rate0 * 2.0, y1 = remaining(rate1);
    for (int i = 0; i < tries; ++i) {
        if (y1 == y0) {
            rate0 += rate1 > rate0 ? -close : close;
            y0 = remaining(rate0);
            if (y1 == y0)
                break;
        }
        const double next = rate1 - (rate1 - rate0) * y1 / (y1 - y0);
        const double y = remaining(next);
        if (std::isfinite(y) && std::fabs(y) < close) {
            Result(c, next);
            return;
        }
        rate0 = rate1;
        y0 = y1;
        rate1 = next;
        y1 = y;
    }
    Fail(Fault::InvalidArgument, u"no rate was found in %1 tries from the guess %2."_s.arg(tries).arg(guess));
}

void SLN(const Call& c)
{
    const double cost = Argument(c, 0), salvage = Argument(c, 1), life = Argument(c, 2);
    if (life == 0.0)
        Fail(Fault::InvalidArgument, u"the life is 0."_s);
    Result(c, (cost - salvage) / life);
}

void SYD(const Call& c)
{
    const double cost = Argument(c, 0), salvage = Argument(c, 1), life = Argument(c, 2), period = Argument(c, 3);
    if (salvage < 0.0 || period <= 0.0 || period > life)
        Fail(Fault::InvalidArgument,
             u"the salvage must not be negative and the period must be above 0 and no more than the life."_s);
    Result(c, (cost - salvage) / (life * (life + 1.0)) * (life + 1.0 - period) * 2.0);
}

// The balance declines by factor / life each period; the last periods take no more than
// brings it down to the salvage.
void DDB(const Call& c)
{
    const double cost = Argument(c, 0), salvage = Argument(c, 1), life = Argument(c, 2), period = Argument(c, 3);
    const double factor = Argument(c, 4, 2.0);
    if (factor <= 0.0 || salvage < 0.0 || period <= 0.0 || period > life)
        Fail(Fault::InvalidArgument, u"the factor must be above 0, the salvage not negative, and the period above 0 "
                                     u"and no more than the life."_s);
    if (cost <= 0.0) {
        Result(c, 0.0);
        return;
    }
    if (life < 2.0) {
        Result(c, cost - salvage);
        return;
    }
    if (life == 2.0) {
        Result(c, period > 1.0 ? 0.0 : cost - salvage);
        return;
    }
    if (period <= 1.0) {
        Result(c, std::min(cost * factor / life, cost - salvage));
        return;
    }
    const double keep = (life - factor) / life;
    double depreciation = factor * cost * std::pow(keep, period - 1.0) / life;
    const double beyondSalvage = cost * (1.0 - std::pow(keep, period)) - cost + salvage;
    if (beyondSalvage > 0.0)
        depreciation -= beyondSalvage;
    Result(c, std::max(depreciation, 0.0));
}

} // namespace levy::jet
