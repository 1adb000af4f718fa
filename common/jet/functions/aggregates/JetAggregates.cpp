#include "jet/functions/aggregates/JetAggregates.h"

#include "jet/functions/shared/JetCall.h"
#include "jet/functions/shared/JetCompare.h"
#include "jet/functions/shared/JetValue.h"
#include "engine/Sqlite.h"

#include <cmath>
#include <string>

namespace levy::jet {
namespace {
// Zeroed by the engine on first use, so every flag starts false.
struct SumState {
    int64_t count;
    int64_t whole;           // while every value is whole
    int64_t tenThousandths;  // while every value has at most four decimals: amounts add exactly
    double real;             // otherwise, compensated
    double compensation;
    bool notWhole;
    bool wholeOverflow;
    bool notExact;
};

void AddCompensated(SumState& s, double x)
{
    const double y = x - s.compensation;
    const double t = s.real + y;
    s.compensation = (t - s.real) - y;
    s.real = t;
}

void AddTenThousandths(SumState& s, int64_t t)
{
    if (!s.notExact && __builtin_add_overflow(s.tenThousandths, t, &s.tenThousandths))
        s.notExact = true;
}

struct SpreadState {
    int64_t n;
    double mean;
    double m2;
};

// The value Min, Max, First and Last keep; its text buffer is reused from row to row.
class Held {
public:
    void Set(sqlite3_value* v)
    {
        view_ = ViewOf(v);
        if (view_.type == SQLITE_TEXT || view_.type == SQLITE_BLOB) {
            text_.assign(view_.text);
            view_.text = text_;
        }
    }
    const ValueView& View() const { return view_; }
    void Result(sqlite3_context* ctx) const
    {
        switch (view_.type) {
        case SQLITE_INTEGER:
            sqlite3_result_int64(ctx, view_.integer);
            break;
        case SQLITE_FLOAT:
            sqlite3_result_double(ctx, view_.real);
            break;
        case SQLITE_BLOB:
            sqlite3_result_blob(ctx, text_.data(), int(text_.size()), SQLITE_TRANSIENT);
            break;
        default:
            sqlite3_result_text(ctx, text_.data(), int(text_.size()), SQLITE_TRANSIENT);
            break;
        }
    }

private:
    ValueView view_;
    std::string text_;
};

struct HeldState {
    Held* held;
};

HeldState* HeldOf(sqlite3_context* ctx) { return static_cast<HeldState*>(sqlite3_aggregate_context(ctx, sizeof(HeldState))); }

// Keeps the value when there is none yet or `better` says the new one wins.
template <class Better>
void Keep(const Call& c, Better better)
{
    if (IsNull(c[0]))
        return;
    HeldState* state = HeldOf(c.ctx);
    if (!state) {
        sqlite3_result_error_nomem(c.ctx);
        return;
    }
    if (!state->held) {
        state->held = new Held;
        state->held->Set(c[0]);
        return;
    }
    if (better(ViewOf(c[0]), state->held->View()))
        state->held->Set(c[0]);
}

void FinishSpread(sqlite3_context* ctx, bool sample, bool root)
{
    auto* s = static_cast<SpreadState*>(sqlite3_aggregate_context(ctx, 0));
    const int64_t n = s ? s->n : 0;
    if (n < (sample ? 2 : 1)) {
        sqlite3_result_null(ctx);
        return;
    }
    const double variance = std::max(0.0, s->m2 / double(sample ? n - 1 : n));
    sqlite3_result_double(ctx, root ? std::sqrt(variance) : variance);
}
} // namespace

void SumStep(const Call& c)
{
    if (IsNull(c[0]))
        return;
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(c.ctx, sizeof(SumState)));
    if (!s) {
        sqlite3_result_error_nomem(c.ctx);
        return;
    }
    const Number n = NumberOf(c[0]);
    ++s->count;
    if (n.whole) {
        if (!s->wholeOverflow && __builtin_add_overflow(s->whole, n.integer, &s->whole))
            s->wholeOverflow = true;
        int64_t t = 0;
        if (__builtin_mul_overflow(n.integer, int64_t(10000), &t))
            s->notExact = true;
        else
            AddTenThousandths(*s, t);
    } else {
        s->notWhole = true;
        const double scaled = n.real * 10000.0;
        if (std::fabs(scaled) < 9.0e18) {
            const int64_t t = std::llround(scaled);
            if (double(t) / 10000.0 == n.real)
                AddTenThousandths(*s, t);
            else
                s->notExact = true;
        } else {
            s->notExact = true;
        }
    }
    AddCompensated(*s, n.AsDouble());
}

