#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "FlexGrid.h"
#include "QueryValidation.h"
#include "SqlEditor.h"
#include "levy/DatabaseAccess.h"
#include "database/QueryDef.h"
#include "database/Recordset.h"
#include "engine/Sqlite.h"
#include "frmDelver.h"
#include "frmDelverResults.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "utilities/HelpRoutines.h"
#include "widgets/BusyPointer.h"
#include "widgets/CommonDialog.h"
#include "widgets/HelpViewer.h"

#include <QCryptographicHash>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QDir>
#include <QProcess>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString direct = u"Direct SQL Query Object"_s;
constexpr int red = 255;
constexpr int blue = 16711680;

QByteArray FileHash(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Counts the rows a statement evaluates: a sorted result evaluates all of them per run.
int evaluated = 0;
void CountEvaluation(sqlite3_context* context, int, sqlite3_value** argv)
{
    ++evaluated;
    sqlite3_result_value(context, argv[0]);
}

// Counts the queued calls a widget receives.
class QueuedCallCounter : public QObject {
public:
    int calls = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            ++calls;
        return false;
    }
};

// The visible texts of a grid row, columns 0 to the last.
QStringList RowTexts(const FlexGrid& grid, int row)
{
    QStringList texts;
    for (int c = 0; c < grid.Cols(); ++c)
        texts.append(grid.TextMatrix(row, c));
    return texts;
}
} // namespace

class TestDelverResults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }
    void init();
    void cleanup();

    void pagesButtonsAndBlankRows_data();
    void pagesButtonsAndBlankRows();
    void cellTextsColoursAndLayout();
    void nullAfterAValueShowsEmptyInTheNormalColour();
    void rowHeight_data();
    void rowHeight();
    void acceptedStatementsOpenTheWindow_data();
    void acceptedStatementsOpenTheWindow();
    void emptyResultSaysSoAndCloses();
    void windowMenuPanelAndHelp();
    void arrangeControlsLeavesRoomForTheProgressBar();
    void failureWhileReadingClosesAndKeepsTheEditorText();
    void longReadCanBeStoppedAndChangesNothing();
    void aSortedResultIsReadOnceForAllPages();
    void silentPagesQueueOneRefresh();
    void textExportOfEveryPage();
    void workbookExportOfEveryPage();
    void cancelledOrRefusedExportChangesNothing_data();
    void cancelledOrRefusedExportChangesNothing();

private:
    // Runs `sql` as the editor would and opens the results window without its modal loop.
    std::unique_ptr<frmDelverResults> Open(const QString& sql);
    void Fill(int records);

    std::unique_ptr<test::Sandbox> sandbox_;
    QString path_;
};

void TestDelverResults::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    path_ = test::DelverDatabase(sandbox_->Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    TableDef t(u"Receipts"_s);
    t.AppendField(t.CreateField(u"Payer"_s, dbText, 30));
    t.AppendField(t.CreateField(u"Paid On"_s, dbDate));
    t.AppendField(t.CreateField(u"Term"_s, dbInteger));
    t.AppendField(t.CreateField(u"Receipt Number"_s, dbLong));
    t.AppendField(t.CreateField(u"Cleared"_s, dbBoolean));
    t.AppendField(t.CreateField(u"Amount"_s, dbCurrency));
    t.AppendField(t.CreateField(u"Remarks"_s, dbMemo));
    levyDatabase->AppendTableDef(t);
    MessageLog::Clear();
}

void TestDelverResults::cleanup()
{
    CloseLevyDatabase();
    sandbox_.reset();
}

void TestDelverResults::Fill(int records)
{
    auto& c = *levyDatabase->MainConnection();
    c.Execute(u"BEGIN"_s);
    for (int i = 1; i <= records; ++i)
        c.Execute(u"INSERT INTO Receipts (Payer, [Receipt Number]) VALUES ('Payer %1', %1)"_s.arg(i));
    c.Execute(u"COMMIT"_s);
}

std::unique_ptr<frmDelverResults> TestDelverResults::Open(const QString& sql)
{
    if (!ValidateQuery(sql))
        return {};
    auto window = std::make_unique<frmDelverResults>(nullptr);
    window->show();
    QTest::qWait(0);
    QCoreApplication::processEvents();
    return window;
}

