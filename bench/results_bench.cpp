// Times Delver's results window on a large levy database: opening a result until page 1
// is shown, the page moves, and a walk through every page with the resident memory
// sampled on the way. Runs the real window offscreen, as the clerk's program runs it.
// With --window-sort: page 1 of the unsorted result on screen, the background count, the
// window's own sort by Amount (a heading click), a page move after it and the memory.
// Usage: results_bench DATABASE [--runs N] [--page-runs N] [--walk-sorted] [--no-walk] [--open-only] [--window-sort]

#include "BenchLedger.h"
#include "BenchSupport.h"

#include "results/FlexGrid.h"
#include "workbench/QueryValidation.h"
#include "levy/DatabaseAccess.h"
#include "database/QueryDef.h"
#include "database/Recordset.h"
#include "engine/SqliteHandle.h"
#include "frmDelverResults.h"
#include "platform/AppInfo.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace levy::bench {
namespace {

struct Options {
    QString database;
    int runs = 3;       // opens of each result
    int pageRuns = 9;   // repetitions of each page move
    bool walkSorted = false;
    bool walkUnsorted = true;  // --no-walk: the figures without the walk through every page
    bool openOnly = false;  // for a profiler: the opens and nothing else
    bool windowSort = false;
};

struct Move {
    QList<double> handler;  // until the click's handler returns
    QList<double> painted;  // and the window has painted the page
};

template <class Action>
void TimeMove(Move& move, Action act)
{
    QElapsedTimer t;
    t.start();
    act();
    move.handler.append(Ms(t));
    Settle();
    move.painted.append(Ms(t));
}

struct PageMoves {
    Move next, back, firstAfterLast, lastAfterFirst;
};

void GoTo(frmDelverResults& w, int32_t page)
{
    w.lngCurrentPage = page;
    w.LoadPage(false);
    Settle();
}

PageMoves MeasurePageMoves(frmDelverResults& w, int runs)
{
    PageMoves m;
    const int32_t middle = std::max(1, w.lngPageCount / 2);
    GoTo(w, middle);
    for (int i = 0; i < runs; ++i) {
        TimeMove(m.next, [&] { w.cmdNext->click(); });
        TimeMove(m.back, [&] { w.cmdBack->click(); });
    }
    for (int i = 0; i < runs; ++i) {
        GoTo(w, w.lngPageCount);
        TimeMove(m.firstAfterLast, [&] {
            w.lngCurrentPage = 1;
            w.LoadPage(false);
        });
        TimeMove(m.lastAfterFirst, [&] {
            w.lngCurrentPage = w.lngPageCount;
            w.LoadPage(false);
        });
    }
    NoMessages(u"paging"_s);
    if (w.pnlPage->text() != u"Page %1 of %1"_s.arg(w.lngPageCount))
        Fail(u"the counter reads \"%1\" on the last page"_s.arg(w.pnlPage->text()));
    return m;
}

struct Walk {
    QList<double> perPage;     // each Next, painted
    QList<double> handlerOnly; // each Next until its handler returned
    double totalMs = 0;
    int64_t rssStart = 0, rssPeak = 0, rssEnd = 0;
    QList<int64_t> rssSamples;  // every 1000 pages
};

// Page 1, then Next to the last page, as a clerk reading the whole result would.
Walk WalkAllPages(frmDelverResults& w)
{
    Walk walk;
    GoTo(w, 1);
    walk.rssStart = walk.rssPeak = ResidentKiB();
    walk.rssSamples.append(walk.rssStart);
    QElapsedTimer total;
    total.start();
    for (int32_t p = 2; p <= w.lngPageCount; ++p) {
        QElapsedTimer t;
        t.start();
        w.cmdNext->click();
        walk.handlerOnly.append(Ms(t));
        Settle();
        walk.perPage.append(Ms(t));
        if (p % 10 == 0) {
            const int64_t rss = ResidentKiB();
            walk.rssPeak = std::max(walk.rssPeak, rss);
            if (p % 1000 == 0)
                walk.rssSamples.append(rss);
        }
    }
    walk.totalMs = Ms(total);
    walk.rssEnd = ResidentKiB();
    walk.rssPeak = std::max(walk.rssPeak, walk.rssEnd);
    NoMessages(u"walking the pages"_s);
    if (w.lngCurrentPage != w.lngPageCount)
        Fail(u"the walk stopped on page %1"_s.arg(w.lngCurrentPage));
    return walk;
}

// The read alone, outside the window: what the engine costs and what the recordset adds.
struct ReadPath {
    double bareStepMs = 0;     // prepare, step every row, read every column
    double recordsetMs = 0;    // OpenRecordset, then MoveLast
};

ReadPath MeasureReadPath(const QString& sql)
{
    ReadPath r;
    {
        QElapsedTimer t;
        t.start();
        engine::Statement s(levyDatabase->QueryConnection(), sql);
        const int n = s.ColumnCount();
        int64_t bytes = 0;
        while (s.Step())
            for (int c = 0; c < n; ++c)
                bytes += s.ColumnStorage(c).IsNull() ? 0 : 1;
        r.bareStepMs = Ms(t);
        if (bytes == 0)
            Fail(u"the bare read returned nothing"_s);
    }
    {
        qryDirectSQL->SetSQL(sql);
        QElapsedTimer t;
        t.start();
        auto rs = qryDirectSQL->OpenRecordset();
        rs->MoveLast();
        r.recordsetMs = Ms(t);
        rs->Close();
    }
    return r;
}

struct ResultFigures {
    QString sql;
    QList<double> opens;
    QList<double> validates;
    int64_t records = 0;
    int32_t pages = 0;
    PageMoves moves;
    ReadPath read;
    std::optional<Walk> walk;
    int64_t rssBeforeOpen = 0, rssOpen = 0, rssAfterClose = 0, rssAfterTrim = 0;
};

ResultFigures MeasureResult(const QString& sql, const Options& o, bool walk)
{
    ResultFigures f;
    f.sql = sql;
    f.rssBeforeOpen = ResidentKiB();
    std::unique_ptr<frmDelverResults> window;
    for (int i = 0; i < o.runs; ++i) {
        window.reset();
        OpenTiming timing;
        window = OpenWindow(sql, timing);
        f.opens.append(timing.totalMs);
        f.validates.append(timing.validateMs);
        std::fprintf(stderr, "  open %d: %.3f s\n", i + 1, timing.totalMs / 1000);
    }
    f.rssOpen = ResidentKiB();
    // Page 1 shows at once; the figures below are of the whole, counted result.
    if (!o.openOnly && !window->WaitForCount())
        Fail(u"the result could not be counted"_s);
    f.records = window->rsResults->RecordCount();
    f.pages = window->lngPageCount;
    if (o.openOnly)
        return f;
    f.moves = MeasurePageMoves(*window, o.pageRuns);
    if (walk) {
        std::fprintf(stderr, "  walking %d pages\n", f.pages);
        f.walk = WalkAllPages(*window);
    }
    window.reset();
    f.rssAfterClose = ResidentKiB();
    // What the allocator keeps for later without giving it back, against what is still in use.
    malloc_trim(0);
    f.rssAfterTrim = ResidentKiB();
    f.read = MeasureReadPath(sql);
    return f;
}

void Row(const char* label, const QString& a, const QString& b = {}, const char* note = "")
{
    std::printf("  %-44s %14s %14s  %s\n", label, a.toUtf8().constData(), b.toUtf8().constData(), note);
}

QString Millis(double ms) { return u"%1 ms"_s.arg(ms, 0, 'f', 2); }

void PrintWalk(const char* title, const Walk& w)
{
    const qsizetype n = w.perPage.size();
    const qsizetype edge = std::min<qsizetype>(100, n);
    std::printf("\n%s\n", title);
    Row("pages", QString::number(n));
    Row("total", Seconds(w.totalMs));
    if (!w.handlerOnly.isEmpty()) {
        double handlerSum = 0;
        for (double v : w.handlerOnly)
            handlerSum += v;
        Row("  of which in the Next handler", Seconds(handlerSum));
    }
    Row("per page, median", Millis(Median(w.perPage)));
    Row("per page, mean of the first 100", Millis(Mean(w.perPage, 0, edge)));
    Row("per page, mean of the last 100", Millis(Mean(w.perPage, n - edge, edge)));
    Row("per page, slowest", Millis(n ? *std::max_element(w.perPage.begin(), w.perPage.end()) : 0));
    Row("resident memory at the start (page 1)", MiB(w.rssStart));
    Row("resident memory, peak (sampled every 10)", MiB(w.rssPeak));
    Row("resident memory at the end (last page)", MiB(w.rssEnd));
    QStringList samples;
    for (int64_t s : w.rssSamples)
        samples.append(QString::number(double(s) / 1024.0, 'f', 1));
    std::printf("  resident MiB every 1000 pages: %s\n", samples.join(u' ').toUtf8().constData());
}

void PrintPaging(const ResultFigures& u, const ResultFigures& s);

// The most resident memory the process has had, in KiB.
int64_t PeakResidentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Page 1 at once, the count behind it, the window's sort by a heading and a page move after
// it, on the unsorted statement: what a clerk who sorts in the window waits for.
void MeasureWindowSort(const Options& o)
{
    const QString sql = u"SELECT * FROM %1"_s.arg(ledgerTable);
    QList<double> pageOne, count, sort, moves;
    int64_t records = 0, rssSorted = 0;
    for (int run = 0; run < o.runs; ++run) {
        OpenTiming timing;
        QElapsedTimer t;
        t.start();
        auto w = OpenWindow(sql, timing);
        pageOne.append(timing.totalMs);
        // Idle in the event loop as a user's window is: processEvents with a time limit
        // drops WaitForMoreEvents and would spin a core the count needs.
        while (w->Counting())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        count.append(Ms(t) - timing.validateMs);
        records = w->rsResults->RecordCount();
        int amount = 0;
        for (int c = 1; c < w->grdResults->Cols(); ++c)
            if (w->grdResults->TextMatrix(0, c) == amountField)
                amount = c;
        if (amount == 0)
            Fail(u"no Amount column"_s);
        QElapsedTimer s;
        s.start();
        w->SortBy(amount);
        Settle();
        sort.append(Ms(s));
        for (int i = 0; i < o.pageRuns; ++i) {
            Move m;
            TimeMove(m, [&] { w->cmdNext->click(); });
            moves.append(m.painted.first());
        }
        rssSorted = std::max(rssSorted, ResidentKiB());
        NoMessages(u"sorting in the window"_s);
        std::fprintf(stderr, "  run %d: page 1 %.3f s, count %.3f s, sort %.3f s\n", run + 1, pageOne.last() / 1000,
                     count.last() / 1000, sort.last() / 1000);
    }
    std::printf("\nPage 1 at once, the count, and the window's own sort (%s, %lld records)\n",
                sql.toUtf8().constData(), static_cast<long long>(records));
    Row("page 1 on screen (from ValidateQuery)", Seconds(Median(pageOne)), {}, "<= 0.05 s");
    Row("the count, from the window's opening", Seconds(Median(count)), {}, "<= 1.0 x shell read");
    Row("sort by Amount (heading click)", Seconds(Median(sort)), {}, "<= 1.0 x shell ORDER BY");
    Row("Next after the sort, painted", Millis(Median(moves)), {}, "< 20 ms");
    Row("resident memory, sorted result open", MiB(rssSorted), {}, "<= 64 MiB");
    Row("resident memory, peak of the run", MiB(PeakResidentKiB()), {}, "<= 64 MiB");
    std::printf("\nfigure page-one %.3f\nfigure count %.3f\nfigure window-sort %.3f\nfigure move-after-sort %.2f\n"
                "figure rss-sorted %.1f\nfigure rss-peak %.1f\n",
                Median(pageOne) / 1000, Median(count) / 1000, Median(sort) / 1000, Median(moves),
                double(rssSorted) / 1024, double(PeakResidentKiB()) / 1024);
}

void Print(const Options& o, const ResultFigures& u, const ResultFigures& s)
{
    std::printf("\nDelver results window benchmark\n");
    std::printf("  database: %s\n", o.database.toUtf8().constData());
    std::printf("  unsorted: %s\n  sorted:   %s\n", u.sql.toUtf8().constData(), s.sql.toUtf8().constData());
    std::printf("  %lld records, %d pages; opens: median of %d, page moves: median of %d\n\n",
                static_cast<long long>(u.records), u.pages, o.runs, o.pageRuns);
    Row("", u"unsorted"_s, u"sorted"_s, "target");
    Row("open until page 1 is filled", Seconds(Median(u.opens)), Seconds(Median(s.opens)), "<= 1.5 x shell read");
    auto list = [](const QList<double>& v) {
        QStringList t;
        for (double x : v)
            t.append(QString::number(x / 1000, 'f', 2));
        return t.join(u' ');
    };
    Row("  each run (s)", list(u.opens), list(s.opens));
    Row("  of which ValidateQuery", Seconds(Median(u.validates)), Seconds(Median(s.validates)));
    Row("  the rest (window: open, count, page 1)", Seconds(Median(u.opens) - Median(u.validates)),
        Seconds(Median(s.opens) - Median(s.validates)));
    Row("resident memory before the opens", MiB(u.rssBeforeOpen), MiB(s.rssBeforeOpen));
    Row("resident memory with the result open", MiB(u.rssOpen), MiB(s.rssOpen));
    if (!o.openOnly)
        PrintPaging(u, s);
    // For the script that sets these beside the shell's figures.
    std::printf("\nfigure open-unsorted %.3f\nfigure open-sorted %.3f\n", Median(u.opens) / 1000,
                Median(s.opens) / 1000);
}

void PrintPaging(const ResultFigures& u, const ResultFigures& s)
{
    auto move = [&](const char* label, const char* paintedLabel, const Move& a, const Move& b) {
        Row(label, Millis(Median(a.handler)), Millis(Median(b.handler)), "< 50 ms");
        Row(paintedLabel, Millis(Median(a.painted)), Millis(Median(b.painted)));
    };
    move("Next (handler)", "Next, painted", u.moves.next, s.moves.next);
    move("Back (handler)", "Back, painted", u.moves.back, s.moves.back);
    move("first page after last (LoadPage)", "first page after last, painted", u.moves.firstAfterLast,
         s.moves.firstAfterLast);
    move("last page after first (LoadPage)", "last page after first, painted", u.moves.lastAfterFirst,
         s.moves.lastAfterFirst);
    Row("resident memory after closing the window", MiB(u.rssAfterClose), MiB(s.rssAfterClose));
    Row("  and after malloc_trim", MiB(u.rssAfterTrim), MiB(s.rssAfterTrim));
    std::printf("\nThe read alone, outside the window (one run each)\n");
    Row("bare statement: step every row, every column", Seconds(u.read.bareStepMs), Seconds(s.read.bareStepMs));
    Row("recordset: OpenRecordset + MoveLast", Seconds(u.read.recordsetMs), Seconds(s.read.recordsetMs));
    if (u.walk)
        PrintWalk("Walk through all pages, unsorted: Next from page 1 to the last, painted each time", *u.walk);
    if (s.walk)
        PrintWalk("Walk through all pages, sorted: Next from page 1 to the last, painted each time", *s.walk);
}

Options Parse(const QStringList& args)
{
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == u"--runs"_s || a == u"--page-runs"_s) && i + 1 < args.size()) {
            const int n = args[++i].toInt();
            if (n < 1)
                Fail(a + u" needs a positive number"_s);
            (a == u"--runs"_s ? o.runs : o.pageRuns) = n;
        } else if (a == u"--walk-sorted"_s) {
            o.walkSorted = true;
        } else if (a == u"--no-walk"_s) {
            o.walkUnsorted = false;
        } else if (a == u"--open-only"_s) {
            o.openOnly = true;
        } else if (a == u"--window-sort"_s) {
            o.windowSort = true;
        } else if (o.database.isEmpty() && !a.startsWith(u'-')) {
            o.database = QFileInfo(a).absoluteFilePath();
        } else {
            Fail(u"usage: results_bench DATABASE [--runs N] [--page-runs N] [--walk-sorted] [--no-walk] [--open-only] [--window-sort]"_s);
        }
    }
    if (o.database.isEmpty() || !QFileInfo(o.database).isFile())
        Fail(u"usage: results_bench DATABASE [--runs N] [--page-runs N] [--walk-sorted] [--no-walk] [--open-only] [--window-sort]"_s);
    return o;
}

// The benchmark's run, in the frame of RunBenchmark.
void Run(const QStringList& args, const QString& settingsFolder)
{
    const Options o = Parse(args);
    StartDelverSession(o.database, settingsFolder);
    if (o.windowSort) {
        MeasureWindowSort(o);
        EndDelverSession();
        return;
    }
    // Plain one-word names read the same in the user's dialect and in the shell's.
    const QString unsorted = u"SELECT * FROM %1"_s.arg(ledgerTable);
    const QString sorted = u"SELECT * FROM %1 ORDER BY %2"_s.arg(ledgerTable, amountField);
    std::fprintf(stderr, "unsorted result\n");
    const ResultFigures u = MeasureResult(unsorted, o, o.walkUnsorted);
    std::fprintf(stderr, "sorted result\n");
    const ResultFigures s = MeasureResult(sorted, o, o.walkSorted);
    Print(o, u, s);
    EndDelverSession();
}
} // namespace
} // namespace levy::bench

int main(int argc, char* argv[]) { return levy::bench::RunBenchmark(argc, argv, levy::bench::Run); }
