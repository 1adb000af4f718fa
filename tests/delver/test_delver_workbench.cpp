#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/SqlEditor.h"
#include "database/QueryDef.h"
#include "frmDelver.h"
#include "results/ResultTiming.h"
#include "frmDelverResults.h"
#include "frmSystem_CheckDate.h"
#include "dialogs/frmSystem_LogIn.h"
#include "history/QueryHistory.h"
#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "platform/RuntimeError.h"
#include "widgets/CommonDialog.h"
#include "widgets/StatusBar.h"
#include "workbench/FindReplaceDialog.h"
#include "workbench/HistoryPanel.h"
#include "workbench/SchemaPanel.h"
#include "workbench/SqlCompletion.h"
#include "workbench/EditorTab.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCompleter>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTreeWidget>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
QString Children(const QTreeWidgetItem* item)
{
    QStringList names;
    for (int i = 0; i < item->childCount(); ++i)
        names.append(item->child(i)->text(1).isEmpty() ? item->child(i)->text(0)
                                                       : item->child(i)->text(0) + u':' + item->child(i)->text(1));
    return names.join(u", "_s);
}

QTreeWidgetItem* Find(const QTreeWidget* tree, const QString& name)
{
    const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// A clerk's scratch file of three statements: a semicolon ends the first, a blank line the
// second; the semicolons in a text, a comment and a bracketed name end nothing, nor does
// the blank line inside the comment.
const QString threeStatements = u"-- the office's questions; one at a time\n"
                                "SELECT [User Name] FROM Users WHERE [User Name] <> 'a;b';\n"
                                "SELECT Class\n"
                                "  FROM Classes /* every class;\n"
                                "\n"
                                "  even the empty ones */ WHERE Class <> 'x'\n"
                                "\n"
                                "SELECT #2026-12-09# AS [Day;Night] FROM Users"_s;

int Mode(const QString& path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}
} // namespace

class TestDelverWorkbench : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }
    void init();
    void cleanup();

    void schemaPanelListsInsertsAndFollowsTheSession();
    void schemaAlteredByAnotherProgramIsShownAsItIs();
    void panelsAreRememberedPerUser();
    void completion_data();
    void completion();
    void runKeys_data();
    void runKeys();
    void runTheStatementUnderTheCursor_data();
    void runTheStatementUnderTheCursor();
    void refusedStatementIsPlacedAndMarkedInTheWholeText();
    void historyKeepsEveryRunForItsUser();
    void historyIsRecalledSearchedAndCleared();
    void historyKeepsTheLast500AndSurvivesAFailedWrite();
    void historyNotOursIsSetAside_data();
    void historyNotOursIsSetAside();
    void findReplaceGoToLineAndIndent();
    void bracketsAndLineNumbers();
    void recentFiles();

private:
    void Start();
    void LogOffAndOn();
    // Types as a user does: while the list is open the keys reach it first.
    void Type(const QString& text);
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    QAbstractItemView* Popup() const { return editor_->txtSQL->Completion()->Completer()->popup(); }
    QString HistoryPath() const { return QueryHistory::PathFor(u"Clerk"_s); }

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<frmDelver> editor_;
    QString database_;
    QStringList shownResults_;
    QByteArray oldDataHome_;
};

void TestDelverWorkbench::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    oldDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox_->Path(u"data"_s)));
    database_ = test::DelverDatabase(sandbox_->Folder());
    CommonDialog::ClearQueue();
    shownResults_.clear();
    frmDelver::showResults = [this](QWidget*) { shownResults_.append(qryDirectSQL->SQL()); };
}

void TestDelverWorkbench::Start()
{
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    editor_ = std::make_unique<frmDelver>();
    editor_->show();
    QTRY_COMPARE(editor_->barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
    editor_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(editor_.get()));
    editor_->txtSQL->setFocus();
}

void TestDelverWorkbench::cleanup()
{
    editor_.reset();
    frmDelver::showResults = frmDelverResults::Show;
    CommonDialog::ClearQueue();
    LogOffUser();
    qputenv("XDG_DATA_HOME", oldDataHome_);
    sandbox_.reset();
}

void TestDelverWorkbench::LogOffAndOn()
{
    MessageLog::QueueAnswer(Answer::Yes);  // log off
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    editor_->LogOff();
    QCOMPARE(CurrentUserName, u"Clerk"_s);
}

void TestDelverWorkbench::Type(const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = Popup()->isVisible() ? static_cast<QWidget*>(Popup()) : editor_->txtSQL;
        QTest::keyClick(target, c.toLatin1());
    }
}

void TestDelverWorkbench::Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = Popup()->isVisible() ? static_cast<QWidget*>(Popup()) : editor_->txtSQL;
    QTest::keyClick(target, key, modifiers);
}

