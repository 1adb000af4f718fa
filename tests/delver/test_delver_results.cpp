#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "results/FlexGrid.h"
#include "workbench/QueryValidation.h"
#include "results/ResultRows.h"
#include "workbench/SqlEditor.h"
#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
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
#include "widgets/Contrast.h"
#include "widgets/HelpViewer.h"

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDir>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QStyleOptionHeader>
#include <QThread>
#include <QTest>
#include <QTimer>

#include <sys/mount.h>
#include <unistd.h>

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

// A plain click on the heading of grid column `col`, as the user sorts.
void ClickHeading(frmDelverResults& w, int col, Qt::KeyboardModifiers modifiers = {})
{
    QHeaderView* header = w.grdResults->horizontalHeader();
    const int x = header->sectionViewportPosition(col - 1) + header->sectionSize(col - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, QPoint(x, header->height() / 2));
}

// The texts of one grid column, rows 1 to n, without the blanks that lay numbers out.
QStringList ColumnTexts(const FlexGrid& grid, int col, int n)
{
    QStringList texts;
    for (int r = 1; r <= n; ++r)
        texts.append(grid.TextMatrix(r, col).trimmed());
    return texts;
}

// Whether a heading's sort arrow, as painted, points up: the rightmost ink of the
// heading (inside its borders) widens downwards.
bool SortArrowPointsUp(QHeaderView& header, int section)
{
    const QRect rect(header.sectionViewportPosition(section), 0, header.sectionSize(section), header.height());
    const QImage image = header.viewport()->grab(rect.adjusted(0, 1, -2, -1)).toImage();
    auto inked = [&](int x) {
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(x, y)) < 128)
                return true;
        return false;
    };
    int right = image.width() - 1;
    while (right >= 0 && !inked(right))
        --right;
    int left = right;
    while (left > 0 && inked(left - 1))
        --left;
    QList<int> widths;
    for (int y = 0; y < image.height(); ++y) {
        int ink = 0;
        for (int x = std::max(left, 0); x <= right; ++x)
            ink += qGray(image.pixel(x, y)) < 128;
        if (ink > 0)
            widths.append(ink);
    }
    return widths.size() >= 2 && widths.first() < widths.last();
}

// The separate bands of ink (lines of text) in a rectangle of a picture.
int InkLines(const QImage& image, const QRect& rect)
{
    int lines = 0;
    bool inLine = false;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        bool ink = false;
        for (int x = rect.left(); x <= rect.right() && !ink; ++x)
            ink = qGray(image.pixel(x, y)) < 128;
        if (ink && !inLine)
            ++lines;
        inLine = ink;
    }
    return lines;
}

// Takes what the desktop would be asked to open.
class DesktopOpener : public QObject {
    Q_OBJECT
public:
    DesktopOpener() { QDesktopServices::setUrlHandler(u"file"_s, this, "Open"); }
    ~DesktopOpener() override { QDesktopServices::unsetUrlHandler(u"file"_s); }
    QStringList opened;
public slots:
    void Open(const QUrl& url) { opened.append(url.toLocalFile()); }
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
    void valuesTheirColumnCannotReadShowAsTheirText();
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
    void aSecondExportIsQuickToRepeat();
    void cancelledOrRefusedExportChangesNothing_data();
    void cancelledOrRefusedExportChangesNothing();
    void pageOneShowsBeforeTheCountWhichCanBeStopped();
    void aDiskThatFillsWhileReadingOnIsTold();
    void navigation_data();
    void navigation();
    void sortByHeading_data();
    void sortByHeading();
    void sortOfAResultTooLargeToSortInMemoryAtOnce();
    void fitAndDraggedWidthsHold();
    void numbersDoNotWrapInTallerRows();
    void copyToTheClipboard_data();
    void copyToTheClipboard();
    void aLongTextShowsItsStartAndLength();
    void anExportCanBeStopped_data();
    void anExportCanBeStopped();

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
    // Page 1 shows at once; these tests look at the counted result.
    QDeadlineTimer deadline(20000);
    while (window->Counting() && !deadline.hasExpired())
        QTest::qWait(5);
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
    // Row headings number the records in the result; the rows after the last hold none.
    QCOMPARE(RowTexts(grid, 1), QStringList({u"%1 "_s.arg(first), u"%1  "_s.arg(first), u"Payer %1"_s.arg(first)}));
    QCOMPARE(grid.TextMatrix(recordsOnLastPage, 1), u"%1  "_s.arg(records));
    QCOMPARE(grid.TextMatrix(recordsOnLastPage, 0), u"%1 "_s.arg(records));
    for (int r = recordsOnLastPage + 1; r <= 100; ++r)
        QCOMPARE(RowTexts(grid, r), QStringList({QString(), QString(), QString()}));
    w->cmdNext_Click();
    QCOMPARE(BeepCount(), beeps + 2);
    QCOMPARE(w->lngCurrentPage, pages);

