#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "database/QueryDef.h"
#include "frmDelver.h"
#include "frmDelverResults.h"
#include "levy/DatabaseAccess.h"
#include "levy/SecurityEnforcement.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "widgets/CommonDialog.h"
#include "widgets/StatusBar.h"
#include "workbench/EditorSession.h"
#include "workbench/EditorTab.h"
#include "workbench/EditorTabs.h"
#include "workbench/SchemaPanel.h"
#include "workbench/SessionKeeper.h"
#include "workbench/SqlEditor.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QTabBar>
#include <QTextCursor>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString unsavedQuestion =
    u"This document has changed since you last saved it. Do you want to keep these changes."_s;

int Mode(const QString& path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

int Questions()
{
    int n = 0;
    for (const MessageRequest& box : MessageLog::Shown())
        n += box.text == unsavedQuestion ? 1 : 0;
    return n;
}
} // namespace

class TestDelverTabs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }
    void init();
    void cleanup();

    void eachTabHasItsOwnFileUndoAndChanges();
    void closingAChangedTabAsks();
    void everyChangedTextIsAskedAbout_data();
    void everyChangedTextIsAskedAbout();
    void sessionComesBackAfterARestart();
    void manyAndLargeTextsComeBackWhole();
    void restoredSessionWithBadInput_data();
    void restoredSessionWithBadInput();
    void droppedFiles();

private:
    void Start();
    void Restart();
    EditorTabs* Tabs() const { return editor_->tabQueries; }
    QString SessionPath() const { return EditorSession::PathFor(u"Clerk"_s); }
    void Type(const QString& text)
    {
        editor_->txtSQL->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor_->txtSQL, text);
    }

    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<frmDelver> editor_;
    QStringList ran_;
};

void TestDelverTabs::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    test::DelverDatabase(sandbox_->Folder());
    CommonDialog::ClearQueue();
    ran_.clear();
    frmDelver::showResults = [this](QWidget*) { ran_.append(qryDirectSQL->SQL()); };
    Start();
}

void TestDelverTabs::Start()
{
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    editor_ = std::make_unique<frmDelver>();
    editor_->show();
    QTRY_COMPARE(editor_->barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
    editor_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(editor_.get()));
    editor_->txtSQL->setFocus();
}

// The program stopped where it stood (as a machine that goes down stops it) once its
// session was written, and started again for the same user.
void TestDelverTabs::Restart()
{
    editor_->Session()->SaveNow();
    editor_.reset();
    LogOffUser();
    CloseLevyDatabase();
    Start();
}

void TestDelverTabs::cleanup()
{
    editor_.reset();
    frmDelver::showResults = frmDelverResults::Show;
    CommonDialog::ClearQueue();
    LogOffUser();
    sandbox_.reset();
}