void TestDelverResults::pagesButtonsAndBlankRows_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("recordsOnLastPage");
    QTest::newRow("100: one full page") << 100 << 1 << 100;
    QTest::newRow("101: a second page of one") << 101 << 2 << 1;
    QTest::newRow("250: half a third page") << 250 << 3 << 50;
}

void TestDelverResults::pagesButtonsAndBlankRows()
{
    QFETCH(int, records);
    QFETCH(int, pages);
    QFETCH(int, recordsOnLastPage);
    Fill(records);
    auto w = Open(u"SELECT [Receipt Number], Payer FROM Receipts ORDER BY [Receipt Number]"_s);
    QVERIFY(w && w->isVisible());
    FlexGrid& grid = *w->grdResults;
    QCOMPARE(grid.Rows(), 101);
    QCOMPARE(grid.Cols(), 3);
    QCOMPARE(w->lngPageCount, pages);
    QCOMPARE(w->pnlPage->text(), u"Page 1 of %1"_s.arg(pages));
    QVERIFY(!w->cmdBack->isEnabled());
    QCOMPARE(w->cmdNext->isEnabled(), pages > 1);
    QCOMPARE(RowTexts(grid, 1), QStringList({u"1 "_s, u"1  "_s, u"Payer 1"_s}));

    // Asking for a page before the first beeps and changes nothing.
    const int beeps = BeepCount();
    w->cmdBack_Click();
    QCOMPARE(BeepCount(), beeps + 1);
    QCOMPARE(w->lngCurrentPage, 1);

    for (int p = 2; p <= pages; ++p)
        w->cmdNext->click();
    QCOMPARE(w->lngCurrentPage, pages);
    QCOMPARE(w->pnlPage->text(), u"Page %1 of %1"_s.arg(pages));
    QVERIFY(!w->cmdNext->isEnabled());
    QCOMPARE(w->cmdBack->isEnabled(), pages > 1);
    const int first = (pages - 1) * 100 + 1;
    QCOMPARE(RowTexts(grid, 1), QStringList({u"1 "_s, u"%1  "_s.arg(first), u"Payer %1"_s.arg(first)}));
    QCOMPARE(grid.TextMatrix(recordsOnLastPage, 1), u"%1  "_s.arg(records));
    for (int r = recordsOnLastPage + 1; r <= 100; ++r)
        QCOMPARE(RowTexts(grid, r), QStringList({u"%1 "_s.arg(r), QString(), QString()}));
    w->cmdNext_Click();
    QCOMPARE(BeepCount(), beeps + 2);
    QCOMPARE(w->lngCurrentPage, pages);

    if (pages > 1) {
        w->cmdBack->click();
        QCOMPARE(w->lngCurrentPage, pages - 1);
        QCOMPARE(grid.TextMatrix(100, 1), u"%1  "_s.arg((pages - 1) * 100));
        QCOMPARE(grid.TextMatrix(100, 0), u"100 "_s);
    }
    QVERIFY(!w->pnlProgress->isVisible());
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestDelverResults::cellTextsColoursAndLayout()
{
    levyDatabase->MainConnection()->Execute(
        u"INSERT INTO Receipts VALUES "
        "('Banda', '2026-03-01 00:00:00', 42, 70000, -1, -1234.5, 'paid' || char(13,10) || 'in full'),"
        "('Phiri', '2026-03-01 12:30:00', -7, 2147483647, 0, 0, NULL),"
        "('Mwale', NULL, NULL, NULL, NULL, 2000, 'x')"_s);
    auto w = Open(u"SELECT * FROM Receipts"_s);
    QVERIFY(w);
    FlexGrid& grid = *w->grdResults;
    QCOMPARE(RowTexts(grid, 0), QStringList({QString(), u"Payer"_s, u"Paid On"_s, u"Term"_s, u"Receipt Number"_s,
                                             u"Cleared"_s, u"Amount"_s, u"Remarks"_s}));
    QCOMPARE(RowTexts(grid, 1), QStringList({u"1 "_s, u"Banda"_s, u"01/03/2026"_s, u"42  "_s, u"70000  "_s, u"Yes"_s,
                                             u"      1 234.50"_s, u"paid\r\nin full"_s}));
    QCOMPARE(RowTexts(grid, 2), QStringList({u"2 "_s, u"Phiri"_s, u"01/03/2026 12:30"_s, u"-7  "_s,
                                             u"2147483647  "_s, u"No"_s, u"          0.00"_s, QString()}));
    QCOMPARE(RowTexts(grid, 3), QStringList({u"3 "_s, u"Mwale"_s, QString(), QString(), QString(), QString(),
                                             u"      2 000.00"_s, u"x"_s}));
    QCOMPARE(grid.CellForeColorAt(1, 6), red);
    QCOMPARE(grid.CellForeColorAt(2, 6), blue);
    QCOMPARE(grid.CellForeColorAt(3, 6), blue);
    QCOMPARE(grid.CellForeColorAt(1, 1), 0);
    QCOMPARE(grid.CellForeColorAt(1, 4), 0);

    // At least as wide as the names make them, and wide enough for the first page's
    // values, within a third of the window; text columns are left-aligned, the rest right.
    QCOMPARE(grid.ColWidth(0), 450);
    QCOMPARE(grid.ColAlignment(0), 7);
    const QList<int> widths = {600, 800, 500, 1500, 800, 700, 800};
    const QList<int> alignments = {0, 6, 6, 6, 6, 6, 6};
    const QFontMetrics metrics(grid.font());
    for (int c = 1; c <= 7; ++c) {
        QVERIFY(grid.ColWidth(c) >= widths[c - 1]);
        QVERIFY(grid.ColWidth(c) <= std::max(widths[c - 1], w->width() / 3 * 15));
        QCOMPARE(grid.ColAlignment(c), alignments[c - 1]);
    }
    for (const auto& [column, value] : {std::pair{2, u"01/03/2026 12:30"_s}, std::pair{6, u"1 234.50"_s}})
        QVERIFY2(grid.ColWidth(column) / 15 > metrics.horizontalAdvance(value), qPrintable(value));
    // What the view shows is what the cells hold.
    const QModelIndex amount = grid.model()->index(0, 5);
    QCOMPARE(amount.data().toString(), u"1 234.50"_s);
    QCOMPARE(amount.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    QCOMPARE(grid.model()->index(1, 5).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), u"Payer"_s);
    QCOMPARE(grid.model()->headerData(99, Qt::Vertical).toString(), u"100 "_s);
    QCOMPARE(w->pnlPage->text(), u"Page 1 of 1"_s);
}

void TestDelverResults::nullAfterAValueShowsEmptyInTheNormalColour()
{
    Fill(101);
    levyDatabase->MainConnection()->Execute(u"UPDATE Receipts SET Amount = -5 WHERE [Receipt Number] = 1"_s);
    auto w = Open(u"SELECT Amount, Payer FROM Receipts ORDER BY [Receipt Number]"_s);
    QVERIFY(w);
    QCOMPARE(w->grdResults->TextMatrix(1, 1), u"          5.00"_s);
    QCOMPARE(w->grdResults->CellForeColorAt(1, 1), red);
    w->cmdNext->click();
    QCOMPARE(w->grdResults->TextMatrix(1, 1), QString());
    QCOMPARE(w->grdResults->CellForeColorAt(1, 1), 0);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), u"Payer 101"_s);
    QCOMPARE(w->grdResults->CellForeColorAt(2, 1), 0);
}

