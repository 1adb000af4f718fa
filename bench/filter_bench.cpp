// Times the results window's filter on a large levy database: from Enter in the filter box
// until page 1 of the rows found is on screen, and until every record was looked through,
// for words found often, rarely, only in numbers and dates, and under a sort. Runs the real
// window offscreen on the counted result.
// Usage: filter_bench DATABASE [--runs N]

#include "BenchLedger.h"
#include "BenchSupport.h"

#include "results/FlexGrid.h"
#include "database/Recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace levy::bench {
namespace {

struct Case {
    const char* label;
    QString words;
    bool sorted;
};

struct Figures {
    QList<double> firstPage, finished;
    QString firstText, lastText;
};

bool StillFinding(const frmDelverResults& w) { return w.lblRecords->text().contains(u"so far"_s); }

void Run(const QStringList& args, const QString& settingsFolder)
{
    QString database;
    int runs = 3;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--runs"_s && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (database.isEmpty())
            database = QFileInfo(args[i]).absoluteFilePath();
    }
    if (database.isEmpty() || !QFileInfo(database).isFile())
        Fail(u"usage: filter_bench DATABASE [--runs N]"_s);
    StartDelverSession(database, settingsFolder);

    const QString sql = u"SELECT * FROM %1"_s.arg(ledgerTable);
    OpenTiming timing;
    auto w = OpenWindow(sql, timing);
    while (w->Counting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const int64_t records = w->rsResults->RecordCount();
    int amount = 0;
    for (int c = 1; c < w->grdResults->Cols(); ++c)
        if (w->grdResults->TextMatrix(0, c) == amountField)
            amount = c;

    const Case cases[] = {
        {"a surname (about 1 in 40 records)", u"mensah"_s, false},
        {"two words, rare (about 1 in 800)", u"lindqvist zoë"_s, false},
        {"three words, rarer than a page", u"lindqvist zoë breakage"_s, false},
        {"digits, in dates and amounts", u"2019"_s, false},
        {"no record at all", u"nobody-at-all"_s, false},
        {"a surname, sorted by Amount", u"mensah"_s, true},
        {"two words, rare, sorted by Amount", u"lindqvist zoë"_s, true},
        {"no record at all, sorted by Amount", u"nobody-at-all"_s, true},
    };
    std::printf("\nThe filter of the results window (%s, %lld records, median of %d runs)\n", sql.toUtf8().constData(),
                static_cast<long long>(records), runs);
    std::printf("  %-36s %14s %16s  %s\n", "filter", "page 1 shown", "all looked at", "the records text at the end");
    bool sortedYet = false;
    for (const Case& c : cases) {
        if (c.sorted && !sortedYet) {
            w->txtFilter->clear();
            QTest::keyClick(w->txtFilter, Qt::Key_Return);
            w->SortBy(amount);
            Settle();
            sortedYet = true;
        }
        Figures f;
        for (int run = 0; run < runs; ++run) {
            // From no filter, as a user types a new one.
            w->txtFilter->clear();
            QTest::keyClick(w->txtFilter, Qt::Key_Return);
            Settle();
            w->txtFilter->setText(c.words);
            QElapsedTimer t;
            t.start();
            QTest::keyClick(w->txtFilter, Qt::Key_Return);
            Settle();
            f.firstPage.append(Ms(t));
            f.firstText = w->lblRecords->text();
            while (StillFinding(*w))
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            f.finished.append(Ms(t));
            f.lastText = w->lblRecords->text();
        }
        NoMessages(QString::fromUtf8(c.label));
        std::printf("  %-36s %14s %16s  %s\n", c.label, Seconds(Median(f.firstPage)).toUtf8().constData(),
                    Seconds(Median(f.finished)).toUtf8().constData(), f.lastText.toUtf8().constData());
        std::printf("  %-36s page 1 read \"%s\"\n", "", f.firstText.toUtf8().constData());
    }
    w.reset();
    EndDelverSession();
}

} // namespace
} // namespace levy::bench

int main(int argc, char* argv[]) { return levy::bench::RunBenchmark(argc, argv, levy::bench::Run); }
