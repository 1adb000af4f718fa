#include "support/DelverSession.h"
#include "support/TestSupport.h"

#include "workbench/QueryValidation.h"
#include "workbench/EditorTab.h"
#include "workbench/SqlEditor.h"
#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_ChangePassword.h"
#include "dialogs/frmSystem_LogIn.h"
#include "frmDelver.h"
#include "frmSteward_UserAccounts_CreateNew.h"
#include "platform/AppInfo.h"
#include "platform/Windows1252.h"
#include "levy/SecurityEnforcement.h"
#include "widgets/CommonDialog.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
QString Repeated(const QString& pattern, int count, const QString& separator)
{
    QStringList parts;
    parts.reserve(count);
    for (int i = 0; i < count; ++i)
        parts.append(QString(pattern).replace(u"#"_s, QString::number(i)));
    return parts.join(separator);
}

// Pastes as a user would: through the clipboard and the box's own paste.
void Paste(QLineEdit* box, const QString& text)
{
    QApplication::clipboard()->setText(text);
    QCOMPARE(QApplication::clipboard()->text(), text);
    box->setFocus();
    box->end(false);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

void Type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
    }
}

// Delver's editor after a clerk's start-up; null when the log-in did not come through.
std::unique_ptr<frmDelver> EditorLoggedInAsClerk()
{
    test::AnswerStartUp(u"Clerk"_s, u"clerk"_s);
    auto editor = std::make_unique<frmDelver>();
    editor->show();
    if (!QTest::qWaitFor([&] { return editor->barBottomStatusBar->SessionText() == u"Logged in as Clerk"_s; }))
        return nullptr;
    return editor;
}
} // namespace

// Input a clerk or an administrator can type, paste, load or run: whatever it is,
// the programs answer with a message or a result, never a crash or a hang.
class TestBadTextInput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void enormousStatements_data();
    void enormousStatements();
    void sqlFilesThatAreNotPlainText_data();
    void sqlFilesThatAreNotPlainText();
    void sqlFilesThatCannotBeOpened_data();
    void sqlFilesThatCannotBeOpened();
    void saveNamesThatCannotBeWritten_data();
    void saveNamesThatCannotBeWritten();
    void pastingPastTheLimits_data();
    void pastingPastTheLimits();
    void typingPastTheLimitInTheLogIn();
    void editorTakesAPastedStatementWhole();

private:
    std::unique_ptr<test::Sandbox> sandbox_;
};

void TestBadTextInput::initTestCase() { AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s); }

void TestBadTextInput::init()
{
    sandbox_ = std::make_unique<test::Sandbox>();
    CommonDialog::ClearQueue();
}

void TestBadTextInput::cleanup()
{
    CommonDialog::ClearQueue();
    if (rsDirectQuery)
        rsDirectQuery->Close();
    rsDirectQuery.reset();
    LogOffUser();
    sandbox_.reset();
}