void TestDelverWorkbench::schemaPanelListsInsertsAndFollowsTheSession()
{
    Start();
    QTreeWidget* tree = editor_->dockSchema->Tree();
    QCOMPARE(Children(tree->topLevelItem(0)),
             u"Students, Deregistered Students, Classes, Registered Fees, Fees Templates, Levy Account Debits, "
             u"Levy Account Credits, Caution Fee Account Debits, Caution Fee Account Credits, Users"_s);
    QCOMPARE(Children(Find(tree, u"Levy Account Credits"_s)),
             u"Transaction Date:Date/Time, Amount:Currency, Receipt Number:Text(15), Student ID:Text(8)"_s);
    QCOMPARE(Children(tree->topLevelItem(1)),
             u"General Query Obj, Report Query Object, Direct SQL Query Object"_s);

    // A double-click writes the name at the cursor, bracketed where it must be, as one
    // step of Undo; a drag carries the same text.
    editor_->txtSQL->SetText(u"SELECT * FROM "_s);
    editor_->txtSQL->moveCursor(QTextCursor::End);
    emit tree->itemDoubleClicked(Find(tree, u"Levy Account Credits"_s), 0);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT * FROM [Levy Account Credits]"_s);
    QVERIFY(editor_->CurrentTab()->blnDirty);
    editor_->txtSQL->undo();
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT * FROM "_s);
    const QModelIndex field = tree->indexFromItem(Find(tree, u"Student ID"_s));
    std::unique_ptr<QMimeData> drag(tree->model()->mimeData({field}));
    QCOMPARE(drag->text(), u"[Student ID]"_s);
    QCOMPARE(SchemaPanel::InsertedText(Find(tree, u"Amount"_s)), u"Amount"_s);

    // Emptied at Log Off, filled again for the next user.
    MessageLog::QueueAnswer(Answer::Yes);  // log off
    MessageLog::QueueAnswer(Answer::No);   // the inserted name is not kept
    bool emptied = false;
    test::WhenModal<frmSystem_LogIn>([this, &emptied](frmSystem_LogIn* login) {
        emptied = editor_->dockSchema->Tree()->topLevelItemCount() == 0 && !editor_->History();
        login->txtUserName->setText(u"Clerk"_s);
        login->txtPassword->setText(u"clerk"_s);
        login->cmdLogIn->click();
        test::WhenModal<frmSystem_CheckDate>([](frmSystem_CheckDate* date) { date->cmdYes->click(); });
    });
    editor_->LogOff();
    QVERIFY(emptied);
    QCOMPARE(editor_->dockSchema->Listing().tables.size(), 10);
}

void TestDelverWorkbench::schemaAlteredByAnotherProgramIsShownAsItIs()
{
    Start();
    {
        auto other = test::OpenLevy(database_);
        auto c = other->MainConnection();
        c->Execute(u"ALTER TABLE \"Students\" ADD COLUMN \"Nickname\" TEXT(12)"_s);
        c->Execute(u"CREATE TABLE \"Bursaries\" (\"Award\" CURRENCY, \"Notes\" BLOB, \"Given\" DATETIME)"_s);
        c->Execute(u"CREATE VIEW \"Paid\" AS SELECT \"Amount\" FROM \"Levy Account Credits\""_s);
        other->Close();
    }
    LogOffAndOn();
    QTreeWidget* tree = editor_->dockSchema->Tree();
    QCOMPARE(Children(Find(tree, u"Bursaries"_s)), u"Award:Currency, Notes:BLOB, Given:Date/Time"_s);
    QVERIFY(Children(Find(tree, u"Students"_s)).endsWith(u"Nickname:Text(12)"_s));
    QCOMPARE(Children(Find(tree, u"Paid"_s)), u"Amount:Currency"_s);
    QCOMPARE(tree->topLevelItem(0)->childCount(), 12);
}

void TestDelverWorkbench::panelsAreRememberedPerUser()
{
    Start();
    QVERIFY(editor_->dockSchema->isVisible());
    editor_->mnuView_Database->trigger();
    QVERIFY(!editor_->dockSchema->isVisible());
    QVERIFY(!GetSetting(settingsApplication, u"Delver"_s, u"WindowState"_s).isEmpty());
    editor_.reset();
    LogOffUser();
    Start();
    QVERIFY(!editor_->dockSchema->isVisible());
    QVERIFY(!editor_->mnuView_Database->isChecked());
    editor_->mnuView_Database->trigger();
    QVERIFY(editor_->dockSchema->isVisible());
    // The panel's own close button counts as well.
    editor_->dockHistory->close();
    editor_.reset();
    LogOffUser();
    Start();
    QVERIFY(!editor_->dockHistory->isVisible());
    QVERIFY(editor_->dockSchema->isVisible());
}