    if (pages > 1) {
        w->cmdBack->click();
        QCOMPARE(w->lngCurrentPage, pages - 1);
        QCOMPARE(grid.TextMatrix(100, 1), u"%1  "_s.arg((pages - 1) * 100));
        QCOMPARE(grid.TextMatrix(100, 0), u"%1 "_s.arg((pages - 1) * 100));
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
    // What the view shows is what the cells hold; a negative amount also has its sign, as
    // the user chooses it in the View menu (remembered), never by its colour alone.
    const QModelIndex amount = grid.model()->index(0, 5);
    QCOMPARE(amount.data().toString(), u"-1 234.50"_s);
    // The cells' red and blue, as readable on the grid's background as text must be.
    const QColor base = grid.palette().color(QPalette::Base);
    const QColor red = ReadableOn(QColor(255, 0, 0), base);
    QCOMPARE(amount.data(Qt::ForegroundRole).value<QColor>(), red);
    QCOMPARE(grid.model()->index(1, 5).data(Qt::ForegroundRole).value<QColor>(), ReadableOn(QColor(0, 0, 255), base));
    const QList<std::pair<QString, QString>> choices{
        {u"mnuView_SignSuffix"_s, u"1 234.50 DR"_s}, {u"mnuView_SignColour"_s, u"1 234.50"_s},
        {u"mnuView_SignMinus"_s, u"-1 234.50"_s}, {u"mnuView_SignSuffix"_s, u"1 234.50 DR"_s}};
    for (const auto& [choice, shown] : choices) {
        w->findChild<QAction*>(choice)->trigger();
        QCOMPARE(amount.data().toString(), shown);
        QCOMPARE(amount.data(Qt::ForegroundRole).value<QColor>(), red);
        QCOMPARE(grid.model()->index(1, 5).data().toString(), u"0.00"_s);
        QCOMPARE(grid.model()->index(2, 5).data().toString(), u"2 000.00"_s);
        QCOMPARE(grid.TextMatrix(1, 6), u"      1 234.50"_s);
    }
    // The copy carries the minus sign whatever the screen shows.
    grid.setCurrentIndex(amount);
    w->mnuTools_Copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"-1234.50\n"_s);
    auto again = Open(u"SELECT * FROM Receipts"_s);
    QVERIFY(again->findChild<QAction*>(u"mnuView_SignSuffix"_s)->isChecked());
    QCOMPARE(again->grdResults->model()->index(0, 5).data().toString(), u"1 234.50 DR"_s);
    again->close();
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), u"Payer"_s);
    QCOMPARE(grid.model()->headerData(2, Qt::Vertical).toString(), u"3 "_s);
    QCOMPARE(grid.model()->headerData(3, Qt::Vertical).toString(), QString());
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

