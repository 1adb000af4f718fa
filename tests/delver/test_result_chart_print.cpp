#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/QueryValidation.h"
#include "results/ResultChart.h"
#include "results/ResultPrinting.h"
#include "results/ResultRows.h"
#include "results/FlexGrid.h"
#include "database/TableDef.h"
#include "frmDelverResults.h"
#include "levy/DatabaseAccess.h"
#include "platform/AppInfo.h"
#include "widgets/CommonDialog.h"

#include <QBarSeries>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QComboBox>
#include <QChart>
#include <QChartView>
#include <QCategoryAxis>
#include <QDateTimeAxis>
#include <QDir>
#include <QPaintEngine>

#include <algorithm>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
int PdfPages(const QString& path)
{
    const QByteArray pdf = test::FileBytes(path);
    static const QRegularExpression page(u"/Type\\s*/Page[^s]"_s);
    return int(QString::fromLatin1(pdf).count(page));
}

// A printer that keeps the texts drawn on it instead of printing them.
class TextRecordingPrinter : public QPrinter {
public:
    TextRecordingPrinter() : QPrinter(QPrinter::HighResolution)
    {
        // The sheet's size and resolution come from a printer of its own: setEngines
        // deletes this one's.
        pdf_.setOutputFormat(QPrinter::PdfFormat);
        setEngines(pdf_.printEngine(), &recorder_);
    }
    const QStringList& Texts() const { return recorder_.texts; }

private:
    QPrinter pdf_{QPrinter::HighResolution};
    struct Recorder : QPaintEngine {
        QStringList texts;
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        // The defaults draw each of these through the other.
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts.append(item.text()); }
        Type type() const override { return QPaintEngine::User; }
    } recorder_;
};
} // namespace

class TestResultChartPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Delver"_s); }
    void init();
    void cleanup();
    void chartDrawsTheResultAndSavesIt();
    void printsTheWholeResultOrThePage();
    void printsLongHeadingsWhole();
    void printsEverySignAndEveryFigure();
    void printsAWideResultOnFollowingSheets();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
};

void TestResultChartPrint::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    test::DelverDatabase(sandbox_->Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    TableDef t(u"Receipts"_s);
    t.AppendField(t.CreateField(u"Payer"_s, dbText, 30));
    t.AppendField(t.CreateField(u"Paid On"_s, dbDate));
    t.AppendField(t.CreateField(u"Term"_s, dbInteger));
    t.AppendField(t.CreateField(u"Amount"_s, dbCurrency));
    levyDatabase->AppendTableDef(t);
    auto& c = *levyDatabase->MainConnection();
    c.Execute(u"BEGIN"_s);
    for (int i = 0; i < 250; ++i)
        c.Execute(u"INSERT INTO Receipts VALUES ('Payer %1', '2026-%2-%3 00:00:00', %4, %5)"_s.arg(i % 5)
                      .arg(1 + i % 12, 2, 10, QChar(u'0'))
                      .arg(1 + i % 28, 2, 10, QChar(u'0'))
                      .arg(1 + i % 3)
                      .arg((i + 1) * 12500));
    c.Execute(u"COMMIT"_s);
    MessageLog::Clear();
}

void TestResultChartPrint::cleanup()
{
    CloseLevyDatabase();
    sandbox_.reset();
}