void SumFinal(sqlite3_context* ctx)
{
    const auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || s->count == 0)
        sqlite3_result_null(ctx);
    else if (!s->notWhole && !s->wholeOverflow)
        sqlite3_result_int64(ctx, s->whole);
    else if (!s->notExact)
        sqlite3_result_double(ctx, double(s->tenThousandths) / 10000.0);
    else
        sqlite3_result_double(ctx, s->real);
}

void AvgFinal(sqlite3_context* ctx)
{
    const auto* s = static_cast<SumState*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || s->count == 0)
        sqlite3_result_null(ctx);
    else if (!s->notWhole && !s->wholeOverflow)
        sqlite3_result_double(ctx, double(s->whole) / double(s->count));
    else if (!s->notExact)
        sqlite3_result_double(ctx, double(s->tenThousandths) / (10000.0 * double(s->count)));
    else
        sqlite3_result_double(ctx, s->real / double(s->count));
}

void CountStep(const Call& c)
{
    if (c.argc > 0 && IsNull(c[0]))
        return;
    auto* count = static_cast<int64_t*>(sqlite3_aggregate_context(c.ctx, sizeof(int64_t)));
    if (count)
        ++*count;
    else
        sqlite3_result_error_nomem(c.ctx);
}

void CountFinal(sqlite3_context* ctx)
{
    const auto* count = static_cast<int64_t*>(sqlite3_aggregate_context(ctx, 0));
    sqlite3_result_int64(ctx, count ? *count : 0);
}

void MinStep(const Call& c)
{
    Keep(c, [](const ValueView& value, const ValueView& kept) { return CompareValues(value, kept) < 0; });
}

void MaxStep(const Call& c)
{
    Keep(c, [](const ValueView& value, const ValueView& kept) { return CompareValues(value, kept) > 0; });
}

void FirstStep(const Call& c)
{
    Keep(c, [](const ValueView&, const ValueView&) { return false; });
}

void LastStep(const Call& c)
{
    Keep(c, [](const ValueView&, const ValueView&) { return true; });
}

void HeldFinal(sqlite3_context* ctx)
{
    auto* state = static_cast<HeldState*>(sqlite3_aggregate_context(ctx, 0));
    if (!state || !state->held) {
        sqlite3_result_null(ctx);
        return;
    }
    state->held->Result(ctx);
    delete state->held;
    state->held = nullptr;
}

void SpreadStep(const Call& c)
{
    if (IsNull(c[0]))
        return;
    auto* s = static_cast<SpreadState*>(sqlite3_aggregate_context(c.ctx, sizeof(SpreadState)));
    if (!s) {
        sqlite3_result_error_nomem(c.ctx);
        return;
    }
    // Welford's running mean and sum of squares: no loss from large, close values.
    const double x = DoubleOf(c[0]);
    ++s->n;
    const double delta = x - s->mean;
    s->mean += delta / double(s->n);
    s->m2 += delta * (x - s->mean);
}

void StDevFinal(sqlite3_context* ctx) { FinishSpread(ctx, true, true); }
void StDevPFinal(sqlite3_context* ctx) { FinishSpread(ctx, false, true); }
void VarFinal(sqlite3_context* ctx) { FinishSpread(ctx, true, false); }
void VarPFinal(sqlite3_context* ctx) { FinishSpread(ctx, false, false); }

} // namespace levy::jet