// A union's later parts may give a column values its type cannot read: they show as their
// text in the grid and the export instead of failing the page.
void TestDelverResults::valuesTheirColumnCannotReadShowAsTheirText()
{
    Fill(1);
    // The largest whole number the file can hold, put there by another program.
    levyDatabase->MainConnection()->Execute(
        u"INSERT INTO Receipts (Payer, [Receipt Number], Amount) VALUES ('odd', 2, 9223372036854775807)"_s);
    auto w = Open(u"SELECT [Paid On], Term, Cleared, Amount FROM Receipts WHERE Payer <> 'odd' "
                  u"UNION ALL SELECT 'soon', 'many', 'maybe', 'n/a' "
                  u"UNION ALL SELECT NULL, NULL, NULL, Amount FROM Receipts WHERE Payer = 'odd'"_s);
    QVERIFY(w);
    QCOMPARE(MessageLog::Shown().size(), 0);
    QCOMPARE(RowTexts(*w->grdResults, 2), (QStringList{u"2 "_s, u"soon"_s, u"many"_s, u"maybe"_s, u"n/a"_s}));
    QCOMPARE(w->grdResults->TextMatrix(3, 4), u"9223372036854775807"_s);  // beyond the amounts
    const QString target = sandbox_->Path(u"odd.txt"_s);
    CommonDialog::QueueFileName(target);
    w->mnuTools_Export_Generic->trigger();
    QCOMPARE(test::OnlyMessage().icon, Icon::Information);
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("Paid On,Term,Cleared,Amount\r\n,,,\r\nsoon,many,maybe,n/a\r\n,,,9223372036854775807\r\n"));
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
    QCOMPARE(items, QStringList({u"Adjust Row Height"_s, u"&Fit columns"_s, u"&Record..."_s, u"-"_s, u"&Copy"_s,
                                 u"Copy with &headings"_s, u"Export Results"_s, u"Char&t..."_s, u"&Print..."_s,
                                 u"Print P&age..."_s, u"Print Pre&view..."_s, u"-"_s, u"Help"_s, u"-"_s,
                                 u"Close"_s}));
    QStringList exports;
    for (QAction* a : w->mnuTools_Export->actions())
        exports.append(a->text());
    QCOMPARE(exports, QStringList({u"Generic Format"_s, u"Excel 7.0"_s}));
    QCOMPARE(w->cmdBack->toolTip(), u"Go to the previous page"_s);
    QCOMPARE(w->cmdNext->toolTip(), u"Go to the next page"_s);
    QCOMPARE(w->pnlPage->toolTip(), u"Page counter"_s);
    QCOMPARE(w->cmdClose->toolTip(), u"Exit"_s);
    QCOMPARE(w->cmdFirst->toolTip(), u"Go to the first page (Ctrl+Home)"_s);
    QCOMPARE(w->cmdLast->toolTip(), u"Go to the last page (Ctrl+End)"_s);
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
    const QString sql = u"SELECT CASE WHEN [Receipt Number] = 1 THEN 1 ELSE CLng(3000000000) END "
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
    // Counted in this process: the reading is the same whichever process runs the engine.
    levyDatabase->UseQueryWorker(false);
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
    // Sorting by a heading sorts what the window holds: the statement does not run again.
    ClickHeading(*w, 1);
    QCOMPARE(RowTexts(*w->grdResults, 1), QStringList({u"1 "_s, u"1  "_s}));
    w->cmdNext->click();
    QCOMPARE(RowTexts(*w->grdResults, 1), QStringList({u"101 "_s, u"101  "_s}));
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
    // The first record comes only at the end of a long read: page 1 cannot show before it.
    const QString sql = u"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1000000000) "
                        "SELECT x, 'some text to store' FROM n WHERE x > 999999999"_s;
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
                           : i == 5 ? u"12345678901.2549"_s  // small units, and a computed share's decimals
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
    QCOMPARE(w->grdResults->TextMatrix(5, 3), u"12 345 678 901.25"_s);  // the exports keep all four decimals
    w->cmdNext->click();
    const QString target = sandbox_->Path(u"result.txt"_s);
    CommonDialog::ClearQueue();
    CommonDialog::QueueFileName(target);
    w->mnuTools_Export_Generic->trigger();

    const auto dialogs = CommonDialog::ShownDialogs();
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs[0].title, u"Export Results"_s);
    // The specified filter first and chosen; UTF-8 for spreadsheets second.
    QCOMPARE(dialogs[0].filter, u"Text Files (*.TXT)|*.txt|UTF-8 text for spreadsheets (*.csv)|*.csv"_s);
    QCOMPARE(dialogs[0].filterIndex, 1);
    QCOMPARE(dialogs[0].flags, 2050);
    const MessageRequest m = test::OnlyMessage();
    QCOMPARE(m.text, u"Results successfully exported to "_s + target);
    QCOMPARE(m.title, u"Export Results"_s);
    QCOMPARE(m.icon, Icon::Information);
    QCOMPARE(m.buttons, Buttons::OKOnly);
    QCOMPARE(m.offers, (QList<QString>{u"&Open File"_s, u"Open &Folder"_s}));

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
    QCOMPARE(lines[5], QByteArray("5  ,Payer 5,12345678901.2549,\r"));
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
    QVERIFY(ValidateQuery(exportSql));
    // Asked for as the count ends, before the window has heard of it.
    auto w = std::make_unique<frmDelverResults>(nullptr);
    w->show();
    QTest::qWait(0);
    QCoreApplication::processEvents();
    QThread::msleep(300);
    const QString target = sandbox_->Path(u"result.xlsx"_s);
    CommonDialog::ClearQueue();
    CommonDialog::QueueFileName(target);
    CurrentUserName = u"Clerk"_s;
    w->mnuTools_Export_Excel->trigger();
    CurrentUserName.clear();
    QCOMPARE(CommonDialog::ShownDialogs().at(0).filter, u"Excel Files (*.xlsx)|*.xlsx"_s);
    QCOMPARE(test::OnlyMessage().text, u"Results successfully exported to "_s + target);

    QProcess python;
    python.start(u"/usr/bin/python3"_s, {u"-c"_s, uR"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(ws.max_row, ws.max_column, ws['A1'].value, ws['A1'].font.b, ws['B2'].font.b)
print(repr(ws['A2'].value), repr(ws['B2'].value), repr(ws['C2'].value), repr(ws['C3'].value), repr(ws['D4'].value), repr(ws['C5'].value), repr(ws['C6'].value))
print(ws['D4'].alignment.wrap_text, int(ws.column_dimensions['D'].width), ws.column_dimensions['C'].width != ws.column_dimensions['D'].width, ws['B2'].alignment.vertical, ws['A151'].value)
w = {c: ws.column_dimensions[c].width for c in 'ABC'}
p = ws.parent.properties
print(ws.title, ws.freeze_panes, ws.auto_filter.ref, ws['C2'].number_format, p.title, p.creator, p.description)
print(w['A'] > len('Receipt Number') + 2, 10 <= w['B'] < 14, 24 < w['C'] < 28)
)"_s, target});
    QVERIFY(python.waitForFinished(30000));
    const QStringList out = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n');
    QVERIFY2(out.size() >= 5, python.readAllStandardError().constData());
    QCOMPARE(out[0], u"151 4 Receipt Number True False"_s);
    QCOMPARE(out[1], uR"(1 'Payer 1' -1234.5 0 'a\nb' -922337203685477 12345678901.2549)"_s);
    QCOMPARE(out[2], u"True 30 True top 150"_s);  // the file keeps Excel's padding: 30.71
    // Laid out: named after the statement's table, the headings frozen and filtered, every
    // column as wide as its widest value (the amounts' 23 characters), and who ran what.
    QCOMPARE(out[3], u"Receipts A2 A1:D151 [Blue]#,##0.00;[Red]-#,##0.00 Receipts Clerk "_s + exportSql);
    QCOMPARE(out[4], u"True True True"_s);
    QCOMPARE(w->lngCurrentPage, 1);
}