void TestDelverResults::rowHeight_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("height");  // twips per row; 0 when refused
    QTest::addColumn<QString>("message");
    const QString large = u"Entered value is too large."_s, small = u"Entered value is too small."_s;
    QTest::newRow("20 is the most") << u"20"_s << 4800 << QString();
    QTest::newRow("21 is too large") << u"21"_s << 0 << large;
    QTest::newRow("0 is too small") << u"0"_s << 0 << small;
    QTest::newRow("a word is 0") << u"word"_s << 0 << small;
    QTest::newRow("negative") << u"-3"_s << 0 << small;
    QTest::newRow("2.5 rounds to even") << u"2.5"_s << 480 << QString();
    QTest::newRow("3.5 rounds to even") << u"3.5"_s << 960 << QString();
    QTest::newRow("blanks and trailing text") << u" 1 2 rows"_s << 2880 << QString();
    QTest::newRow("0.4 rounds to 0") << u"0.4"_s << 0 << small;
    QTest::newRow("huge") << u"1e400"_s << 0 << large;
    QTest::newRow("empty does nothing") << QString() << 0 << QString();
}

void TestDelverResults::rowHeight()
{
    QFETCH(QString, answer);
    QFETCH(int, height);
    QFETCH(QString, message);
    Fill(150);
    auto w = Open(u"SELECT Payer FROM Receipts"_s);
    QVERIFY(w);
    const int before = w->grdResults->RowHeight(1);
    MessageLog::QueueInput(answer);
    w->mnuTools_AdjRowHeight->trigger();
    const QList<MessageRequest> shown = MessageLog::Shown();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown[0].text, u"Enter the number of rows to display. It should be between 1 and 20 inclusive."_s);
    QCOMPARE(shown[0].title, u"Adjust Row Height"_s);
    if (message.isEmpty()) {
        QCOMPARE(shown.size(), 1);
    } else {
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].text, message);
        QCOMPARE(shown[1].title, u"Adjust Row Height"_s);
        QCOMPARE(shown[1].icon, Icon::Exclamation);
    }
    const int expected = height == 0 ? before : height;
    for (int r : {1, 50, 100})
        QCOMPARE(w->grdResults->RowHeight(r), expected);
    QCOMPARE(w->grdResults->RowHeight(0), 240);
    // The height holds on the next page.
    w->cmdNext->click();
    QCOMPARE(w->grdResults->RowHeight(100), expected);
}