void TestBadTextInput::enormousStatements_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QString>("message");  // the whole text, or what it starts with when it ends in "..."
    const QString tooDeep = u"The statement is nested too deeply to be run. Simplify its expressions."_s;
    // Access's own limit on a statement is 64,000 characters: the longest one that fits runs.
    QTest::newRow("an IN list just within the limit")
        << u"SELECT Surname FROM Students WHERE Surname IN ("_s + Repeated(u"'Name #'"_s, 4500, u", "_s) + u')'
        << true << QString();
    const QString tooLong = u"The statement is too long: a query may hold at most 64,000 characters, and this one "
                            u"has ..."_s;
    QTest::newRow("several MB of IN list")
        << u"SELECT Surname FROM Students WHERE Surname IN ("_s + Repeated(u"'Name #'"_s, 300000, u", "_s) + u')'
        << false << tooLong;
    QTest::newRow("several MB string literal") << u"SELECT '"_s + QString(4 * 1024 * 1024, u'x') + u"' AS t"_s
                                               << false << tooLong;
    // Parentheses and sub-selects the engine folds away run, however deep.
    QTest::newRow("30,000 nested parentheses")
        << u"SELECT "_s + QString(30000, u'(') + u'1' + QString(30000, u')') << true << QString();
    QTest::newRow("3,500 nested sub-selects")
        << u"SELECT * FROM "_s + Repeated(u"(SELECT * FROM "_s, 3500, QString()) + u"Students"_s +
               QString(3500, u')')
        << true << QString();
    QTest::newRow("10,000 nested function calls")
        << u"SELECT "_s + QString(u"Abs("_s).repeated(10000) + u'1' + QString(10000, u')') << false << tooDeep;
    QTest::newRow("15,000 NOTs") << u"SELECT "_s + QString(u"NOT "_s).repeated(15000) + u"1"_s << false << tooDeep;
    // Spaced: "--" would begin a comment.
    QTest::newRow("30,000 signs") << u"SELECT "_s + QString(u"- "_s).repeated(30000) + u"1"_s << false << tooDeep;
    QTest::newRow("2,500 OR terms")
        << u"SELECT * FROM Students WHERE "_s + Repeated(u"Surname = 'S#'"_s, 2500, u" OR "_s) << false << tooDeep;
    QTest::newRow("2,500 AND terms")
        << u"SELECT * FROM Students WHERE "_s + Repeated(u"Surname <> 'S#'"_s, 2500, u" AND "_s) << false << tooDeep;
    QTest::newRow("5,000 added terms") << u"SELECT "_s + Repeated(u"#"_s, 5000, u" + "_s) << false << tooDeep;
    QTest::newRow("600 UNION branches") << Repeated(u"SELECT #"_s, 600, u" UNION "_s) << false
                                         << u"A union query may join at most 500 select statements..."_s;
    QTest::newRow("very long field name") << u"SELECT Students.["_s + QString(60000, u'f') + u"] FROM Students"_s
                                          << false << u"There is no field \"ffff..."_s;
    QTest::newRow("very long alias") << u"SELECT 1 AS ["_s + QString(60000, u'a') + u"]"_s << true << QString();
    QTest::newRow("very long table name") << u"SELECT * FROM ["_s + QString(60000, u't') + u"]"_s << false
                                          << u"The levy database has no table or query named \"tttt..."_s;
}

void TestBadTextInput::enormousStatements()
{
    QFETCH(QString, sql);
    QFETCH(bool, runs);
    QFETCH(QString, message);
    test::DelverDatabase(sandbox_->Folder());
    OpenLevyDatabase();
    Initialise_recordsets();
    const QString before = qryDirectSQL->SQL();
    MessageLog::Clear();
    const bool accepted = ValidateQuery(sql);
    QCOMPARE(accepted, runs);
    if (runs) {
        QVERIFY(MessageLog::Shown().isEmpty());
        QVERIFY(rsDirectQuery);
        rsDirectQuery->MoveLast();
        return;
    }
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.title, u"Compiling Error"_s);
    QCOMPARE(box.icon, Icon::Exclamation);
    if (message.endsWith(u"..."_s))
        QVERIFY2(box.text.startsWith(message.chopped(3)), qPrintable(box.text.left(300)));
    else
        QCOMPARE(box.text, message);
    // A message box is read by a person: no statement of megabytes quoted whole.
    QVERIFY2(box.text.size() < 2000, qPrintable(QString::number(box.text.size())));
    // A refused statement does not replace the stored one.
    QCOMPARE(qryDirectSQL->SQL(), before);
}

void TestBadTextInput::sqlFilesThatAreNotPlainText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("codes the code page leaves undefined")
        << QByteArray("SELECT '\x81\x8d\x8f\x90\x9d' AS x");
    QTest::newRow("NUL bytes") << QByteArray("SELECT '\0a\0' AS x", 18);
    QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xef\xbb\xbfSELECT 'Ren\xc3\xa9' AS x");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 37 + 11) & 0xFF));
    QTest::newRow("binary") << binary;
    QTest::newRow("no-break spaces") << QByteArray("SELECT * FROM Students WHERE Surname = 'Mary\xa0" "Ann'\xa0");
    QTest::newRow("bare CR and LF") << QByteArray("SELECT 1\rFROM\nStudents\r\n");
}

// Whatever the bytes, a file opens as single-byte text and saves back byte for byte; one
// another editor wrote as UTF-8 is read as written and saved as single-byte text.
void TestBadTextInput::sqlFilesThatAreNotPlainText()
{
    QFETCH(QByteArray, bytes);
    test::DelverDatabase(sandbox_->Folder());
    const auto editor = EditorLoggedInAsClerk();
    QVERIFY(editor);
    MessageLog::Clear();
    const QString path = sandbox_->Path(u"odd.sql"_s);
    test::WriteFile(path, bytes);
    CommonDialog::QueueFileName(path);
    editor->OpenSQLFile();
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(editor->CurrentFile(), path);
    QByteArray expected = bytes;
    // Line breaks are the text box's own: CR LF.
    expected.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    if (expected.startsWith("\xef\xbb\xbf"))
        expected = Windows1252::Encode(QString::fromUtf8(expected.mid(3))).value();
    QCOMPARE(editor->txtSQL->Text(), Windows1252::Decode(expected));
    editor->SaveSQL(false);
    QVERIFY(MessageLog::Shown().isEmpty());
    QCOMPARE(test::FileBytes(path), expected);
}