// The second export opens where the first was saved and suggests a name; the message
// opens the file or its folder with the desktop's program; UTF-8 for spreadsheets keeps
// every character, quoted as RFC 4180 says, and no formula.
void TestDelverResults::aSecondExportIsQuickToRepeat()
{
    FillForExport(*levyDatabase->MainConnection());
    levyDatabase->MainConnection()->Execute(
        u"UPDATE Receipts SET Payer = 'Zo\u00EB M\u00FCller \u00A35 \u20AC', Remarks = '=1+1' "
        u"WHERE [Receipt Number] = 2"_s);
    levyDatabase->MainConnection()->Execute(u"UPDATE Receipts SET Payer = 'Smith, \"J\"' WHERE [Receipt Number] = 6"_s);
    auto w = Open(exportSql);
    QVERIFY(w);
    QDir(sandbox_->Folder()).mkdir(u"exports"_s);
    const QString first = sandbox_->Path(u"exports/first.xlsx"_s), second = sandbox_->Path(u"exports/second.csv"_s);
    const QString today = QDate::currentDate().toString(u"yyyy-MM-dd"_s);
    DesktopOpener desktop;
    CommonDialog::ClearQueue();
    CommonDialog::QueueFileName(first);
    MessageLog::QueueAnswer(Answer::Offer1);
    w->mnuTools_Export_Excel->trigger();
    CommonDialog::QueueFileName(second, 2);
    MessageLog::QueueAnswer(Answer::Offer2);
    w->mnuTools_Export_Generic->trigger();

    const auto dialogs = CommonDialog::ShownDialogs();
    QCOMPARE(dialogs.size(), 2);
    QCOMPARE(dialogs[0].fileName, u"Receipts "_s + today);
    QCOMPARE(dialogs[0].initDir, QString());
    QCOMPARE(dialogs[1].fileName, u"Receipts "_s + today);
    QCOMPARE(dialogs[1].initDir, sandbox_->Path(u"exports"_s));
    const QList<MessageRequest> shown = MessageLog::Shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].text, u"Results successfully exported to "_s + second);
    QCOMPARE(desktop.opened, (QStringList{first, sandbox_->Path(u"exports"_s)}));

    QFile csv(second);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBFReceipt Number,Payer,Amount,Remarks\r\n"));
    QVERIFY(bytes.contains("\r\n3,Payer 3,2000,\"a\r\n\r\nb\"\r\n"));
    QProcess python;
    python.start(u"/usr/bin/python3"_s, {u"-c"_s, uR"(
import csv, json, sys
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:
    print(json.dumps(list(csv.reader(f))[:7]))
)"_s, second});
    QVERIFY(python.waitForFinished(30000));
    const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    QCOMPARE(rows.size(), 7);
    auto row = [&](int i) { return rows[i].toVariant().toStringList(); };
    QCOMPARE(row(0), (QStringList{u"Receipt Number"_s, u"Payer"_s, u"Amount"_s, u"Remarks"_s}));
    QCOMPARE(row(1), (QStringList{u"1"_s, u"Payer 1"_s, u"-1234.5"_s, QString()}));
    QCOMPARE(row(2), (QStringList{u"2"_s, u"Zo\u00EB M\u00FCller \u00A35 \u20AC"_s, u"0"_s, u"'=1+1"_s}));
    QCOMPARE(row(6), (QStringList{u"6"_s, u"Smith, \"J\""_s, u"2000"_s, QString()}));
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

// The result is kept on a disk that fills while the count reads on: the reader is told
// once, in words, and the disk is given back.
void TestDelverResults::aDiskThatFillsWhileReadingOnIsTold()
{
    QTemporaryDir small;
    if (::geteuid() != 0 || ::mount("tmpfs", QFile::encodeName(small.path()).constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP("needs the right to mount a small disk");
    const QByteArray cacheHome = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(small.path()));
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_CACHE_HOME", cacheHome);
        ::umount2(QFile::encodeName(small.path()).constData(), MNT_DETACH);
    });
    const QString sql = u"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 100000) "
                        u"SELECT x, '%1' FROM n"_s.arg(QString(500, u'x'));
    QVERIFY(ValidateQuery(sql));
    // The disk is given back before the reader is told: the office writes on it meanwhile.
    auto keptNow = [&] {
        qint64 kept = 0;
        for (const QFileInfo& f :
             QDir(small.path() + u"/AHS Levy System/results"_s).entryInfoList(QDir::Files | QDir::Hidden))
            kept += f.size();
        return kept;
    };
    qint64 keptWhenTold = -1;
    MessageLog::SetOnShown([&](const MessageRequest&) { keptWhenTold = keptNow(); });
    const auto noHook = qScopeGuard([] { MessageLog::SetOnShown({}); });
    {
        frmDelverResults w(nullptr);
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(!w.Counting() && !MessageLog::Shown().isEmpty(), 60000);
        QVERIFY2(keptWhenTold >= 0 && keptWhenTold < 64 * 1024, qPrintable(QString::number(keptWhenTold)));
        const MessageRequest m = test::OnlyMessage();
        QVERIFY2(m.text.startsWith(u"The disk holding the folder \""_s) &&
                     m.text.endsWith(u"is full: the query's result cannot be kept there for paging through it."_s),
                 qPrintable(m.text));
    }
    // The disk is given back: only the checked statement's unread (empty) result is kept,
    // until the next statement replaces it.
    qint64 kept = 0;
    for (const QFileInfo& f : QDir(small.path() + u"/AHS Levy System/results"_s).entryInfoList(QDir::Files | QDir::Hidden))
        kept += f.size();
    QVERIFY2(kept < 64 * 1024, qPrintable(QString::number(kept)));
}