void TestDelverWorkbench::completion_data()
{
    QTest::addColumn<QString>("before");  // the text, "|" where the cursor is
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");   // the first proposal, empty when the list stays shut
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    const int enter = Qt::Key_Return, tab = Qt::Key_Tab, esc = Qt::Key_Escape, space = Qt::Key_Space;
    QTest::newRow("a table after three letters, Enter") << u"SELECT * FROM |"_s << u"Lev"_s
                                                         << u"Levy Account Credits  (table)"_s << enter
                                                         << u"SELECT * FROM [Levy Account Credits]"_s;
    QTest::newRow("Esc leaves the text") << u"SELECT * FROM |"_s << u"Lev"_s << u"Levy Account Credits  (table)"_s
                                         << esc << u"SELECT * FROM Lev"_s;
    QTest::newRow("two letters do not open it") << u"SELECT |"_s << u"Le"_s << QString() << 0 << u"SELECT Le"_s;
    QTest::newRow("not by itself in a quoted text") << u"SELECT * FROM Students WHERE Surname = '|"_s << u"Lev"_s
                                                    << QString() << 0 << u"SELECT * FROM Students WHERE Surname = 'Lev"_s;
    QTest::newRow("not by itself in a comment") << u"SELECT -- the |"_s << u"Sum"_s << QString() << 0
                                                << u"SELECT -- the Sum"_s;
    QTest::newRow("Ctrl+Space opens it on one letter") << u"SELECT |"_s << u"L"_s << u"Last(expression)"_s << space
                                                       << u"SELECT L"_s;
    QTest::newRow("a table's own fields, Tab") << u"SELECT [Levy Account Credits]|"_s << u"."_s
                                               << u"Amount  Currency"_s << tab
                                               << u"SELECT [Levy Account Credits].Amount"_s;
    QTest::newRow("an alias's fields") << u"SELECT c.| FROM [Levy Account Credits] AS c"_s << u"Stu"_s
                                       << u"Student ID  Text(8)"_s << enter
                                       << u"SELECT c.[Student ID] FROM [Levy Account Credits] AS c"_s;
    QTest::newRow("the named table's fields first") << u"SELECT | FROM Classes"_s << u"Min"_s
                                                    << u"Minimum Balance  Currency"_s << enter
                                                    << u"SELECT [Minimum Balance] FROM Classes"_s;
    QTest::newRow("a bracket begun") << u"SELECT [Stu|]"_s << u"den"_s << u"Student ID  (field)"_s << enter
                                     << u"SELECT [Student ID]"_s;
    QTest::newRow("a function with its arguments") << u"SELECT |"_s << u"DateA"_s
                                                   << u"DateAdd(interval, number, date)"_s << tab
                                                   << u"SELECT DateAdd("_s;
    QTest::newRow("a keyword") << u"SELECT * |"_s << u"FRO"_s << u"FROM"_s << enter << u"SELECT * FROM"_s;
}

void TestDelverWorkbench::completion()
{
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, key);
    QFETCH(QString, after);
    Start();
    SqlEditor* sql = editor_->txtSQL;
    sql->SetText(QString(before).remove(u'|'));
    QTextCursor at = sql->textCursor();
    at.setPosition(int(before.indexOf(u'|')));
    sql->setTextCursor(at);
    Type(typed);
    if (key == Qt::Key_Space)
        Key(Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(Popup()->isVisible(), !shown.isEmpty());
    if (!shown.isEmpty())
        QCOMPARE(Popup()->currentIndex().data().toString(), shown);
    const QString typedText = sql->Text();
    const int undoSteps = sql->document()->availableUndoSteps();
    if (key == Qt::Key_Space)
        key = Qt::Key_Escape;
    if (key)
        Key(Qt::Key(key));
    QVERIFY(!Popup()->isVisible());
    QCOMPARE(sql->Text(), after);
    if (after == typedText) {
        // Refused: nothing of the proposal reached the text or its Undo.
        QCOMPARE(sql->document()->availableUndoSteps(), undoSteps);
    } else {
        sql->undo();
        QCOMPARE(sql->Text(), typedText);
    }
}

void TestDelverWorkbench::runKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("select");
    QTest::addColumn<bool>("menu");
    QTest::newRow("F5") << int(Qt::Key_F5) << 0 << false << false;
    QTest::newRow("F5, a selection") << int(Qt::Key_F5) << 0 << true << false;
    QTest::newRow("Ctrl+Enter, a selection") << int(Qt::Key_Return) << int(Qt::ControlModifier) << true << false;
    QTest::newRow("Execute Query runs the whole text") << 0 << 0 << true << true;
}

