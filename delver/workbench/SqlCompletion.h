#pragma once

#include "database/SchemaListing.h"

#include <QHash>
#include <QObject>

class QCompleter;
class QStandardItemModel;
class QPlainTextEdit;

namespace levy {

// Completion as the user types in the SQL editor: the open database's tables and
// fields (only a table's own after "[Table]." or "alias.", and first those of the tables
// the statement names), the dialect's functions with
// their arguments, and the language's words. The text changes only when the user
// accepts a proposal, and then in one step that Undo takes back.
class SqlCompletion : public QObject {
    Q_OBJECT
public:
    explicit SqlCompletion(QPlainTextEdit* editor);

    // Letters typed before the list opens by itself.
    static constexpr int lettersBeforeOpening = 3;

    void SetSchema(const SchemaListing& listing);
    QCompleter* Completer() const { return completer_; }
    bool IsOpen() const;

    // After a key was typed: opens, narrows or closes the list. `asked` is Ctrl+Space.
    void Update(bool asked);
    void Close();

private:
    struct Word {
        int start = 0;        // where the replaced text begins
        QString prefix;       // what the user typed of the name
        bool bracketed = false;
        QString qualifier;    // the table or alias before a full stop
    };
    Word WordAtCursor() const;
    QStandardItemModel* FieldsOf(const QString& qualifier);
    // The tables the statement names after FROM, JOIN or a comma, by position in the listing.
    QList<int> TablesNamed() const;
    // Everything, the named tables' fields first; everything_ when it names none.
    QStandardItemModel* Scoped();
    void Accept(const QString& name, int kind);

    QPlainTextEdit* editor_;
    QCompleter* completer_;
    QStandardItemModel* everything_;
    QStandardItemModel* qualified_;
    QStandardItemModel* scoped_;
    QList<int> scopedTables_;  // what scoped_ was made for
    SchemaListing listing_;
    QHash<QString, int> tableByName_;  // lower-case name: position in listing_.tables
    Word word_;
};

} // namespace levy