void TestDelverResults::pageOneShowsBeforeTheCountWhichCanBeStopped()
{
    Fill(3);
    const QString sql = u"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1000000000) "
                        "SELECT x, 'some text to store' FROM n"_s;
    QVERIFY(ValidateQuery(sql));
    const QByteArray before = FileHash(path_);
    frmDelverResults w(nullptr);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(w.grdResults->Rows() == 101 && w.grdResults->TextMatrix(100, 1) == u"100  "_s, 20000);
    // Page 1 is there while the rest is still being counted.
    QVERIFY(w.Counting());
    QCOMPARE(w.pnlPage->text(), u"Page 1 of ?"_s);
    QVERIFY2(w.lblRecords->text().startsWith(u"Records 1-100 of "_s), qPrintable(w.lblRecords->text()));
    QVERIFY(w.lblRecords->text().endsWith(u" so far"_s));
    QVERIFY(w.cmdNext->isEnabled() && w.cmdLast->isEnabled());
    QTRY_VERIFY(w.cmdCancel->isVisible() && w.pnlProgress->isVisible());
    QVERIFY(w.cmdClose->isEnabled());

    // Stopping the count keeps the window and what was read.
    w.cmdCancel->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.Counting(), 20000);
    QVERIFY(w.isVisible());
    QVERIFY(!w.cmdCancel->isVisible() && !w.pnlProgress->isVisible());
    QVERIFY2(w.lblRecords->text().startsWith(u"Records 1-100 of at least "_s), qPrintable(w.lblRecords->text()));
    QCOMPARE(w.pnlPage->text(), u"Page 1 of ?"_s);
    w.cmdNext->click();
    QCOMPARE(RowTexts(*w.grdResults, 1), QStringList({u"101 "_s, u"101  "_s, u"some text to store"_s}));
    QCOMPARE(w.pnlPage->text(), u"Page 2 of ?"_s);

    // The last page needs the count: it is taken again, with its progress, and stopped again.
    bool waitedWithProgress = false;
    QTimer user;
    connect(&user, &QTimer::timeout, &w, [&] {
        if (!w.cmdCancel->isVisible() || !w.cmdCancel->isEnabled())
            return;
        waitedWithProgress = w.pnlProgress->isVisible() && !w.cmdLast->isEnabled() && !w.cmdClose->isEnabled();
        w.cmdCancel->click();
    });
    user.start(20);
    w.cmdLast->click();
    user.stop();
    QVERIFY(waitedWithProgress);
    QVERIFY(!w.Counting());
    QCOMPARE(w.lngCurrentPage, 2);
    QVERIFY(w.cmdLast->isEnabled());
    QVERIFY(MessageLog::Shown().isEmpty());
    w.close();
    QCOMPARE(FileHash(path_), before);
    QVERIFY(ValidateQuery(u"SELECT count(*) FROM Receipts"_s));
}

void TestDelverResults::navigation_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("typed");  // for the page box
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<QString>("message");
    const QString refused = u"Enter a page number from 1 to 11."_s;
    QTest::newRow("Next button") << u"next"_s << QString() << 2 << 0 << QString();
    QTest::newRow("Last button") << u"last"_s << QString() << 11 << 0 << QString();
    QTest::newRow("First button on page 1 beeps") << u"first"_s << QString() << 1 << 1 << QString();
    QTest::newRow("PgDn") << u"pgdn"_s << QString() << 2 << 0 << QString();
    QTest::newRow("PgUp on page 1 beeps") << u"pgup"_s << QString() << 1 << 1 << QString();
    QTest::newRow("Ctrl+End") << u"ctrl+end"_s << QString() << 11 << 0 << QString();
    QTest::newRow("Ctrl+End, Ctrl+Home") << u"ctrl+end ctrl+home"_s << QString() << 1 << 0 << QString();
    QTest::newRow("Last, PgDn beeps") << u"last pgdn"_s << QString() << 11 << 1 << QString();
    QTest::newRow("page box 7") << u"type"_s << u"7"_s << 7 << 0 << QString();
    QTest::newRow("page box 11, blanks around") << u"type"_s << u" 11 "_s << 11 << 0 << QString();
    QTest::newRow("page box 0") << u"type"_s << u"0"_s << 1 << 0 << refused;
    QTest::newRow("page box -1") << u"type"_s << u"-1"_s << 1 << 0 << refused;
    QTest::newRow("page box abc") << u"type"_s << u"abc"_s << 1 << 0 << refused;
    QTest::newRow("page box past the end") << u"type"_s << u"12"_s << 1 << 0 << refused;
    QTest::newRow("page box 2.5") << u"type"_s << u"2.5"_s << 1 << 0 << refused;
}

void TestDelverResults::navigation()
{
    QFETCH(QString, action);
    QFETCH(QString, typed);
    QFETCH(int, page);
    QFETCH(int, beeps);
    QFETCH(QString, message);
    Fill(1001);
    auto w = Open(u"SELECT [Receipt Number] FROM Receipts ORDER BY [Receipt Number]"_s);
    QVERIFY(w);
    const int beepsBefore = BeepCount();
    FlexGrid& grid = *w->grdResults;
    for (const QString& step : action.split(u' ')) {
        if (step == u"next"_s)
            w->cmdNext->click();
        else if (step == u"last"_s)
            w->cmdLast->click();
        else if (step == u"first"_s)
            w->cmdFirst_Click();
        else if (step == u"pgdn"_s)
            QTest::keyClick(&grid, Qt::Key_PageDown);
        else if (step == u"pgup"_s)
            QTest::keyClick(&grid, Qt::Key_PageUp);
        else if (step == u"ctrl+end"_s)
            QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        else if (step == u"ctrl+home"_s)
            QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
        else if (step == u"type"_s) {
            w->txtPage->setFocus();
            w->txtPage->selectAll();
            QTest::keyClicks(w->txtPage, typed);
            QTest::keyClick(w->txtPage, Qt::Key_Return);
        }
    }
    QCOMPARE(BeepCount() - beepsBefore, beeps);
    QCOMPARE(w->lngCurrentPage, page);
    QCOMPARE(w->pnlPage->text(), u"Page %1 of 11"_s.arg(page));
    const int first = (page - 1) * 100 + 1;
    QCOMPARE(RowTexts(grid, 1), QStringList({u"%1 "_s.arg(first), u"%1  "_s.arg(first)}));
    const QString last = page == 11 ? u"1,001"_s : QString::number(page * 100).replace(u"1000"_s, u"1,000"_s);
    QCOMPARE(w->lblRecords->text(), u"Records %1-%2 of 1,001"_s.arg(first == 1001 ? u"1,001"_s : QString::number(first), last));
    QCOMPARE(w->txtPage->text(), QString::number(page));
    // The heading column is wide enough for the page's record numbers.
    const QFontMetrics headings(grid.verticalHeader()->font());
    QVERIFY(grid.ColWidth(0) / 15 > headings.horizontalAdvance(grid.TextMatrix(1, 0)));
    QCOMPARE(grid.verticalHeader()->width(), grid.ColWidth(0) / 15);
    QCOMPARE(w->cmdFirst->isEnabled(), page != 1);
    QCOMPARE(w->cmdLast->isEnabled(), page != 11);
    if (message.isEmpty()) {
        QVERIFY(MessageLog::Shown().isEmpty());
    } else {
        const MessageRequest m = test::OnlyMessage();
        QCOMPARE(m.text, message);
        QCOMPARE(m.title, u"Go to Page"_s);
        QCOMPARE(m.icon, Icon::Exclamation);
    }
}

