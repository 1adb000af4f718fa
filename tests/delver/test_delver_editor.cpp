#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/SqlEditor.h"
#include "levy/DatabaseAccess.h"
#include "frmDelver.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "levy/SecurityEnforcement.h"
#include "widgets/CommonDialog.h"
#include "widgets/StatusBar.h"
#include "workbench/EditorTab.h"
#include "workbench/EditorTabs.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTextCursor>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
const QString unsavedQuestion =
    u"This document has changed since you last saved it. Do you want to keep these changes."_s;

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}
} // namespace

class TestDelverEditor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }
    void init();
    void cleanup();

    void windowMenuAndToolbar();
    void unsavedChangesRule_data();
    void unsavedChangesRule();
    void answersToTheQuestionGoverneveryCaller_data();
    void answersToTheQuestionGoverneveryCaller();
    void openingFilesBySize();
    void savingUntitledAndTitledBuffers();
    void windows1252RoundTrip();
    void unencodableTextIsNeverSavedSilently();
    void failedSaveKeepsTheOldFileAndTheText();
    void printing();
    void closeConfirmation();
    void layoutKeepsTheHeightWhenSqueezed();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
    std::unique_ptr<frmDelver> editor_;
};

void TestDelverEditor::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    test::DelverDatabase(sandbox_->Folder());
    CommonDialog::ClearQueue();
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    editor_ = std::make_unique<frmDelver>();
    editor_->show();
    QTRY_COMPARE(editor_->barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
    MessageLog::Clear();
}

void TestDelverEditor::cleanup()
{
    editor_.reset();
    CommonDialog::ClearQueue();
    LogOffUser();
    sandbox_.reset();
}

void TestDelverEditor::windowMenuAndToolbar()
{
    QCOMPARE(editor_->windowTitle(), u"Delver"_s);
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT\r\n"_s);
    QVERIFY(!editor_->CurrentTab()->blnDirty);
    QCOMPARE(editor_->txtSQL->font().family(), u"Times New Roman"_s);
    QCOMPARE(editor_->txtSQL->font().pointSizeF(), 11.25);
    QCOMPARE(editor_->mnuTools->title(), u"&Tools"_s);
    QStringList items;
    for (QAction* a : editor_->mnuTools->actions())
        items.append(a->isSeparator() ? u"-"_s : a->text());
    QCOMPARE(items, QStringList({u"&New Query"_s, u"&Open SQL File"_s, u"-"_s, u"&Save SQL"_s, u"Save SQL &As"_s,
                                 u"-"_s, u"Execute &Query"_s, u"-"_s, u"&Print SQL"_s, u"-"_s, u"&Help"_s,
                                 u"About..."_s, u"-"_s, u"&Log Off"_s, u"E&xit"_s}));
    QStringList buttons;
    for (QAction* a : editor_->tbrTools->actions())
        buttons.append(a->isSeparator() ? u"|"_s : a->data().toString() + u'=' + a->toolTip());
    QCOMPARE(buttons, QStringList({u"New=New"_s, u"Open=Open"_s, u"Save=Save"_s, u"|"_s, u"Find=Execute Query"_s,
                                   u"Print=Print SQL"_s, u"|"_s, u"Help=Help"_s}));
    QCOMPARE(editor_->imgEnabled.size(), 6);
    QCOMPARE(editor_->centralWidget()->palette().color(QPalette::Window), QColor(192, 192, 192));
}

void TestDelverEditor::unsavedChangesRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("asks");
    QTest::newRow("untouched") << QString() << false << false;
    QTest::newRow("select in any case, with spaces") << u"  sElEcT  "_s << true << false;
    QTest::newRow("empty") << u"   "_s << true << false;
    QTest::newRow("select and a line break") << u"SELECT\r\n"_s << true << true;
    QTest::newRow("a statement") << u"SELECT * FROM Students"_s << true << true;
}

void TestDelverEditor::unsavedChangesRule()
{
    QFETCH(QString, text);
    QFETCH(bool, edit);
    QFETCH(bool, asks);
    if (edit)
        editor_->txtSQL->SetText(text);
    MessageLog::QueueAnswer(Answer::No);
    editor_->CloseQuery();  // the last text closed leaves a new one, as New Query made it
    QCOMPARE(MessageLog::Shown().size(), asks ? 1 : 0);
    if (asks) {
        QCOMPARE(MessageLog::Shown().first().text, unsavedQuestion);
        QCOMPARE(MessageLog::Shown().first().title, u"Mail Merge"_s);
        QCOMPARE(MessageLog::Shown().first().buttons, Buttons::YesNoCancel);
    }
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT"_s);
    QVERIFY(!editor_->CurrentTab()->blnDirty);
    QCOMPARE(editor_->windowTitle(), u"Delver"_s);
}

