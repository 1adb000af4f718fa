#pragma once

#include "history/QueryHistory.h"
#include "jet/translation/JetTranslator.h"
#include "jet/syntax/UserStatement.h"

#include <QDialog>
#include <QList>

class QPushButton;

namespace levy {

struct SchemaListing;

// Asks, all at once, for the values of a statement's parameters before it runs: one input
// a parameter, in the order they are asked, fitting its type (a date, a number, Yes or
// No, a text), filled with the values offered. A name the statement declares nowhere
// carries a line saying that no field has that name. OK refuses a value that does not fit
// its type, says why and keeps the dialog open with that input focused.
class frmDelverParameters : public QDialog {
    Q_OBJECT
public:
    frmDelverParameters(QWidget* owner, QList<jet::JetParameter> parameters, const QList<HistoryParameter>& offered);

    // The values as typed, and as bound to the statement; both in the order asked.
    const QList<HistoryParameter>& Typed() const { return typed_; }
    const QList<jet::BoundParameter>& Bound() const { return bound_; }

    QList<QWidget*> inputs;  // one a parameter
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void accept() override;

private:
    QString TextOf(int i) const;
    QList<jet::JetParameter> parameters_;
    QList<HistoryParameter> typed_;
    QList<jet::BoundParameter> bound_;
};

// Finds what a statement asks for, reading its names against the listed tables (and
// `live`, when given, for a table the listing lacks), and asks for them; true with nothing
// asked when it asks for nothing, false when the user cancelled. `offered` fills the
// inputs by name.
bool AskForParameters(QWidget* owner, const QString& statement, const SchemaListing& listing,
                      const jet::JetSchema* live, const QList<HistoryParameter>& offered,
                      QList<HistoryParameter>& typed, QList<jet::BoundParameter>& bound);

// The values offered to a statement: those of the history entry it was recalled from,
// when it is that entry's statement; else those it last ran with (the newest entry of
// the history that holds the same statement, blanks around it aside); else none.
QList<HistoryParameter> OfferedValues(const QString& statement, const HistoryEntry& recalled,
                                      const QueryHistory* history);

} // namespace levy