namespace {
// Five receipts whose orders by text, date, number and amount all differ from the
// statement's, with a Null in each column and two payers equal but for case.
void FillForSorting(levy::engine::Connection& c)
{
    c.Execute(u"INSERT INTO Receipts (Payer, [Paid On], [Receipt Number], Amount) VALUES "
              "('banda', '2026-03-01 12:30:00', 10, -5),"
              "('Chola', '2025-12-31 00:00:00', 9, 2000),"
              "('alpha', NULL, 100, 0.5),"
              "(NULL, '2026-01-15 00:00:00', NULL, NULL),"
              "('Alpha', '2024-06-30 08:05:00', 11, -1234.5)"_s);
}
} // namespace

void TestDelverResults::sortByHeading_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QStringList>("texts");  // of that column, top to bottom
    QTest::addColumn<QStringList>("payers");
    const QStringList statement = {u"banda"_s, u"Chola"_s, u"alpha"_s, QString(), u"Alpha"_s};
    QTest::newRow("text, ascending: Null first, case-blind, ties as read")
        << 1 << 1 << QStringList{QString(), u"alpha"_s, u"Alpha"_s, u"banda"_s, u"Chola"_s}
        << QStringList{QString(), u"alpha"_s, u"Alpha"_s, u"banda"_s, u"Chola"_s};
    QTest::newRow("text, descending: Null last, ties still as read")
        << 1 << 2 << QStringList{u"Chola"_s, u"banda"_s, u"alpha"_s, u"Alpha"_s, QString()}
        << QStringList{u"Chola"_s, u"banda"_s, u"alpha"_s, u"Alpha"_s, QString()};
    QTest::newRow("text, third click: the statement's order") << 1 << 3 << statement << statement;
    QTest::newRow("dates as dates")
        << 2 << 1
        << QStringList{QString(), u"30/06/2024 08:05"_s, u"31/12/2025"_s, u"15/01/2026"_s, u"01/03/2026 12:30"_s}
        << QStringList{u"alpha"_s, u"Alpha"_s, u"Chola"_s, QString(), u"banda"_s};
    QTest::newRow("numbers as numbers") << 3 << 1 << QStringList{QString(), u"9"_s, u"10"_s, u"11"_s, u"100"_s}
                                        << QStringList{QString(), u"Chola"_s, u"banda"_s, u"Alpha"_s, u"alpha"_s};
    QTest::newRow("amounts by their signed value, descending")
        << 4 << 2 << QStringList{u"2 000.00"_s, u"0.50"_s, u"5.00"_s, u"1 234.50"_s, QString()}
        << QStringList{u"Chola"_s, u"alpha"_s, u"banda"_s, u"Alpha"_s, QString()};
}