void TestDelverEditor::answersToTheQuestionGoverneveryCaller_data()
{
    QTest::addColumn<QString>("caller");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("cancelTheSaveDialog");
    QTest::addColumn<bool>("goesOn");
    // New and Open put their text in a tab of its own and ask nothing; closing the text
    // (the only one, or one of two) asks.
    for (const QString& caller : {u"close the only text"_s, u"close one of two"_s, u"logoff"_s, u"close"_s}) {
        QTest::addRow("%s: Cancel", qPrintable(caller)) << caller << int(Answer::Cancel) << false << false;
        QTest::addRow("%s: No", qPrintable(caller)) << caller << int(Answer::No) << false << true;
        QTest::addRow("%s: Yes, save dialog cancelled", qPrintable(caller))
            << caller << int(Answer::Yes) << true << false;
        QTest::addRow("%s: Yes, saved", qPrintable(caller)) << caller << int(Answer::Yes) << false << true;
    }
}

void TestDelverEditor::answersToTheQuestionGoverneveryCaller()
{
    QFETCH(QString, caller);
    QFETCH(int, answer);
    QFETCH(bool, cancelTheSaveDialog);
    QFETCH(bool, goesOn);
    const QString edited = u"SELECT Surname FROM Students"_s;
    editor_->txtSQL->SetText(edited);
    const QString saved = sandbox_->Path(u"saved.sql"_s);
    const QString other = sandbox_->Path(u"other.sql"_s);
    Write(other, "SELECT 2");
    if (caller == u"close one of two"_s) {
        CommonDialog::QueueFileName(other);
        editor_->OpenSQLFile();
        QCOMPARE(editor_->tabQueries->count(), 2);
        QVERIFY(MessageLog::Shown().isEmpty());
        editor_->tabQueries->setCurrentIndex(0);
    }
    if (caller == u"logoff"_s)
        MessageLog::QueueAnswer(Answer::Yes);  // "Are you sure you want to log off?"
    if (caller == u"close"_s)
        MessageLog::QueueAnswer(Answer::Yes);  // "Exit the Delver Utility"
    MessageLog::QueueAnswer(Answer(answer));
    if (answer == int(Answer::Yes))
        CommonDialog::QueueFileName(cancelTheSaveDialog ? QString() : saved);
    if (caller == u"logoff"_s && goesOn)
        test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);

    if (caller.startsWith(u"close "_s))
        editor_->CloseQuery();
    else if (caller == u"logoff"_s)
        editor_->LogOff();
    else
        editor_->close();

    if (answer == int(Answer::Yes) && !cancelTheSaveDialog)
        QCOMPARE(Bytes(saved), edited.toLatin1());
    if (!goesOn) {
        QCOMPARE(editor_->txtSQL->Text(), edited);
        QVERIFY(editor_->CurrentTab()->blnDirty);
        QVERIFY(!EndProgramCalled());
        QCOMPARE(CurrentUserName, u"Clerk"_s);
        return;
    }
    if (caller == u"close the only text"_s)
        QCOMPARE(editor_->txtSQL->Text(), u"SELECT"_s);
    if (caller == u"close one of two"_s)
        QCOMPARE(editor_->txtSQL->Text(), u"SELECT 2"_s);
    if (caller == u"close"_s)
        QVERIFY(EndProgramCalled());
    if (caller == u"logoff"_s)
        QTRY_COMPARE(editor_->barBottomStatusBar->SessionText(), u"Logged in as Clerk"_s);
}