void TestDelverWorkbench::runKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, select);
    QFETCH(bool, menu);
    const QString whole = u"SELECT [User Name] FROM Users\r\nWHERE [User Name] LIKE 'C*'"_s;
    const QString file = sandbox_->Path(u"query.sql"_s);
    test::WriteFile(file, whole.toLatin1());
    Start();
    CommonDialog::QueueFileName(file);
    editor_->OpenSQLFile();
    QTextCursor selection = editor_->txtSQL->textCursor();
    selection.setPosition(0);
    selection.setPosition(select ? 29 : 0, QTextCursor::KeepAnchor);
    editor_->txtSQL->setTextCursor(selection);
    MessageLog::Clear();
    if (menu)
        editor_->mnuTools_ExecuteQuery->trigger();
    else
        QTest::keyClick(editor_->txtSQL, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(shownResults_, QStringList{select && !menu ? whole.left(29) : whole});
    QCOMPARE(MessageLog::Shown().size(), 0);
    QCOMPARE(editor_->txtSQL->Text(), whole);
    QCOMPARE(editor_->txtSQL->SelectedText(), select ? whole.left(29) : QString());
    QVERIFY(!editor_->CurrentTab()->blnDirty);
    QCOMPARE(test::FileBytes(file), whole.toLatin1());

    // A refused selection answers as Execute Query does.
    selection.setPosition(0);
    selection.setPosition(6, QTextCursor::KeepAnchor);
    editor_->txtSQL->setTextCursor(selection);
    QTest::keyClick(editor_->txtSQL, Qt::Key_F5);
    QCOMPARE(MessageLog::Shown().size(), 1);
    QCOMPARE(MessageLog::Shown().first().title, u"Compiling Error"_s);
    QCOMPARE(MessageLog::Shown().first().icon, Icon::Exclamation);
    QCOMPARE(shownResults_.size(), 1);
}

void TestDelverWorkbench::runTheStatementUnderTheCursor_data()
{
    QTest::addColumn<QString>("before");  // what the cursor stands just after
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("key");
    const QString first = u"SELECT [User Name] FROM Users WHERE [User Name] <> 'a;b'"_s;
    const QString second = u"SELECT Class\n  FROM Classes /* every class;\n\n  even the empty ones */ WHERE Class <> 'x'"_s;
    const QString third = u"SELECT #2026-12-09# AS [Day;Night] FROM Users"_s;
    const int f5 = Qt::Key_F5, ctrlEnter = Qt::Key_Return;
    QTest::newRow("in the leading comment") << u"-- the"_s << first << f5;
    QTest::newRow("in the first") << u"SELECT [User Name] FROM"_s << first << ctrlEnter;
    QTest::newRow("inside a text with a semicolon") << u"'a;"_s << first << f5;
    QTest::newRow("just after the first's semicolon") << u"'a;b';"_s << first << f5;
    QTest::newRow("in the second") << u"SELECT Cl"_s << second << ctrlEnter;
    QTest::newRow("at the blank line inside a comment") << u"every class;\n"_s << second << f5;
    QTest::newRow("at a blank line between statements") << u"<> 'x'\n"_s << second << f5;
    QTest::newRow("in the third, in a name with a semicolon") << u"[Day;"_s << third << ctrlEnter;
    QTest::newRow("at the end of the text") << threeStatements << third << f5;
}

void TestDelverWorkbench::runTheStatementUnderTheCursor()
{
    QFETCH(QString, before);
    QFETCH(QString, statement);
    QFETCH(int, key);
    Start();
    SqlEditor* sql = editor_->txtSQL;
    QList<QPair<int, int>> marked;
    frmDelver::showResults = [&](QWidget*) {
        shownResults_.append(qryDirectSQL->SQL());
        marked.append(sql->RunMark());
    };
    sql->SetText(threeStatements);
    QTextCursor cursor = sql->textCursor();
    const int at = int(threeStatements.indexOf(before) + before.size());
    cursor.setPosition(at);
    sql->setTextCursor(cursor);
    MessageLog::Clear();
    QTest::keyClick(sql, Qt::Key(key), key == Qt::Key_F5 ? Qt::NoModifier : Qt::ControlModifier);

    // The statement alone ran, with the text's own line breaks, and was marked while it ran.
    const QString run = QString(statement).replace(u"\n"_s, u"\r\n"_s);
    QCOMPARE(shownResults_, QStringList{run});
    QCOMPARE(MessageLog::Shown().size(), 0);
    const int start = int(threeStatements.indexOf(statement));
    QCOMPARE(marked, (QList<QPair<int, int>>{{start, start + int(statement.size())}}));
    QCOMPARE(editor_->History()->Entries().value(0).statement, run);
    // The text and the cursor are as they were; the mark goes a moment later.
    QCOMPARE(sql->Text(), QString(threeStatements).replace(u"\n"_s, u"\r\n"_s));
    QCOMPARE(sql->textCursor().position(), at);
    QVERIFY(!sql->textCursor().hasSelection());
    QTRY_COMPARE(sql->RunMark(), qMakePair(-1, -1));

    // Execute Query still hands the whole text to the check, which refuses a second
    // statement; the stored query keeps the one that ran.
    editor_->mnuTools_ExecuteQuery->trigger();
    QCOMPARE(shownResults_.size(), 1);
    QCOMPARE(MessageLog::Shown().size(), 1);
    QCOMPARE(MessageLog::Shown().first().title, u"Compiling Error"_s);
    QCOMPARE(MessageLog::Shown().first().text, u"Characters found after end of SQL statement."_s);
    QCOMPARE(qryDirectSQL->SQL(), run);
}

