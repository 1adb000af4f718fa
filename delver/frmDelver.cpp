#include "frmDelver.h"

#include "QueryValidation.h"
#include "SqlEditor.h"
#include "ToolbarImages.h"
#include "levy/DatabaseAccess.h"
#include "dialogs/frmSystem_AboutBox.h"
#include "frmDelverResults.h"
#include "frmSystem_StartUp.h"
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
#include "widgets/StatusBar.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
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
const QString sqlFilter = u"Sql Files (*.sql)|*.sql|Text Files (*.TXT)|*.txt"_s;

[[noreturn]] void RaiseCancellation()
{
    Raise(errUserCancelled, u"Delver"_s, u"User Request cancelation of operation"_s);
}

// Runs a step under the editor's rule for failures: a cancellation passes on; any other
// failure asks Retry or Cancel, and Retry runs the step again. False when the user
// gave up.
bool WithRetry(const std::function<void()>& step)
{
    for (;;) {
        try {
            step();
            return true;
        } catch (const RuntimeError& error) {
            if (IsCancellation(error))
                throw;
            if (MsgBox(error.description, Icon::Exclamation, u"Error"_s, Buttons::RetryCancel) != Answer::Retry)
                return false;
        }
    }
}

// Ends an operation quietly when the user cancelled it.
void Quietly(const std::function<void()>& operation)
{
    Guarded([&] {
        try {
            operation();
        } catch (const RuntimeError& error) {
            if (!IsCancellation(error))
                throw;
        }
    });
}
} // namespace

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

    txtSQL = new SqlEditor(client);
    txtSQL->setObjectName(u"txtSQL"_s);
    QFont font(u"Times New Roman"_s);
    font.setPointSizeF(11.25);
    txtSQL->setFont(font);
    txtSQL->SetText(u"SELECT\r\n"_s);
    blnDirty = false;
    connect(txtSQL, &QPlainTextEdit::textChanged, this, [this] { blnDirty = true; });

    barBottomStatusBar = new StatusBar(this, u"barBottomStatusBar"_s);
    setStatusBar(barBottomStatusBar);

    resize(Twips(9285), Twips(6120) + menuBar()->sizeHint().height() + barBottomStatusBar->sizeHint().height());
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
    txtSQL->setGeometry(0, TopCoolBar->height(), client->width(), h > 0 ? h : txtSQL->height());
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

void frmDelver::CheckUnsavedChanges()
{
    const QString trimmed = TrimSpaces(txtSQL->Text());
    if (!blnDirty || trimmed.isEmpty() || trimmed.compare(u"select"_s, Qt::CaseInsensitive) == 0)
        return;
    switch (MsgBox(u"This document has changed since you last saved it. Do you "_s + u"want to keep these changes."_s,
                   Icon::Question, u"Mail Merge"_s, Buttons::YesNoCancel)) {
    case Answer::Yes: SaveTo(false); break;
    case Answer::No: break;
    default: RaiseCancellation();
    }
}

void frmDelver::NewQuery()
{
    Quietly([this] {
        CheckUnsavedChanges();
        txtSQL->SetText(u"SELECT"_s);
        strCurrentFile.clear();
        blnDirty = false;
        SetCaption({});
        repaint();
    });
}

void frmDelver::OpenSQLFile()
{
    Quietly([this] {
        CheckUnsavedChanges();
        dlgSQL_Form->DialogTitle = u"Open SQL Text"_s;
        dlgSQL_Form->Filter = sqlFilter;
        dlgSQL_Form->FilterIndex = 1;
        dlgSQL_Form->Flags = CommonDialog::cdlOFNFileMustExist | CommonDialog::cdlOFNHideReadOnly;
        dlgSQL_Form->FileName.clear();
        dlgSQL_Form->CancelError = true;
        dlgSQL_Form->ShowOpen();
        const QString path = dlgSQL_Form->FileName;
        qint64 size = 0;
        if (!WithRetry([&] {
                const QFileInfo info(path);
                if (!info.isFile())
                    Raise(53, u"Open SQL File"_s, u"File not found: \"%1\"."_s.arg(path));
                size = info.size();
            }))
            return;
        if (size > 30000) {
            MsgBox(u"This file is too long to be opened in this utility."_s, Icon::Exclamation, u"Open SQL File"_s);
            return;
        }
        QString text = u"SELECT"_s;
        if (size > 0 && !WithRetry([&] {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly))
                    Raise(75, u"Open SQL File"_s,
                          u"The file \"%1\" could not be read: %2."_s.arg(path, file.errorString()));
                text = Windows1252::Decode(file.readAll());
            }))
            return;
        txtSQL->SetText(text);
        strCurrentFile = path;
        blnDirty = false;
        SetCaption(path);
    });
}

void frmDelver::SaveSQL(bool blnSaveAs)
{
    Quietly([this, blnSaveAs] { SaveTo(blnSaveAs); });
}

void frmDelver::SaveTo(bool blnSaveAs)
{
    QString target = strCurrentFile;
    if (blnSaveAs || strCurrentFile.isEmpty()) {
        dlgSQL_Form->DialogTitle = u"Save SQL Text"_s;
        dlgSQL_Form->Filter = sqlFilter;
        dlgSQL_Form->FilterIndex = 1;
        dlgSQL_Form->FileName = strCurrentFile;
        dlgSQL_Form->Flags = CommonDialog::cdlOFNOverwritePrompt | CommonDialog::cdlOFNHideReadOnly |
                             CommonDialog::cdlOFNPathMustExist;
        dlgSQL_Form->CancelError = true;
        dlgSQL_Form->ShowSave();
        target = dlgSQL_Form->FileName;
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
    const bool saved = WithRetry([&] {
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit())
            Raise(75, u"Save SQL"_s, u"The file \"%1\" could not be written: %2."_s.arg(target, file.errorString()));
    });
    if (!saved) {
        // The text is still unsaved: whatever asked for the save must not go on and
        // discard it.
        RaiseCancellation();
    }
    strCurrentFile = target;
    blnDirty = false;
    SetCaption(target);
}

void frmDelver::PrintSQL()
{
    Quietly([this] {
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
        WithRetry([&] {
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
    Quietly([this] {
        if (MsgBox(u"Are you sure you want to log off?"_s, Icon::Question, u"Log Off"_s, Buttons::YesNo) != Answer::Yes)
            return;
        CheckUnsavedChanges();
        LogOffUser();
        CloseLevyDatabase();
        barBottomStatusBar->SetSessionText(QString());
        frmSystem_StartUp splash(this);
        ShowModal(splash);
        AdmitOnlyWithDelverRight();
        barBottomStatusBar->SetSessionText(u"Logged in as "_s + CurrentUserName);
    });
}

void frmDelver::ExecuteQuery()
{
    Guarded([this] {
        if (ValidateQuery(txtSQL->Text()) && showResults)
            showResults(this);
    });
}

void frmDelver::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Guarded([this] {
        if (MsgBox(u"Exit the Delver Utility"_s, Icon::Question, u"Exit"_s, Buttons::YesNo) != Answer::Yes)
            return;
        try {
            CheckUnsavedChanges();
        } catch (const RuntimeError&) {
            return;
        }
        EndProgram();
    });
}

} // namespace levy