void TestBadTextInput::sqlFilesThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << u"gone.sql"_s << u"gone.sql\r\nFile not found.\r\nCheck the file name and try again."_s;
    QTest::newRow("a folder") << u"folder.sql"_s
                              << u"folder.sql\r\nFile not found.\r\nCheck the file name and try again."_s;
    QTest::newRow("20 MB") << u"huge.sql"_s << u"This file is too long to be opened in this utility."_s;
    QTest::newRow("a device") << u"/dev/zero"_s << u"zero\r\nFile not found.\r\nCheck the file name and try again."_s;
}

void TestBadTextInput::sqlFilesThatCannotBeOpened()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    test::DelverDatabase(sandbox_->Folder());
    QDir().mkdir(sandbox_->Path(u"folder.sql"_s));
    {
        QFile huge(sandbox_->Path(u"huge.sql"_s));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(20 * 1024 * 1024));
    }
    const auto editor = EditorLoggedInAsClerk();
    QVERIFY(editor);
    editor->txtSQL->SetText(u"SELECT 7"_s);
    editor->CurrentTab()->blnDirty = false;
    MessageLog::Clear();
    const QStringList before = test::FolderEntries(sandbox_->Folder());
    CommonDialog::QueueFileName(name.startsWith(u'/') ? name : sandbox_->Path(name));
    editor->OpenSQLFile();
    const MessageRequest box = test::OnlyMessage();
    QCOMPARE(box.text, message);
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(editor->txtSQL->Text(), u"SELECT 7"_s);
    QCOMPARE(editor->CurrentFile(), QString());
    QCOMPARE(test::FolderEntries(sandbox_->Folder()), before);
}

void TestBadTextInput::saveNamesThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("a folder") << u"folder.sql"_s << u"could not be written"_s;
    QTest::newRow("a name beyond the file system's limit") << QString(300, u'n') + u".sql"_s
                                                           << u"could not be written"_s;
    QTest::newRow("a path beyond the system's limit")
        << QString(u"d/"_s).repeated(2100) + u"x.sql"_s << u"Path does not exist"_s;
}

void TestBadTextInput::saveNamesThatCannotBeWritten()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    test::DelverDatabase(sandbox_->Folder());
    QDir().mkdir(sandbox_->Path(u"folder.sql"_s));
    const auto editor = EditorLoggedInAsClerk();
    QVERIFY(editor);
    editor->txtSQL->SetText(u"SELECT 8"_s);
    MessageLog::Clear();
    const QStringList before = test::FolderEntries(sandbox_->Folder());
    CommonDialog::QueueFileName(sandbox_->Path(name));
    MessageLog::QueueAnswer(Answer::Cancel);
    editor->SaveSQL(true);
    const MessageRequest box = MessageLog::Shown().value(0);
    QVERIFY2(box.text.contains(message), qPrintable(box.text));
    QCOMPARE(box.icon, Icon::Exclamation);
    QCOMPARE(editor->CurrentFile(), QString());
    QCOMPARE(editor->txtSQL->Text(), u"SELECT 8"_s);
    QCOMPARE(test::FolderEntries(sandbox_->Folder()), before);
    QVERIFY(QFileInfo(sandbox_->Path(u"folder.sql"_s)).isDir());
}

