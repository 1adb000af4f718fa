#pragma once

#include <QMainWindow>

#include <functional>

class QAction;
class QMenu;
class QToolBar;

namespace levy {

class CommonDialog;
class SqlEditor;
class StatusBar;

// Delver's main window: runs the start-up and the rights gate, then edits one SQL
// statement, saves, opens and prints it, and executes it.
class frmDelver : public QMainWindow {
    Q_OBJECT
public:
    frmDelver();

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
    void AdmitOnlyWithDelverRight();
    void ArrangeControls();
    void SaveTo(bool blnSaveAs);
    void SetCaption(const QString& file);
    QAction* AddItem(const QString& name, const QString& caption, const std::function<void()>& handler);
    bool blnFirstActivation = true;
    bool ending_ = false;
};

} // namespace levy
