#include "frmDelver.h"

#include "workbench/EditorTab.h"
#include "workbench/EditorTabs.h"
#include "workbench/FileDrops.h"
#include "workbench/QueryValidation.h"
#include "workbench/RecentFileList.h"
#include "workbench/SessionKeeper.h"
#include "workbench/SqlFiles.h"
#include "workbench/SqlEditor.h"
#include "ToolbarImages.h"
#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_AboutBox.h"
#include "frmDelverResults.h"
#include "frmSystem_StartUp.h"
#include "database/QueryDef.h"
#include "database/SchemaListing.h"
#include "history/QueryHistory.h"
#include "platform/SettingsStore.h"
#include "workbench/FindReplaceDialog.h"
#include "workbench/HistoryPanel.h"
#include "workbench/PanelKeys.h"
#include "workbench/SchemaPanel.h"
#include "workbench/SqlCompletion.h"
#include "platform/AppInfo.h"
#include "platform/EndProgram.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/Windows1252.h"
#include "levy/SecurityEnforcement.h"
#include "utilities/GlobalUtilities.h"
#include "utilities/HelpRoutines.h"
#include "widgets/CommonDialog.h"
#include "widgets/DialogKeys.h"
#include "widgets/Guard.h"
#include "widgets/ReadableNames.h"
#include "widgets/StatusBar.h"
#include "widgets/Twips.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDockWidget>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QTreeWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPrinter>
#include <QSaveFile>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;

