#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "database/QueryDef.h"
#include "database/Recordset.h"
#include "database/TableDef.h"
#include "frmDelverResults.h"
#include "history/QueryHistory.h"
#include "levy/DatabaseAccess.h"
#include "platform/AppInfo.h"
#include "results/FlexGrid.h"
#include "results/RecordForm.h"
#include "results/ResultPaging.h"
#include "widgets/CommonDialog.h"
#include "workbench/QueryValidation.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
// 1,260 receipts; every 34th is Mensah's (37 of them); the first five carry remarks with
// the characters that patterns give a meaning to.
void FillReceipts(engine::Connection& c)
{
    const QStringList remarks{u"'50% off'"_s, u"'a_b'"_s, u"'[x]'"_s, u"'O''Neil'"_s, u"'*star*'"_s};
    c.Execute(u"BEGIN"_s);
    for (int i = 1; i <= 1260; ++i)
        c.Execute(u"INSERT INTO Receipts (Payer, [Receipt Number], Amount, Remarks) VALUES ('%1 %2', %2, %3, %4)"_s
                      .arg(i % 34 == 0 ? u"Mensah"_s : u"Payer"_s)
                      .arg(i)
                      .arg(i == 1 ? u"-1234.5"_s : u"2000"_s)
                      .arg(i == 6 ? u"'Highfield Farm' || char(13,10) || 'Lower Road' || char(13,10) || 'Ashcombe'"_s
                                  : remarks.value(i - 1, u"NULL"_s)));
    c.Execute(u"COMMIT"_s);
}

// A result whose count never ends while a test runs.
const QString endless = u"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1000000000) "
                        "SELECT x, 'some text' FROM n"_s;

const QString receipts = u"SELECT [Receipt Number], Payer, Amount, Remarks FROM Receipts ORDER BY [Receipt Number]"_s;

void Filter(frmDelverResults& w, const QString& words)
{
    w.txtFilter->setFocus();
    w.txtFilter->setText(words);
    QTest::keyClick(w.txtFilter, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!w.lblRecords->text().contains(u"so far"_s), 20000);
}

void ClickHeading(frmDelverResults& w, int col)
{
    QHeaderView* header = w.grdResults->horizontalHeader();
    const int x = header->sectionViewportPosition(col - 1) + header->sectionSize(col - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

QStringList FieldTexts(const frmResultRecord& form)
{
    QStringList texts;
    for (const QLabel* value : form.txtValues)
        texts.append(value->text());
    return texts;
}
} // namespace

class TestResultFilterRecord : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }
    void init();
    void cleanup();

    void filterCountsCombineWithTheSort();
    void filterCharactersAreLiteral_data();
    void filterCharactersAreLiteral();
    void exportOfTheRowsShownOrTheWholeResult();
    void recordFormShowsFieldsWholeAndSteps();
    void cutCellsShowTheirTextOnHover();
    void filterOnAStoppedCountSaysWhatItKnows();
    void cancelledWaitForAFilterLeavesTheCount();
    void historyFilesWithoutTimesStillLoad();

private:
    std::unique_ptr<frmDelverResults> Open(const QString& sql);

    std::unique_ptr<test::Sandbox> sandbox_;
};

void TestResultFilterRecord::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    test::DelverDatabase(sandbox_->Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    TableDef t(u"Receipts"_s);
    t.AppendField(t.CreateField(u"Payer"_s, dbText, 30));
    t.AppendField(t.CreateField(u"Receipt Number"_s, dbLong));
    t.AppendField(t.CreateField(u"Amount"_s, dbCurrency));
    t.AppendField(t.CreateField(u"Remarks"_s, dbMemo));
    levyDatabase->AppendTableDef(t);
    FillReceipts(*levyDatabase->MainConnection());
    MessageLog::Clear();
    CommonDialog::ClearQueue();
}

void TestResultFilterRecord::cleanup()
{
    CloseLevyDatabase();
    sandbox_.reset();
}

