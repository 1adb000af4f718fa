#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QToolBar;

namespace levy {

class CommonDialog;
class FindReplaceDialog;
class HistoryPanel;
class QueryHistory;
class SchemaPanel;
class SqlEditor;
class StatusBar;

// Delver's main window: runs the start-up and the rights gate, then edits one SQL
// statement, saves, opens and prints it, and executes it.
class frmDelver : public QMainWindow {
    Q_OBJECT
public:
    frmDelver();
    ~frmDelver() override;

    CommonDialog* dlgSQL_Form;
    QWidget* TopCoolBar;
    QToolBar* tbrTools;
    QList<QIcon> imgEnabled;
    SqlEditor* txtSQL;
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
    QMenu* mnuEdit;
    QAction* mnuEdit_Undo;
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
    SchemaPanel* dockSchema;
    HistoryPanel* dockHistory;
    FindReplaceDialog* frmFindReplace;

    static constexpr int recentFileCount = 8;
    QStringList RecentFiles() const { return recentFiles_; }
    // The history of the user logged in; null while nobody is, or when it cannot be kept.
    QueryHistory* History() const { return history_.get(); }

    QString strCurrentFile;
    bool blnDirty = false;

    // The operations behind the menu and the toolbar. Each ends quietly when the user
    // cancels, and reports any other failure itself.
    void NewQuery();
    void OpenSQLFile();
    void SaveSQL(bool blnSaveAs);
    void PrintSQL();
    void LogOff();
    void ExecuteQuery();
    // F5 and Ctrl+Enter: the selection when there is one, else the statement the cursor
    // stands in, marked while it runs, through the same checks as Execute Query.
    void RunStatementOrSelection();
    void OpenRecentFile(const QString& path);
    void GoToLine();
    void RecallFromHistory(const QString& statement, bool replace);
    void ClearHistory();
    void tbrTools_ButtonClick(const QString& key);

    // Raises the cancellation error when the user cancels.
    void CheckUnsavedChanges();

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
    void ShowLoggedInUser();
    void ForgetLoggedInUser();
    // `placed` restates the places a refusal names for the whole text.
    void RunStatement(const QString& statement, const std::function<QString(const QString&)>& placed = {});
    void Remember(const QString& statement, qint64 records, const QString& error, qint64 pageOneMs = -1,
                  qint64 countMs = -1);
    void ShowHistory();
    void OpenPath(const QString& path);
    void NoteRecentFile(const QString& path);
    void SaveRecentFiles();
    void FillRecentMenu();
    void SaveLayout();
    void BuildWorkbench();
    void AdmitOnlyWithDelverRight();
    void ArrangeControls();
    void SaveTo(bool blnSaveAs);
    void SetCaption(const QString& file);
    QAction* AddItem(const QString& name, const QString& caption, const std::function<void()>& handler);
    bool blnFirstActivation = true;
    bool ending_ = false;
    bool layoutRestored_ = false;
    QStringList recentFiles_;
    std::unique_ptr<QueryHistory> history_;
};

} // namespace levy