void TestDelverTabs::eachTabHasItsOwnFileUndoAndChanges()
{
    QCOMPARE(Tabs()->count(), 1);
    QVERIFY(!Tabs()->tabBar()->isVisible());
    // An untouched new text is used for the next one rather than left behind.
    editor_->NewQuery();
    QCOMPARE(Tabs()->count(), 1);
    Type(u" 1"_s);
    SqlEditor* first = editor_->txtSQL;
    editor_->NewQuery();
    QCOMPARE(Tabs()->count(), 2);
    QVERIFY(Tabs()->tabBar()->isVisible());
    QCOMPARE(Tabs()->tabBar()->accessibleName(), u"Open queries"_s);
    QVERIFY(editor_->txtSQL != first);
    QCOMPARE(editor_->txtSQL->accessibleName(), u"SQL statement"_s);
    QCOMPARE(editor_->windowTitle(), u"Delver"_s);
    Type(u" 2"_s);
    const QString path = sandbox_->Path(u"fees.sql"_s);
    test::WriteFile(path, "SELECT * FROM Classes");
    CommonDialog::QueueFileName(path);
    editor_->OpenSQLFile();
    QCOMPARE(Tabs()->count(), 3);
    QCOMPARE(editor_->windowTitle(), u"Delver : "_s + path);
    QStringList captions;
    for (int i = 0; i < Tabs()->count(); ++i)
        captions.append(Tabs()->tabText(i));
    QCOMPARE(captions, QStringList({u"Untitled *"_s, u"Untitled 2 *"_s, u"fees.sql"_s}));
    QCOMPARE(Tabs()->tabToolTip(2), path);

    // Ctrl+PgUp and Ctrl+PgDown go round the tabs; the title follows the text in view.
    QTest::keyClick(editor_->txtSQL, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(Tabs()->currentIndex(), 1);
    QCOMPARE(QApplication::focusWidget(), editor_->txtSQL);
    QCOMPARE(editor_->windowTitle(), u"Delver"_s);
    QCOMPARE(editor_->mnuView_PreviousQuery->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    QCOMPARE(editor_->mnuView_NextQuery->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    // Undo takes back this text's typing only.
    QVERIFY(editor_->mnuEdit_Undo->isEnabled());
    while (editor_->mnuEdit_Undo->isEnabled())
        editor_->mnuEdit_Undo->trigger();
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT"_s);
    QCOMPARE(first->Text(), u"SELECT 1"_s);
    QTest::keyClick(editor_->txtSQL, Qt::Key_PageDown, Qt::ControlModifier);
    QTest::keyClick(editor_->txtSQL, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(Tabs()->currentIndex(), 0);
    QVERIFY(!editor_->mnuEdit_Redo->isEnabled());
    // F6 still leaves the text for the panels and comes back to the text in view.
    editor_->dockSchema->show();
    editor_->txtSQL->setFocus();
    QTest::keyClick(editor_->txtSQL, Qt::Key_F6);
    QVERIFY(!editor_->txtSQL->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), first);

    // Save, the run commands and Execute Query act on the text in view.
    const QString saved = sandbox_->Path(u"first.sql"_s);
    CommonDialog::QueueFileName(saved);
    editor_->SaveSQL(false);
    QCOMPARE(test::FileBytes(saved), QByteArray("SELECT 1"));
    QVERIFY(!editor_->CurrentTab()->blnDirty);
    QVERIFY(Tabs()->Tab(1)->blnDirty);
    QCOMPARE(Tabs()->tabText(0), u"first.sql"_s);
    editor_->ExecuteQuery();
    Tabs()->setCurrentIndex(2);
    editor_->mnuQuery_Run->trigger();
    QCOMPARE(ran_, QStringList({u"SELECT 1"_s, u"SELECT * FROM Classes"_s}));
    // Opening a file that is open already shows its tab.
    CommonDialog::QueueFileName(saved);
    editor_->OpenSQLFile();
    QCOMPARE(Tabs()->count(), 3);
    QCOMPARE(Tabs()->currentIndex(), 0);
    // Saving another text as that file is refused: the two would save over each other.
    Tabs()->setCurrentIndex(1);
    MessageLog::Clear();
    CommonDialog::QueueFileName(saved);
    editor_->SaveSQL(true);
    QCOMPARE(MessageLog::Shown().size(), 1);
    QCOMPARE(MessageLog::Shown()[0].text, u"The file \"%1\" is open as another query. Close that query first, or save "
                                          u"this text under another name."_s.arg(saved));
    QCOMPARE(MessageLog::Shown()[0].title, u"Save SQL"_s);
    QCOMPARE(test::FileBytes(saved), QByteArray("SELECT 1"));
    QVERIFY(Tabs()->Tab(1)->blnDirty);
}

void TestDelverTabs::closingAChangedTabAsks()
{
    editor_->NewQuery();
    Type(u" 1"_s);
    editor_->NewQuery();
    Type(u" 2"_s);
    QCOMPARE(editor_->mnuFile_CloseQuery->text(), u"&Close Query\tCtrl+W, Ctrl+F4"_s);
    MessageLog::QueueAnswer(Answer::Cancel);
    QTest::keyClick(editor_->txtSQL, Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(test::OnlyMessage().text, unsavedQuestion);
    QCOMPARE(test::OnlyMessage().title, u"Mail Merge"_s);
    QCOMPARE(Tabs()->count(), 2);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT 2"_s);
    // The tab's own close button asks about its own text, whichever is in view.
    MessageLog::Clear();
    MessageLog::QueueAnswer(Answer::No);
    emit Tabs()->tabCloseRequested(0);
    QCOMPARE(Questions(), 1);
    QCOMPARE(Tabs()->count(), 1);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT 2"_s);
    // The last one closed leaves a new text.
    MessageLog::Clear();
    MessageLog::QueueAnswer(Answer::No);
    QTest::keyClick(editor_->txtSQL, Qt::Key_F4, Qt::ControlModifier);
    QCOMPARE(Questions(), 1);
    QCOMPARE(Tabs()->count(), 1);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT"_s);
    QVERIFY(!editor_->CurrentTab()->blnDirty);
    QCOMPARE(editor_->windowTitle(), u"Delver"_s);
}

void TestDelverTabs::everyChangedTextIsAskedAbout_data()
{
    QTest::addColumn<QString>("caller");
    QTest::addColumn<QList<int>>("answers");  // Yes saves through the dialog
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("goesOn");
    for (const QString& caller : {u"exit"_s, u"log off"_s}) {
        const QByteArray c = caller.toLatin1();
        QTest::addRow("%s: Cancel at the first", c.data()) << caller << QList<int>{int(Answer::Cancel)} << 1 << false;
        QTest::addRow("%s: No, then Cancel", c.data())
            << caller << QList<int>{int(Answer::No), int(Answer::Cancel)} << 2 << false;
        QTest::addRow("%s: Yes, then Cancel", c.data())
            << caller << QList<int>{int(Answer::Yes), int(Answer::Cancel)} << 2 << false;
        QTest::addRow("%s: No to both", c.data()) << caller << QList<int>{int(Answer::No), int(Answer::No)} << 2 << true;
        QTest::addRow("%s: Yes to both", c.data()) << caller << QList<int>{int(Answer::Yes), int(Answer::Yes)} << 2 << true;
    }
}

void TestDelverTabs::everyChangedTextIsAskedAbout()
{
    QFETCH(QString, caller);
    QFETCH(QList<int>, answers);
    QFETCH(int, questions);
    QFETCH(bool, goesOn);
    editor_->NewQuery();
    Type(u" 1"_s);
    editor_->NewQuery();  // an untouched text between them is not asked about
    editor_->NewQuery();
    Type(u" 3"_s);
    QCOMPARE(Tabs()->count(), 2);
    const QStringList files{sandbox_->Path(u"one.sql"_s), sandbox_->Path(u"three.sql"_s)};
    MessageLog::Clear();
    MessageLog::QueueAnswer(Answer::Yes);  // "Exit the Delver Utility" or "Are you sure you want to log off?"
    for (int i = 0; i < answers.size(); ++i) {
        MessageLog::QueueAnswer(Answer(answers[i]));
        if (answers[i] == int(Answer::Yes))
            CommonDialog::QueueFileName(files[i]);
    }
    if (caller == u"exit"_s) {
        editor_->close();
    } else {
        if (goesOn)
            test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
        editor_->LogOff();
    }
    QCOMPARE(Questions(), questions);
    for (int i = 0; i < answers.size(); ++i)
        QCOMPARE(QFileInfo::exists(files[i]), answers[i] == int(Answer::Yes));
    if (!goesOn) {
        // Nothing is lost: every text as it was, changed or saved.
        QVERIFY(!EndProgramCalled());
        QCOMPARE(CurrentUserName, u"Clerk"_s);
        QCOMPARE(Tabs()->count(), 2);
        QCOMPARE(Tabs()->Tab(0)->txtSQL->Text(), u"SELECT 1"_s);
        QCOMPARE(Tabs()->Tab(1)->txtSQL->Text(), u"SELECT 3"_s);
        QCOMPARE(Tabs()->Tab(0)->blnDirty, answers[0] != int(Answer::Yes));
        QVERIFY(Tabs()->Tab(1)->blnDirty);
        return;
    }
    if (caller == u"exit"_s)
        QVERIFY(EndProgramCalled());
    else
        QTRY_COMPARE(editor_->barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
    // What is kept for the next start: the saved files; after Exit, not the texts the user
    // chose to lose; after Log Off, the texts as the same clerk finds them again.
    SessionState kept;
    QCOMPARE(EditorSession(SessionPath()).Load(kept), QString());
    QStringList keptFiles;
    for (const SessionText& t : kept.texts)
        keptFiles.append(t.file.isEmpty() ? t.text : t.file);
    const bool saved = answers[0] == int(Answer::Yes);
    if (caller == u"exit"_s)
        QCOMPARE(keptFiles, saved ? files : QStringList());
    else
        QCOMPARE(keptFiles, saved ? files : QStringList({u"SELECT 1"_s, u"SELECT 3"_s}));
}

void TestDelverTabs::sessionComesBackAfterARestart()
{
    const QString kept = sandbox_->Path(u"kept.sql"_s), changed = sandbox_->Path(u"changed.sql"_s);
    test::WriteFile(kept, "SELECT * FROM Classes");
    test::WriteFile(changed, "SELECT * FROM Students");
    editor_->NewQuery();
    Type(u" 'not saved anywhere'"_s);
    for (const QString& path : {kept, changed}) {
        CommonDialog::QueueFileName(path);
        editor_->OpenSQLFile();
    }
    Type(u" -- changed"_s);
    Tabs()->setCurrentIndex(1);
    // Kept a moment after the change, without being asked.
    QTRY_VERIFY(QFileInfo::exists(SessionPath()));
    QCOMPARE(Mode(SessionPath()), 0600);
    QCOMPARE(Mode(QFileInfo(SessionPath()).path()), 0700);
    // The file kept unchanged is read again: it may have been changed meanwhile.
    Restart();
    test::WriteFile(kept, "SELECT 'changed meanwhile'");
    Restart();
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(Tabs()->count(), 3);
    QCOMPARE(Tabs()->currentIndex(), 1);
    QCOMPARE(editor_->windowTitle(), u"Delver : "_s + kept);
    const QList<std::tuple<QString, QString, bool>> expected = {
        {QString(), u"SELECT 'not saved anywhere'"_s, true},
        {kept, u"SELECT 'changed meanwhile'"_s, false},
        {changed, u"SELECT * FROM Students -- changed"_s, true}};
    for (int i = 0; i < 3; ++i) {
        const auto& [file, text, dirty] = expected[i];
        QCOMPARE(Tabs()->Tab(i)->strCurrentFile, file);
        QCOMPARE(Tabs()->Tab(i)->txtSQL->Text(), text);
        QCOMPARE(Tabs()->Tab(i)->blnDirty, dirty);
    }
    // Each text starts its own undo afresh.
    QVERIFY(!editor_->mnuEdit_Undo->isEnabled());

    // Another clerk has sessions of their own; the first one's texts are not shown to them.
    MessageLog::QueueAnswer(Answer::Yes);  // log off
    MessageLog::QueueAnswer(Answer::No);   // the untitled text
    MessageLog::QueueAnswer(Answer::No);   // changed.sql
    test::AnswerStartUp(u"Bursar"_s, u"bursar"_s);
    editor_->LogOff();
    QCOMPARE(CurrentUserName, u"Bursar"_s);
    QCOMPARE(Tabs()->count(), 1);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT"_s);
}

void TestDelverTabs::manyAndLargeTextsComeBackWhole()
{
    // Sixty scratch texts of 20,000 characters and one of 3,000,000, as pasted.
    constexpr int texts = 60;
    QStringList written;
    for (int i = 0; i < texts; ++i) {
        if (i > 0)
            editor_->NewQuery();
        const QString line = u"\r\n-- "_s + QString(76, QChar(u'a' + i % 26));
        const QString text = u"SELECT %1"_s.arg(i) + line.repeated(i == 7 ? 37'500 : 250);
        editor_->txtSQL->SetText(text);
        written.append(text);
    }
    QElapsedTimer timer;
    timer.start();
    editor_->Session()->SaveNow();
    const qint64 saveMs = timer.elapsed();
    editor_.reset();
    LogOffUser();
    CloseLevyDatabase();
    timer.restart();
    Start();
    qInfo("a session of %d texts (%lld bytes) written in %lld ms, restored with the log-in in %lld ms", texts,
          QFileInfo(SessionPath()).size(), saveMs, timer.elapsed());
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(Tabs()->count(), texts);
    for (int i = 0; i < texts; ++i) {
        QCOMPARE(Tabs()->Tab(i)->txtSQL->Text(), written[i]);
        QVERIFY(Tabs()->Tab(i)->blnDirty);
    }
}

void TestDelverTabs::restoredSessionWithBadInput_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("the file has gone") << u"gone"_s;
    QTest::newRow("the file has grown past what opens") << u"grown"_s;
    QTest::newRow("a damaged session file") << u"damaged"_s;
    QTest::newRow("not a session") << u"foreign"_s;
}

void TestDelverTabs::restoredSessionWithBadInput()
{
    QFETCH(QString, kind);
    const QString gone = sandbox_->Path(u"gone.sql"_s);
    QByteArray bytes = EditorSession::Serialize(
        SessionState{{SessionText{{}, u"SELECT 1"_s, true}, SessionText{gone, u"SELECT 'only here now'"_s, false}}, 1});
    if (kind == u"damaged"_s)
        bytes = bytes.left(bytes.size() / 2);
    else if (kind == u"foreign"_s)
        bytes = R"({"texts": "a spreadsheet"})";
    const QByteArray grown = "SELECT 'added elsewhere' " + QByteArray(30000, ' ');
    if (kind == u"grown"_s)
        test::WriteFile(gone, grown);
    editor_.reset();
    LogOffUser();
    CloseLevyDatabase();
    test::WriteFile(SessionPath(), bytes);
    MessageLog::Clear();
    Start();
    const QList<MessageRequest> shown = MessageLog::Shown();
    if (kind == u"grown"_s) {
        // The old text is kept, no longer tied to the file: Save asks where, the file keeps
        // what was added to it.
        EditorTab* tab = editor_->CurrentTab();
        QCOMPARE(tab->txtSQL->Text(), u"SELECT 'only here now'"_s);
        QVERIFY(tab->lblNotice->text().startsWith(u"The file \"%1\" could not be read again ("_s.arg(gone)));
        const QString elsewhere = sandbox_->Path(u"kept.sql"_s);
        CommonDialog::QueueFileName(elsewhere);
        editor_->SaveSQL(false);
        QCOMPARE(CommonDialog::ShownDialogs().last().title, u"Save SQL Text"_s);
        QCOMPARE(test::FileBytes(elsewhere), QByteArray("SELECT 'only here now'"));
        QCOMPARE(test::FileBytes(gone), grown);
        return;
    }
    if (kind == u"gone"_s) {
        QVERIFY(shown.isEmpty());
        QCOMPARE(Tabs()->count(), 2);
        EditorTab* tab = editor_->CurrentTab();
        QCOMPARE(tab->txtSQL->Text(), u"SELECT 'only here now'"_s);
        QCOMPARE(Tabs()->tabText(1), u"gone.sql (file gone) *"_s);
        const QString said = u"The file \"%1\" is no longer there. Its text is kept here; Save SQL asks where to keep it."_s
                                 .arg(gone);
        QCOMPARE(Tabs()->tabToolTip(1), said);
        QVERIFY(tab->lblNotice->isVisible());
        QCOMPARE(tab->lblNotice->text(), said);
        // Saved where the user says, not silently made again; the text is then that file's.
        const QString elsewhere = sandbox_->Path(u"found.sql"_s);
        CommonDialog::QueueFileName(elsewhere);
        editor_->SaveSQL(false);
        QCOMPARE(CommonDialog::ShownDialogs().last().title, u"Save SQL Text"_s);
        QCOMPARE(CommonDialog::ShownDialogs().last().fileName, gone);
        QCOMPARE(test::FileBytes(elsewhere), QByteArray("SELECT 'only here now'"));
        QVERIFY(!QFileInfo::exists(gone));
        QVERIFY(!tab->lblNotice->isVisible());
        QCOMPARE(Tabs()->tabText(1), u"found.sql"_s);
        return;
    }
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"Open Queries"_s);
    QCOMPARE(shown[0].icon, Icon::Exclamation);
    QVERIFY2(shown[0].text.startsWith(u"Your open queries could not be restored: it is damaged or is not an editor "
                                      u"session. The file has been set aside as \""_s + SessionPath() + u".set-aside-"_s),
             qPrintable(shown[0].text));
    QVERIFY(shown[0].text.endsWith(u"\" and the editor starts afresh."_s));
    const QStringList aside = QDir(QFileInfo(SessionPath()).path()).entryList({u"session-*.set-aside-*"_s});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(test::FileBytes(QFileInfo(SessionPath()).path() + u'/' + aside[0]), bytes);
    QCOMPARE(Tabs()->count(), 1);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT\r\n"_s);
    // A new session is kept in its place.
    Type(u" 2"_s);
    editor_->Session()->SaveNow();
    SessionState kept;
    QCOMPARE(EditorSession(SessionPath()).Load(kept), QString());
    QCOMPARE(kept.texts.value(0).text, u"SELECT\r\n 2"_s);
}

void TestDelverTabs::droppedFiles()
{
    const QString sql = sandbox_->Path(u"dropped.sql"_s), picture = sandbox_->Path(u"crest.png"_s);
    test::WriteFile(sql, "SELECT * FROM Users");
    test::WriteFile(picture, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    auto drop = [](QWidget* on, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &dropped);
        return enter.isAccepted() && dropped.isAccepted();
    };
    // On the text itself: opened in a tab, the name never typed into the text.
    QVERIFY(drop(editor_->txtSQL->viewport(), {QUrl::fromLocalFile(sql)}));
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(Tabs()->count(), 1);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT * FROM Users"_s);
    QCOMPARE(editor_->windowTitle(), u"Delver : "_s + sql);

    const QString folder = sandbox_->Path(u"data"_s);
    QVERIFY(drop(editor_.get(), {QUrl::fromLocalFile(picture), QUrl::fromLocalFile(folder),
                                 QUrl(u"https://example.org/fees.sql"_s)}));
    const QList<MessageRequest> shown = MessageLog::Shown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].text, u"\"%1\" is not a text file. Only SQL text files can be opened in this utility."_s.arg(picture));
    QCOMPARE(shown[1].text, u"\"%1\" is a folder. Only SQL text files can be opened in this utility."_s.arg(folder));
    QCOMPARE(shown[2].text, u"\"https://example.org/fees.sql\" is not a file on this computer. Only SQL text files can "
                            u"be opened in this utility."_s);
    for (const MessageRequest& box : shown) {
        QCOMPARE(box.title, u"Open SQL File"_s);
        QCOMPARE(box.icon, Icon::Exclamation);
    }
    QCOMPARE(Tabs()->count(), 1);
}

QTEST_MAIN(TestDelverTabs)
#include "test_delver_tabs.moc"