std::unique_ptr<frmDelverResults> TestResultFilterRecord::Open(const QString& sql)
{
    if (!ValidateQuery(sql))
        return {};
    auto window = std::make_unique<frmDelverResults>(nullptr);
    window->show();
    QTest::qWait(0);
    QDeadlineTimer deadline(20000);
    while (window->Counting() && !deadline.hasExpired())
        QTest::qWait(5);
    return window;
}

void TestResultFilterRecord::filterCountsCombineWithTheSort()
{
    auto w = Open(receipts);
    QVERIFY(w);
    QCOMPARE(w->lblRecords->text(), u"Records 1-100 of 1,260"_s);
    // How long it took, beside the filter.
    static const QRegularExpression took(uR"(^Page 1 in \d+\.\d\d s; all records in \d+\.\d\d s$)"_s);
    QVERIFY2(took.match(w->lblTiming->text()).hasMatch(), qPrintable(w->lblTiming->text()));

    Filter(*w, u"mensah"_s);
    QCOMPARE(w->lblRecords->text(), u"Records 1-37 of 37 (filtered from 1,260)"_s);
    QCOMPARE(w->pnlPage->text(), u"Page 1 of 1"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), u"Mensah 34"_s);
    QCOMPARE(w->grdResults->TextMatrix(37, 2), u"Mensah 1258"_s);
    QCOMPARE(w->grdResults->TextMatrix(38, 2), QString());
    QVERIFY(!w->cmdNext->isEnabled());

    // Every word, in any field: the receipt number is in another column.
    Filter(*w, u"  MENSAH   1258 "_s);
    QCOMPARE(w->lblRecords->text(), u"Records 1-1 of 1 (filtered from 1,260)"_s);
    Filter(*w, u"mensah nobody"_s);
    QCOMPARE(w->lblRecords->text(), u"No records (filtered from 1,260)"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), QString());

    // Amounts are found as the grid shows them, with the sign.
    Filter(*w, u"-1 234.50"_s);
    QCOMPARE(w->lblRecords->text(), u"Records 1-1 of 1 (filtered from 1,260)"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), u"Payer 1"_s);
    // Shown another way, they are looked for again as they now show.
    w->findChild<QAction*>(u"mnuView_SignSuffix"_s)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(w->lblRecords->text(), u"No records (filtered from 1,260)"_s, 20000);
    Filter(*w, u"dr"_s);
    QCOMPARE(w->lblRecords->text(), u"Records 1-1 of 1 (filtered from 1,260)"_s);
    w->findChild<QAction*>(u"mnuView_SignMinus"_s)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(w->lblRecords->text(), u"No records (filtered from 1,260)"_s, 20000);

    // Pages of the rows shown.
    Filter(*w, u"payer"_s);
    QCOMPARE(w->lblRecords->text(), u"Records 1-100 of 1,223 (filtered from 1,260)"_s);
    w->cmdLast->click();
    QCOMPARE(w->pnlPage->text(), u"Page 13 of 13"_s);
    QCOMPARE(w->lblRecords->text(), u"Records 1,201-1,223 of 1,223 (filtered from 1,260)"_s);
    QCOMPARE(w->grdResults->TextMatrix(23, 2), u"Payer 1260"_s);

    // The sort orders the rows shown; the filter keeps to the sort.
    Filter(*w, u"mensah"_s);
    ClickHeading(*w, 1);
    ClickHeading(*w, 1);
    QCOMPARE(w->grdResults->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(w->lblRecords->text(), u"Records 1-37 of 37 (filtered from 1,260)"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), u"Mensah 1258"_s);
    QCOMPARE(w->grdResults->TextMatrix(37, 2), u"Mensah 34"_s);
    Filter(*w, u"mensah 12"_s);
    QCOMPARE(w->lblRecords->text(), u"Records 1-4 of 4 (filtered from 1,260)"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), u"Mensah 1258"_s);
    QCOMPARE(w->grdResults->TextMatrix(4, 2), u"Mensah 612"_s);
    // An empty filter shows every record again, still sorted.
    Filter(*w, QString());
    QCOMPARE(w->lblRecords->text(), u"Records 1-100 of 1,260"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), u"Payer 1260"_s);
    // Rows found in the sort's order go back to the statement's with it.
    Filter(*w, u"mensah 12"_s);
    ClickHeading(*w, 1);
    QCOMPARE(w->lblRecords->text(), u"Records 1-4 of 4 (filtered from 1,260)"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), u"Mensah 612"_s);
    QCOMPARE(w->grdResults->TextMatrix(4, 2), u"Mensah 1258"_s);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestResultFilterRecord::filterCharactersAreLiteral_data()
{
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("payer");
    QTest::newRow("percent") << u"%"_s << u"Payer 1"_s;
    QTest::newRow("underscore") << u"_"_s << u"Payer 2"_s;
    QTest::newRow("brackets") << u"[x]"_s << u"Payer 3"_s;
    QTest::newRow("quote, case-blind") << u"o'neil"_s << u"Payer 4"_s;
    QTest::newRow("star") << u"*"_s << u"Payer 5"_s;
    QTest::newRow("a word of a second line") << u"lower road"_s << u"Payer 6"_s;
}