namespace levy {

std::function<void(QWidget*)> frmDelver::showResults = frmDelverResults::Show;

namespace {
// The editor's own per-user settings, beside the levy system's.
const QString workbenchSection = u"Delver"_s;
const QString layoutKey = u"WindowState"_s;
constexpr int panelWidth = 300;

const QString sqlFilter = u"Sql Files (*.sql)|*.sql|Text Files (*.TXT)|*.txt"_s;

[[noreturn]] void RaiseCancellation()
{
    Raise(errUserCancelled, u"Delver"_s, u"User Request cancelation of operation"_s);
}

} // namespace

frmDelver::~frmDelver()
{
    // Closing the window while it is destroyed hides the panels: by then there is no
    // layout left to save.
    for (QObject* part : {static_cast<QObject*>(dockSchema), static_cast<QObject*>(dockHistory),
                          static_cast<QObject*>(tabQueries)})
        if (part)
            disconnect(part, nullptr, this, nullptr);
    session_.reset();
}

frmDelver::frmDelver()
{
    setObjectName(u"frmDelver"_s);
    setWindowTitle(u"Delver"_s);
    dlgSQL_Form = new CommonDialog(this, u"dlgSQL_Form"_s);

    mnuTools = menuBar()->addMenu(u"&Tools"_s);
    mnuTools->setObjectName(u"mnuTools"_s);
    mnuTools_NewQuery = AddItem(u"mnuTools_NewQuery"_s, u"&New Query"_s, [this] { NewQuery(); });
    mnuTools_NewQuery->setShortcut(QKeySequence::New);
    mnuTools_OpenSQLFIle = AddItem(u"mnuTools_OpenSQLFIle"_s, u"&Open SQL File"_s, [this] { OpenSQLFile(); });
    mnuTools_OpenSQLFIle->setShortcut(QKeySequence::Open);
    mnuTools->addSeparator()->setObjectName(u"mnuTools_Bar1"_s);
    mnuTools_SaveSQL = AddItem(u"mnuTools_SaveSQL"_s, u"&Save SQL"_s, [this] { SaveSQL(false); });
    mnuTools_SaveSQL->setShortcut(QKeySequence::Save);
    mnuTools_SaveSQLAs = AddItem(u"mnuTools_SaveSQLAs"_s, u"Save SQL &As"_s, [this] { SaveSQL(true); });
    mnuTools->addSeparator()->setObjectName(u"mnuTools_Bar2"_s);
    mnuTools_ExecuteQuery = AddItem(u"mnuTools_ExecuteQuery"_s, u"Execute &Query"_s, [this] { ExecuteQuery(); });
    mnuTools->addSeparator()->setObjectName(u"mnuTools_Bar3"_s);
    mnuTools_PrintSQL = AddItem(u"mnuTools_PrintSQL"_s, u"&Print SQL"_s, [this] { PrintSQL(); });
    mnuTools_PrintSQL->setShortcut(QKeySequence::Print);
    mnuTools->addSeparator()->setObjectName(u"mnuTools_Bar4"_s);
    mnuTools_Help = AddItem(u"mnuTools_Help"_s, u"&Help"_s, [] { Guarded([] { ShowHelpTopic(720); }); });
    BindHelpKey(this, 720);  // F1, without a shortcut shown on the menu item
    mnuTools_About = AddItem(u"mnuTools_About"_s, u"About..."_s, [this] {
        Guarded([this] {
            frmSystem_AboutBox about(this);
            ShowModal(about);
        });
    });
    mnuTools->addSeparator()->setObjectName(u"mnuTools_Bar5"_s);
    mnuTools_LogOff = AddItem(u"mnuTools_LogOff"_s, u"&Log Off"_s, [this] { LogOff(); });
    mnuTools_Exit = AddItem(u"mnuTools_Exit"_s, u"E&xit"_s, [this] { close(); });

    auto* client = new QWidget(this);
    client->setObjectName(u"ClientArea"_s);
    client->setAutoFillBackground(true);
    QPalette grey = client->palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    client->setPalette(grey);
    setCentralWidget(client);
    client->installEventFilter(this);

    TopCoolBar = new QWidget(client);
    TopCoolBar->setObjectName(u"TopCoolBar"_s);
    tbrTools = new QToolBar(TopCoolBar);
    tbrTools->setObjectName(u"tbrTools"_s);
    tbrTools->setIconSize(QSize(24, 24));
    imgEnabled = EditorToolbarImages();
    struct Button {
        QString key, tip;
        int image;
    };
    const Button buttons[] = {{u"New"_s, u"New"_s, 1},           {u"Open"_s, u"Open"_s, 2},
                              {u"Save"_s, u"Save"_s, 3},         {QString(), QString(), 0},
                              {u"Find"_s, u"Execute Query"_s, 4}, {u"Print"_s, u"Print SQL"_s, 5},
                              {QString(), QString(), 0},         {u"Help"_s, u"Help"_s, 6}};
    for (const Button& b : buttons) {
        if (b.key.isEmpty()) {
            tbrTools->addSeparator();
            continue;
        }
        QAction* a = tbrTools->addAction(imgEnabled[b.image - 1], b.tip);
        a->setObjectName(u"tbrTools_"_s + b.key);
        a->setData(b.key);
        a->setToolTip(b.tip);
        connect(a, &QAction::triggered, this, [this, key = b.key] { tbrTools_ButtonClick(key); });
    }
    TopCoolBar->setFixedHeight(tbrTools->sizeHint().height() + 4);
    NameQtsOwnControls(tbrTools);

    tabQueries = new EditorTabs(client);
    drops_ = new FileDrops(this, [this](const QString& path) { GuardedCancellable([&] { OpenPath(path); }); });
    drops_->Watch(this);
    connect(tabQueries, &EditorTabs::tabAdded, this, [this](EditorTab* tab) { WireTab(tab); });
    connect(tabQueries, &QTabWidget::currentChanged, this, [this] { ShowCurrentTab(); });
    connect(tabQueries, &QTabWidget::tabCloseRequested, this, [this](int i) { CloseQuery(tabQueries->Tab(i)); });
    tabQueries->Add()->Load(u"SELECT\r\n"_s, {});

    barBottomStatusBar = new StatusBar(this, u"barBottomStatusBar"_s);
    setStatusBar(barBottomStatusBar);

    BuildWorkbench();
    ShowCurrentTab();
    setWindowTitle(u"Delver"_s);
    // The editor keeps its own client width; the panels beside it add to the window.
    const int panels = dockSchema->isHidden() && dockHistory->isHidden() ? 0 : panelWidth;
    resize(Twips(9285) + panels,
           Twips(6120) + menuBar()->sizeHint().height() + barBottomStatusBar->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QAction* frmDelver::AddItem(const QString& name, const QString& caption, const std::function<void()>& handler)
{
    QAction* a = mnuTools->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, handler);
    return a;
}

void frmDelver::tbrTools_ButtonClick(const QString& key)
{
    if (key == u"New"_s)
        NewQuery();
    else if (key == u"Open"_s)
        OpenSQLFile();
    else if (key == u"Save"_s)
        SaveSQL(false);
    else if (key == u"Find"_s)
        ExecuteQuery();
    else if (key == u"Print"_s)
        PrintSQL();
    else if (key == u"Help"_s)
        Guarded([] { ShowHelpTopic(720); });
}

bool frmDelver::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        ArrangeControls();
    return QMainWindow::eventFilter(watched, event);
}

void frmDelver::ArrangeControls()
{
    const QWidget* client = centralWidget();
    TopCoolBar->setGeometry(0, 0, client->width(), TopCoolBar->height());
    tbrTools->setGeometry(0, 2, client->width(), TopCoolBar->height() - 4);
    // A window squeezed below the bars keeps the text box's last height.
    const int h = client->height() - TopCoolBar->height();
    tabQueries->setGeometry(0, TopCoolBar->height(), client->width(), h > 0 ? h : tabQueries->height());
    txtSQL->update();
    update();
}

void frmDelver::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void frmDelver::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmDelver::Form_Activate()
{
    if (!blnFirstActivation)
        return;
    blnFirstActivation = false;
    Guarded([this] {
        SetHelpDialog(dlgSQL_Form);
        frmSystem_StartUp splash;
        ShowModal(splash);
        AdmitOnlyWithDelverRight();
        barBottomStatusBar->SetSessionText(u"Logged in as "_s + CurrentUserName);
        ShowLoggedInUser();
    });
}

// Every log-in is checked, the one after Log Off too: otherwise anyone could log off a
// colleague's Delver and log in without the right.
void frmDelver::AdmitOnlyWithDelverRight()
{
    if (UserRights[Utilities_Delver])
        return;
    MsgBox(u"You are not authorised to carry out delver operations."_s, Icon::Critical, u"Security Violation"_s);
    EndProgram();
}

void frmDelver::SetCaption(const QString& file)
{
    setWindowTitle(file.isEmpty() ? AppInfo::Title() : AppInfo::Title() + u" : "_s + file);
}

EditorTab* frmDelver::CurrentTab() const { return tabQueries->Current(); }

QString frmDelver::CurrentFile() const { return CurrentTab()->strCurrentFile; }

bool frmDelver::CheckUnsavedChanges()
{
    if (!CurrentTab()->HasChangesToAskAbout())
        return true;
    switch (MsgBox(u"This document has changed since you last saved it. Do you "_s + u"want to keep these changes."_s,
                   Icon::Question, u"Mail Merge"_s, Buttons::YesNoCancel)) {
    case Answer::Yes: SaveTo(false); return true;
    case Answer::No: return false;
    default: RaiseCancellation();
    }
}

QSet<EditorTab*> frmDelver::CheckEveryUnsavedText()
{
    return tabQueries->AskAboutEachChangedText([this] { return CheckUnsavedChanges(); });
}

// A new text has a tab of its own; a blank one is used for it rather than left behind.
void frmDelver::NewQuery()
{
    GuardedCancellable([this] {
        tabQueries->ForNewText()->Load(u"SELECT"_s, {});
        SetCaption({});
        repaint();
    });
}

void frmDelver::CloseQuery(EditorTab* tab)
{
    GuardedCancellable([&] {
        // A statement being checked belongs to its tab until it has run.
        if (ValidationRunning())
            return;
        tabQueries->setCurrentWidget(tab ? tab : CurrentTab());
        CheckUnsavedChanges();
        tabQueries->Remove(CurrentTab());
    });
}

void frmDelver::OpenSQLFile()
{
    GuardedCancellable([this] {
        dlgSQL_Form->DialogTitle = u"Open SQL Text"_s;
        dlgSQL_Form->Filter = sqlFilter;
        dlgSQL_Form->FilterIndex = 1;
        dlgSQL_Form->Flags = CommonDialog::cdlOFNFileMustExist | CommonDialog::cdlOFNHideReadOnly;
        dlgSQL_Form->FileName.clear();
        dlgSQL_Form->CancelError = true;
        dlgSQL_Form->ShowOpen();
        OpenPath(dlgSQL_Form->FileName);
    });
}

void frmDelver::OpenPath(const QString& path)
{
    // A file open already is shown; read again when its text has not been changed.
    EditorTab* open = tabQueries->TabOfFile(path);
    if (open && open->blnDirty) {
        tabQueries->setCurrentWidget(open);
        return;
    }
    qint64 size = 0;
    if (!RetryOnFailure([&] { size = SqlFileSize(path); }))
        return;
    if (size > largestSqlFile) {
        MsgBox(u"This file is too long to be opened in this utility."_s, Icon::Exclamation, u"Open SQL File"_s);
        return;
    }
    QString text;
    bool utf8 = false;
    if (!RetryOnFailure([&] { text = ReadSqlText(path, size, &utf8); }))
        return;
    EditorTab* tab = open ? open : tabQueries->ForNewText();
    tab->Load(text, path);
    if (utf8)
        tab->SetNotice(ReadAsUtf8Notice(path));
    tabQueries->setCurrentWidget(tab);
    SetCaption(path);
    recentFiles_->Note(path);
}

void frmDelver::SaveSQL(bool blnSaveAs)
{
    GuardedCancellable([this, blnSaveAs] { SaveTo(blnSaveAs); });
}

void frmDelver::SaveTo(bool blnSaveAs)
{
    EditorTab* tab = CurrentTab();
    QString target = tab->strCurrentFile;
    // A text whose file has gone is kept where the user says, not silently made again.
    if (blnSaveAs || target.isEmpty() || tab->FileGone()) {
        dlgSQL_Form->DialogTitle = u"Save SQL Text"_s;
        dlgSQL_Form->Filter = sqlFilter;
        dlgSQL_Form->FilterIndex = 1;
        dlgSQL_Form->FileName = tab->strCurrentFile;
        dlgSQL_Form->Flags = CommonDialog::cdlOFNOverwritePrompt | CommonDialog::cdlOFNHideReadOnly |
                             CommonDialog::cdlOFNPathMustExist;
        dlgSQL_Form->CancelError = true;
        dlgSQL_Form->ShowSave();
        target = dlgSQL_Form->FileName;
    }
    // Two texts tied to one file would each save over the other unseen.
    if (EditorTab* other = tabQueries->TabOfFile(target); other && other != tab) {
        MsgBox(u"The file \"%1\" is open as another query. Close that query first, or save this text under another "
               u"name."_s.arg(QDir::toNativeSeparators(target)),
               Icon::Exclamation, u"Save SQL"_s);
        RaiseCancellation();
    }
    const QString text = txtSQL->Text();
    const auto bytes = Windows1252::Encode(text);
    if (!bytes) {
        // Never change the user's text silently: the file keeps what it held.
        const qsizetype at = Windows1252::FirstUnencodable(text);
        MsgBox(u"The statement could not be saved: the character \"%1\" (at position %2) cannot be kept in an SQL "
               u"text file. Replace it and save again."_s.arg(text.mid(at, text[at].isHighSurrogate() ? 2 : 1))
                   .arg(at + 1),
               Icon::Exclamation, u"Save SQL"_s);
        RaiseCancellation();
    }
    // Written to a temporary file and then put in place, so that a failed save never
    // leaves the earlier file half-written.
    const bool saved = RetryOnFailure([&] {
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit())
            Raise(75, u"Save SQL"_s, u"The file \"%1\" could not be written: %2."_s.arg(target, file.errorString()));
    });
    if (!saved) {
        // The text is still unsaved: whatever asked for the save must not go on and
        // discard it.
        RaiseCancellation();
    }
    tab->Saved(target);
    SetCaption(target);
    recentFiles_->Note(target);
}

