#pragma once

#include "history/QueryHistory.h"

#include <QDockWidget>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace levy {

// The statements the user ran, newest first, searched by text. It asks for a statement
// to replace the editor's text or to be inserted at the cursor, and for the history to
// be cleared; the editor does the work.
class HistoryPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit HistoryPanel(QWidget* parent);

    // Shows the entries that hold the search text.
    void Show(const QList<HistoryEntry>& entries);
    // The statement of the chosen line, or nothing when none is chosen.
    QString ChosenStatement() const;
    // The values the chosen statement ran with, or none.
    QList<HistoryParameter> ChosenParameters() const;

    QLineEdit* txtHistorySearch;
    QListWidget* lstHistory;
    QPushButton* cmdHistoryReplace;
    QPushButton* cmdHistoryInsert;
    QPushButton* cmdHistoryClear;

    // One line of the list for an entry.
    static QString LineFor(const HistoryEntry& entry);

signals:
    void replaceRequested(const QString& statement);
    void insertRequested(const QString& statement);
    void clearRequested();

private:
    void Refill();
    QList<HistoryEntry> entries_;
};

} // namespace levy