void TestResultFilterRecord::filterCharactersAreLiteral()
{
    QFETCH(QString, words);
    QFETCH(QString, payer);
    auto w = Open(receipts);
    QVERIFY(w);
    Filter(*w, words);
    QCOMPARE(w->lblRecords->text(), u"Records 1-1 of 1 (filtered from 1,260)"_s);
    QCOMPARE(w->grdResults->TextMatrix(1, 2), payer);
}

void TestResultFilterRecord::exportOfTheRowsShownOrTheWholeResult()
{
    auto w = Open(u"SELECT [Receipt Number], Payer FROM Receipts ORDER BY [Receipt Number]"_s);
    QVERIFY(w);
    Filter(*w, u"mensah"_s);
    const struct {
        Answer answer;
        qsizetype lines;
        QByteArray second;
    } cases[] = {{Answer::Yes, 39, "34  ,Mensah 34\r"}, {Answer::No, 1262, "1  ,Payer 1\r"}};
    for (const auto& c : cases) {
        const QString target = sandbox_->Path(u"rows%1.txt"_s.arg(int(c.answer)));
        MessageLog::Clear();
        MessageLog::QueueAnswer(c.answer);
        CommonDialog::QueueFileName(target);
        w->mnuTools_Export_Generic->trigger();
        const QList<MessageRequest> shown = MessageLog::Shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, u"A filter is on: \"mensah\".\n\nYes: the rows shown.\nNo: the whole result."_s);
        QCOMPARE(shown[0].title, u"Export Results"_s);
        QCOMPARE(shown[0].icon, Icon::Question);
        QCOMPARE(shown[0].buttons, Buttons::YesNoCancel);
        QCOMPARE(shown[1].text, u"Results successfully exported to "_s + target);
        const QList<QByteArray> lines = test::FileBytes(target).split('\n');
        QCOMPARE(lines.size(), c.lines);  // the heading, the records, the empty end
        QCOMPARE(lines[0], QByteArray("Receipt Number,Payer\r"));
        QCOMPARE(lines[1], c.second);
    }
    // Cancel exports nothing.
    MessageLog::Clear();
    MessageLog::QueueAnswer(Answer::Cancel);
    CommonDialog::ClearQueue();
    w->mnuTools_Export_Generic->trigger();
    QCOMPARE(MessageLog::Shown().size(), 1);
    QVERIFY(CommonDialog::ShownDialogs().isEmpty());
    // The filter stays on, page 1 of it shown.
    QCOMPARE(w->lblRecords->text(), u"Records 1-37 of 37 (filtered from 1,260)"_s);
}