void frmDelver::PrintSQL()
{
    GuardedCancellable([this] {
        dlgSQL_Form->CancelError = true;
        QPrinter printer;
        const bool selection = dlgSQL_Form->ShowPrinter(printer);
        QString text = txtSQL->Text();
        if (selection) {
            text = txtSQL->SelectedText();
            if (text.isEmpty()) {
                MsgBox(u"No text has been selected for printing."_s, Icon::Exclamation, u"Print SQL"_s);
                return;
            }
        }
        RetryOnFailure([&] {
            QTextDocument document;
            document.setDefaultFont(txtSQL->font());
            document.setPlainText(QString(text).replace(u"\r\n"_s, u"\n"_s));
            document.print(&printer);
            if (printer.printerState() == QPrinter::Error)
                Raise(482, u"Print SQL"_s, u"The printer reported an error; nothing was printed."_s);
        });
    });
}

void frmDelver::LogOff()
{
    GuardedCancellable([this] {
        if (MsgBox(u"Are you sure you want to log off?"_s, Icon::Question, u"Log Off"_s, Buttons::YesNo) != Answer::Yes)
            return;
        if (ValidationRunning())
            return;
        const QSet<EditorTab*> discarded = CheckEveryUnsavedText();
        // The texts are kept for this user; the next one sees only their own.
        if (session_)
            session_->SaveNow(discarded);
        const QString leaving = CurrentUserName;
        LogOffUser();
        ForgetLoggedInUser();
        CloseLevyDatabase();
        barBottomStatusBar->SetSessionText(QString());
        frmSystem_StartUp splash(this);
        ShowModal(splash);
        AdmitOnlyWithDelverRight();
        barBottomStatusBar->SetSessionText(u"Logged in as "_s + CurrentUserName);
        const bool another = !NamesMatch(leaving, CurrentUserName);
        if (another)
            tabQueries->RemoveAll();
        ShowLoggedInUser(another);
    });
}