void TestDelverResults::sortByHeading()
{
    QFETCH(int, col);
    QFETCH(int, clicks);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, payers);
    FillForSorting(*levyDatabase->MainConnection());
    auto w = Open(u"SELECT Payer, [Paid On], [Receipt Number], Amount FROM Receipts"_s);
    QVERIFY(w);
    // Another column's sort first: a new column starts ascending.
    ClickHeading(*w, col == 1 ? 2 : 1);
    for (int i = 0; i < clicks; ++i)
        ClickHeading(*w, col);
    FlexGrid& grid = *w->grdResults;
    QCOMPARE(ColumnTexts(grid, col, 5), texts);
    QCOMPARE(ColumnTexts(grid, 1, 5), payers);
    QCOMPARE(ColumnTexts(grid, 0, 6), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, QString()}));
    QHeaderView* header = grid.horizontalHeader();
    QCOMPARE(header->isSortIndicatorShown(), clicks < 3);
    if (clicks < 3) {
        QCOMPARE(header->sortIndicatorSection(), col - 1);
        QCOMPARE(header->sortIndicatorOrder(), clicks == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
        // Up for the smallest first, as the office's other programs show it.
        QCOMPARE(SortArrowPointsUp(*header, col - 1), clicks == 1);
    }
    // An amount keeps its colour in its new place.
    for (int r = 1; r <= 5; ++r)
        if (grid.TextMatrix(r, 1) == u"Alpha"_s)
            QCOMPARE(grid.CellForeColorAt(r, 4), red);
    // The commands beyond the page read the same order, with the grid's texts.
    ResultRows& rows = w->Rows();
    QCOMPARE(rows.RowCount(), int64_t(5));
    for (int r = 0; r < 5; ++r)
        QCOMPARE(rows.TextAt(r, col - 1), grid.TextMatrix(r + 1, col));
    // Ctrl+click selects the column without sorting.
    ClickHeading(*w, 3, Qt::ControlModifier);
    QCOMPARE(ColumnTexts(grid, col, 5), texts);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestDelverResults::sortOfAResultTooLargeToSortInMemoryAtOnce()
{
    // 400,000 keys do not fit one run in memory: they are sorted in runs kept in the cache
    // and merged. Every value appears twice, once in each half of the result.
    auto w = Open(u"WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n WHERE x < 399999) "
                  "SELECT (x * 7919) % 200000 AS K, x AS N FROM n"_s);
    QVERIFY(w);
    ClickHeading(*w, 1);
    ClickHeading(*w, 1);  // descending, so that both directions are merged
    ResultRows& rows = w->Rows();
    QCOMPARE(rows.RowCount(), int64_t(400000));
    int64_t previousKey = INT64_MAX, previousN = -1;
    for (int64_t r = 0; r < 400000; ++r) {
        const int64_t k = rows.At(r, 0).AsInteger(), n = rows.At(r, 1).AsInteger();
        // Descending by K; equal keys in the statement's order.
        QVERIFY2(k < previousKey || (k == previousKey && n > previousN), qPrintable(QString::number(r)));
        QCOMPARE(k, 199999 - r / 2);
        previousKey = k;
        previousN = n;
    }
    QCOMPARE(RowTexts(*w->grdResults, 1), QStringList({u"1 "_s, u"199999  "_s, rows.TextAt(0, 1)}));
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestDelverResults::fitAndDraggedWidthsHold()
{
    Fill(150);
    const QString remark = u"a remark long enough to be wider than a third of the window, so that it opens cut"_s;
    levyDatabase->MainConnection()->Execute(u"UPDATE Receipts SET Remarks = '%1' WHERE [Receipt Number] = 1"_s.arg(remark));
    auto w = Open(u"SELECT [Receipt Number], Payer, Remarks FROM Receipts ORDER BY [Receipt Number]"_s);
    QVERIFY(w);
    FlexGrid& grid = *w->grdResults;
    const QFontMetrics metrics(grid.font());
    const int needed = metrics.horizontalAdvance(remark);
    QVERIFY(grid.ColWidth(3) / 15 < needed);

    // A double click on the column's right edge fits it.
    QHeaderView* header = grid.horizontalHeader();
    const QPoint edge(header->sectionViewportPosition(2) + header->sectionSize(2) - 1, header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, edge);
    QVERIFY2(header->sectionSize(2) > needed, qPrintable(QString::number(header->sectionSize(2))));
    QCOMPARE(grid.ColWidth(3), header->sectionSize(2) * 15);
    // A dragged width (the header resizes the section) is kept as well.
    header->resizeSection(1, 333);
    QCOMPARE(grid.ColWidth(2), 333 * 15);
    // Both hold over a change of the row heights and a page move.
    MessageLog::QueueInput(u"2"_s);
    w->mnuTools_AdjRowHeight->trigger();
    w->cmdNext->click();
    QVERIFY(header->sectionSize(2) > needed);
    QCOMPARE(header->sectionSize(1), 333);

    // Fit columns fits every column to what it shows.
    w->cmdBack->click();
    w->mnuTools_FitColumns->trigger();
    for (int c = 1; c <= 3; ++c)
        QVERIFY2(header->sectionSize(c - 1) >= grid.ContentWidth(c) || header->sectionSize(c - 1) >= grid.viewport()->width(),
                 qPrintable(QString::number(c)));
    QVERIFY(header->sectionSize(1) < 333);  // "Payer 100" needs less than the dragged width
    QVERIFY(MessageLog::Shown().size() == 1);  // the row height's input box only
}

void TestDelverResults::numbersDoNotWrapInTallerRows()
{
    levyDatabase->MainConnection()->Execute(
        u"INSERT INTO Receipts (Payer, Amount, [Paid On]) VALUES ('paid in full', -1234.5, '2026-03-01 12:30:00')"_s);
    auto w = Open(u"SELECT Payer, Amount, [Paid On] FROM Receipts"_s);
    QVERIFY(w);
    FlexGrid& grid = *w->grdResults;
    MessageLog::QueueInput(u"3"_s);
    w->mnuTools_AdjRowHeight->trigger();
    const QFontMetrics metrics(grid.font());
    // Each column narrower than its one-line text, but wide enough for its first word.
    const QList<std::pair<int, QString>> cells = {{0, u"paid in full"_s}, {1, u"1 234.50"_s}, {2, u"01/03/2026 12:30"_s}};
    for (const auto& [column, text] : cells)
        grid.horizontalHeader()->resizeSection(column, metrics.horizontalAdvance(text) * 3 / 4);
    grid.resize(800, 400);
    QCoreApplication::processEvents();
    const QImage picture = grid.viewport()->grab().toImage();
    const qreal ratio = picture.devicePixelRatio();
    auto lines = [&](int column) {
        const QRect cell = grid.visualRect(grid.model()->index(0, column));
        return InkLines(picture, QRect(cell.topLeft() * ratio, cell.bottomRight() * ratio));
    };
    QVERIFY2(lines(0) > 1, "a text wraps");
    QCOMPARE(lines(1), 1);
    QCOMPARE(lines(2), 1);
}

void TestDelverResults::copyToTheClipboard_data()
{
    QTest::addColumn<QString>("select");  // cells, a row heading, a column heading (Ctrl+click)
    QTest::addColumn<bool>("headings");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("html");  // a part of the HTML
    QTest::newRow("a negative amount, Ctrl+C") << u"cell 0 5"_s << false << u"-1234.50\n"_s
                                               << u"<td align=\"right\">-1234.50</td>"_s;
    QTest::newRow("a row by its heading")
        << u"row 0"_s << false << u"Banda\t01/03/2026\t42\t70000\tYes\t-1234.50\t\"paid\nin full\"\n"_s
        << u"<td>Banda</td>"_s;
    QTest::newRow("a column by its heading, with headings")
        << u"column 5"_s << true << u"Amount\n-1234.50\n0.00\n2000.00\n"_s << u"<th>Amount</th>"_s;
    QTest::newRow("a block with a Null, with headings")
        << u"cells 1 0 2 1"_s << true << u"Payer\tPaid On\nPhiri\t01/03/2026 12:30\nMwale\t\n"_s
        << u"<td align=\"right\">01/03/2026 12:30</td>"_s;
    QTest::newRow("a text with a quote and a tab") << u"cell 2 6"_s << false << u"\"say \"\"x\"\"\tnow\"\n"_s
                                                   << u"say &quot;x&quot;"_s;
}

void TestDelverResults::copyToTheClipboard()
{
    QFETCH(QString, select);
    QFETCH(bool, headings);
    QFETCH(QString, text);
    QFETCH(QString, html);
    levyDatabase->MainConnection()->Execute(
        u"INSERT INTO Receipts VALUES "
        "('Banda', '2026-03-01 00:00:00', 42, 70000, -1, -1234.5, 'paid' || char(13,10) || 'in full'),"
        "('Phiri', '2026-03-01 12:30:00', -7, 2147483647, 0, 0, NULL),"
        "('Mwale', NULL, NULL, NULL, NULL, 2000, 'say \"x\"' || char(9) || 'now')"_s);
    auto w = Open(u"SELECT * FROM Receipts"_s);
    QVERIFY(w);
    FlexGrid& grid = *w->grdResults;
    QGuiApplication::clipboard()->clear();
    const QStringList words = select.split(u' ');
    auto at = [&](int i) { return words[i].toInt(); };
    if (words[0] == u"row"_s) {
        QHeaderView* rows = grid.verticalHeader();
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                          QPoint(rows->width() / 2, rows->sectionViewportPosition(at(1)) + 2));
    } else if (words[0] == u"column"_s) {
        ClickHeading(*w, at(1) + 1, Qt::ControlModifier);
    } else if (words[0] == u"cell"_s) {
        grid.setCurrentIndex(grid.model()->index(at(1), at(2)));
    } else {
        grid.selectionModel()->select(QItemSelection(grid.model()->index(at(1), at(2)), grid.model()->index(at(3), at(4))),
                                      QItemSelectionModel::ClearAndSelect);
    }
    if (headings)
        w->mnuTools_CopyWithHeadings->trigger();
    else
        QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied);
    QCOMPARE(copied->text(), text);
    QVERIFY2(copied->html().contains(html), qPrintable(copied->html()));
    // Copying sorts nothing and leaves the grid as it was.
    QCOMPARE(grid.TextMatrix(1, 1), u"Banda"_s);
    QVERIFY(MessageLog::Shown().isEmpty());
}

