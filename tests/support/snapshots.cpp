// Renders the programs' windows to PNG files, for looking at them as a user would:
//   levy_snapshots OUTPUT_FOLDER   (run under xvfb-run or with QT_QPA_PLATFORM=offscreen)
//   levy_snapshots OUTPUT_FOLDER screen   (under xvfb-run: the whole screen, with the
//       rights editor, Delver's editor and its results window shown as a user opens them)
#include "workbench/EditorTab.h"
#include "workbench/frmDelverParameters.h"
#include "workbench/EditorTabs.h"
#include "workbench/SqlEditor.h"
#include "dialogs/frmSystem_LogIn.h"
#include "workbench/QueryValidation.h"
#include "levy/DatabaseAccess.h"
#include "database/SchemaListing.h"
#include "frmDelver.h"
#include "history/QueryHistory.h"
#include "workbench/HistoryPanel.h"
#include "workbench/SchemaPanel.h"
#include "workbench/SqlCompletion.h"
#include "frmDelverResults.h"
#include "results/RecordForm.h"
#include "results/ResultChart.h"
#include "results/FlexGrid.h"
#include "frmSystem_CheckDate.h"
#include "frmSteward.h"
#include "frmSteward_DBInitialisation.h"
#include "frmSteward_InstallSampleDB.h"
#include "frmSteward_UserAccounts.h"
#include "frmSteward_UserAccounts_AccessRights.h"
#include "frmSteward_UserAccounts_CreateNew.h"
#include "levy/DatabaseAccess.h"
#include "levy/DatabaseBuildingRoutines.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "levy/Encryption.h"
#include "widgets/ClickableLineEdit.h"
#include "widgets/HelpViewer.h"
#include "widgets/MenuKeys.h"
#include "widgets/ScreenFit.h"
#include "widgets/StatusBar.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QTimer>
#include <QCompleter>
#include <QDateTime>
#include <QPainter>
#include <QTextCursor>
#include <QTreeWidget>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
// Answers the next modal dialog of the given class once it shows.
void WhenModal(const char* className, std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && qstrcmp(modal->metaObject()->className(), className) == 0) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start(20);
}

// The events of a while, so that windows are drawn and placed.
void Settle(int ms = 400)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

void SaveScreen(const QString& folder, const QString& name)
{
    Settle();
    QGuiApplication::primaryScreen()->grabWindow(0).save(folder + u'/' + name + u".png"_s);
}

// The whole screen while the rights editor, Delver's editor and its results window are open.
int ScreenSnapshots(const QString& folder)
{
    KeepWindowsOnScreen();
    OpenMenusFromTheKeyboard();
    {
        frmSteward_UserAccounts accounts(nullptr);
        accounts.show();
        accounts.lstUsers->setCurrentRow(1);
        frmSteward_UserAccounts_AccessRights rights(&accounts);
        rights.show();
        SaveScreen(folder, u"screen_rights_editor"_s);
    }
    AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s);
    WhenModal("levy::frmSystem_LogIn", [](QWidget* w) {
        auto* login = static_cast<frmSystem_LogIn*>(w);
        login->txtUserName->setText(u"Clerk"_s);
        login->txtPassword->setText(u"pw"_s);
        login->cmdLogIn->click();
        WhenModal("levy::frmSystem_CheckDate", [](QWidget* date) { static_cast<frmSystem_CheckDate*>(date)->cmdYes->click(); });
    });
    frmDelver editor;
    editor.show();
    for (int i = 0; i < 100 && editor.barBottomStatusBar->SessionText().isEmpty(); ++i)
        Settle(100);
    editor.txtSQL->SetText(u"SELECT [User Name], Len([User Name]) * -1250.5 AS Amount\r\nFROM Users\r\n"
                           u"ORDER BY [User Name]"_s);
    editor.CurrentTab()->blnDirty = false;
    SaveScreen(folder, u"screen_delver_editor"_s);
    if (ValidateQuery(editor.txtSQL->Text())) {
        frmDelverResults results(&editor);
        results.show();
        SaveScreen(folder, u"screen_delver_results"_s);
    }
    return 0;
}