void TestDelverResults::acceptedStatementsOpenTheWindow_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("firstRow");
    QTest::addColumn<int>("records");
    QTest::newRow("select") << u"SELECT Payer FROM Receipts ORDER BY Payer"_s << QStringList{u"1 "_s, u"Payer 1"_s} << 3;
    QTest::newRow("union")
        << u"SELECT Payer FROM Receipts UNION SELECT [User Name] FROM Users ORDER BY 1"_s
        << QStringList{u"1 "_s, u"Bursar"_s} << 6;
    QTest::newRow("leading blanks and line breaks")
        << u"  \r\n\r\n\tSELECT [Receipt Number]\r\nFROM Receipts\r\nWHERE [Receipt Number] > 1  \r\n"_s
        << QStringList{u"1 "_s, u"2  "_s} << 2;
    QTest::newRow("expression columns typed by their values")
        << u"SELECT [Receipt Number] * 2 AS Twice, Payer || '!' AS Shout FROM Receipts"_s
        << QStringList{u"1 "_s, u"2  "_s, u"Payer 1!"_s} << 3;
}

void TestDelverResults::acceptedStatementsOpenTheWindow()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, firstRow);
    QFETCH(int, records);
    Fill(3);
    auto w = Open(sql);
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(RowTexts(*w->grdResults, 1), firstRow);
    QCOMPARE(w->grdResults->TextMatrix(records, 0), u"%1 "_s.arg(records));
    QVERIFY(!w->grdResults->TextMatrix(records, 1).isEmpty());
    if (records < 100)
        QVERIFY(w->grdResults->TextMatrix(records + 1, 1).isEmpty());
    QCOMPARE(qryDirectSQL->SQL(), sql);
}

void TestDelverResults::emptyResultSaysSoAndCloses()
{
    Fill(3);
    auto w = Open(u"SELECT * FROM Receipts WHERE Payer = 'nobody'"_s);
    QVERIFY(w);
    QTRY_VERIFY(!w->isVisible());
    const MessageRequest m = test::OnlyMessage();
    QCOMPARE(m.text, u"The query did not return any matches."_s);
    QCOMPARE(m.icon, Icon::Exclamation);
    QCOMPARE(m.title, u"Delver"_s);
}

void TestDelverResults::windowMenuPanelAndHelp()
{
    Fill(1);
    auto w = Open(u"SELECT Payer FROM Receipts"_s);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), u"SQL Result"_s);
    QStringList items;
    for (QAction* a : w->mnuTools->actions())
        items.append(a->isSeparator() ? u"-"_s : a->text());
    QCOMPARE(items, QStringList({u"Adjust Row Height"_s, u"Export Results"_s, u"-"_s, u"Help"_s, u"-"_s, u"Close"_s}));
    QStringList exports;
    for (QAction* a : w->mnuTools_Export->actions())
        exports.append(a->text());
    QCOMPARE(exports, QStringList({u"Generic Format"_s, u"Excel 7.0"_s}));
    QCOMPARE(w->cmdBack->toolTip(), u"Go to the previous page"_s);
    QCOMPARE(w->cmdNext->toolTip(), u"Go to the next page"_s);
    QCOMPARE(w->pnlPage->toolTip(), u"Page counter"_s);
    QCOMPARE(w->cmdClose->toolTip(), u"Exit"_s);
    QCOMPARE(w->cmdHelp->text(), u"Help"_s);

    AppInfo::SetPathForTests(QStringLiteral(LEVY_PROGRAM_DIR));
    SetHelpDialog(w->dlgResults);
    w->cmdHelp->click();
    QCOMPARE(HelpViewer::Instance().CurrentContext(), 730);
    HelpViewer::Instance().hide();
    SetHelpDialog(nullptr);
    AppInfo::SetPathForTests({});

    w->mnuTools_Close->trigger();
    QVERIFY(!w->isVisible());
}