void TestResultChartPrint::chartDrawsTheResultAndSavesIt()
{
    const QString png = sandbox_->Path(u"terms.png"_s), svg = sandbox_->Path(u"terms.svg"_s),
                  jpg = sandbox_->Path(u"terms.jpg"_s), printed = sandbox_->Path(u"chart.pdf"_s);
    // A crosstab's columns become the series, against its row headings.
    QVERIFY(ValidateQuery(u"TRANSFORM Sum(Amount) SELECT Payer FROM Receipts GROUP BY Payer PIVOT Term"_s));
    {
        frmDelverResults w(nullptr);
        w.show();
        QTRY_VERIFY(!w.Reading() && !w.Counting() && w.grdResults->Rows() > 5);
        int series = 0, bars = 0;
        QStringList figures, titles;
        bool copied = false;
        auto chart = test::WhenModal<frmResultChart>([&](frmResultChart* c) {
            // Named after the statement's table and the columns drawn; the user's own
            // title stays when the chart is drawn anew.
            QChart* drawn = c->chtResult->chart();
            titles << drawn->title() << drawn->axes(Qt::Horizontal).value(0)->titleText()
                   << drawn->axes(Qt::Vertical).value(0)->titleText();
            c->txtTitle->clear();
            QTest::keyClicks(c->txtTitle, u"Fees by term"_s);
            c->cboKind->setCurrentIndex(1);
            titles << c->chtResult->chart()->title() << c->chtResult->chart()->axes(Qt::Vertical).value(0)->titleText();
            c->cboKind->setCurrentIndex(0);
            QGuiApplication::clipboard()->clear();
            c->cmdCopy->click();
            const QImage picture = QGuiApplication::clipboard()->image();
            copied = !picture.isNull() && picture.size() == c->chtResult->size();
            CommonDialog::QueuePrint(printed, false);
            c->cmdPrint->click();
            series = int(c->chtResult->chart()->series().size());
            if (auto* y = qobject_cast<QCategoryAxis*>(c->chtResult->chart()->axes(Qt::Vertical).value(0)))
                figures = y->categoriesLabels();
            if (auto* b = qobject_cast<QBarSeries*>(c->chtResult->chart()->series().value(0)))
                bars = int(b->count());
            for (const QString& name : {png, svg, jpg}) {
                CommonDialog::QueueFileName(name);
                c->cmdSave->click();
            }
            c->cmdClose->click();
        });
        w.mnuTools_Chart->trigger();
        QVERIFY(*chart);
        QCOMPARE(titles, (QStringList{u"Receipts"_s, u"Payer"_s, u"1, 2, 3"_s, u"Fees by term"_s, u"1, 2, 3"_s}));
        QVERIFY(copied);
        QCOMPARE(PdfPages(printed), 1);
        QCOMPARE(series, 1);  // one bar series holding a set per term
        QCOMPARE(bars, 3);
        // The heights' figures are grouped as amounts are.
        QVERIFY(figures.size() >= 2);
        for (const QString& figure : figures)
            QVERIFY2(QRegularExpression(u"^-?\\d{1,3}( \\d{3})*$"_s).match(figure).hasMatch(), qPrintable(figure));
        const QList<MessageRequest> shown = MessageLog::Shown();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0].text, u"Chart successfully saved to "_s + png);
        QCOMPARE(shown[0].icon, Icon::Information);
        QCOMPARE(shown[1].text, u"Chart successfully saved to "_s + svg);
        QCOMPARE(shown[2].title, u"Save Chart"_s);
        QCOMPARE(shown[2].icon, Icon::Exclamation);
        QCOMPARE(shown[2].text,
                 u"A chart can be saved as a PNG picture (.png) or an SVG drawing (.svg), not as \"terms.jpg\"."_s);
    }
    QVERIFY(test::FileBytes(png).startsWith("\x89PNG\r\n"));
    QVERIFY(test::FileBytes(png).size() > 5000);
    QVERIFY(test::FileBytes(svg).contains("<svg"));
    QVERIFY(!QFileInfo::exists(jpg));

    // Dates label a line on a time axis; a result without numbers cannot be drawn.
    MessageLog::Clear();
    QVERIFY(ValidateQuery(u"SELECT [Paid On], Amount FROM Receipts ORDER BY [Paid On]"_s));
    {
        frmDelverResults w(nullptr);
        w.show();
        QTRY_VERIFY(!w.Reading() && !w.Counting() && w.grdResults->Rows() > 5);
        bool timeAxis = false;
        auto chart = test::WhenModal<frmResultChart>([&](frmResultChart* c) {
            for (QAbstractAxis* axis : c->chtResult->chart()->axes(Qt::Horizontal))
                timeAxis = timeAxis || qobject_cast<QDateTimeAxis*>(axis);
            c->cmdClose->click();
        });
        w.mnuTools_Chart->trigger();
        QVERIFY(*chart && timeAxis);
    }
    // An infinite height is left out; heights closer than two decimals keep labels apart.
    QVERIFY(ValidateQuery(u"SELECT Payer, CDbl(Amount) / 100000000000 AS Small, 1E308 * 10 AS Beyond FROM Receipts"_s));
    {
        frmDelverResults w(nullptr);
        w.show();
        QTRY_VERIFY(!w.Reading() && !w.Counting() && w.grdResults->Rows() > 5);
        QStringList figures;
        auto chart = test::WhenModal<frmResultChart>([&](frmResultChart* c) {
            if (auto* y = qobject_cast<QCategoryAxis*>(c->chtResult->chart()->axes(Qt::Vertical).value(0)))
                figures = y->categoriesLabels();
            c->cmdClose->click();
        });
        w.mnuTools_Chart->trigger();
        QVERIFY(*chart);
        QVERIFY2(figures.size() >= 3, qPrintable(figures.join(u'|')));
    }
    QVERIFY(ValidateQuery(u"SELECT Payer FROM Receipts"_s));
    {
        frmDelverResults w(nullptr);
        w.show();
        QTRY_VERIFY(!w.Reading() && !w.Counting() && w.grdResults->Rows() > 5);
        w.mnuTools_Chart->trigger();
    }
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"The result has no column of numbers to draw."_s);
    QCOMPARE(box.title, u"Chart"_s);
}

