#include "frmDelverParameters.h"

#include "database/SchemaListing.h"
#include "jet/parameters/JetParameters.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "values/DaoConstants.h"
#include "widgets/FormControls.h"

#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QStyle>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString title = u"Enter Parameter Value"_s;
// The office writes dates day first, as the program reads them.
const QString dateFormat = u"dd/MM/yyyy"_s;

// A calendar beside a date's text box, from its button or Alt+Down and F4 as a list opens;
// the date picked replaces the date typed and keeps a time after it.
void AddDatePicker(QLineEdit& box)
{
    box.setPlaceholderText(u"dd/mm/yyyy"_s);
    QAction* pick = box.addAction(box.style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    pick->setObjectName(box.objectName() + u"Calendar"_s);
    pick->setToolTip(u"Choose a date (Alt+Down)"_s);
    pick->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Down), QKeySequence(Qt::Key_F4)});
    pick->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(pick, &QAction::triggered, &box, [&box] {
        auto* calendar = new QCalendarWidget(&box);
        calendar->setObjectName(u"calParameter"_s);
        calendar->setWindowFlag(Qt::Popup);
        calendar->setAttribute(Qt::WA_DeleteOnClose);
        calendar->setAccessibleName(box.accessibleName() + u" calendar"_s);
        const QString typed = box.text().trimmed();
        const QDate shown = QDate::fromString(typed.section(u' ', 0, 0), dateFormat);
        calendar->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
        QObject::connect(calendar, &QCalendarWidget::activated, &box, [&box, calendar](QDate date) {
            const QString time = box.text().trimmed().section(u' ', 1).trimmed();
            box.setText(date.toString(dateFormat) + (time.isEmpty() ? QString() : u' ' + time));
            calendar->close();
            box.setFocus();
        });
        QObject::connect(calendar, &QCalendarWidget::clicked, calendar, &QCalendarWidget::activated);
        calendar->adjustSize();
        calendar->move(box.mapToGlobal(QPoint(0, box.height())));
        calendar->show();
        calendar->setFocus();
    });
}

bool IsNumber(int type)
{
    return type == dbByte || type == dbInteger || type == dbLong || type == dbCurrency || type == dbSingle ||
           type == dbDouble;
}

// A listed field's type, as far as telling what an undeclared parameter meets goes.
int TypeOf(const QString& shown)
{
    static const QHash<QString, int> types = {
        {u"Date/Time"_s, dbDate}, {u"Currency"_s, dbCurrency}, {u"Long Integer"_s, dbLong}, {u"Integer"_s, dbInteger},
        {u"Byte"_s, dbByte},      {u"Double"_s, dbDouble},     {u"Single"_s, dbSingle},    {u"Yes/No"_s, dbBoolean},
    };
    return types.value(shown, shown.startsWith(u"Text"_s) ? int(dbText) : 0);
}

// The listed tables as the translation asks for them: their fields' names, and their
// types as far as the listing shows them; a table the listing lacks (added since, not
// listed, or the listing failed) as the database has it, as the run will read it.
class ListingSchema : public jet::JetSchema {
public:
    ListingSchema(const SchemaListing& listing, const jet::JetSchema* live) : listing_(listing), live_(live) {}
    std::optional<jet::SchemaTable> Table(const QString& schema, const QString& name) const override
    {
        if (!schema.isEmpty() && schema.compare(u"main"_s, Qt::CaseInsensitive) != 0)
            return live_ ? live_->Table(schema, name) : std::nullopt;
        for (const ListedTable& t : listing_.tables)
            if (t.name.compare(name, Qt::CaseInsensitive) == 0) {
                jet::SchemaTable table;
                table.isTable = true;
                for (const ListedField& f : t.fields)
                    table.columns.append(jet::SchemaColumn{f.name, TypeOf(f.type), false});
                return table;
            }
        return live_ ? live_->Table(schema, name) : std::nullopt;
    }

private:
    const SchemaListing& listing_;
    const jet::JetSchema* live_;
};
} // namespace