void TestDelverResults::arrangeControlsLeavesRoomForTheProgressBar()
{
    Fill(1);
    auto w = Open(u"SELECT Payer FROM Receipts"_s);
    QVERIFY(w);
    w->resize(700, 500);
    QCOMPARE(w->grdResults->width(), w->width());
    QCOMPARE(w->grdResults->geometry().bottom() + 1, w->picPanel->y());
    QCOMPARE(w->picPanel->geometry().bottom() + 1, w->height());
    w->ShowProgress();
    QCOMPARE(w->grdResults->geometry().bottom() + 1, w->pnlProgress->y());
    QCOMPARE(w->pnlProgress->geometry().bottom() + 1, w->picPanel->y());
    w->UpdateProgress(50, 100);
    QCOMPARE(w->pnlProgress->value(), 50);
    w->HideProgress();
    QCOMPARE(w->grdResults->geometry().bottom() + 1, w->picPanel->y());
    // Too small for the grid: it keeps its height.
    const int kept = w->grdResults->height();
    w->resize(700, w->mnuBar->height() + w->picPanel->height() - 5);
    QCOMPARE(w->grdResults->height(), kept);
}

void TestDelverResults::failureWhileReadingClosesAndKeepsTheEditorText()
{
    // The first record is fine, the second overflows: the failure comes only when the
    // window reads on.
    const QString sql = u"SELECT CASE WHEN [Receipt Number] = 1 THEN 1 ELSE abs(-9223372036854775807 - 1) END "
                        "FROM Receipts ORDER BY [Receipt Number]"_s;
    Fill(2);
    frmDelver editor;
    editor.txtSQL->setPlainText(sql);
    editor.ExecuteQuery();
    const MessageRequest m = test::OnlyMessage();
    QCOMPARE(m.icon, Icon::Exclamation);
    QVERIFY2(m.text.contains(u"overflow"_s, Qt::CaseInsensitive), qPrintable(m.text));
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(editor.txtSQL->Text(), sql);
    QCOMPARE(qryDirectSQL->SQL(), sql);
}

void TestDelverResults::aSortedResultIsReadOnceForAllPages()
{
    Fill(250);
    // The dialect's CLng stands in for a counting function: a query may call no other.
    sqlite3_create_function(levyDatabase->QueryConnection()->Handle(), "jet_clng", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            CountEvaluation, nullptr, nullptr);
    evaluated = 0;
    // Checked and opened by the editor, counted and shown by the window: one run in all.
    auto w = Open(u"SELECT CLng([Receipt Number]) AS N FROM Receipts ORDER BY [Receipt Number] DESC"_s);
    QVERIFY(w);
    QCOMPARE(w->lngPageCount, 3);
    QCOMPARE(w->grdResults->TextMatrix(1, 1), u"250  "_s);
    QCOMPARE(evaluated, 250);
    w->cmdNext->click();
    w->cmdNext->click();
    QCOMPARE(w->grdResults->TextMatrix(50, 1), u"1  "_s);
    w->cmdBack->click();
    QCOMPARE(w->grdResults->TextMatrix(1, 1), u"150  "_s);
    QCOMPARE(evaluated, 250);
}

void TestDelverResults::silentPagesQueueOneRefresh()
{
    Fill(1000);
    auto w = Open(u"SELECT Payer FROM Receipts"_s);
    QVERIFY(w);
    QueuedCallCounter counter;
    w->grdResults->installEventFilter(&counter);
    // As an export walks them: every page silently, without returning to the event loop.
    for (int32_t page = 1; page <= w->lngPageCount; ++page) {
        w->lngCurrentPage = page;
        w->LoadPage(true);
    }
    QCoreApplication::processEvents();
    QVERIFY2(counter.calls <= 1, qPrintable(QString::number(counter.calls)));
    QCOMPARE(w->grdResults->TextMatrix(1, 1), u"Payer 901"_s);
}