void Save(QWidget& w, const QString& folder, const QString& name)
{
    w.show();
    QApplication::processEvents();
    w.grab().save(folder + u'/' + name + u".png"_s);
    w.hide();
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"."_s;
    QDir().mkpath(folder);
    AppInfo::Set(u"Stewardry"_s, u"Ashcombe Levy Management System Stewardry"_s);

    frmSystem_LogIn login;
    login.txtUserName->setText(u"Admin"_s);
    login.txtUserName->setReadOnly(true);
    login.txtPassword->setText(u"Head1"_s);
    Save(login, folder, u"login"_s);

    HelpViewer& help = HelpViewer::Instance();
    help.ShowTopic(QStringLiteral(LEVY_PROGRAM_DIR "/levy system.hlp"), 130);
    Save(help, folder, u"help"_s);

    frmSteward console;
    console.barBottomStatusBar->SetSessionText(u"Logged in as Admin"_s);
    console.setAttribute(Qt::WA_DontShowOnScreen);
    console.grab().save(folder + u"/steward.png"_s);

    frmSteward_DBInitialisation blank(nullptr);
    blank.txtDBLocation->setText(u"/srv/levy/levy.mdb"_s);
    Save(blank, folder, u"install_blank"_s);

    frmSteward_InstallSampleDB sample(nullptr);
    Save(sample, folder, u"install_sample"_s);

    // The account windows work on a database: a throw-away one, found through
    // throw-away settings.
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path()));
    const QString database = scratch.path() + u"/levy.mdb"_s;
    if (!BuildBlankDatabase(database))
        return 1;
    {
        auto users = levyDatabase->OpenRecordset(u"Users"_s, dbOpenTable);
        for (const QString& name : {u"Bursar"_s, u"Clerk"_s, u"Mary Ann"_s, u"Trainee"_s}) {
            users->AddNew();
            users->SetFieldValue(u"User Name"_s, name);
            users->SetFieldValue(u"User Password"_s, EncryptText(u"pw"_s));
            users->SetFieldValue(u"User Rights"_s, u"1011010011100101011100101"_s);
            users->Update();
        }
    }
    SaveSetting(settingsApplication, settingsSection, settingsDBPath, database);
    if (argc > 2 && qstrcmp(argv[2], "screen") == 0)
        return ScreenSnapshots(folder);
    {
        frmSteward_UserAccounts accounts(nullptr);
        accounts.show();
        accounts.lstUsers->setCurrentRow(1);
        Save(accounts, folder, u"user_accounts"_s);
        accounts.show();
        accounts.mnuTools->popup(accounts.mapToGlobal(QPoint(60, 60)));
        QApplication::processEvents();
        accounts.mnuTools->grab().save(folder + u"/user_accounts_menu.png"_s);
        accounts.mnuTools->hide();
        accounts.hide();

        frmSteward_UserAccounts_CreateNew create(&accounts);
        create.txtUserName->setText(u"Mary Ann"_s);
        create.txtPassword->setText(u"secret"_s);
        Save(create, folder, u"user_accounts_create"_s);

        frmSteward_UserAccounts_AccessRights rights(&accounts);
        Save(rights, folder, u"user_rights"_s);
        rights.SSTab1->setCurrentIndex(2);
        Save(rights, folder, u"user_rights_levy_fees"_s);
        rights.SSTab1->setCurrentIndex(4);
        Save(rights, folder, u"user_rights_deposit_accounts"_s);
    }
    frmSystem_CheckDate date(nullptr);
    date.tmrTime_Timer();
    Save(date, folder, u"check_date"_s);

    // The editor as a clerk sees it once logged in: the database beside the text.
    OpenLevyDatabase();
    Initialise_recordsets();
    AppInfo::Set(u"Delver"_s, u"Ashcombe Levy Management System Delver Utility"_s);
    {
        frmDelver editor;
        editor.setAttribute(Qt::WA_DontShowOnScreen);
        editor.dockSchema->Fill(ListSchema(*levyDatabase));
        editor.txtSQL->Completion()->SetSchema(editor.dockSchema->Listing());
        editor.dockSchema->Tree()->expandItem(
            editor.dockSchema->Tree()->findItems(u"Levy Account Credits"_s, Qt::MatchExactly | Qt::MatchRecursive)
                .value(0));
        editor.dockHistory->hide();
        editor.txtSQL->SetText(u"SELECT c.[Student ID], s.Surname, c.Amount\r\nFROM [Levy Account Credits] AS c\r\n"
                               u"INNER JOIN Students AS s ON s.[Student ID] = c.[Student ID]\r\n"
                               u"WHERE c.Amount > 0 -- this term\r\nORDER BY s.Surname"_s);
        editor.barBottomStatusBar->SetSessionText(u"Logged in as Clerk"_s);
        editor.resize(editor.size());
        editor.grab().save(folder + u"/delver.png"_s);

        // A completion open: the functions with their arguments, the fields, the words.
        editor.txtSQL->SetText(u"SELECT c.Amount, Da\r\nFROM [Levy Account Credits] AS c"_s);
        QTextCursor at = editor.txtSQL->textCursor();
        at.setPosition(19);
        editor.txtSQL->setTextCursor(at);
        // Never shown: showing would run the start-up; the list is drawn where it opens.
        editor.txtSQL->Completion()->Update(true);
        QApplication::processEvents();
        QImage shot = editor.grab().toImage();
        QWidget* popup = editor.txtSQL->Completion()->Completer()->popup();
        {
            QPainter painter(&shot);
            painter.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - editor.mapToGlobal(QPoint(0, 0)), popup->grab());
        }
        shot.save(folder + u"/delver_completion.png"_s);
        editor.txtSQL->Completion()->Close();

        // Three statements, the second under the cursor and marked as it runs.
        editor.txtSQL->SetText(u"-- this term's questions\r\nSELECT Class, Count(*) AS Pupils FROM Students GROUP BY Class;\r\n"
                               u"SELECT [Student ID], Amount\r\nFROM [Levy Account Credits]\r\nWHERE Amount > 1000\r\n\r\n"
                               u"SELECT * FROM Classes WHERE Class LIKE 'F*;'"_s);
        const QString text = editor.txtSQL->PlainText();
        const int second = int(text.indexOf(u"SELECT [Student ID]"_s));
        at.setPosition(second + 12);
        editor.txtSQL->setTextCursor(at);
        editor.txtSQL->MarkRun(second, int(text.indexOf(u"1000"_s)) + 4);
        editor.grab().save(folder + u"/delver_run_statement.png"_s);
        editor.txtSQL->EndRunMark();

        // The history beside the editor.
        editor.dockHistory->show();
        const QDateTime now = QDateTime::currentDateTime();
        editor.dockHistory->Show(
            {HistoryEntry{now, u"SELECT [Student ID], Amount FROM [Levy Account Credits] WHERE Amount > 1000"_s, 42, {}},
             HistoryEntry{now.addSecs(-60), u"SELECT * FROM Studnets"_s, -1,
                          u"The table or query \"Studnets\" does not exist."_s},
             HistoryEntry{now.addSecs(-3600), u"SELECT Class, Count(*) FROM Students GROUP BY Class"_s, 12, {}}});
        QApplication::processEvents();
        editor.grab().save(folder + u"/delver_history.png"_s);

        // The values a statement asks for, a date's calendar open below its box.
        const jet::JetParameter since{u"Paid since"_s, u"DateTime"_s, dbDate, true};
        const jet::JetParameter least{u"Least"_s, u"Currency"_s, dbCurrency, true};
        const jet::JetParameter which{u"Which class?"_s, {}, dbText, false};
        frmDelverParameters asked(nullptr, {since, least, which}, {{u"Least"_s, u"1500"_s}});
        asked.show();
        QApplication::processEvents();
        asked.inputs[0]->actions().first()->trigger();
        QApplication::processEvents();
        if (auto* calendar = asked.findChild<QCalendarWidget*>()) {
            const QPoint origin = asked.mapToGlobal(QPoint(0, 0));
            const QRect whole = QRect(origin, asked.size()).united(QRect(calendar->pos(), calendar->size()));
            QImage picture(whole.size(), QImage::Format_ARGB32);
            picture.fill(Qt::transparent);
            QPainter painter(&picture);
            painter.drawPixmap(origin - whole.topLeft(), asked.grab());
            painter.drawPixmap(calendar->pos() - whole.topLeft(), calendar->grab());
            painter.end();
            picture.save(folder + u"/delver_parameters.png"_s);
            calendar->close();
        }

        // Three texts in tabs: a saved file, a new text being written, and one whose file
        // had gone when the session came back.
        editor.dockHistory->hide();
        editor.tabQueries->Current()->Load(editor.txtSQL->Text(), u"/home/clerk/queries/term-fees.sql"_s);
        editor.NewQuery();
        editor.txtSQL->SetText(u"SELECT Class, Count(*) AS Pupils\r\nFROM Students\r\nGROUP BY Class\r\nORDER BY Class"_s);
        editor.NewQuery();
        EditorTab* gone = editor.tabQueries->Current();
        gone->Load(u"SELECT s.Surname, Sum(c.Amount) AS Owed\r\nFROM Students AS s INNER JOIN [Levy Account Debits] AS c\r\n"
                   u"  ON c.[Student ID] = s.[Student ID]\r\nGROUP BY s.Surname"_s,
                   u"/media/usb/arrears.sql"_s);
        gone->MarkChanged();
        gone->SetFileGone(true);
        editor.tabQueries->setCurrentIndex(2);
        // The tabs are laid out only in a window that is shown: shown, taken and gone
        // before the window's events run (its first activation would run the start-up).
        editor.show();
        editor.grab().save(folder + u"/delver_tabs.png"_s);
    }

    // A result of every kind of field, a page and a half long.
    TableDef receipts(u"Receipts"_s);
    receipts.AppendField(receipts.CreateField(u"Payer"_s, dbText, 30));
    receipts.AppendField(receipts.CreateField(u"Paid On"_s, dbDate));
    receipts.AppendField(receipts.CreateField(u"Receipt Number"_s, dbLong));
    receipts.AppendField(receipts.CreateField(u"Cleared"_s, dbBoolean));
    receipts.AppendField(receipts.CreateField(u"Amount"_s, dbCurrency));
    levyDatabase->AppendTableDef(receipts);
    for (int i = 1; i <= 150; ++i)
        levyDatabase->MainConnection()->Execute(
            u"INSERT INTO Receipts VALUES ('%1', '2026-0%2-1%3 %4', %5, %6, %7)"_s.arg(
                QStringList{u"Banda, T."_s, u"Phiri, M."_s, u"Mwale, J."_s, u"Zulu, A."_s}[i % 4])
                .arg(1 + i % 9).arg(i % 10).arg(i % 3 ? u"00:00:00"_s : u"12:30:00"_s).arg(4000 + i)
                .arg(i % 2 ? -1 : 0).arg(i % 5 ? 1250.5 * i : -300.0));
    if (ValidateQuery(u"SELECT * FROM Receipts"_s)) {
        frmDelverResults results(nullptr);
        results.show();
        QApplication::processEvents();
        QApplication::processEvents();
        Save(results, folder, u"delver_results"_s);
        // Sorted by Amount, highest first, every column fitted.
        for (int click = 0; click < 2; ++click)
            emit results.grdResults->horizontalHeader()->sectionClicked(4);
        results.mnuTools_FitColumns->trigger();
        QApplication::processEvents();
        Save(results, folder, u"delver_results_sorted"_s);
        // The printed result as the preview shows it, in the order read again (a third
        // click), where negative amounts come among the first records.
        emit results.grdResults->horizontalHeader()->sectionClicked(4);
        QApplication::processEvents();
        QTimer::singleShot(0, [&] {
            if (QWidget* preview = QApplication::activeModalWidget()) {
                preview->resize(900, 700);
                QApplication::processEvents();
                Save(*preview, folder, u"delver_print_preview"_s);
                preview->close();
            }
        });
        results.mnuTools_PrintPreview->trigger();
    }
    // Payers with their addresses: a result narrowed by a filter, and one record read whole.
    TableDef payers(u"Payers"_s);
    payers.AppendField(payers.CreateField(u"Payer"_s, dbText, 30));
    payers.AppendField(payers.CreateField(u"Address"_s, dbMemo));
    payers.AppendField(payers.CreateField(u"Balance"_s, dbCurrency));
    payers.AppendField(payers.CreateField(u"Since"_s, dbDate));
    levyDatabase->AppendTableDef(payers);
    const QStringList names{u"Mensah, Kwame"_s, u"Banda, Thomas"_s, u"Phiri, Rachel"_s, u"Okafor, Angela"_s,
                            u"Mwale, Janet"_s, u"Zulu, Peter"_s};
    const QStringList places{u"Highfield Farm"_s, u"12 Mill Lane"_s, u"The Old Rectory"_s, u"4 Station Road"_s};
    for (int i = 1; i <= 1260; ++i)
        levyDatabase->MainConnection()->Execute(
            u"INSERT INTO Payers VALUES ('%1 %2', '%3' || char(13,10) || 'Lower Road' || char(13,10) || 'Ashcombe AB%4 %5XY', %6, '20%7-0%8-15 00:00:00')"_s
                .arg(names[i % 6]).arg(QChar(u'A' + i % 26)).arg(places[i % 4]).arg(i % 9 + 1).arg(i % 7 + 2)
                .arg(i % 5 ? 85.25 * (i % 40) : -412.5).arg(10 + i % 15).arg(1 + i % 9));
    if (ValidateQuery(u"SELECT Payer, Address, Balance, Since FROM Payers"_s)) {
        frmDelverResults results(nullptr);
        results.show();
        QApplication::processEvents();
        results.txtFilter->setText(u"mensah farm"_s);
        emit results.txtFilter->returnPressed();
        while (results.lblRecords->text().contains(u"so far"_s))
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        results.mnuTools_FitColumns->trigger();
        results.grdResults->SetColWidth(2, 2400);
        QApplication::processEvents();
        Save(results, folder, u"delver_results_filtered"_s);
        results.grdResults->setCurrentIndex(results.grdResults->model()->index(2, 0));
        QTimer::singleShot(0, [&] {
            if (QWidget* form = QApplication::activeModalWidget()) {
                QApplication::processEvents();
                Save(*form, folder, u"delver_record"_s);
                form->close();
            }
        });
        results.mnuTools_Record->trigger();
    }
    if (ValidateQuery(u"TRANSFORM Sum(Amount) SELECT Payer FROM Receipts GROUP BY Payer PIVOT 'Quarter ' & DatePart('q', [Paid On])"_s)) {
        frmDelverResults results(nullptr);
        results.show();
        QApplication::processEvents();
        frmResultChart chart(&results, results.Rows(), u"Receipts"_s);
        chart.Redraw();
        chart.show();
        QApplication::processEvents();
        Save(chart, folder, u"delver_chart"_s);
    }
    return 0;
}