void TestDelverWorkbench::refusedStatementIsPlacedAndMarkedInTheWholeText()
{
    Start();
    SqlEditor* sql = editor_->txtSQL;
    sql->SetText(u"SELECT 1;\n\nSELECT [User Name]\n  FROM Users WHERE [User Name] = = 'a'"_s);
    sql->moveCursor(QTextCursor::End);
    MessageLog::Clear();
    QTest::keyClick(sql, Qt::Key_F5);
    QCOMPARE(shownResults_.size(), 0);
    QCOMPARE(MessageLog::Shown().size(), 1);
    const QString shown = MessageLog::Shown().first().text;
    QCOMPARE(MessageLog::Shown().first().title, u"Compiling Error"_s);
    // The history keeps the statement that ran, with the places in it.
    const HistoryEntry last = editor_->History()->Entries().value(0);
    QCOMPARE(last.statement, u"SELECT [User Name]\r\n  FROM Users WHERE [User Name] = = 'a'"_s);
    QVERIFY2(last.error.contains(u"line 2, column 34"_s), qPrintable(last.error));
    QCOMPARE(shown, QString(last.error).replace(u"line 2, column 34"_s, u"line 4, column 34"_s));
    // The cursor stands on the place named, underlined, until the text changes.
    QCOMPARE(sql->ErrorMark(), qMakePair(63, 64));
    QCOMPARE(sql->textCursor().position(), 63);
    QTest::keyClick(sql, Qt::Key_Right);
    QCOMPARE(sql->ErrorMark(), qMakePair(63, 64));
    QTest::keyClick(sql, Qt::Key_Backspace);
    QCOMPARE(sql->ErrorMark(), qMakePair(-1, -1));

    // On the statement's first line the column moves with where the statement starts.
    sql->SetText(u"SELECT 1;  SELECT [User Name] FROM Users WHERE [User Name] = = 'a'"_s);
    sql->moveCursor(QTextCursor::End);
    MessageLog::Clear();
    QTest::keyClick(sql, Qt::Key_F5);
    const QString error = editor_->History()->Entries().value(0).error;
    QVERIFY2(error.contains(u"line 1, column 51"_s), qPrintable(error));
    const QString inWholeText = QString(error).replace(u"line 1, column 51"_s, u"line 1, column 62"_s);
    QCOMPARE(MessageLog::Shown().value(0).text, inWholeText);
    QCOMPARE(sql->ErrorMark(), qMakePair(61, 62));

    // A selection's places are the whole text's too.
    QTextCursor selection(sql->document());
    selection.setPosition(11);
    selection.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    sql->setTextCursor(selection);
    MessageLog::Clear();
    QTest::keyClick(sql, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(MessageLog::Shown().value(0).text, inWholeText);
    QCOMPARE(sql->ErrorMark(), qMakePair(61, 62));
}

void TestDelverWorkbench::historyKeepsEveryRunForItsUser()
{
    frmDelver::showResults = frmDelverResults::Show;
    Start();
    // A run that shows its records, through the real results window.
    QVERIFY(test::RunAndCloseOnceCounted(*editor_, u"SELECT [User Name] FROM Users"_s));
    MessageLog::Clear();
    editor_->txtSQL->SetText(u"SELECT * FROM Nowhere"_s);
    editor_->ExecuteQuery();
    const QString error = MessageLog::Shown().value(0).text;
    QVERIFY(!error.isEmpty());

    const QList<HistoryEntry> entries = editor_->History()->Entries();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].statement, u"SELECT * FROM Nowhere"_s);
    QCOMPARE(entries[0].error, error);
    QCOMPARE(entries[1].statement, u"SELECT [User Name] FROM Users"_s);
    QCOMPARE(entries[1].records, 3);
    QVERIFY(!entries[1].Failed());
    QVERIFY(entries[1].ranAt <= entries[0].ranAt);
    QCOMPARE(editor_->dockHistory->lstHistory->count(), 2);
    QVERIFY(editor_->dockHistory->lstHistory->item(0)->text().contains(u"FAILED"_s));
    QVERIFY(editor_->dockHistory->lstHistory->item(1)->text().contains(u"3 records"_s));
    // How long it took, kept with the run and shown with its statement.
    QVERIFY(entries[1].pageOneMs >= 0 && entries[1].countMs >= entries[1].pageOneMs);
    QVERIFY(entries[0].pageOneMs < 0 && entries[0].countMs < 0);
    QCOMPARE(editor_->dockHistory->lstHistory->item(1)->toolTip(),
             u"SELECT [User Name] FROM Users\n\nPage 1 in %1; all records in %2"_s.arg(
                 DurationText(entries[1].pageOneMs), DurationText(entries[1].countMs)));

    // The file is the user's alone, and another account has a history of its own.
    QCOMPARE(Mode(HistoryPath()), 0600);
    QCOMPARE(Mode(QFileInfo(HistoryPath()).path()), 0700);
    QList<HistoryEntry> stored;
    QVERIFY(QueryHistory::Parse(test::FileBytes(HistoryPath()), stored));
    QCOMPARE(stored, entries);
    QCOMPARE(QueryHistory::PathFor(u"CLERK"_s), HistoryPath());
    QVERIFY(QueryHistory::PathFor(u"Bursar"_s) != HistoryPath());
}