void TestResultChartPrint::printsTheWholeResultOrThePage()
{
    QVERIFY(ValidateQuery(u"SELECT * FROM Receipts"_s));
    frmDelverResults w(nullptr);
    w.show();
    QTRY_VERIFY(!w.Reading() && !w.Counting() && w.grdResults->Rows() > 5);
    const QString whole = sandbox_->Path(u"whole.pdf"_s), page = sandbox_->Path(u"page.pdf"_s);
    CommonDialog::QueuePrint(whole, false);
    w.mnuTools_Print->trigger();
    w.cmdNext->click();
    CommonDialog::QueuePrint(page, false);
    w.mnuTools_PrintPage->trigger();
    CommonDialog::QueuePrint(QString(), false);  // cancelled: nothing, quietly
    w.mnuTools_Print->trigger();
    QVERIFY(MessageLog::Shown().isEmpty());

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const int wholeSheets = PrintedPageCount(w.Rows(), printer, {});
    QVERIFY(wholeSheets > 2);
    QCOMPARE(PdfPages(whole), wholeSheets);
    QCOMPARE(PdfPages(page), PrintedPageCount(w.Rows(), printer, {100, 100}));
    QVERIFY(PdfPages(page) < wholeSheets);
}

// A long heading over short values is printed whole where the sheet has room, though in bold.
void TestResultChartPrint::printsLongHeadingsWhole()
{
    QVERIFY(ValidateQuery(u"SELECT Term AS [The Term Of The School Year], Amount FROM Receipts"_s));
    frmDelverResults narrow(nullptr);
    narrow.show();
    QTRY_VERIFY(!narrow.Reading() && !narrow.Counting() && !narrow.grdResults->TextMatrix(1, 1).isEmpty());
    TextRecordingPrinter recording;
    PrintResultRows(narrow.Rows(), recording, {0, 3}, {u"SQL Result"_s, {}, {}});
    QVERIFY2(recording.Texts().contains(u"The Term Of The School Year"_s), qPrintable(recording.Texts().join(u'|')));
}