void TestDelverResults::longReadCanBeStoppedAndChangesNothing()
{
    Fill(3);
    const QString sql = u"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1000000000) "
                        "SELECT x, 'some text to store' FROM n"_s;
    QVERIFY(ValidateQuery(sql));
    const QByteArray before = FileHash(path_);
    frmDelverResults w(nullptr);
    // The read runs in the window's own loop: act from a timer inside it.
    bool sawCancel = false, progressShown = false, closeDisabled = false;
    QTimer user;
    connect(&user, &QTimer::timeout, &w, [&] {
        if (!w.cmdCancel->isVisible() || sawCancel)
            return;
        sawCancel = w.Reading();
        progressShown = w.pnlProgress->isVisible();
        closeDisabled = !w.cmdClose->isEnabled();
        w.cmdCancel->click();
    });
    user.start(20);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 20000);
    QVERIFY(sawCancel);
    QVERIFY(progressShown);
    QVERIFY(closeDisabled);
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(qryDirectSQL->SQL(), sql);
    QCOMPARE(FileHash(path_), before);
    // The database answers again at once.
    QVERIFY(ValidateQuery(u"SELECT count(*) FROM Receipts"_s));
}

namespace {
// 150 records over two pages, with an amount of each sign and a two-line remark.
void FillForExport(levy::engine::Connection& c)
{
    c.Execute(u"BEGIN"_s);
    for (int i = 1; i <= 150; ++i)
        c.Execute(u"INSERT INTO Receipts (Payer, [Receipt Number], Amount, Remarks) VALUES ('Payer %1', %1, %2, %3)"_s
                      .arg(i)
                      .arg(i == 1   ? u"-1234.5"_s
                           : i == 2 ? u"0"_s
                           : i == 4 ? u"-922337203685477"_s  // the whole part's extreme
                           : i == 5 ? u"12345678901.25"_s    // a year's levy in a currency of small units
                                    : u"2000"_s)
                      .arg(i == 3 ? u"'a' || char(13,10,13,10) || 'b'"_s : u"NULL"_s));
    c.Execute(u"COMMIT"_s);
}
const QString exportSql = u"SELECT [Receipt Number], Payer, Amount, Remarks FROM Receipts ORDER BY [Receipt Number]"_s;
} // namespace

void TestDelverResults::textExportOfEveryPage()
{
    FillForExport(*levyDatabase->MainConnection());
    auto w = Open(exportSql);
    QVERIFY(w);
    QCOMPARE(w->grdResults->TextMatrix(4, 3), u"922 337 203 685 477.00"_s);
    QCOMPARE(w->grdResults->CellForeColorAt(4, 3), red);
    QCOMPARE(w->grdResults->TextMatrix(5, 3), u"12 345 678 901.25"_s);
    w->cmdNext->click();
    const QString target = sandbox_->Path(u"result.txt"_s);
    CommonDialog::ClearQueue();
    CommonDialog::QueueFileName(target);
    w->mnuTools_Export_Generic->trigger();

    const auto dialogs = CommonDialog::ShownDialogs();
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs[0].title, u"Export Results"_s);
    QCOMPARE(dialogs[0].filter, u"Text Files (*.TXT)|*.txt"_s);
    QCOMPARE(dialogs[0].flags, 2050);
    const MessageRequest m = test::OnlyMessage();
    QCOMPARE(m.text, u"Results successfully exported to "_s + target);
    QCOMPARE(m.title, u"Export Results"_s);
    QCOMPARE(m.icon, Icon::Information);

    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 152);  // 151 lines, each ending in CR LF
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(lines[0], QByteArray("Receipt Number,Payer,Amount,Remarks\r"));
    QCOMPARE(lines[1], QByteArray("1  ,Payer 1,-1234.5,\r"));
    QCOMPARE(lines[2], QByteArray("2  ,Payer 2,0,\r"));
    QCOMPARE(lines[3], QByteArray("3  ,Payer 3,2000,a;b\r"));
    QCOMPARE(lines[4], QByteArray("4  ,Payer 4,-922337203685477,\r"));
    QCOMPARE(lines[5], QByteArray("5  ,Payer 5,12345678901.25,\r"));
    QCOMPARE(lines[150], QByteArray("150  ,Payer 150,2000,\r"));
    // The page shown before is shown again.
    QCOMPARE(w->lngCurrentPage, 2);
    QCOMPARE(w->pnlPage->text(), u"Page 2 of 2"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), u"Payer 101"_s);
    QVERIFY(!w->pnlProgress->isVisible());
    QCOMPARE(QDir(sandbox_->Folder()).entryList({u"result*"_s}, QDir::Files | QDir::Hidden), QStringList{u"result.txt"_s});
}