void TestDelverWorkbench::historyIsRecalledSearchedAndCleared()
{
    QueryHistory seeded(HistoryPath());
    seeded.Load();
    for (const QString& s : {u"SELECT * FROM Classes"_s, u"SELECT * FROM Students"_s})
        seeded.Add(HistoryEntry{QDateTime::currentDateTime(), s, 0, {}});
    Start();
    HistoryPanel* panel = editor_->dockHistory;
    QCOMPARE(panel->lstHistory->count(), 2);

    panel->txtHistorySearch->setText(u"classes"_s);
    QCOMPARE(panel->lstHistory->count(), 1);
    QCOMPARE(panel->ChosenStatement(), u"SELECT * FROM Classes"_s);

    // Replacing puts the statement in a text of its own: a changed text stays as it is,
    // and nothing need be asked.
    editor_->txtSQL->SetText(u"SELECT [Class] FROM Classes"_s);
    SqlEditor* changed = editor_->txtSQL;
    MessageLog::Clear();
    panel->cmdHistoryReplace->click();
    QCOMPARE(MessageLog::Shown().size(), 0);
    QCOMPARE(changed->Text(), u"SELECT [Class] FROM Classes"_s);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT * FROM Classes"_s);
    QVERIFY(editor_->CurrentTab()->blnDirty);
    QCOMPARE(editor_->windowTitle(), u"Delver"_s);

    // Inserting writes at the cursor and asks nothing.
    editor_->txtSQL->moveCursor(QTextCursor::End);
    MessageLog::Clear();
    panel->txtHistorySearch->clear();
    panel->lstHistory->setCurrentRow(0);
    panel->cmdHistoryInsert->click();
    QCOMPARE(MessageLog::Shown().size(), 0);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT * FROM ClassesSELECT * FROM Students"_s);

    MessageLog::QueueAnswer(Answer::No);
    panel->cmdHistoryClear->click();
    QCOMPARE(panel->lstHistory->count(), 2);
    MessageLog::QueueAnswer(Answer::Yes);
    panel->cmdHistoryClear->click();
    QCOMPARE(MessageLog::Shown().last().icon, Icon::Question);
    QCOMPARE(panel->lstHistory->count(), 0);
    QList<HistoryEntry> stored{HistoryEntry{}};
    QVERIFY(QueryHistory::Parse(test::FileBytes(HistoryPath()), stored));
    QVERIFY(stored.isEmpty());
}

void TestDelverWorkbench::historyKeepsTheLast500AndSurvivesAFailedWrite()
{
    QList<HistoryEntry> full;
    for (int i = 0; i < QueryHistory::limit; ++i)
        full.append(HistoryEntry{QDateTime::currentDateTime(), u"SELECT %1"_s.arg(i), 1, {}});
    QDir().mkpath(QFileInfo(HistoryPath()).path());
    test::WriteFile(HistoryPath(), QueryHistory::Serialize(full));
    QueryHistory history(HistoryPath());
    QCOMPARE(history.Load(), QString());
    history.Add(HistoryEntry{QDateTime::currentDateTime(), u"SELECT 'newest'"_s, 1, {}});
    QCOMPARE(history.Entries().size(), QueryHistory::limit);
    QCOMPARE(history.Entries().first().statement, u"SELECT 'newest'"_s);
    QCOMPARE(history.Entries().last().statement, u"SELECT 498"_s);

    // A write that fails part way (the disk full) leaves the file as it was.
    const QByteArray before = test::FileBytes(HistoryPath());
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool raised = false;
    try {
        history.Add(HistoryEntry{QDateTime::currentDateTime(), u"SELECT 'lost'"_s, 1, {}});
    } catch (const RuntimeError& error) {
        raised = error.description.contains(QDir::toNativeSeparators(HistoryPath()));
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    QVERIFY(raised);
    QCOMPARE(test::FileBytes(HistoryPath()), before);
    QCOMPARE(history.Entries().first().statement, u"SELECT 'newest'"_s);
    QCOMPARE(test::FolderEntries(QFileInfo(HistoryPath()).path()), QStringList{QFileInfo(HistoryPath()).fileName()});
}

void TestDelverWorkbench::historyNotOursIsSetAside_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("damaged") << u"damaged"_s << u"it is damaged or is not a query history"_s;
    QTest::newRow("foreign content") << u"foreign"_s << u"it is damaged or is not a query history"_s;
    QTest::newRow("a link") << u"link"_s << u"it is a link to another file"_s;
    QTest::newRow("a folder") << u"folder"_s << u"it is not a file"_s;
    QTest::newRow("another owner") << u"owner"_s << u"it belongs to another user"_s;
}