void frmDelver::BuildWorkbench()
{
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
    dockSchema = new SchemaPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, dockSchema);
    connect(dockSchema, &SchemaPanel::insertRequested, this, [this](const QString& text) { txtSQL->InsertAtCursor(text); });
    dockHistory = new HistoryPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, dockHistory);
    splitDockWidget(dockSchema, dockHistory, Qt::Vertical);
    connect(dockHistory, &HistoryPanel::replaceRequested, this, [this](const QString& s) { RecallFromHistory(s, true); });
    connect(dockHistory, &HistoryPanel::insertRequested, this, [this](const QString& s) { RecallFromHistory(s, false); });
    connect(dockHistory, &HistoryPanel::clearRequested, this, [this] { ClearHistory(); });
    frmFindReplace = new FindReplaceDialog(this, txtSQL);
    // The keyboard reaches the panels: F6 (or Ctrl+Tab, which the editor leaves alone) goes
    // on to the next part, Shift+F6 back.
    using Part = std::pair<QWidget*, QWidget*>;
    CyclePartsWithF6(this, {Part(tabQueries, tabQueries), Part(dockSchema, dockSchema->Tree()),
                            Part(dockHistory, dockHistory->lstHistory)});

    auto item = [this](QMenu* menu, const QString& name, const QString& caption, const QList<QKeySequence>& keys,
                       const std::function<void()>& handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setShortcuts(keys);
        // The menu shows a command's first key only: more are named after its caption.
        if (keys.size() > 1)
            a->setText(caption + u'\t' + QKeySequence::listToString(keys, QKeySequence::NativeText).replace(u"; "_s, u", "_s));
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [handler] { Guarded(handler); });
        return a;
    };
    mnuFile = menuBar()->addMenu(u"&File"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuFile_CloseQuery = item(mnuFile, u"mnuFile_CloseQuery"_s, u"&Close Query"_s,
                              {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4)},
                              [this] { CloseQuery(); });
    mnuFile->addSeparator();
    mnuFile_Recent = mnuFile->addMenu(u"&Recent Files"_s);
    mnuFile_Recent->setObjectName(u"mnuFile_Recent"_s);

    mnuEdit = menuBar()->addMenu(u"&Edit"_s);
    mnuEdit->setObjectName(u"mnuEdit"_s);
    mnuEdit_Undo = item(mnuEdit, u"mnuEdit_Undo"_s, u"&Undo"_s, QKeySequence::keyBindings(QKeySequence::Undo),
                        [this] { txtSQL->undo(); });
    mnuEdit_Redo = item(mnuEdit, u"mnuEdit_Redo"_s, u"&Redo"_s, QKeySequence::keyBindings(QKeySequence::Redo),
                        [this] { txtSQL->redo(); });
    tabQueries->KeepUndoAndRedo(mnuEdit_Undo, mnuEdit_Redo);
    mnuEdit->addSeparator();
    mnuEdit_Find = item(mnuEdit, u"mnuEdit_Find"_s, u"&Find..."_s, {QKeySequence(Qt::CTRL | Qt::Key_F)},
                        [this] { frmFindReplace->Open(false); });
    mnuEdit_Replace = item(mnuEdit, u"mnuEdit_Replace"_s, u"R&eplace..."_s, {QKeySequence(Qt::CTRL | Qt::Key_H)},
                           [this] { frmFindReplace->Open(true); });
    mnuEdit_FindNext = item(mnuEdit, u"mnuEdit_FindNext"_s, u"Find &Next"_s, {QKeySequence(Qt::Key_F3)},
                            [this] { frmFindReplace->FindNext(); });
    mnuEdit_GoToLine = item(mnuEdit, u"mnuEdit_GoToLine"_s, u"&Go to Line..."_s, {QKeySequence(Qt::CTRL | Qt::Key_G)},
                            [this] { GoToLine(); });

    mnuQuery = menuBar()->addMenu(u"&Query"_s);
    mnuQuery->setObjectName(u"mnuQuery"_s);
    // Not Guarded again: the run reports its own failures.
    mnuQuery_Run = mnuQuery->addAction(u"&Run Statement or Selection"_s);
    mnuQuery_Run->setObjectName(u"mnuQuery_Run"_s);
    mnuQuery_Run->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
                                QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    // The menu shows a command's first key only: both are named.
    mnuQuery_Run->setText(u"&Run Statement or Selection\tF5, Ctrl+Enter"_s);
    connect(mnuQuery_Run, &QAction::triggered, this, [this] { RunStatementOrSelection(); });
    mnuQuery_Complete = item(mnuQuery, u"mnuQuery_Complete"_s, u"&Complete Name"_s, {},
                             [this] {
                                 txtSQL->setFocus();
                                 txtSQL->Completion()->Update(true);
                             });
    mnuQuery_Complete->setShortcutVisibleInContextMenu(true);
    mnuQuery_Complete->setText(u"&Complete Name\tCtrl+Space"_s);
    mnuQuery->addSeparator();
    mnuQuery_ClearHistory = item(mnuQuery, u"mnuQuery_ClearHistory"_s, u"C&lear History..."_s, {},
                                 [this] { ClearHistory(); });

    mnuView = menuBar()->addMenu(u"&View"_s);
    mnuView->setObjectName(u"mnuView"_s);
    mnuView_Database = dockSchema->toggleViewAction();
    mnuView_Database->setObjectName(u"mnuView_Database"_s);
    mnuView_Database->setText(u"&Database"_s);
    mnuView->addAction(mnuView_Database);
    mnuView_History = dockHistory->toggleViewAction();
    mnuView_History->setObjectName(u"mnuView_History"_s);
    mnuView_History->setText(u"&History"_s);
    mnuView->addAction(mnuView_History);
    mnuView->addSeparator();
    mnuView_NextQuery = item(mnuView, u"mnuView_NextQuery"_s, u"&Next Query"_s, {QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
                             [this] { tabQueries->Step(1); });
    mnuView_PreviousQuery = item(mnuView, u"mnuView_PreviousQuery"_s, u"&Previous Query"_s,
                                 {QKeySequence(Qt::CTRL | Qt::Key_PageUp)}, [this] { tabQueries->Step(-1); });

    recentFiles_ = new RecentFileList(mnuFile_Recent, workbenchSection, recentFileCount,
                                      [this](const QString& path) { OpenRecentFile(path); });

    const QByteArray state = QByteArray::fromBase64(GetSetting(settingsApplication, workbenchSection, layoutKey).toLatin1());
    if (state.isEmpty() || !restoreState(state))
        resizeDocks({dockSchema}, {panelWidth}, Qt::Horizontal);
    layoutRestored_ = true;
    // Kept as the user leaves them, at once: nothing is saved when the program ends.
    for (QDockWidget* dock : {static_cast<QDockWidget*>(dockSchema), static_cast<QDockWidget*>(dockHistory)}) {
        // The panel's own close button as well as the View menu.
        connect(dock, &QDockWidget::visibilityChanged, this, [this] { Guarded([this] { SaveLayout(); }); });
        connect(dock, &QDockWidget::dockLocationChanged, this, [this] { Guarded([this] { SaveLayout(); }); });
        connect(dock, &QDockWidget::topLevelChanged, this, [this] { Guarded([this] { SaveLayout(); }); });
    }
}