// The grid tells a negative amount by its red alone; on paper each has its sign, and a
// result wider than the sheet is turned and set smaller rather than cut.
void TestResultChartPrint::printsEverySignAndEveryFigure()
{
    QVERIFY(ValidateQuery(u"SELECT Payer, [Paid On] AS [Transaction Date], Amount, -Amount AS Reversed, "
                          u"Amount * 1000 AS [Amount In Thousandths Of The Currency], -Amount * 100 AS [Reversed "
                          u"Amount In Hundredths], Amount * 10 AS [Ten Times The Amount Received] FROM Receipts"_s));
    frmDelverResults w(nullptr);
    w.show();
    QTRY_VERIFY(!w.Reading() && !w.Counting() && !w.grdResults->TextMatrix(1, 1).isEmpty());
    TextRecordingPrinter recording;
    QCOMPARE(recording.pageLayout().orientation(), QPageLayout::Portrait);
    const QDateTime ran(QDate(2026, 12, 9), QTime(14, 5));
    PrintResultRows(w.Rows(), recording, {0, 3}, RunHeading(w.windowTitle(), ran));
    const QStringList& texts = recording.Texts();
    const QString all = texts.join(u'|');
    // Each sheet says what it answers: the statement, the database, the user, the time.
    QVERIFY2(texts.contains(u"SQL Result"_s), qPrintable(all));
    QVERIFY2(all.contains(u"SELECT Payer, [Paid On] AS [Transaction Date]"_s), qPrintable(all));
    QVERIFY2(all.contains(u"Database: "_s + QDir::toNativeSeparators(levyDatabase->Name())), qPrintable(all));
    QVERIFY2(all.contains(u"Run: 09/12/2026 14:05"_s), qPrintable(all));
    for (const QString& text : texts)
        QVERIFY2(!text.contains(QChar(0x2026)), qPrintable(all));
    for (const char* heading : {"Transaction Date", "Amount In Thousandths Of The Currency", "Reversed Amount In Hundredths"})
        QVERIFY2(texts.contains(QString::fromUtf8(heading)), qPrintable(all));
    // Three records, two negative columns each; the positive ones print without a sign.
    QCOMPARE(std::count_if(texts.cbegin(), texts.cend(), [](const QString& t) { return t.trimmed().startsWith(u'-'); }), 6);
    const QString amount = w.Rows().TextAt(2, 2).trimmed();
    QVERIFY2(std::any_of(texts.cbegin(), texts.cend(), [&](const QString& t) { return t.trimmed() == u'-' + amount; }),
             qPrintable(all));
    QVERIFY2(std::any_of(texts.cbegin(), texts.cend(), [&](const QString& t) { return t.trimmed() == amount; }),
             qPrintable(all));
    QCOMPARE(recording.pageLayout().orientation(), QPageLayout::Landscape);
}

// Columns that do not fit side by side even at the smallest type go to the following sheets
// of the same records, each with the record numbers; nothing is cut.
void TestResultChartPrint::printsAWideResultOnFollowingSheets()
{
    QStringList columns{u"Payer"_s};
    for (int i = 1; i <= 14; ++i)
        columns.append(u"-Amount * %1 AS [Amount Reversed And Multiplied By Factor %1]"_s.arg(i));
    QVERIFY(ValidateQuery(u"SELECT "_s + columns.join(u", "_s) + u" FROM Receipts"_s));
    frmDelverResults w(nullptr);
    w.show();
    QTRY_VERIFY(!w.Reading() && !w.Counting() && !w.grdResults->TextMatrix(1, 1).isEmpty());
    TextRecordingPrinter recording;
    const int sheets = PrintedPageCount(w.Rows(), recording, {0, 3});
    QVERIFY2(sheets >= 2, qPrintable(QString::number(sheets)));
    QCOMPARE(recording.pageLayout().orientation(), QPageLayout::Landscape);
    PrintResultRows(w.Rows(), recording, {0, 3}, RunHeading(w.windowTitle(), QDateTime::currentDateTime()));
    const QStringList& texts = recording.Texts();
    const QString all = texts.join(u'|');
    // The long statement keeps to its three lines of each sheet's heading, the last ending
    // with an ellipsis, instead of running into the line below; nothing else is cut.
    QStringList statementLines;
    for (const QString& text : texts) {
        if (text.startsWith(u"SELECT Payer, "_s) || text.startsWith(u"-Amount * "_s) || text.startsWith(u"[Amount"_s)
            || text.startsWith(u"Factor"_s)) {
            statementLines.append(text);
            continue;
        }
        QVERIFY2(!text.contains(QChar(0x2026)), qPrintable(all));
    }
    QCOMPARE(statementLines.size(), 3 * sheets);
    QVERIFY2(statementLines[2].endsWith(QChar(0x2026)), qPrintable(statementLines.join(u'|')));
    for (int i = 1; i <= 14; ++i)
        QVERIFY2(texts.contains(u"Amount Reversed And Multiplied By Factor %1"_s.arg(i)), qPrintable(all));
    // Every sheet numbers its three records.
    QCOMPARE(texts.count(u"3"_s), sheets);
    QVERIFY2(texts.contains(u"Page %1 of %1"_s.arg(sheets)), qPrintable(all));
    static const QRegularExpression negative(u"^-\\d{1,3}( \\d{3})*\\.\\d\\d$"_s);
    QCOMPARE(std::count_if(texts.cbegin(), texts.cend(), [](const QString& t) { return negative.match(t.trimmed()).hasMatch(); }),
             3 * 14);
}

QTEST_MAIN(TestResultChartPrint)
#include "test_result_chart_print.moc"
