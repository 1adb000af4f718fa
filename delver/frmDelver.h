#pragma once

#include "history/QueryHistory.h"

#include <QPointer>
#include <QMainWindow>

#include <QSet>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QToolBar;

namespace levy {

class CommonDialog;
class EditorTab;
class EditorTabs;
class FileDrops;
class SessionKeeper;
class FindReplaceDialog;
class HistoryPanel;
class QueryHistory;
class RecentFileList;
class SchemaPanel;
class SqlEditor;
class StatusBar;

// Delver's main window: runs the start-up and the rights gate, then edits SQL texts, a
// tab each, saves, opens and prints them, and executes them.
class frmDelver : public QMainWindow {
    Q_OBJECT
public:
    frmDelver();
    ~frmDelver() override;

    CommonDialog* dlgSQL_Form;
    QWidget* TopCoolBar;
    QToolBar* tbrTools;
    QList<QIcon> imgEnabled;
    EditorTabs* tabQueries = nullptr;
    // The current tab's text box: every command acts on it.
    SqlEditor* txtSQL = nullptr;
    StatusBar* barBottomStatusBar;
    QMenu* mnuTools;
    QAction* mnuTools_NewQuery;
    QAction* mnuTools_OpenSQLFIle;
    QAction* mnuTools_SaveSQL;
    QAction* mnuTools_SaveSQLAs;
    QAction* mnuTools_ExecuteQuery;
    QAction* mnuTools_PrintSQL;
    QAction* mnuTools_Help;
    QAction* mnuTools_About;
    QAction* mnuTools_LogOff;
    QAction* mnuTools_Exit;

    // Beyond the Tools menu: the recent files, the editing commands, running with a key,
    // and the panels beside the editor.
    QMenu* mnuFile;
    QMenu* mnuFile_Recent;
    QAction* mnuFile_CloseQuery;
    QMenu* mnuEdit;
    QAction* mnuEdit_Undo = nullptr;
    QAction* mnuEdit_Redo;
    QAction* mnuEdit_Find;
    QAction* mnuEdit_Replace;
    QAction* mnuEdit_FindNext;
    QAction* mnuEdit_GoToLine;
    QMenu* mnuQuery;
    QAction* mnuQuery_Run;
    QAction* mnuQuery_Complete;
    QAction* mnuQuery_ClearHistory;
    QMenu* mnuView;
    QAction* mnuView_Database;
    QAction* mnuView_History;
    QAction* mnuView_NextQuery;
    QAction* mnuView_PreviousQuery;
    SchemaPanel* dockSchema = nullptr;
    HistoryPanel* dockHistory = nullptr;
    QPointer<FindReplaceDialog> frmFindReplace;

    static constexpr int recentFileCount = 8;
    QStringList RecentFiles() const;
    // The history of the user logged in; null while nobody is, or when it cannot be kept.
    QueryHistory* History() const { return history_.get(); }

    // The current text's tab, with its file and its changed state.
    EditorTab* CurrentTab() const;
    QString CurrentFile() const;
    // What keeps the texts of the user logged in for their next start; null while
    // nobody is.
    SessionKeeper* Session() const { return session_.get(); }

    // The operations behind the menu and the toolbar. Each ends quietly when the user
    // cancels, and reports any other failure itself.
    void NewQuery();
    void OpenSQLFile();
    void SaveSQL(bool blnSaveAs);
    void PrintSQL();
    void LogOff();
    // Closes a tab (the current one when none is given), asking about its changes first.
    void CloseQuery(EditorTab* tab = nullptr);
    void ExecuteQuery();
    // F5 and Ctrl+Enter: the selection when there is one, else the statement the cursor
    // stands in, marked while it runs, through the same checks as Execute Query.
    void RunStatementOrSelection();
    void OpenRecentFile(const QString& path);
    void GoToLine();
    void RecallFromHistory(const QString& statement, bool replace);
    void ClearHistory();
    void tbrTools_ButtonClick(const QString& key);

    // Asks about the current text's changes. Raises the cancellation error when the user
    // cancels; false when they chose to lose the changes.
    bool CheckUnsavedChanges();
    // Asks about each changed text in turn; the texts whose changes are to be lost.
    // Raises the cancellation error when the user cancels any one: nothing is lost then.
    QSet<EditorTab*> CheckEveryUnsavedText();

    // Opens the results of an accepted statement; the results window installs itself.
    static std::function<void(QWidget*)> showResults;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Activate();
    // What the user logged in sees of the database and of their own history; emptied
    // at Log Off.
    // `restoreTexts`: the user's own texts replace those open.
    void ShowLoggedInUser(bool restoreTexts = true);
    void ForgetLoggedInUser();
    // `placed` restates the places a refusal names for the whole text.
    void RunStatement(const QString& statement, const std::function<QString(const QString&)>& placed = {});
    // Puts the editor's cursor on the place a message names, underlined until the text changes.
    void PointAtError(SqlEditor* editor, const QString& message);
    void Remember(const QString& statement, qint64 records, const QString& error,
                  const QList<HistoryParameter>& values = {}, qint64 pageOneMs = -1, qint64 countMs = -1);
    void ShowHistory();
    void OpenPath(const QString& path);
    void SaveLayout();
    void BuildWorkbench();
    void WireTab(EditorTab* tab);
    void ShowCurrentTab();
    void AdmitOnlyWithDelverRight();
    void ArrangeControls();
    void SaveTo(bool blnSaveAs);
    void SetCaption(const QString& file);
    QAction* AddItem(const QString& name, const QString& caption, const std::function<void()>& handler);
    bool blnFirstActivation = true;
    bool ending_ = false;
    bool layoutRestored_ = false;
    RecentFileList* recentFiles_ = nullptr;
    std::unique_ptr<QueryHistory> history_;
    std::unique_ptr<SessionKeeper> session_;
    FileDrops* drops_ = nullptr;
    HistoryEntry recalled_;  // the statement last recalled, with the values it ran with
};

} // namespace levy