void TestResultFilterRecord::recordFormShowsFieldsWholeAndSteps()
{
    auto w = Open(receipts);
    QVERIFY(w);
    QCOMPARE(w->mnuTools_Record->shortcut(), QKeySequence(Qt::Key_Return));
    FlexGrid& grid = *w->grdResults;
    grid.setFocus();
    grid.setCurrentIndex(grid.model()->index(5, 3));
    QStringList seen;
    bool couldNotGoBack = false;
    auto read = test::WhenModal<frmResultRecord>([&](frmResultRecord* form) {
        QCOMPARE(form->lblNames.first()->text(), u"Receipt Number:"_s);
        seen.append(form->lblPosition->text() + u" | "_s + FieldTexts(*form).join(u" | "_s));
        QTest::keyClick(form->txtValues[3], Qt::Key_Up);
        QTest::keyClick(form->txtValues[3], Qt::Key_PageUp);
        seen.append(form->lblPosition->text() + u" | "_s + FieldTexts(*form).join(u" | "_s));
        form->cmdPrevious->click();
        QTest::keyClick(form->cmdClose, Qt::Key_Up);
        QTest::keyClick(form->cmdClose, Qt::Key_Up);
        seen.append(form->lblPosition->text() + u" | "_s + FieldTexts(*form).join(u" | "_s));
        couldNotGoBack = !form->cmdPrevious->isEnabled();
        QTest::keyClick(form->txtValues[3], Qt::Key_Up);  // a beep: there is none before
        seen.append(form->lblPosition->text());
        form->cmdClose->click();
    });
    QTest::keyClick(&grid, Qt::Key_Return);
    QVERIFY(*read);
    QCOMPARE(seen, QStringList({u"Record 6 of 1,260 | 6 | Payer 6 | 2 000.00 | Highfield Farm\nLower Road\nAshcombe"_s,
                                u"Record 4 of 1,260 | 4 | Payer 4 | 2 000.00 | O'Neil"_s,
                                u"Record 1 of 1,260 | 1 | Payer 1 | -1 234.50 | 50% off"_s, u"Record 1 of 1,260"_s}));
    QVERIFY(couldNotGoBack);

    // From the last row of a page the arrows go on to the next page, and the grid follows.
    grid.setCurrentIndex(grid.model()->index(99, 0));
    read = test::WhenModal<frmResultRecord>([&](frmResultRecord* form) {
        QTest::keyClick(form->txtValues[0], Qt::Key_Down);
        QTest::keyClick(form->cmdNext, Qt::Key_Down);
        QCOMPARE(form->lblPosition->text(), u"Record 102 of 1,260"_s);
        QCOMPARE(form->txtValues[1]->text(), u"Mensah 102"_s);
        form->cmdClose->click();
    });
    w->mnuTools_Record->trigger();
    QVERIFY(*read);
    QCOMPARE(w->lngCurrentPage, 2);
    QCOMPARE(grid.currentIndex().row(), 1);

    // Under a filter and a sort the form steps through the rows shown, in their order; a
    // double click opens it.
    Filter(*w, u"mensah"_s);
    ClickHeading(*w, 1);
    ClickHeading(*w, 1);
    read = test::WhenModal<frmResultRecord>([&](frmResultRecord* form) {
        QCOMPARE(form->lblPosition->text(), u"Record 2 of 37"_s);
        QCOMPARE(form->txtValues[1]->text(), u"Mensah 1224"_s);
        form->cmdNext->click();
        QCOMPARE(form->txtValues[1]->text(), u"Mensah 1190"_s);
        form->cmdClose->click();
    });
    const QRect cell = grid.visualRect(grid.model()->index(1, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(*read);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestResultFilterRecord::cutCellsShowTheirTextOnHover()
{
    auto w = Open(receipts);
    QVERIFY(w);
    FlexGrid& grid = *w->grdResults;
    grid.SetColWidth(4, 900);  // the Remarks column, narrow
    const QModelIndex address = grid.model()->index(5, 3);
    QCOMPARE(address.data(Qt::ToolTipRole).toString(), u"Highfield Farm\nLower Road\nAshcombe"_s);
    QVERIFY(!grid.model()->index(5, 1).data(Qt::ToolTipRole).isValid());  // "Payer 6" shows whole
}

void TestResultFilterRecord::filterOnAStoppedCountSaysWhatItKnows()
{
    QVERIFY(ValidateQuery(endless));
    frmDelverResults w(nullptr);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(w.grdResults->Rows() == 101 && w.grdResults->TextMatrix(100, 1) == u"100  "_s, 20000);
    QTRY_VERIFY(w.cmdCancel->isVisible());
    w.cmdCancel->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.Counting(), 20000);
    QVERIFY(w.lblTiming->text().endsWith(u"; the count was stopped"_s));
    const int64_t read = w.rsResults->RecordCount();
    int64_t sevens = 0;
    for (int64_t i = 1; i <= read; ++i)
        sevens += QString::number(i).contains(u'7');

    // Only what was read is looked through, and the text says so: never a count as if whole.
    Filter(w, u"7"_s);
    const QString of = u" of at least %1 (filtered from the first %2 read; the count was stopped)"_s.arg(
        Grouped(sevens), Grouped(read));
    QCOMPARE(w.lblRecords->text(), u"Records 1-%1"_s.arg(std::min<int64_t>(sevens, 100)) + of);
    QCOMPARE(w.grdResults->TextMatrix(1, 1), u"7  "_s);
    QCOMPARE(w.grdResults->TextMatrix(2, 1), u"17  "_s);
    // The last page of the rows found; the statement does not run again.
    w.cmdLast->click();
    QVERIFY(!w.Counting());
    QCOMPARE(w.rsResults->RecordCount(), read);
    QCOMPARE(w.lngCurrentPage, int32_t((sevens + 99) / 100));
    QVERIFY(w.lblRecords->text().endsWith(of));
    QVERIFY(MessageLog::Shown().isEmpty());
    w.close();
}

void TestResultFilterRecord::cancelledWaitForAFilterLeavesTheCount()
{
    QVERIFY(ValidateQuery(endless));
    frmDelverResults w(nullptr);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(w.grdResults->Rows() == 101 && w.Counting(), 20000);
    w.txtFilter->setText(u"7"_s);
    QTest::keyClick(w.txtFilter, Qt::Key_Return);
    // The last page waits for every row found; Cancel stops the wait, not the count.
    auto* poll = new QTimer(&w);
    QObject::connect(poll, &QTimer::timeout, &w, [&w, poll] {
        if (w.cmdCancel->isVisible() && w.cmdCancel->isEnabled()) {
            poll->stop();
            w.cmdCancel->click();
        }
    });
    poll->start(20);
    w.cmdLast->click();
    QVERIFY(!poll->isActive());
    QTest::qWait(1000);
    QVERIFY(w.isVisible());
    QVERIFY(w.Counting());
    QVERIFY2(MessageLog::Shown().isEmpty(), qPrintable(MessageLog::Shown().value(0).text));
    const int64_t read = w.rsResults->RecordCount();
    QTRY_VERIFY_WITH_TIMEOUT(w.rsResults->RecordCount() > read, 20000);
    w.close();
}

void TestResultFilterRecord::historyFilesWithoutTimesStillLoad()
{
    // Written before the times were kept; a time no run can take is none either.
    const QByteArray old = R"({"levy-delver-history": 1, "entries": [
        {"ran": "2026-12-01T10:00:00.000", "sql": "SELECT 1", "records": 1},
        {"ran": "2026-12-01T10:01:00.000", "sql": "SELECT 2", "records": 1, "pageOneMs": -5, "countMs": 1.5}]})";
    QList<HistoryEntry> entries;
    QVERIFY(QueryHistory::Parse(old, entries));
    QCOMPARE(entries.size(), 2);
    for (const HistoryEntry& e : entries)
        QVERIFY(e.pageOneMs == -1 && e.countMs == -1 && e.records == 1);
    entries[0].pageOneMs = 120;
    entries[0].countMs = 1400;
    QList<HistoryEntry> again;
    QVERIFY(QueryHistory::Parse(QueryHistory::Serialize(entries), again));
    QCOMPARE(again, entries);
}

QTEST_MAIN(TestResultFilterRecord)
#include "test_result_filter_record.moc"
