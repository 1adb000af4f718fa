// Times the results window's chart of 10,000 records, from the Chart window's creation
// until the chart is painted: bars of two number columns against a text label, and a
// line against a date (a time axis).
//   chart_bench DATABASE [RUNS]   (QT_QPA_PLATFORM=offscreen; a benchmark database)
#include "BenchLedger.h"
#include "BenchSupport.h"

#include "results/ResultChart.h"

#include <QChart>
#include <QChartView>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
struct Case {
    const char* name;
    QString sql;
};

double TimeChart(frmDelverResults& results)
{
    QElapsedTimer t;
    t.start();
    frmResultChart chart(&results, results.Rows());
    chart.Redraw();  // as the Chart command does before it shows the window
    chart.resize(900, 600);
    chart.show();
    bench::Settle();
    // Painting is what the user waits for: grab renders the whole view.
    const QPixmap painted = chart.chtResult->grab();
    const double ms = bench::Ms(t);
    if (painted.isNull() || !chart.chtResult->chart() || chart.chtResult->chart()->series().isEmpty())
        bench::Fail(u"the chart was not drawn"_s);
    bench::NoMessages(u"chart"_s);
    return ms;
}
} // namespace

int main(int argc, char* argv[])
{
    using namespace levy::bench;
    return RunBenchmark(argc, argv, [](const QStringList& args, const QString& settingsFolder) {
        if (args.size() < 2)
            Fail(u"usage: chart_bench DATABASE [RUNS]"_s);
        const int runs = args.size() > 2 ? std::max(1, args[2].toInt()) : 5;
        StartDelverSession(args[1], settingsFolder);
        const QList<Case> cases = {
            {"bars", u"SELECT TOP 10000 [%1], [%2], [%3] FROM %4"_s.arg(payerField, amountField, termField, ledgerTable)},
            {"time-line", u"SELECT TOP 10000 [%1], [%2] FROM %3"_s.arg(postedOnField, amountField, ledgerTable)},
        };
        std::printf("Chart of 10,000 records, created until painted (median of %d)\n", runs);
        for (const Case& c : cases) {
            OpenTiming opening;
            auto results = OpenWindow(c.sql, opening);
            if (!results->WaitForCount())
                Fail(u"the result could not be counted"_s);
            QList<double> ms;
            for (int i = 0; i < runs; ++i)
                ms.append(TimeChart(*results));
            std::printf("  %-10s median %7.1f ms, worst %7.1f ms  (target <= 500 ms)\n", c.name, Median(ms),
                        *std::max_element(ms.begin(), ms.end()));
            std::printf("figure chart-%s %.3f\n", c.name, Median(ms) / 1000);
            results->close();
        }
        EndDelverSession();
    });
}