void TestDelverWorkbench::historyNotOursIsSetAside()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString path = HistoryPath();
    const QString folder = QFileInfo(path).path();
    QDir().mkpath(folder);
    const QString elsewhere = sandbox_->Path(u"elsewhere.json"_s);
    const QByteArray valid = QueryHistory::Serialize({HistoryEntry{QDateTime::currentDateTime(), u"SELECT 1"_s, 1, {}}});
    test::WriteFile(elsewhere, valid);
    const QString neighbour = QueryHistory::PathFor(u"Bursar"_s);
    test::WriteFile(neighbour, valid);
    QByteArray original;
    if (kind == u"damaged"_s)
        original = valid.left(valid.size() / 2);
    else if (kind == u"foreign"_s)
        original = R"({"entries": [], "owner": "a spreadsheet"})";
    else if (kind == u"owner"_s)
        original = valid;
    if (kind == u"link"_s)
        QVERIFY(QFile::link(elsewhere, path));
    else if (kind == u"folder"_s)
        QVERIFY(QDir().mkpath(path));
    else
        test::WriteFile(path, original);
    if (kind == u"owner"_s) {
        if (::geteuid() != 0)
            QSKIP("Giving a file to another user needs the administrator.");
        QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    }
    MessageLog::Clear();
    Start();
    const QList<MessageRequest> shown = MessageLog::Shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"History"_s);
    QCOMPARE(shown[0].icon, Icon::Exclamation);
    QVERIFY2(shown[0].text.startsWith(u"Your query history could not be used: "_s + reason + u". It has been set aside as \""_s),
             qPrintable(shown[0].text));
    QVERIFY(shown[0].text.endsWith(u"\" and a new history has been started."_s));
    QVERIFY(editor_->History()->Entries().isEmpty());
    QStringList aside = QDir(folder).entryList({u"*.set-aside-*"_s}, QDir::AllEntries | QDir::System);
    QCOMPARE(aside.size(), 1);
    const QString asidePath = folder + u'/' + aside[0];
    if (!original.isEmpty())
        QCOMPARE(test::FileBytes(asidePath), original);
    // Nothing else is touched: the file a link pointed to, another user's history.
    QCOMPARE(test::FileBytes(elsewhere), valid);
    QCOMPARE(test::FileBytes(neighbour), valid);

    // A fresh history is started in its place.
    editor_->txtSQL->SetText(u"SELECT * FROM Classes"_s);
    editor_->ExecuteQuery();
    QCOMPARE(Mode(path), 0600);
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(editor_->History()->Entries().size(), 1);
}