void TestBadTextInput::pastingPastTheLimits_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    const QString forty(40, u'p');
    const QString thirty(30, u'p');
    const QString cjk = u"\u4E2D\u6587"_s;
    for (const auto& [window, box, limit] :
         {std::tuple{u"log-in"_s, u"txtUserName"_s, 30}, std::tuple{u"log-in"_s, u"txtPassword"_s, -1},
          std::tuple{u"change password"_s, u"txtCurrentPassword"_s, -1},
          std::tuple{u"change password"_s, u"txtNewPassword"_s, 30},
          std::tuple{u"change password"_s, u"txtReEnterPassword"_s, 30},
          std::tuple{u"create account"_s, u"txtUserName"_s, 30}, std::tuple{u"create account"_s, u"txtPassword"_s, 30},
          std::tuple{u"create account"_s, u"txtReEnterPassword"_s, 30}}) {
        const QString name = window + u", "_s + box;
        QTest::newRow(qPrintable(name + u": 40 characters"_s))
            << window << box << QString() << forty << (limit < 0 ? forty : thirty);
        QTest::newRow(qPrintable(name + u": onto a full box"_s))
            << window << box << QString(30, u'a') << u"bb"_s << (limit < 0 ? QString(30, u'a') + u"bb"_s : QString(30, u'a'));
        QTest::newRow(qPrintable(name + u": characters outside the code page"_s))
            << window << box << u"ab"_s << u"x"_s + cjk << u"ab"_s;
        QTest::newRow(qPrintable(name + u": a supplementary character"_s))
            << window << box << u"ab"_s << u"\U0001F600"_s << u"ab"_s;
        QTest::newRow(qPrintable(name + u": accented letters"_s))
            << window << box << u"R"_s << u"\u00E9n\u00E9\u20AC"_s << u"R\u00E9n\u00E9\u20AC"_s;
    }
}

void TestBadTextInput::pastingPastTheLimits()
{
    QFETCH(QString, window);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    std::unique_ptr<QWidget> dialog;
    if (window == u"log-in"_s)
        dialog = std::make_unique<frmSystem_LogIn>();
    else if (window == u"change password"_s) {
        test::DelverDatabase(sandbox_->Folder());
        OpenLevyDatabase();
        Initialise_recordsets();
        LogInUser(u"Clerk"_s);
        dialog = std::make_unique<frmSystem_ChangePassword>();
    } else
        dialog = std::make_unique<frmSteward_UserAccounts_CreateNew>(nullptr);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto* edit = dialog->findChild<QLineEdit*>(box);
    QVERIFY(edit);
    Type(edit, typed);
    QCOMPARE(edit->text(), typed);
    Paste(edit, pasted);
    QCOMPARE(edit->text(), expected);
    QVERIFY(MessageLog::Shown().isEmpty());
}

void TestBadTextInput::typingPastTheLimitInTheLogIn()
{
    frmSystem_LogIn login;
    login.show();
    QVERIFY(QTest::qWaitForWindowExposed(&login));
    // The locked name of the console takes neither typing nor pasting.
    login.txtUserName->setText(u"Admin"_s);
    login.txtUserName->setReadOnly(true);
    Type(login.txtUserName, u"x\u00E9"_s);
    Paste(login.txtUserName, u"more"_s);
    QCOMPARE(login.txtUserName->text(), u"Admin"_s);
    // A password has no limit: a very long one is taken whole, typed or pasted.
    const QString longPassword(5000, u'k');
    Paste(login.txtPassword, longPassword);
    Type(login.txtPassword, u"\u00E9\u4E2D"_s);
    QCOMPARE(login.txtPassword->text(), longPassword + u"\u00E9"_s);
}

void TestBadTextInput::editorTakesAPastedStatementWhole()
{
    test::DelverDatabase(sandbox_->Folder());
    const auto editor = EditorLoggedInAsClerk();
    QVERIFY(editor);
    MessageLog::Clear();
    // The editor has no limit: a pasted statement past what a query may hold is kept
    // whole, and running it is refused with the reason, before anything is saved.
    const QString sql = u"SELECT Surname FROM Students WHERE Surname IN ("_s + Repeated(u"'N#'"_s, 50000, u", "_s) + u')';
    QApplication::clipboard()->setText(sql);
    editor->txtSQL->selectAll();
    editor->txtSQL->paste();
    QCOMPARE(editor->txtSQL->Text(), sql);
    QVERIFY(editor->CurrentTab()->blnDirty);
    const QString stored = qryDirectSQL->SQL();
    QVERIFY(!ValidateQuery(editor->txtSQL->Text()));
    QVERIFY(test::OnlyMessage().text.startsWith(u"The statement is too long: a query may hold at most 64,000"_s));
    QCOMPARE(qryDirectSQL->SQL(), stored);
    QCOMPARE(editor->txtSQL->Text(), sql);
}

QTEST_MAIN(TestBadTextInput)
#include "test_bad_text_input.moc"
