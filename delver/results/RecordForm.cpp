#include "RecordForm.h"

#include "AmountSigns.h"
#include "ResultCellText.h"
#include "ResultRows.h"
#include "export/GridColours.h"
#include "widgets/BusyPointer.h"
#include "widgets/Contrast.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"
#include "widgets/Placement.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace levy {

namespace {
QColor FromColourValue(int colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }
} // namespace

QString RecordFieldText(ResultRows& rows, int64_t row, int column, int* colour)
{
    const ResultCellText cell = FormatResultCell(rows.At(row, column), rows.Column(column).type);
    if (colour)
        *colour = cell.setsColour ? cell.colour : 0;
    // Whole numbers and amounts come laid out for the grid's columns; here they stand alone.
    QString text = cell.text;
    if (cell.setsColour && IsAmountColour(cell.colour))
        text = ShownAmount(text.trimmed(), cell.colour == gridRed, AmountSigns::Minus);
    else if (text.endsWith(u"  "_s))
        text = text.trimmed();
    return text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
}

frmResultRecord::frmResultRecord(QWidget* owner, ResultRows& rows, Source source, int64_t row)
    : QDialog(owner), rows_(rows), source_(std::move(source)), row_(row)
{
    SetUpDialog(*this, u"frmResultRecord"_s, u"Record"_s);
    setSizeGripEnabled(true);

    lblPosition = MakeLabel(this, u"lblPosition"_s, {});
    picFields = new QScrollArea(this);
    picFields->setObjectName(u"picFields"_s);
    picFields->setWidgetResizable(true);
    picFields->setFocusPolicy(Qt::NoFocus);
    auto* fields = new QWidget(picFields);
    fields->setObjectName(u"picFieldRows"_s);
    auto* grid = new QGridLayout(fields);
    grid->setColumnStretch(1, 1);
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        const QString name = rows.Column(c).name;
        QLabel* caption = MakeLabel(fields, u"lblName%1"_s.arg(c), name + u':');
        caption->setTextFormat(Qt::PlainText);
        QLabel* value = MakeLabel(fields, u"txtValue%1"_s.arg(c), {});
        value->setTextFormat(Qt::PlainText);
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        value->setFocusPolicy(Qt::StrongFocus);
        value->setAccessibleName(name);
        value->setFrameShape(QFrame::StyledPanel);
        value->setAutoFillBackground(true);
        value->setBackgroundRole(QPalette::Base);
        value->setMargin(2);
        value->installEventFilter(this);
        grid->addWidget(caption, c, 0, Qt::AlignTop | Qt::AlignLeft);
        grid->addWidget(value, c, 1);
        lblNames.append(caption);
        txtValues.append(value);
    }
    grid->setRowStretch(rows.ColumnCount(), 1);
    picFields->setWidget(fields);

    cmdPrevious = MakeButton(this, u"cmdPrevious"_s, u"&Previous"_s, u"The record before (Up)"_s);
    cmdNext = MakeButton(this, u"cmdNext"_s, u"&Next"_s, u"The record after (Down)"_s);
    cmdCopy = MakeButton(this, u"cmdCopy"_s, u"&Copy"_s, u"Every field as a line of text on the clipboard"_s);
    cmdClose = MakeButton(this, u"cmdClose"_s, u"Close"_s, {}, EnterKey::WhenFocused);
    connect(cmdPrevious, &QPushButton::clicked, this, [this] { Guarded([this] { Step(-1); }); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { Guarded([this] { Step(1); }); });
    connect(cmdCopy, &QPushButton::clicked, this, [this] { Guarded([this] { CopyRecord(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPosition);
    layout->addWidget(picFields, 1);
    layout->addLayout(ButtonRow({cmdPrevious, cmdNext, cmdCopy, cmdClose}));

    QList<QWidget*> order(txtValues.cbegin(), txtValues.cend());
    order << cmdPrevious << cmdNext << cmdCopy << cmdClose;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The arrows step wherever the focus is: a button would move the focus with them.
    installEventFilter(this);
    for (QPushButton* b : {cmdPrevious, cmdNext, cmdCopy, cmdClose})
        b->installEventFilter(this);

    resize(560, 420);
    CentreOverWhenShown(this, owner);
    ShowRecord();
    if (!txtValues.isEmpty())
        txtValues.first()->setFocus();
}

int64_t frmResultRecord::Show(QWidget* owner, ResultRows& rows, Source source, int64_t row)
{
    frmResultRecord form(owner, rows, std::move(source), row);
    ShowModal(form);
    return form.Row();
}

void frmResultRecord::ShowRecord()
{
    BusyPointer busy;
    lblPosition->setText(source_.where(row_));
    for (int c = 0; c < txtValues.size(); ++c) {
        int colour = 0;
        QLabel* value = txtValues[c];
        value->setText(RecordFieldText(rows_, row_, c, &colour));
        // On the field's Base background the label writes in the Text colour.
        QPalette palette = value->palette();
        const QColor ink = colour == 0 ? QApplication::palette().color(QPalette::Text)
                                       : ReadableOn(FromColourValue(colour), palette.color(QPalette::Base));
        palette.setColor(QPalette::Text, ink);
        palette.setColor(QPalette::WindowText, ink);
        value->setPalette(palette);
    }
    cmdPrevious->setEnabled(row_ > 0);
}

void frmResultRecord::Step(int by)
{
    const int64_t next = row_ + by;
    if (next < 0 || !source_.exists(next)) {
        Beep();
        return;
    }
    row_ = next;
    ShowRecord();
}

void frmResultRecord::CopyRecord()
{
    QStringList lines;
    for (int c = 0; c < txtValues.size(); ++c)
        lines.append(rows_.Column(c).name + u": "_s + txtValues[c]->text());
    QApplication::clipboard()->setText(lines.join(u'\n'));
}

bool frmResultRecord::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return QDialog::eventFilter(watched, event);
    int by = 0;
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_PageUp)
        by = -1;
    else if (key->key() == Qt::Key_Down || key->key() == Qt::Key_PageDown)
        by = 1;
    if (by == 0)
        return QDialog::eventFilter(watched, event);
    Guarded([this, by] { Step(by); });
    return true;
}

} // namespace levy
