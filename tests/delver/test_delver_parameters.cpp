#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "frmDelver.h"
#include "frmDelverResults.h"
#include "database/Database.h"
#include "history/QueryHistory.h"
#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "platform/AppInfo.h"
#include "results/FlexGrid.h"
#include "widgets/CommonDialog.h"
#include "widgets/StatusBar.h"
#include "workbench/EditorTab.h"
#include "workbench/EditorTabs.h"
#include "workbench/HistoryPanel.h"
#include "workbench/SqlEditor.h"
#include "workbench/frmDelverParameters.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString statement = u"PARAMETERS [Term] Text, [Longest] Long;\r\n"
                          "SELECT [Student ID], Surname FROM Students\r\n"
                          "WHERE [Class] = [Term] AND Len(Surname) <= [Longest] ORDER BY [Student ID]"_s;

QString TextOf(QWidget* input) { return static_cast<QLineEdit*>(input)->text(); }
} // namespace

// A statement with parameters run from the editor: the values are asked for, bound and
// shown, counted and exported alike, and offered again from the history.
class TestDelverParameters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }
    void init();
    void cleanup();
    void valuesAreAskedBoundAndRecalled();
    void anUndeclaredNameIsShownForWhatItIs();
    void aDateTakesATimeOrNothing();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<frmDelver> editor_;
    QByteArray oldDataHome_;
};

void TestDelverParameters::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    oldDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox_->Path(u"data"_s)));
    const QString path = test::DelverDatabase(sandbox_->Folder());
    auto db = test::OpenLevy(path);
    db->MainConnection()->Execute(u"INSERT INTO Students ([Student ID], Surname, Class) VALUES ('S1', 'Banda', '4A'), "
                                  u"('S2', 'O''Brien', '4a'), ('S3', 'Phiri', '4B'), ('S4', 'Mwale-Chirwa', '4A')"_s);
    db->Close();
    CommonDialog::ClearQueue();
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    editor_ = std::make_unique<frmDelver>();
    editor_->show();
    QTRY_COMPARE(editor_->barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
}

void TestDelverParameters::cleanup()
{
    editor_.reset();
    frmDelver::showResults = frmDelverResults::Show;
    CommonDialog::ClearQueue();
    LogOffUser();
    qputenv("XDG_DATA_HOME", oldDataHome_);
    sandbox_.reset();
}

void TestDelverParameters::valuesAreAskedBoundAndRecalled()
{
    const QString exported = sandbox_->Path(u"term.txt"_s);
    QString refusal, focusedAfterRefusal, labels, records;
    QStringList grid;
    bool refusedStayedOpen = false;
    auto asked = test::WhenModal<frmDelverParameters>([&](frmDelverParameters* d) {
        QCOMPARE(d->windowTitle(), u"Enter Parameter Value"_s);
        labels = d->findChild<QLabel*>(u"lblParameter1"_s)->text() + u" | "_s +
                 d->findChild<QLabel*>(u"lblParameter2"_s)->text();
        QCOMPARE(d->inputs.size(), 2);
        QCOMPARE(d->inputs[1]->accessibleName(), u"Longest"_s);
        static_cast<QLineEdit*>(d->inputs[0])->setText(u"4A"_s);
        static_cast<QLineEdit*>(d->inputs[1])->setText(u"seven"_s);
        MessageLog::Clear();
        d->cmdOK->click();
        refusal = MessageLog::Shown().value(0).text;
        refusedStayedOpen = d->isVisible();
        focusedAfterRefusal = d->focusWidget() ? d->focusWidget()->objectName() : QString();
        static_cast<QLineEdit*>(d->inputs[1])->setText(u"7"_s);
        d->cmdOK->click();
    });
    // The values fill the result; the count and the export read the same records.
    auto shown = test::WhenModal<frmDelverResults>([&](frmDelverResults* results) {
        auto* poll = new QTimer(results);
        QObject::connect(poll, &QTimer::timeout, results, [&, results, poll] {
            if (results->Counting() || results->lngPageCount == 0)
                return;
            poll->stop();
            for (int r = 1; r <= 3; ++r)
                grid.append(results->grdResults->TextMatrix(r, 1) + u'|' + results->grdResults->TextMatrix(r, 2));
            records = results->lblRecords->text();
            CommonDialog::QueueFileName(exported);
            results->mnuTools_Export_Generic->trigger();
            results->close();
        });
        poll->start(10);
    });
    editor_->txtSQL->SetText(statement);
    editor_->ExecuteQuery();
    QVERIFY(*asked);
    QVERIFY(*shown);
    QCOMPARE(labels, u"Term (Text): | Longest (Long Integer):"_s);
    QCOMPARE(refusal, u"\"seven\" is not a number. [Longest] takes a whole number (Long Integer), for example 12."_s);
    QVERIFY(refusedStayedOpen);
    QCOMPARE(focusedAfterRefusal, u"txtParameter2"_s);
    QCOMPARE(grid, (QStringList{u"S1|Banda"_s, u"S2|O'Brien"_s, u"|"_s}));
    QCOMPARE(records, u"Records 1-2 of 2"_s);
    QCOMPARE(test::FileBytes(exported), QByteArray("Student ID,Surname\r\nS1,Banda\r\nS2,O'Brien\r\n"));

    // The history keeps the values with the statement, in its file too.
    const QList<HistoryParameter> values{{u"Term"_s, u"4A"_s}, {u"Longest"_s, u"7"_s}};
    QCOMPARE(editor_->History()->Entries().value(0).parameters, values);
    QCOMPARE(editor_->History()->Entries().value(0).records, 2);
    QList<HistoryEntry> stored;
    QVERIFY(QueryHistory::Parse(test::FileBytes(QueryHistory::PathFor(u"Clerk"_s)), stored));
    QCOMPARE(stored.value(0).parameters, values);

    // Recalled, the statement is offered its values again; Cancel runs nothing.
    editor_->txtSQL->SetText(u"SELECT 1"_s);
    editor_->CurrentTab()->blnDirty = false;
    editor_->dockHistory->lstHistory->setCurrentRow(0);
    editor_->dockHistory->cmdHistoryReplace->click();
    QCOMPARE(editor_->txtSQL->Text(), statement);
    QStringList offered;
    auto again = test::WhenModal<frmDelverParameters>([&](frmDelverParameters* d) {
        offered = {TextOf(d->inputs[0]), TextOf(d->inputs[1])};
        d->cmdCancel->click();
    });
    MessageLog::Clear();
    editor_->ExecuteQuery();
    QVERIFY(*again);
    QCOMPARE(offered, (QStringList{u"4A"_s, u"7"_s}));
    QCOMPARE(MessageLog::Shown().size(), 0);
    QCOMPARE(editor_->History()->Entries().size(), 1);

    // Run with other values, it is offered those next, not the recalled ones; another user
    // is offered none of them.
    frmDelver::showResults = [](QWidget*) {};
    auto changed = test::WhenModal<frmDelverParameters>([&](frmDelverParameters* d) {
        static_cast<QLineEdit*>(d->inputs[1])->setText(u"9"_s);
        d->cmdOK->click();
    });
    editor_->ExecuteQuery();
    QVERIFY(*changed);
    auto offer = [&] {
        auto dialog = test::WhenModal<frmDelverParameters>([&](frmDelverParameters* d) {
            offered = {TextOf(d->inputs[0]), TextOf(d->inputs[1])};
            d->cmdCancel->click();
        });
        editor_->ExecuteQuery();
        return *dialog;
    };
    QVERIFY(offer());
    QCOMPARE(offered, (QStringList{u"4A"_s, u"9"_s}));
    editor_->dockHistory->lstHistory->setCurrentRow(1);
    editor_->dockHistory->cmdHistoryReplace->click();
    for (EditorTab* tab : editor_->tabQueries->Tabs())
        tab->blnDirty = false;
    MessageLog::QueueAnswer(Answer::Yes);
    test::AnswerStartUp(u"Bursar"_s, u"bursar"_s);
    editor_->LogOff();
    QCOMPARE(CurrentUserName, u"Bursar"_s);
    editor_->txtSQL->SetText(statement);
    QVERIFY(offer());
    QCOMPARE(offered, (QStringList{QString(), QString()}));
}