void frmDelver::SaveLayout()
{
    // Docks move while the window is built and shown; only the user's moves count.
    if (!layoutRestored_ || !isVisible())
        return;
    SaveSetting(settingsApplication, workbenchSection, layoutKey, QString::fromLatin1(saveState().toBase64()));
}

void frmDelver::WireTab(EditorTab* tab)
{
    if (dockSchema)
        tab->txtSQL->Completion()->SetSchema(dockSchema->Listing());
    drops_->Watch(tab->txtSQL->viewport());
}

void frmDelver::ShowCurrentTab()
{
    EditorTab* tab = CurrentTab();
    if (!tab || !mnuEdit_Undo)
        return;
    txtSQL = tab->txtSQL;
    SetCaption(tab->strCurrentFile);
    if (frmFindReplace)
        frmFindReplace->SetEditor(txtSQL);
}

void frmDelver::ShowLoggedInUser(bool restoreTexts)
{
    try {
        dockSchema->Fill(ListSchema(*levyDatabase));
    } catch (const RuntimeError& error) {
        dockSchema->Clear();
        MsgBox(u"The tables of the database could not be listed: "_s + error.description, Icon::Exclamation,
               u"Database"_s);
    }
    for (EditorTab* tab : tabQueries->Tabs())
        tab->txtSQL->Completion()->SetSchema(dockSchema->Listing());
    session_ = std::make_unique<SessionKeeper>(tabQueries, CurrentUserName);
    if (restoreTexts)
        session_->Restore();
    else
        session_->SaveNow();
    history_ = std::make_unique<QueryHistory>(QueryHistory::PathFor(CurrentUserName));
    try {
        if (const QString setAside = history_->Load(); !setAside.isEmpty())
            MsgBox(setAside, Icon::Exclamation, u"History"_s);
    } catch (const RuntimeError& error) {
        history_.reset();
        MsgBox(error.description + u" The statements you run are not kept."_s, Icon::Exclamation, u"History"_s);
    }
    ShowHistory();
}