void TestDelverResults::workbookExportOfEveryPage()
{
    FillForExport(*levyDatabase->MainConnection());
    auto w = Open(exportSql);
    QVERIFY(w);
    const QString target = sandbox_->Path(u"result.xlsx"_s);
    CommonDialog::ClearQueue();
    CommonDialog::QueueFileName(target);
    w->mnuTools_Export_Excel->trigger();
    QCOMPARE(CommonDialog::ShownDialogs().at(0).filter, u"Excel Files (*.xlsx)|*.xlsx"_s);
    QCOMPARE(test::OnlyMessage().text, u"Results successfully exported to "_s + target);

    QProcess python;
    python.start(u"/usr/bin/python3"_s, {u"-c"_s, uR"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(ws.max_row, ws.max_column, ws['A1'].value, ws['A1'].font.b, ws['B2'].font.b)
print(repr(ws['A2'].value), repr(ws['B2'].value), repr(ws['C2'].value), repr(ws['C3'].value), repr(ws['D4'].value), repr(ws['C5'].value), repr(ws['C6'].value))
print(ws['D4'].alignment.wrap_text, int(ws.column_dimensions['D'].width), ws.column_dimensions['C'].width != ws.column_dimensions['D'].width, ws['B2'].alignment.vertical, ws['A151'].value)
)"_s, target});
    QVERIFY(python.waitForFinished(30000));
    const QStringList out = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n');
    QVERIFY2(out.size() >= 3, python.readAllStandardError().constData());
    QCOMPARE(out[0], u"151 4 Receipt Number True False"_s);
    QCOMPARE(out[1], uR"(1 'Payer 1' -1234.5 0 'a\nb' -922337203685477 12345678901.25)"_s);
    QCOMPARE(out[2], u"True 30 True top 150"_s);  // the file keeps Excel's padding: 30.71
    QCOMPARE(w->lngCurrentPage, 1);
}

void TestDelverResults::cancelledOrRefusedExportChangesNothing_data()
{
    QTest::addColumn<bool>("workbook");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("text, cancelled") << false << true;
    QTest::newRow("workbook, cancelled") << true << true;
    QTest::newRow("text, read-only target") << false << false;
    QTest::newRow("workbook, read-only target") << true << false;
}

void TestDelverResults::cancelledOrRefusedExportChangesNothing()
{
    QFETCH(bool, workbook);
    QFETCH(bool, cancel);
    FillForExport(*levyDatabase->MainConnection());
    auto w = Open(exportSql);
    QVERIFY(w);
    w->cmdNext->click();
    const QString target = sandbox_->Path(workbook ? u"old.xlsx"_s : u"old.txt"_s);
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("what was there before");
    }
    QFile::setPermissions(target, QFileDevice::ReadOwner);
    CommonDialog::ClearQueue();
    CommonDialog::QueueFileName(cancel ? QString() : target);
    (workbook ? w->mnuTools_Export_Excel : w->mnuTools_Export_Generic)->trigger();
    if (cancel) {
        QVERIFY(MessageLog::Shown().isEmpty());
    } else {
        const MessageRequest m = test::OnlyMessage();
        QCOMPARE(m.title, u"Aborting"_s);
        QCOMPARE(m.icon, Icon::Exclamation);
        QVERIFY2(m.text.contains(u"old."_s), qPrintable(m.text));
    }
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("what was there before"));
    QCOMPARE(QDir(sandbox_->Folder()).entryList({u"old*"_s}, QDir::Files | QDir::Hidden).size(), 1);
    QVERIFY(!w->pnlProgress->isVisible());
    QCOMPARE(w->pnlPage->text(), u"Page 2 of 2"_s);
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QTEST_MAIN(TestDelverResults)
#include "test_delver_results.moc"