void TestDelverParameters::anUndeclaredNameIsShownForWhatItIs()
{
    QString label, note;
    auto asked = test::WhenModal<frmDelverParameters>([&](frmDelverParameters* d) {
        label = d->findChild<QLabel*>(u"lblParameter1"_s)->text();
        note = d->findChild<QLabel*>(u"lblParameterNote1"_s)->text();
        d->reject();
    });
    editor_->txtSQL->SetText(u"SELECT * FROM Students WHERE [Clas] = '4A' AND Surname <> 'Class'"_s);
    editor_->ExecuteQuery();
    QVERIFY(*asked);
    QCOMPARE(label, u"Clas (Text):"_s);
    QCOMPARE(note, u"No field has the name [Clas]. If you meant a field, correct its name in the statement."_s);
    QVERIFY(editor_->History()->Entries().isEmpty());

    // A table made since the log-in, which the Database panel does not list, is read as
    // the run will read it: its parameter is asked for, not refused at every run.
    levyDatabase->MainConnection()->Execute(u"CREATE TABLE Late (Amount REAL)"_s);
    label.clear();
    auto again = test::WhenModal<frmDelverParameters>([&](frmDelverParameters* d) {
        label = d->findChild<QLabel*>(u"lblParameter1"_s)->text();
        d->reject();
    });
    editor_->txtSQL->SetText(u"SELECT * FROM Late WHERE Amount > [Minimum]"_s);
    editor_->ExecuteQuery();
    QVERIFY(*again);
    QVERIFY2(label.startsWith(u"Minimum ("_s), qPrintable(label));
}

void TestDelverParameters::aDateTakesATimeOrNothing()
{
    const jet::JetParameter since{u"Since"_s, u"DateTime"_s, dbDate, true};
    const jet::JetParameter until{u"Until"_s, u"DateTime"_s, dbDate, true};
    const jet::JetParameter paid{u"Paid"_s, {}, dbText, false, 0, dbBoolean};
    frmDelverParameters d(editor_.get(), {since, until, paid}, {{u"Since"_s, u"01/02/2026 14:30"_s}});
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    auto* box = static_cast<QLineEdit*>(d.inputs[0]);
    QCOMPARE(box->text(), u"01/02/2026 14:30"_s);
    // The calendar from the keyboard: the date picked replaces the date, the time stays.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier);
    auto* calendar = d.findChild<QCalendarWidget*>(u"calParameter"_s);
    QVERIFY(calendar && calendar->isVisible());
    QCOMPARE(calendar->selectedDate(), QDate(2026, 2, 1));
    emit calendar->activated(QDate(2026, 3, 15));
    QCOMPARE(box->text(), u"15/03/2026 14:30"_s);
    // Nothing typed is Null; a value compared with a Yes/No field is chosen as one.
    QVERIFY(qobject_cast<QComboBox*>(d.inputs[2]));
    d.accept();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(d.Bound().size(), 3);
    QCOMPARE(d.Bound()[0].value.AsText(), u"2026-03-15 14:30:00"_s);
    QVERIFY(d.Bound()[1].value.IsNull());
    QCOMPARE(d.Bound()[2].value.AsInteger(), -1);
}

QTEST_MAIN(TestDelverParameters)
#include "test_delver_parameters.moc"