frmDelverParameters::frmDelverParameters(QWidget* owner, QList<jet::JetParameter> parameters,
                                         const QList<HistoryParameter>& offered)
    : QDialog(owner), parameters_(std::move(parameters))
{
    SetUpDialog(*this, u"frmDelverParameters"_s, title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeLabel(this, u"lblParametersIntro"_s,
                                parameters_.size() == 1 ? u"The statement asks for a value:"_s
                                                        : u"The statement asks for these values:"_s));
    // Many parameters scroll, so that the dialog fits a small screen.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(u"scrParameters"_s);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setAccessibleName(u"Values asked for"_s);
    auto* body = new QWidget(scroll);
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    for (qsizetype i = 0; i < parameters_.size(); ++i) {
        const jet::JetParameter& p = parameters_[i];
        QString value;
        for (const HistoryParameter& o : offered)
            if (o.name.compare(p.name, Qt::CaseInsensitive) == 0)
                value = o.value;
        const QString n = QString::number(i + 1);
        const QString typeText = jet::ParameterTypeText(p);
        // An undeclared name is read as what it is compared with.
        const int type = p.declared || p.comparedType == 0 ? p.type : p.comparedType;
        QWidget* input = nullptr;
        if (type == dbBoolean) {
            auto* choice = new QComboBox(body);
            choice->setObjectName(u"cboParameter"_s + n);
            choice->addItems({u"Yes"_s, u"No"_s});
            choice->setCurrentIndex(value.compare(u"No"_s, Qt::CaseInsensitive) == 0 ? 1 : 0);
            input = choice;
        } else {
            QLineEdit* box = MakeTextBox(body, u"txtParameter"_s + n, typeText);
            box->setText(value);
            if (IsNumber(type)) {
                box->setAlignment(Qt::AlignRight);
                box->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
            }
            // A text box, so that a time can follow the date and an empty value is Null;
            // the calendar picks the date.
            if (type == dbDate)
                AddDatePicker(*box);
            input = box;
        }
        input->setAccessibleName(p.name);
        // A date input's own text box is what a reader lands on.
        if (auto* inner = input->findChild<QLineEdit*>())
            inner->setAccessibleName(p.name);
        input->setAccessibleDescription(typeText);
        input->setToolTip(typeText);
        auto* label = MakeLabel(body, u"lblParameter"_s + n, jet::BriefName(p.name) + u" ("_s + typeText + u"):"_s);
        label->setToolTip(p.name);
        label->setBuddy(input);
        label->setWordWrap(true);
        grid->addWidget(label, row, 0);
        grid->addWidget(input, row, 1);
        ++row;
        if (!p.declared) {
            // A misspelt field is asked for as a parameter: this line shows it at once.
            auto* note = MakeLabel(body, u"lblParameterNote"_s + n,
                                   u"No field has the name [%1]. If you meant a field, correct its name in the "
                                   u"statement."_s.arg(jet::BriefName(p.name)));
            note->setWordWrap(true);
            QFont small = note->font();
            small.setItalic(true);
            note->setFont(small);
            input->setAccessibleDescription(typeText + u". "_s + note->text());
            grid->addWidget(note, row, 1);
            ++row;
        }
        inputs.append(input);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    scroll->setWidget(body);
    layout->addWidget(scroll, 1);
    cmdOK = MakeButton(this, u"cmdOK"_s, u"OK"_s, {}, EnterKey::Default);
    cmdCancel = MakeButton(this, u"cmdCancel"_s, u"Cancel"_s);
    layout->addLayout(ButtonRow({cmdOK, cmdCancel}));
    connect(cmdOK, &QPushButton::clicked, this, &frmDelverParameters::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDelverParameters::reject);
    // Reading order: the inputs top to bottom, then the buttons.
    QWidget* previous = nullptr;
    for (QWidget* w : inputs) {
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    if (previous)
        setTabOrder(previous, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setMinimumWidth(440);
    if (!inputs.isEmpty())
        inputs.first()->setFocus();
}

QString frmDelverParameters::TextOf(int i) const
{
    QWidget* input = inputs[i];
    if (auto* choice = qobject_cast<QComboBox*>(input))
        return choice->currentText();
    return static_cast<QLineEdit*>(input)->text();
}

void frmDelverParameters::accept()
{
    QList<HistoryParameter> typed;
    QList<jet::BoundParameter> bound;
    for (int i = 0; i < parameters_.size(); ++i) {
        const QString text = TextOf(i);
        try {
            bound.append({parameters_[i].name, jet::ParameterValue(parameters_[i], text)});
        } catch (const RuntimeError& error) {
            MsgBox(error.description, Icon::Exclamation, title);
            inputs[i]->setFocus();
            if (auto* box = qobject_cast<QLineEdit*>(inputs[i]))
                box->selectAll();
            return;
        }
        typed.append({parameters_[i].name, text});
    }
    typed_ = typed;
    bound_ = bound;
    QDialog::accept();
}

bool AskForParameters(QWidget* owner, const QString& statement, const SchemaListing& listing,
                      const jet::JetSchema* live, const QList<HistoryParameter>& offered,
                      QList<HistoryParameter>& typed, QList<jet::BoundParameter>& bound)
{
    typed.clear();
    bound.clear();
    const ListingSchema schema(listing, live);
    const QList<jet::JetParameter> parameters = jet::FindJetParameters(statement, schema);
    if (parameters.isEmpty())
        return true;
    frmDelverParameters dialog(owner, parameters, offered);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    typed = dialog.Typed();
    bound = dialog.Bound();
    return true;
}

QList<HistoryParameter> OfferedValues(const QString& statement, const HistoryEntry& recalled,
                                      const QueryHistory* history)
{
    const QString wanted = statement.trimmed();
    if (recalled.statement.trimmed() == wanted)
        return recalled.parameters;
    if (history)
        for (const HistoryEntry& e : history->Entries())
            if (!e.parameters.isEmpty() && e.statement.trimmed() == wanted)
                return e.parameters;
    return {};
}

} // namespace levy
