// Times both exports of Delver's results window on a large levy database, through the
// real window offscreen (its menu handlers, the save dialog answered in advance), with
// the resident memory sampled throughout. Beside them, in the same run: the bare read of
// the result, and a bare libxlsxwriter loop in constant-memory mode writing the same
// cells, the reference for the workbook. The shell's CSV export, the reference for the
// text file, is timed by run-results-bench.sh.
// Usage: export_bench DATABASE OUTPUT-FOLDER [text|workbook|bare]
//   (the last argument, for a profiler, runs that one export and nothing else)

#include "BenchLedger.h"
#include "BenchSupport.h"

#include "levy/DatabaseAccess.h"
#include "engine/Sqlite.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "widgets/CommonDialog.h"

#include <QDir>
#include <QFileInfo>

#include <xlsxwriter.h>

#include <atomic>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <vector>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace levy::bench {
namespace {

// Samples the resident memory from a thread of its own while an export runs on the
// window's thread, which does not return to the event loop until it is done.
class MemorySampler {
public:
    MemorySampler() : start_(ResidentKiB()), peak_(start_)
    {
        thread_ = std::thread([this] {
            while (!stop_) {
                const int64_t now = ResidentKiB();
                int64_t seen = peak_;
                while (now > seen && !peak_.compare_exchange_weak(seen, now)) {
                }
                samples_.fetch_add(1);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~MemorySampler() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    int64_t Start() const { return start_; }
    int64_t Peak() const { return peak_; }
    int Samples() const { return samples_; }

private:
    int64_t start_;
    std::atomic<int64_t> peak_;
    std::atomic<int> samples_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct ExportFigures {
    double ms = 0;
    int64_t startKiB = 0;
    int64_t peakKiB = 0;
    int samples = 0;
    qint64 bytes = 0;
};

ExportFigures TimeExport(frmDelverResults& w, const QString& target, void (frmDelverResults::*handler)())
{
    QFile::remove(target);
    MessageLog::Clear();
    CommonDialog::ClearQueue();
    CommonDialog::QueueFileName(target);
    ExportFigures f;
    MemorySampler memory;
    QElapsedTimer t;
    t.start();
    (w.*handler)();
    f.ms = Ms(t);
    memory.Stop();
    f.startKiB = memory.Start();
    f.peakKiB = memory.Peak();
    f.samples = memory.Samples();
    const auto shown = MessageLog::Shown();
    if (shown.size() != 1 || !shown[0].text.startsWith(u"Results successfully exported to "_s))
        NoMessages(u"exporting to "_s + target);
    MessageLog::Clear();
    f.bytes = QFileInfo(target).size();
    return f;
}

// Reads the result with a bare statement on the query connection, every column of every
// row, and hands each row to `row`.
template <class Row>
double BareRead(const QString& sql, Row row)
{
    sqlite3* db = levyDatabase->QueryConnection()->Handle();
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    QElapsedTimer t;
    t.start();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        Fail(u"the bare read could not be prepared: "_s + QString::fromUtf8(sqlite3_errmsg(db)));
    while (sqlite3_step(stmt) == SQLITE_ROW)
        row(stmt);
    sqlite3_finalize(stmt);
    return Ms(t);
}

// "YYYY-MM-DD HH:MM:SS" as libxlsxwriter's date.
lxw_datetime StoredDate(const unsigned char* text)
{
    lxw_datetime d{};
    int s = 0;
    std::sscanf(reinterpret_cast<const char*>(text), "%4d-%2d-%2d %2d:%2d:%2d", &d.year, &d.month, &d.day, &d.hour,
                &d.min, &s);
    d.sec = s;
    return d;
}

// Characters of a UTF-8 text, as a column's width counts them.
size_t Characters(const char* utf8)
{
    size_t n = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); p && *p; ++p)
        n += (*p & 0xC0) != 0x80;
    return n;
}

// The same cells the workbook export writes for the ledger (text, date, integer, amount,
// memo with line breaks), with the same formats and the same layout (every column but the
// memo as wide as its widest value, measured while writing; the heading row frozen with a
// filter; the document's properties), by the shortest path libxlsxwriter has.
ExportFigures BareWorkbook(const QString& sql, const QString& target)
{
    QFile::remove(target);
    ExportFigures f;
    MemorySampler memory;
    QElapsedTimer t;
    t.start();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray tmp = QFile::encodeName(QFileInfo(target).absolutePath());
    options.tmpdir = const_cast<char*>(tmp.constData());
    const QByteArray path = QFile::encodeName(target);
    lxw_workbook* book = workbook_new_opt(path.constData(), &options);
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>("Ledger");
    properties.author = const_cast<char*>("Bench");
    const QByteArray statement = sql.toUtf8();
    properties.comments = const_cast<char*>(statement.constData());
    workbook_set_properties(book, &properties);
    lxw_format* header = workbook_add_format(book);
    format_set_bold(header);
    format_set_align(header, LXW_ALIGN_VERTICAL_TOP);
    lxw_format* plain = workbook_add_format(book);
    format_set_align(plain, LXW_ALIGN_VERTICAL_TOP);
    lxw_format* wrapped = workbook_add_format(book);
    format_set_align(wrapped, LXW_ALIGN_VERTICAL_TOP);
    format_set_text_wrap(wrapped);
    lxw_format* date = workbook_add_format(book);
    format_set_align(date, LXW_ALIGN_VERTICAL_TOP);
    format_set_num_format(date, "dd/mm/yyyy hh:mm");
    lxw_format* amount = workbook_add_format(book);
    format_set_align(amount, LXW_ALIGN_VERTICAL_TOP);
    format_set_num_format(amount, "[Blue]#,##0.00;[Red]-#,##0.00");
    lxw_worksheet* sheet = nullptr;
    std::vector<lxw_worksheet*> sheets;
    std::vector<lxw_row_t> sheetRows;
    lxw_row_t r = 0;
    const char* names[] = {"Payer", "Posted On", "Term", "Amount", "Remarks"};
    double widths[4] = {};
    for (int c = 0; c < 4; ++c)
        widths[c] = double(std::strlen(names[c])) * 1.1 + 2;
    auto measure = [&](int c, double characters) {
        if (characters > widths[c])
            widths[c] = characters;
    };
    char digits[32];
    // A worksheet holds 1,048,576 rows: the rest follow on further ones, as the export writes them.
    auto startWorksheet = [&] {
        if (sheet)
            sheetRows.push_back(r);
        sheet = workbook_add_worksheet(book, nullptr);
        sheets.push_back(sheet);
        worksheet_set_column(sheet, 4, 4, 30, wrapped);
        for (lxw_col_t c = 0; c < 5; ++c)
            worksheet_write_string(sheet, 0, c, names[c], header);
        r = 0;
    };
    startWorksheet();
    std::string joined;
    BareRead(sql, [&](sqlite3_stmt* stmt) {
        if (r + 1 >= LXW_ROW_MAX)
            startWorksheet();
        ++r;
        const char* payer = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        measure(0, double(Characters(payer)));
        worksheet_write_string(sheet, r, 0, payer, plain);
        lxw_datetime d = StoredDate(sqlite3_column_text(stmt, 1));
        measure(1, 16);
        worksheet_write_datetime(sheet, r, 1, &d, date);
        const double term = sqlite3_column_double(stmt, 2);
        measure(2, double(std::snprintf(digits, sizeof digits, "%.0f", term)));
        worksheet_write_number(sheet, r, 2, term, plain);
        const double paid = sqlite3_column_double(stmt, 3);
        // Digits, the sign and a thousands separator for every three.
        const int whole = std::snprintf(digits, sizeof digits, "%.2f", std::fabs(paid)) - 3;
        measure(3, double(whole + (whole - 1) / 3 + 3 + (paid < 0)));
        worksheet_write_number(sheet, r, 3, paid, amount);
        if (sqlite3_column_type(stmt, 4) == SQLITE_NULL) {
            worksheet_write_blank(sheet, r, 4, wrapped);
            return;
        }
        // Line breaks as a spreadsheet keeps them: line feeds only.
        joined.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 4)));
        std::erase(joined, '\r');
        worksheet_write_string(sheet, r, 4, joined.c_str(), wrapped);
    });
    sheetRows.push_back(r);
    for (size_t i = 0; i < sheets.size(); ++i) {
        for (lxw_col_t c = 0; c < 4; ++c)
            worksheet_set_column(sheets[i], c, c, std::min(60.0, std::max(widths[c], 2.0) + 1.5), nullptr);
        worksheet_freeze_panes(sheets[i], 1, 0);
        worksheet_autofilter(sheets[i], 0, 0, sheetRows[i], 4);
    }
    if (workbook_close(book) != LXW_NO_ERROR)
        Fail(u"the bare workbook could not be written"_s);
    f.ms = Ms(t);
    memory.Stop();
    f.startKiB = memory.Start();
    f.peakKiB = memory.Peak();
    f.samples = memory.Samples();
    f.bytes = QFileInfo(target).size();
    return f;
}

void Row(const char* label, const QString& value, const char* note = "")
{
    std::printf("  %-46s %16s  %s\n", label, qPrintable(value), note);
}

void PrintExport(const char* title, const ExportFigures& f)
{
    std::printf("%s\n", title);
    Row("total", Seconds(f.ms));
    Row("resident memory at the start", MiB(f.startKiB));
    Row("resident memory, peak", MiB(f.peakKiB), qPrintable(u"(%1 samples)"_s.arg(f.samples)));
    Row("file size", u"%1 MiB"_s.arg(double(f.bytes) / 1048576.0, 0, 'f', 1));
}

} // namespace
} // namespace levy::bench