void TestDelverWorkbench::findReplaceGoToLineAndIndent()
{
    Start();
    SqlEditor* sql = editor_->txtSQL;
    sql->SetText(u"SELECT Amount\r\nFROM [Levy Account Credits]\r\nWHERE amount > 0"_s);
    sql->moveCursor(QTextCursor::Start);
    QTest::keyClick(sql, Qt::Key_F, Qt::ControlModifier);
    FindReplaceDialog* find = editor_->frmFindReplace;
    QVERIFY(find->isVisible());
    QCOMPARE(find->windowTitle(), u"Find"_s);
    QVERIFY(!find->txtReplace->isVisible());
    find->txtFind->setText(u"amount"_s);
    find->cmdFindNext->click();
    QCOMPARE(sql->textCursor().selectionStart(), 7);
    QCOMPARE(editor_->mnuEdit_FindNext->shortcut(), QKeySequence(Qt::Key_F3));
    editor_->mnuEdit_FindNext->trigger();
    QCOMPARE(sql->textCursor().selectionStart(), 48);
    find->chkMatchCase->setChecked(true);
    find->txtFind->setText(u"AMOUNT"_s);
    MessageLog::Clear();
    find->cmdFindNext->click();
    QCOMPARE(MessageLog::Shown().value(0).text, u"Delver cannot find \"AMOUNT\"."_s);

    QCOMPARE(editor_->mnuEdit_Replace->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    editor_->mnuEdit_Replace->trigger();
    QCOMPARE(find->windowTitle(), u"Replace"_s);
    QVERIFY(find->txtReplace->isVisible());
    find->chkMatchCase->setChecked(false);
    find->txtFind->setText(u"amount"_s);
    find->txtReplace->setText(u"[Amount]"_s);
    MessageLog::Clear();
    find->cmdReplaceAll->click();
    QCOMPARE(MessageLog::Shown().value(0).text, u"2 occurrences were replaced."_s);
    QCOMPARE(sql->Text(), u"SELECT [Amount]\r\nFROM [Levy Account Credits]\r\nWHERE [Amount] > 0"_s);
    sql->undo();  // one step takes back every replacement
    QCOMPARE(sql->Text(), u"SELECT Amount\r\nFROM [Levy Account Credits]\r\nWHERE amount > 0"_s);
    find->hide();

    MessageLog::QueueInput(u"3"_s);
    editor_->mnuEdit_GoToLine->trigger();
    QCOMPARE(sql->textCursor().blockNumber(), 2);
    QCOMPARE(MessageLog::Shown().last().title, u"Go to Line"_s);
    MessageLog::QueueInput(u"9"_s);
    editor_->mnuEdit_GoToLine->trigger();
    QCOMPARE(MessageLog::Shown().last().text, u"There is no line 9: the text has lines 1 to 3."_s);
    QCOMPARE(sql->textCursor().blockNumber(), 2);

    // Tab over lines indents them, Shift+Tab takes it back, each as one step of Undo;
    // within a line Tab is typed.
    sql->SetText(u"SELECT Amount\nFROM Fees\n    WHERE Amount > 0"_s);
    QTextCursor lines(sql->document());
    lines.setPosition(2);
    lines.setPosition(16, QTextCursor::KeepAnchor);
    sql->setTextCursor(lines);
    QTest::keyClick(sql, Qt::Key_Tab);
    QCOMPARE(sql->PlainText(), u"\tSELECT Amount\n\tFROM Fees\n    WHERE Amount > 0"_s);
    QCOMPARE(sql->SelectedText(), u"\tSELECT Amount\r\n\tFROM Fees"_s);
    sql->moveCursor(QTextCursor::End, QTextCursor::KeepAnchor);
    QTest::keyClick(sql, Qt::Key_Backtab);
    QCOMPARE(sql->PlainText(), u"SELECT Amount\nFROM Fees\nWHERE Amount > 0"_s);
    sql->undo();
    QCOMPARE(sql->PlainText(), u"\tSELECT Amount\n\tFROM Fees\n    WHERE Amount > 0"_s);
    sql->moveCursor(QTextCursor::Start);
    sql->moveCursor(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    QTest::keyClick(sql, Qt::Key_Tab);
    QVERIFY2(sql->PlainText().startsWith(u"\tSELECT"_s) && !sql->PlainText().startsWith(u"\t\t"_s), qPrintable(sql->PlainText()));
}

void TestDelverWorkbench::bracketsAndLineNumbers()
{
    Start();
    SqlEditor* sql = editor_->txtSQL;
    sql->SetText(u"SELECT Left([Student ID], (2)) FROM Students"_s);
    QTextCursor c = sql->textCursor();
    c.setPosition(11);  // before "("
    sql->setTextCursor(c);
    QCOMPARE(sql->MatchingBrackets(), qMakePair(11, 29));
    c.setPosition(24);  // just after "]"
    sql->setTextCursor(c);
    QCOMPARE(sql->MatchingBrackets(), qMakePair(23, 12));
    QCOMPARE(sql->extraSelections().size(), 2);
    sql->SetText(u"SELECT (1"_s);
    sql->moveCursor(QTextCursor::End);
    sql->moveCursor(QTextCursor::Left);
    sql->moveCursor(QTextCursor::Left);
    QCOMPARE(sql->MatchingBrackets(), qMakePair(7, -1));
    QVERIFY(sql->LineNumbers()->isVisible());
    QVERIFY(sql->LineNumbers()->width() > 0);
    QCOMPARE(sql->LineNumbers()->width(), sql->LineNumbersWidth());
    QVERIFY(sql->viewport()->geometry().left() >= sql->LineNumbersWidth());
}

void TestDelverWorkbench::recentFiles()
{
    Start();
    QStringList files;
    for (int i = 0; i < frmDelver::recentFileCount + 1; ++i) {
        files.prepend(sandbox_->Path(u"R&D q%1.sql"_s.arg(i)));
        test::WriteFile(files.first(), u"SELECT %1"_s.arg(i).toLatin1());
        CommonDialog::QueueFileName(files.first());
        editor_->OpenSQLFile();
    }
    files.removeLast();
    QCOMPARE(editor_->RecentFiles(), files);
    QCOMPARE(editor_->mnuFile_Recent->actions().size(), frmDelver::recentFileCount);
    // An "&" of a path is shown as it is.
    QCOMPARE(editor_->mnuFile_Recent->actions().first()->text(), u"&1 "_s + QString(files.first()).replace(u'&', u"&&"_s));

    // Kept per user, and a file gone since is answered and dropped.
    editor_.reset();
    LogOffUser();
    Start();
    QCOMPARE(editor_->RecentFiles(), files);
    QFile::remove(files[1]);
    MessageLog::Clear();
    editor_->mnuFile_Recent->actions()[1]->trigger();
    QCOMPARE(MessageLog::Shown().size(), 1);
    QCOMPARE(MessageLog::Shown()[0].text, u"The file \""_s + files[1] +
                                              u"\" no longer exists. It has been removed from the list of recent files."_s);
    QCOMPARE(MessageLog::Shown()[0].title, u"Open SQL File"_s);
    QCOMPARE(editor_->RecentFiles().size(), frmDelver::recentFileCount - 1);
    QVERIFY(!editor_->RecentFiles().contains(files[1]));
    QCOMPARE(GetSetting(settingsApplication, u"Delver"_s, u"RecentFile2"_s), files[2]);

    editor_->mnuFile_Recent->actions()[2]->trigger();
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT 5"_s);
    QCOMPARE(editor_->CurrentFile(), files[3]);
    QCOMPARE(editor_->RecentFiles().first(), files[3]);
}

QTEST_MAIN(TestDelverWorkbench)
#include "test_delver_workbench.moc"
