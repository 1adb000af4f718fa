#pragma once

#include "utilities/HelpRoutines.h"

#include <QObject>
#include <QString>

#include <functional>

class QPrinter;
class QWidget;

namespace levy {

// The common dialog of a window: open, save and help, with the familiar properties.
// Cancelling raises error 32755 when CancelError is set; otherwise it leaves FileName
// empty.
class CommonDialog : public QObject, public HelpDialog {
    Q_OBJECT
public:
    explicit CommonDialog(QWidget* owner, const QString& name);

    QString DialogTitle;
    QString Filter;  // "Description|pattern|Description|pattern"
    int FilterIndex = 1;  // the filter shown first; after the dialog, the one the user chose
    int Flags = 0;
    QString FileName;
    QString InitDir;      // the folder the open or save dialog starts in; empty: the working folder
    QString AcceptLabel;  // the caption of its accept button; empty: "Open" or "Save"
    bool CancelError = false;
    bool PrintSelectionChoice = true;  // the print dialog offers to print the selection

    void ShowOpen();
    void ShowSave();
    void ShowHelp() override;
    // The print dialog: sets up `printer` and tells whether the user chose to print the
    // selection. Raises 32755 when cancelled and CancelError is set.
    bool ShowPrinter(QPrinter& printer);
    // Why the open or save dialog, with its flags, refuses a name (empty when it takes
    // it); cdlOFNNoReadOnlyReturn also refuses a folder this user cannot write in. A save
    // dialog first gives a name typed without an extension that of its selected filter
    // ("*.mdb" gives ".mdb"; "*.*" gives none).
    QString Refusal(const QString& name) const;
    // A name as the save dialog would return it when typed there: without an extension
    // it gets that of the selected filter.
    QString WithExtension(const QString& name) const;

    // Flags of the open and save dialogs.
    static constexpr int cdlOFNReadOnly = 0x1;
    static constexpr int cdlOFNOverwritePrompt = 0x2;
    static constexpr int cdlOFNHideReadOnly = 0x4;
    static constexpr int cdlOFNPathMustExist = 0x800;
    static constexpr int cdlOFNFileMustExist = 0x1000;
    static constexpr int cdlOFNNoReadOnlyReturn = 0x8000;

    // Test seam: the next open or save dialog answers with this name as if typed in it
    // (a save dialog adds its extension), or is cancelled (an empty name), without being
    // shown. Each shown dialog is recorded. A filter index chooses that filter as the user
    // would (0 keeps the dialog's).
    static void QueueFileName(const QString& name, int filterIndex = 0);
    struct Shown {
        QString kind, title, filter, fileName;
        int flags;
        int filterIndex = 1;
        QString initDir, acceptLabel;
    };
    static QList<Shown> ShownDialogs();
    static void ClearQueue();
    // Test seam: runs once when the next open or save dialog has handed back a name it
    // took, as another program changing the file system before the caller uses it would.
    static void WhenChosen(std::function<void(const QString& chosen)> act);
    // Test seam for the print dialog: the next one prints to this PDF file (the
    // selection only when asked), or is cancelled when the file name is empty.
    static void QueuePrint(const QString& pdfFile, bool selection);

private:
    void Show(bool save);
    QString Ask(bool save);
    QWidget* owner_;
};

} // namespace levy