// A cell lays out no more of a text than a screen holds, and says how long it is; the copy
// and the exports have it whole.
void TestDelverResults::aLongTextShowsItsStartAndLength()
{
    Fill(3);
    auto w = Open(u"SELECT String(100000, 'x') & 'END' AS s FROM Receipts"_s);
    QVERIFY(w);
    FlexGrid& grid = *w->grdResults;
    const QModelIndex cell = grid.model()->index(0, 0);
    QCOMPARE(cell.data().toString(), QString(2000, u'x') + u"\u2026 (100,003 characters)"_s);
    QVERIFY(cell.data(Qt::ToolTipRole).toString().size() < 2100);
    QCOMPARE(grid.TextMatrix(1, 1).size(), 100003);
    QGuiApplication::clipboard()->clear();
    grid.setCurrentIndex(cell);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString(100000, u'x') + u"END\n"_s);
}

void TestDelverResults::anExportCanBeStopped_data()
{
    QTest::addColumn<bool>("workbook");
    QTest::newRow("text") << false;
    QTest::newRow("workbook") << true;
}

// Escape while an export writes stops it: the window answers, the unfinished file (only
// its owner could read it) goes, the user is told, and the next export of the same
// result is whole.
void TestDelverResults::anExportCanBeStopped()
{
    QFETCH(bool, workbook);
    Fill(600);
    auto w = Open(u"SELECT a.Payer, b.[Receipt Number] FROM Receipts AS a, Receipts AS b"_s);
    QVERIFY(w);
    const QString target = sandbox_->Path(workbook ? u"out.xlsx"_s : u"out.txt"_s);
    auto parts = [this] { return QDir(sandbox_->Folder()).entryInfoList({u".out.*.part"_s}, QDir::Files | QDir::Hidden); };
    QFile::Permissions whileWritten;
    QTimer::singleShot(300, w.get(), [&] {
        if (!parts().isEmpty())
            whileWritten = parts().first().permissions();
        QTest::keyClick(w.get(), Qt::Key_Escape);
    });
    CommonDialog::ClearQueue();
    CommonDialog::QueueFileName(target);
    (workbook ? w->mnuTools_Export_Excel : w->mnuTools_Export_Generic)->trigger();
    const MessageRequest m = test::OnlyMessage();
    QCOMPARE(m.text, u"The export was stopped. Nothing was written to \"%1\"."_s.arg(target));
    QCOMPARE(m.title, u"Export Results"_s);
    QCOMPARE(m.icon, Icon::Information);
    QCOMPARE(whileWritten, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(parts().isEmpty());
    QVERIFY(!w->pnlProgress->isVisible());
    MessageLog::Clear();
    MessageLog::QueueAnswer(Answer::OK);
    CommonDialog::QueueFileName(target);
    (workbook ? w->mnuTools_Export_Excel : w->mnuTools_Export_Generic)->trigger();
    QVERIFY2(test::OnlyMessage().text.startsWith(u"Results successfully exported to "_s), "");
}

QTEST_MAIN(TestDelverResults)
#include "test_delver_results.moc"