void TestDelverEditor::openingFilesBySize()
{
    const QString limit = sandbox_->Path(u"limit.sql"_s);
    QByteArray full(30000, 'x');
    full.replace(0, 6, "SELECT");
    Write(limit, full);
    CommonDialog::QueueFileName(limit);
    editor_->OpenSQLFile();
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(editor_->txtSQL->Text().size(), 30000);
    QCOMPARE(editor_->windowTitle(), u"Delver : "_s + limit);
    QVERIFY(!editor_->CurrentTab()->blnDirty);
    const auto dialog = CommonDialog::ShownDialogs().last();
    QCOMPARE(dialog.title, u"Open SQL Text"_s);
    QCOMPARE(dialog.filter, u"Sql Files (*.sql)|*.sql|Text Files (*.TXT)|*.txt"_s);

    const QString tooLong = sandbox_->Path(u"long.sql"_s);
    Write(tooLong, QByteArray(30001, 'y'));
    CommonDialog::QueueFileName(tooLong);
    editor_->OpenSQLFile();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"This file is too long to be opened in this utility."_s);
    QCOMPARE(box.title, u"Open SQL File"_s);
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(editor_->txtSQL->Text().size(), 30000);
    QCOMPARE(editor_->CurrentFile(), limit);

    const QString empty = sandbox_->Path(u"empty.sql"_s);
    Write(empty, QByteArray());
    CommonDialog::QueueFileName(empty);
    editor_->OpenSQLFile();
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT"_s);
    QVERIFY(!editor_->CurrentTab()->blnDirty);
    QCOMPARE(editor_->windowTitle(), u"Delver : "_s + empty);

    // A cancelled dialog changes nothing.
    CommonDialog::QueueFileName(QString());
    editor_->OpenSQLFile();
    QCOMPARE(editor_->CurrentFile(), empty);
}

void TestDelverEditor::savingUntitledAndTitledBuffers()
{
    editor_->txtSQL->SetText(u"SELECT 1"_s);
    const QString first = sandbox_->Path(u"first.sql"_s);
    CommonDialog::QueueFileName(first);
    editor_->SaveSQL(false);
    QCOMPARE(CommonDialog::ShownDialogs().size(), 1);
    QCOMPARE(CommonDialog::ShownDialogs().last().title, u"Save SQL Text"_s);
    QCOMPARE(Bytes(first), QByteArray("SELECT 1"));
    QCOMPARE(editor_->windowTitle(), u"Delver : "_s + first);
    QVERIFY(!editor_->CurrentTab()->blnDirty);

    // A titled buffer saves silently, with no line break added.
    editor_->txtSQL->SetText(u"SELECT 2\r\nFROM Classes"_s);
    editor_->SaveSQL(false);
    QCOMPARE(CommonDialog::ShownDialogs().size(), 1);
    QCOMPARE(Bytes(first), QByteArray("SELECT 2\r\nFROM Classes"));

    // Save As always asks, preset to the current file; cancelling changes nothing.
    CommonDialog::QueueFileName(QString());
    editor_->SaveSQL(true);
    QCOMPARE(CommonDialog::ShownDialogs().last().fileName, first);
    QCOMPARE(editor_->CurrentFile(), first);
    const QString second = sandbox_->Path(u"second.sql"_s);
    CommonDialog::QueueFileName(second);
    editor_->SaveSQL(true);
    QCOMPARE(editor_->CurrentFile(), second);
    QCOMPARE(editor_->windowTitle(), u"Delver : "_s + second);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestDelverEditor::windows1252RoundTrip()
{
    const QString path = sandbox_->Path(u"accents.sql"_s);
    const QByteArray bytes("SELECT * FROM Students WHERE Surname = 'Ren\xe9\x80\xa7\xa4'");
    Write(path, bytes);
    CommonDialog::QueueFileName(path);
    editor_->OpenSQLFile();
    QVERIFY(editor_->txtSQL->Text().endsWith(u"Ren\u00E9\u20AC\u00A7\u00A4'"_s));
    editor_->txtSQL->moveCursor(QTextCursor::End);
    editor_->txtSQL->insertPlainText(u" "_s);
    editor_->SaveSQL(false);
    QCOMPARE(Bytes(path), bytes + ' ');

    // Written as UTF-8 by another editor, with its mark or without: read as written, said
    // so, and saved as this utility's own single-byte text.
    for (const QByteArray& utf8 : {QByteArray("\xEF\xBB\xBFSELECT 'M\xC3\xBCller'"), QByteArray("SELECT 'M\xC3\xBCller'")}) {
        const QString other = sandbox_->Path(u"utf8.sql"_s);
        Write(other, utf8);
        CommonDialog::QueueFileName(other);
        editor_->OpenSQLFile();
        QCOMPARE(editor_->txtSQL->Text(), u"SELECT 'M\u00FCller'"_s);
        QCOMPARE(editor_->CurrentTab()->lblNotice->text(),
                 u"The file \"%1\" was written as UTF-8 text; Save SQL keeps it as the single-byte text this utility "
                 u"writes."_s.arg(other));
        editor_->SaveSQL(false);
        QCOMPARE(Bytes(other), QByteArray("SELECT 'M\xFCller'"));
        QVERIFY(editor_->CurrentTab()->lblNotice->text().isEmpty());
        editor_->CloseQuery();
    }
}

void TestDelverEditor::unencodableTextIsNeverSavedSilently()
{
    const QString path = sandbox_->Path(u"kept.sql"_s);
    Write(path, "SELECT 1");
    CommonDialog::QueueFileName(path);
    editor_->OpenSQLFile();
    editor_->txtSQL->SetText(u"SELECT '\u0141\u00F3d\u017A'"_s);
    MessageLog::QueueAnswer(Answer::Yes);
    editor_->CloseQuery();  // Yes to saving: refused, so the text is not closed
    const auto shown = MessageLog::Shown();
    QCOMPARE(shown.size(), 2);
    QVERIFY2(shown[1].text.contains(u"\u0141"_s), qPrintable(shown[1].text));
    QCOMPARE(shown[1].title, u"Save SQL"_s);
    QCOMPARE(Bytes(path), QByteArray("SELECT 1"));
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT '\u0141\u00F3d\u017A'"_s);
    QVERIFY(editor_->CurrentTab()->blnDirty);
}

void TestDelverEditor::failedSaveKeepsTheOldFileAndTheText()
{
    const QString path = sandbox_->Path(u"old.sql"_s);
    Write(path, "SELECT old");
    CommonDialog::QueueFileName(path);
    editor_->OpenSQLFile();
    editor_->txtSQL->SetText(u"SELECT new"_s);
    // The folder vanishes, so the save cannot be written; Cancel in the error box.
    const QString moved = sandbox_->Folder() + u"-moved"_s;
    QVERIFY(QDir().rename(sandbox_->Folder(), moved));
    MessageLog::QueueAnswer(Answer::Yes);     // keep the changes
    MessageLog::QueueAnswer(Answer::Cancel);  // in the "Error" box
    editor_->CloseQuery();
    QVERIFY(QDir().rename(moved, sandbox_->Folder()));
    const auto shown = MessageLog::Shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].title, u"Error"_s);
    QCOMPARE(shown[1].buttons, Buttons::RetryCancel);
    QCOMPARE(Bytes(path), QByteArray("SELECT old"));
    QCOMPARE(editor_->txtSQL->Text(), u"SELECT new"_s);
    QVERIFY(editor_->CurrentTab()->blnDirty);
}