int main(int argc, char* argv[])
{
    using namespace levy;
    using namespace levy::bench;
    return RunBenchmark(argc, argv, [](const QStringList& args, const QString& settingsFolder) {
        if (args.size() < 3 || args.size() > 4 || !QFileInfo(args[2]).isDir())
            Fail(u"usage: export_bench DATABASE OUTPUT-FOLDER [text|workbook|bare]"_s);
        const QString only = args.value(3);
        auto runs = [&](const QString& which) { return only.isEmpty() || only == which; };
        const QDir out(args[2]);
        StartDelverSession(args[1], settingsFolder);
        const QString sql = u"SELECT * FROM %1"_s.arg(ledgerTable);
        std::fprintf(stderr, "bare read\n");
        int64_t rows = 0;
        const double readMs = BareRead(sql, [&](sqlite3_stmt* stmt) {
            ++rows;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                sqlite3_column_text(stmt, c);
        });
        std::fprintf(stderr, "opening the window\n");
        OpenTiming open;
        auto window = OpenWindow(sql, open);
        // The export's own pace: the background count is over before the command.
        if (!window->WaitForCount())
            Fail(u"the result could not be counted"_s);
        // The export comes back to the page the user was on: start from one in the middle.
        window->lngCurrentPage = window->lngPageCount / 2;
        window->LoadPage(false);
        Settle();
        ExportFigures text, book, bare;
        if (runs(u"text"_s)) {
            std::fprintf(stderr, "text export\n");
            text = TimeExport(*window, out.filePath(u"export-bench.txt"_s),
                              &frmDelverResults::mnuTools_Export_Generic_Click);
        }
        if (runs(u"workbook"_s)) {
            std::fprintf(stderr, "workbook export\n");
            book = TimeExport(*window, out.filePath(u"export-bench.xlsx"_s),
                              &frmDelverResults::mnuTools_Export_Excel_Click);
        }
        window.reset();
        if (runs(u"bare"_s)) {
            std::fprintf(stderr, "bare libxlsxwriter loop\n");
            bare = BareWorkbook(sql, out.filePath(u"export-bench-bare.xlsx"_s));
        }

        std::printf("\nDelver exports of %s (%lld records)\n", qPrintable(sql), static_cast<long long>(rows));
        Row("bare read: step every row, every column", Seconds(readMs));
        Row("open the window until page 1 is filled", Seconds(open.totalMs));
        PrintExport("Text export through the window", text);
        PrintExport("Workbook export through the window", book);
        PrintExport("Bare libxlsxwriter loop (constant memory), same cells", bare);
        std::printf("\nWorkbook export beside the bare loop: %.2fx (target <= 1.1x)\n", book.ms / bare.ms);
        std::printf("figure text-export %.3f\n", text.ms / 1000);
        std::printf("figure workbook-export %.3f\n", book.ms / 1000);
        std::printf("figure bare-workbook %.3f\n", bare.ms / 1000);
        for (const QString& f : {u"export-bench.txt"_s, u"export-bench.xlsx"_s, u"export-bench-bare.xlsx"_s})
            QFile::remove(out.filePath(f));
        EndDelverSession();
    });
}