void frmDelver::ForgetLoggedInUser()
{
    recalled_ = {};
    dockSchema->Clear();
    for (EditorTab* tab : tabQueries->Tabs())
        tab->txtSQL->Completion()->SetSchema({});
    session_.reset();
    history_.reset();
    ShowHistory();
}

void frmDelver::GoToLine()
{
    const int lines = txtSQL->blockCount();
    const QString answer = InputBox(u"Line number (1 to %1):"_s.arg(lines), u"Go to Line"_s,
                                    QString::number(txtSQL->textCursor().blockNumber() + 1));
    if (answer.isEmpty())
        return;
    bool number = false;
    const int line = answer.trimmed().toInt(&number);
    if (!number || !txtSQL->GoToLine(line))
        MsgBox(u"There is no line %1: the text has lines 1 to %2."_s.arg(answer.trimmed()).arg(lines),
               Icon::Exclamation, u"Go to Line"_s);
}

QStringList frmDelver::RecentFiles() const { return recentFiles_->Files(); }

void frmDelver::OpenRecentFile(const QString& path)
{
    GuardedCancellable([&] {
        if (recentFiles_->StillThere(path))
            OpenPath(path);
    });
}

void frmDelver::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Guarded([this] {
        if (MsgBox(u"Exit the Delver Utility"_s, Icon::Question, u"Exit"_s, Buttons::YesNo) != Answer::Yes)
            return;
        QSet<EditorTab*> discarded;
        try {
            discarded = CheckEveryUnsavedText();
        } catch (const RuntimeError&) {
            return;
        }
        if (session_)
            session_->SaveNow(discarded);
        EndProgram();
    });
}

} // namespace levy