void TestDelverEditor::printing()
{
    editor_->txtSQL->SetText(u"SELECT [Student ID]\r\nFROM Students"_s);
    const QString pdf = sandbox_->Path(u"printed.pdf"_s);
    CommonDialog::QueuePrint(pdf, false);
    editor_->PrintSQL();
    QVERIFY(MessageLog::Shown().isEmpty());
    QVERIFY(Bytes(pdf).startsWith("%PDF"));

    CommonDialog::QueuePrint(sandbox_->Path(u"selection.pdf"_s), true);
    editor_->PrintSQL();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, u"No text has been selected for printing."_s);
    QCOMPARE(box.title, u"Print SQL"_s);
    QVERIFY(!QFileInfo::exists(sandbox_->Path(u"selection.pdf"_s)));

    MessageLog::Clear();
    editor_->txtSQL->selectAll();
    CommonDialog::QueuePrint(sandbox_->Path(u"selection.pdf"_s), true);
    editor_->PrintSQL();
    QVERIFY(MessageLog::Shown().isEmpty());
    QVERIFY(QFileInfo::exists(sandbox_->Path(u"selection.pdf"_s)));

    CommonDialog::QueuePrint(QString(), false);  // cancelled
    editor_->PrintSQL();
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestDelverEditor::closeConfirmation()
{
    MessageLog::QueueAnswer(Answer::No);
    editor_->close();
    QVERIFY(editor_->isVisible());
    QCOMPARE(test::OnlyMessage().text, u"Exit the Delver Utility"_s);
    QCOMPARE(test::OnlyMessage().title, u"Exit"_s);
    QVERIFY(!EndProgramCalled());
    MessageLog::Clear();
    MessageLog::QueueAnswer(Answer::Yes);
    editor_->close();
    QVERIFY(EndProgramCalled());
}

void TestDelverEditor::layoutKeepsTheHeightWhenSqueezed()
{
    editor_->resize(700, 500);
    QTRY_VERIFY(editor_->txtSQL->height() > 100);
    QCOMPARE(editor_->txtSQL->width(), editor_->centralWidget()->width());
    const int height = editor_->txtSQL->height();
    editor_->centralWidget()->resize(300, 10);
    QCOMPARE(editor_->txtSQL->height(), height);
    QCOMPARE(editor_->txtSQL->width(), 300);
}

QTEST_MAIN(TestDelverEditor)
#include "test_delver_editor.moc"
