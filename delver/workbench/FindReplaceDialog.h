#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace levy {

class SqlEditor;

// Find and Replace over the SQL editor; stays open beside it while the user edits.
class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    FindReplaceDialog(QWidget* owner, SqlEditor* editor);

    // Shows the dialog for finding only, or for replacing too, with the editor's
    // selection (when it is on one line) as the text to find.
    void Open(bool replacing);
    // Finds the next occurrence of the last text looked for; opens the dialog when
    // nothing was looked for yet.
    void FindNext();
    // The text it works on from now on.
    void SetEditor(SqlEditor* editor) { editor_ = editor; }

    QLineEdit* txtFind;
    QLineEdit* txtReplace;
    QLabel* lblReplace;
    QCheckBox* chkMatchCase;
    QPushButton* cmdFindNext;
    QPushButton* cmdReplace;
    QPushButton* cmdReplaceAll;
    QPushButton* cmdClose;

private:
    void NotFound();
    SqlEditor* editor_;
};

} // namespace levy
