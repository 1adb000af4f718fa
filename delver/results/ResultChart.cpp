#include "ResultChart.h"

#include "ResultRows.h"

#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "values/DaoConstants.h"
#include "widgets/BusyPointer.h"
#include "widgets/CommonDialog.h"
#include "widgets/FormControls.h"
#include "widgets/Guard.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPrinter>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QSvgGenerator>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {

const QString chartTitle = u"Chart"_s;

// A value as a point's height or place; NaN for Null and what is no number.
double NumberOf(const Value& value)
{
    if (value.IsInteger())
        return double(value.AsInteger());
    if (value.IsCurrency())
        return double(value.AsCurrency().tenThousandths) / 10000.0;
    // An infinite height has no place on an axis: it is left out, as a Null is.
    if (value.IsDouble())
        return std::isfinite(value.AsDouble()) ? value.AsDouble() : std::numeric_limits<double>::quiet_NaN();
    if (value.IsBoolean())
        return value.AsBoolean() ? -1.0 : 0.0;
    if (value.IsDate())
        return double(QDateTime(value.AsDate().date, value.AsDate().time).toMSecsSinceEpoch());
    return std::numeric_limits<double>::quiet_NaN();
}

// A figure as the office writes its amounts, in groups of three ("1 500 000").
QString GroupedFigure(double value, int decimals)
{
    // Beyond the amounts' fifteen digits a figure in full says no more than its first ones.
    if (std::abs(value) >= 1e15)
        return QString::number(value, 'g', 6);
    QString text = QString::number(std::abs(value), 'f', decimals);
    const qsizetype point = decimals > 0 ? text.indexOf(u'.') : text.size();
    for (qsizetype p = point - 3; p > 0; p -= 3)
        text.insert(p, u' ');
    const bool zero = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == u'0' || !c.isDigit(); });
    return value < 0 && !zero ? u'-' + text : text;
}

// A value axis prints its figures without grouping: its ticks are labelled as categories
// ending at each tick instead.
void LabelTicks(QCategoryAxis& axis, int decimals)
{
    axis.setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis.setStartValue(axis.min());
    const int ticks = std::max(2, axis.tickCount());
    const double step = (axis.max() - axis.min()) / (ticks - 1);
    QList<double> values;
    for (int i = 0; i < ticks; ++i)
        values.append(i + 1 == ticks ? axis.max() : axis.min() + i * step);
    // Ticks closer than the decimals show would share a label, and the axis keeps only the
    // first of equal labels: as many more decimals as tell them apart.
    QStringList labels;
    for (;; ++decimals) {
        labels.clear();
        for (double at : values)
            labels.append(GroupedFigure(at, decimals));
        if (decimals >= 10 || QSet<QString>(labels.cbegin(), labels.cend()).size() == labels.size())
            break;
    }
    for (int i = 0; i < ticks; ++i)
        axis.append(labels[i], values[i]);
}

bool IsDateColumn(const ResultRows& rows, int column)
{
    return column >= 0 && rows.Column(column).type == dbDate;
}

// Lines against dates or numbers are placed by their value; against anything else,
// by their order, each named by its label.
enum class Axis { Categories, Dates, Numbers };

Axis AxisFor(const ResultRows& rows, const ChartChoice& choice)
{
    if (choice.kind == ChartKind::Bars || choice.labelColumn < 0)
        return Axis::Categories;
    if (IsDateColumn(rows, choice.labelColumn))
        return Axis::Dates;
    return IsNumberColumn(rows.Column(choice.labelColumn)) ? Axis::Numbers : Axis::Categories;
}

constexpr qsizetype maxLabelledCategories = 500;

QAbstractAxis* MakeXAxis(Axis axis, const QStringList& labels, bool lines)
{
    switch (axis) {
    case Axis::Dates: {
        auto* dates = new QDateTimeAxis;
        dates->setFormat(u"dd/MM/yyyy"_s);
        return dates;
    }
    case Axis::Numbers:
        return new QValueAxis;
    case Axis::Categories:
        break;
    }
    auto* categories = new QBarCategoryAxis;
    categories->append(labels);
    // Thousands of labels overprint one another into a black band, and laying each out
    // costs more than drawing the bars: past a readable number the axis shows none.
    if (labels.size() > maxLabelledCategories)
        categories->setLabelsVisible(false);
    if (lines && labels.size() > 1)
        categories->setRange(labels.first(), labels.last());
    return categories;
}

} // namespace

bool IsNumberColumn(const FieldDef& field)
{
    switch (field.type) {
    case dbByte:
    case dbInteger:
    case dbLong:
    case dbCurrency:
    case dbSingle:
    case dbDouble:
        return true;
    default:
        return false;
    }
}

ChartChoice DefaultChartChoice(const ResultRows& rows)
{
    ChartChoice choice;
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        if (!IsNumberColumn(rows.Column(c))) {
            if (choice.labelColumn < 0)
                choice.labelColumn = c;
        } else {
            choice.valueColumns.append(c);
        }
    }
    if (IsDateColumn(rows, choice.labelColumn))
        choice.kind = ChartKind::Lines;
    return choice;
}

QChart* BuildResultChart(ResultRows& rows, const ChartChoice& choice, int64_t& drawn)
{
    drawn = std::min(rows.RowCount(), maxChartRecords);
    const Axis axis = AxisFor(rows, choice);
    QStringList labels;
    QList<double> places;
    labels.reserve(int(drawn));
    for (int64_t r = 0; r < drawn; ++r) {
        if (axis == Axis::Categories)
            labels.append(choice.labelColumn < 0 ? QString::number(r + 1) : rows.TextAt(r, choice.labelColumn));
        else
            places.append(NumberOf(rows.At(r, choice.labelColumn)));
    }
    // Equal labels would fold into one category: each point keeps its own.
    if (axis == Axis::Categories && choice.labelColumn >= 0 && labels.removeDuplicates() > 0) {
        labels.clear();
        for (int64_t r = 0; r < drawn; ++r)
            labels.append(u"%1 (%2)"_s.arg(rows.TextAt(r, choice.labelColumn)).arg(r + 1));
    }

    auto chart = std::make_unique<QChart>();
    chart->legend()->setVisible(choice.valueColumns.size() > 1);
    auto* yAxis = new QCategoryAxis;
    QAbstractAxis* xAxis = MakeXAxis(axis, labels, choice.kind == ChartKind::Lines);
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);

    QBarSeries* bars = nullptr;
    if (choice.kind == ChartKind::Bars) {
        bars = new QBarSeries;
        chart->addSeries(bars);
    }
    double low = 0, high = 0;
    for (int column : choice.valueColumns) {
        const QString name = rows.Column(column).name;
        QList<qreal> heights;
        heights.reserve(int(drawn));
        for (int64_t r = 0; r < drawn; ++r) {
            const double h = NumberOf(rows.At(r, column));
            heights.append(h);
            if (!std::isnan(h)) {
                low = std::min(low, h);
                high = std::max(high, h);
            }
        }
        if (bars) {
            auto* set = new QBarSet(name);
            for (qreal& h : heights)
                if (std::isnan(h))
                    h = 0;  // a bar of nothing
            set->append(heights);
            bars->append(set);
            continue;
        }
        QList<QPointF> points;
        points.reserve(heights.size());
        for (int r = 0; r < heights.size(); ++r)
            if (!std::isnan(heights[r]) && (axis == Axis::Categories || !std::isnan(places[r])))
                points.append(QPointF(axis == Axis::Categories ? double(r) : places[r], heights[r]));
        auto* line = new QLineSeries;
        line->setName(name);
        line->replace(points);
        chart->addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(yAxis);
    }
    if (bars) {
        bars->attachAxis(xAxis);
        bars->attachAxis(yAxis);
    }
    if (axis != Axis::Categories && !places.isEmpty()) {
        double first = std::numeric_limits<double>::infinity(), last = -first;
        for (double p : places)
            if (!std::isnan(p)) {
                first = std::min(first, p);
                last = std::max(last, p);
            }
        if (first <= last) {
            if (axis == Axis::Dates)
                xAxis->setRange(QDateTime::fromMSecsSinceEpoch(qint64(first)),
                                QDateTime::fromMSecsSinceEpoch(qint64(last)));
            else
                xAxis->setRange(first, last);
        }
    }
    yAxis->setRange(low, high > low ? high : low + 1);
    yAxis->applyNiceNumbers();
    // Whole figures for large values, two decimals for small ones: never "3000000.0".
    LabelTicks(*yAxis, high - low >= 100 ? 0 : 2);
    return chart.release();
}

QImage ChartPicture(QChartView& view)
{
    QImage picture(view.size(), QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    view.render(&painter);
    painter.end();
    return picture;
}

void SaveChartPicture(QChartView& view, const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != u"png"_s && suffix != u"svg"_s)
        Raise(5, chartTitle, u"A chart can be saved as a PNG picture (.png) or an SVG drawing (.svg), not as \"%1\"."_s
                                 .arg(QFileInfo(path).fileName()));
    // Written beside the file and put in its place whole, so that a failure keeps what was there.
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const QSize size = view.size();
        if (suffix == u"png"_s) {
            written = ChartPicture(view).save(&file, "PNG");
        } else {
            QSvgGenerator drawing;
            drawing.setOutputDevice(&file);
            drawing.setSize(size);
            drawing.setViewBox(QRect(QPoint(0, 0), size));
            drawing.setTitle(view.chart()->title());
            QPainter painter(&drawing);
            view.render(&painter);
            written = painter.end();
        }
        written = written && file.commit();
    }
    if (!written)
        Raise(75, chartTitle, u"The chart could not be saved as \"%1\": %2."_s.arg(path, file.errorString()));
}

frmResultChart::frmResultChart(QWidget* owner, ResultRows& rows, const QString& title) : QDialog(owner), rows_(rows)
{
    setObjectName(u"frmResultChart"_s);
    setWindowTitle(chartTitle);
    setSizeGripEnabled(true);
    cboKind = new QComboBox(this);
    cboKind->setObjectName(u"cboKind"_s);
    cboKind->addItems({u"Bars"_s, u"Lines"_s});
    cboLabels = new QComboBox(this);
    cboLabels->setObjectName(u"cboLabels"_s);
    cboLabels->addItem(u"(Record numbers)"_s, -1);
    lstSeries = new QListWidget(this);
    lstSeries->setObjectName(u"lstSeries"_s);
    lstSeries->setAccessibleName(u"Series"_s);
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        cboLabels->addItem(rows.Column(c).name, c);
        if (!IsNumberColumn(rows.Column(c)))
            continue;
        auto* item = new QListWidgetItem(rows.Column(c).name, lstSeries);
        item->setData(Qt::UserRole, c);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    }
    const ChartChoice initial = DefaultChartChoice(rows);
    cboKind->setCurrentIndex(initial.kind == ChartKind::Lines ? 1 : 0);
    cboLabels->setCurrentIndex(cboLabels->findData(initial.labelColumn));
    for (int i = 0; i < lstSeries->count(); ++i)
        lstSeries->item(i)->setCheckState(
            initial.valueColumns.contains(lstSeries->item(i)->data(Qt::UserRole).toInt()) ? Qt::Checked
                                                                                           : Qt::Unchecked);
    auto line = [this](const QString& name, const QString& text, const QString& tip) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        edit->setToolTip(tip);
        return edit;
    };
    txtTitle = line(u"txtTitle"_s, title, u"The chart's title"_s);
    txtLabelsAxis = line(u"txtLabelsAxis"_s, {}, u"The name of the axis along the labels"_s);
    txtValuesAxis = line(u"txtValuesAxis"_s, {}, u"The name of the axis of the figures"_s);
    chtResult = new QChartView(this);
    chtResult->setObjectName(u"chtResult"_s);
    chtResult->setRenderHint(QPainter::Antialiasing);
    chtResult->setAccessibleName(u"Chart"_s);
    lblNote = new QLabel(this);
    lblNote->setObjectName(u"lblNote"_s);
    cmdSave = MakeButton(this, u"cmdSave"_s, u"&Save As..."_s, u"Save the chart as a picture"_s, EnterKey::WhenFocused);
    cmdCopy = MakeButton(this, u"cmdCopy"_s, u"&Copy"_s, u"Copy the chart as a picture"_s, EnterKey::WhenFocused);
    cmdPrint = MakeButton(this, u"cmdPrint"_s, u"&Print..."_s, u"Print the chart"_s, EnterKey::WhenFocused);
    cmdClose = MakeButton(this, u"cmdClose"_s, u"Close"_s, {}, EnterKey::WhenFocused);
    dlgChart = new CommonDialog(this, u"dlgChart"_s);

    auto* choices = new QVBoxLayout;
    const std::pair<QString, QWidget*> captioned[] = {
        {u"&Draw as:"_s, cboKind}, {u"&Labels:"_s, cboLabels},          {u"S&eries:"_s, lstSeries},
        {u"&Title:"_s, txtTitle},  {u"Labels a&xis:"_s, txtLabelsAxis}, {u"&Figures axis:"_s, txtValuesAxis}};
    for (const auto& [caption, control] : captioned) {
        // The caption names its control for a screen reader, and its key goes to it.
        auto* label = new QLabel(caption, this);
        label->setBuddy(control);
        choices->addWidget(label);
        choices->addWidget(control, control == lstSeries ? 1 : 0);
    }
    auto* middle = new QHBoxLayout;
    middle->addLayout(choices);
    middle->addWidget(chtResult, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblNote, 1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);
    resize(860, 560);

    connect(cboKind, &QComboBox::currentIndexChanged, this, [this] { Guarded([this] { Redraw(); }); });
    connect(cboLabels, &QComboBox::currentIndexChanged, this, [this] { Guarded([this] { Redraw(); }); });
    connect(lstSeries, &QListWidget::itemChanged, this, [this] { Guarded([this] { Redraw(); }); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { Guarded([this] { cmdSave_Click(); }); });
    connect(cmdCopy, &QPushButton::clicked, this, [this] { Guarded([this] { cmdCopy_Click(); }); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { Guarded([this] { cmdPrint_Click(); }); });
    for (QLineEdit* edit : {txtTitle, txtLabelsAxis, txtValuesAxis}) {
        connect(edit, &QLineEdit::textChanged, this, [this] { ShowTitles(); });
        // Typed by the user: kept when the columns drawn change.
        connect(edit, &QLineEdit::textEdited, edit, [edit] { edit->setProperty("typed", true); });
    }
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

ChartChoice frmResultChart::Choice() const
{
    ChartChoice choice;
    choice.kind = cboKind->currentIndex() == 1 ? ChartKind::Lines : ChartKind::Bars;
    choice.labelColumn = cboLabels->currentData().toInt();
    for (int i = 0; i < lstSeries->count(); ++i)
        if (lstSeries->item(i)->checkState() == Qt::Checked)
            choice.valueColumns.append(lstSeries->item(i)->data(Qt::UserRole).toInt());
    return choice;
}

void frmResultChart::NameAxes(const ChartChoice& choice)
{
    if (!txtLabelsAxis->property("typed").toBool())
        txtLabelsAxis->setText(choice.labelColumn < 0 ? u"Record"_s : rows_.Column(choice.labelColumn).name);
    if (!txtValuesAxis->property("typed").toBool()) {
        QStringList names;
        for (int column : choice.valueColumns)
            names.append(rows_.Column(column).name);
        txtValuesAxis->setText(names.join(u", "_s));
    }
}

void frmResultChart::ShowTitles()
{
    QChart* chart = chtResult->chart();
    if (!chart)
        return;
    chart->setTitle(txtTitle->text());
    QFont font = chart->titleFont();
    font.setBold(true);
    font.setPointSizeF(QFont().pointSizeF() * 1.3);
    chart->setTitleFont(font);
    if (QAbstractAxis* x = chart->axes(Qt::Horizontal).value(0))
        x->setTitleText(txtLabelsAxis->text());
    if (QAbstractAxis* y = chart->axes(Qt::Vertical).value(0))
        y->setTitleText(txtValuesAxis->text());
}

void frmResultChart::Redraw()
{
    BusyPointer busy;
    int64_t drawn = 0;
    QChart* old = chtResult->chart();
    const ChartChoice choice = Choice();
    chtResult->setChart(BuildResultChart(rows_, choice, drawn));
    delete old;
    NameAxes(choice);
    ShowTitles();
    const int64_t total = rows_.RowCount();
    const QLocale english(QLocale::English);
    lblNote->setText(drawn < total ? u"The chart shows the first %1 of %2 records."_s.arg(english.toString(drawn),
                                                                                        english.toString(total))
                                   : QString());
    for (QPushButton* b : {cmdSave, cmdCopy, cmdPrint})
        b->setEnabled(!choice.valueColumns.isEmpty());
}

void frmResultChart::cmdCopy_Click() { QGuiApplication::clipboard()->setImage(ChartPicture(*chtResult)); }

void frmResultChart::cmdPrint_Click()
{
    const QString title = u"Print Chart"_s;
    try {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        dlgChart->DialogTitle = title;
        dlgChart->PrintSelectionChoice = false;
        dlgChart->CancelError = true;
        dlgChart->ShowPrinter(printer);
        QPainter painter;
        if (!painter.begin(&printer))
            Raise(482, title, u"The printer could not be started. Check that it is ready and try again."_s);
        // Drawn, not copied as pixels: the printer's resolution, the chart's proportions.
        const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
        chtResult->render(&painter, QRectF(0, 0, page.width(), page.height()), chtResult->viewport()->rect(),
                          Qt::KeepAspectRatio);
        painter.end();
    } catch (const RuntimeError& error) {
        TellUnlessCancelled(error, title);
    }
}

void frmResultChart::cmdSave_Click()
{
    dlgChart->DialogTitle = u"Save Chart"_s;
    dlgChart->Filter = u"PNG Pictures (*.png)|*.png|SVG Drawings (*.svg)|*.svg"_s;
    dlgChart->Flags = CommonDialog::cdlOFNOverwritePrompt | CommonDialog::cdlOFNPathMustExist;
    dlgChart->FileName.clear();
    dlgChart->CancelError = false;
    dlgChart->ShowSave();
    if (dlgChart->FileName.isEmpty())
        return;
    try {
        SaveChartPicture(*chtResult, dlgChart->FileName);
        MsgBox(u"Chart successfully saved to "_s + dlgChart->FileName, Icon::Information, u"Save Chart"_s);
    } catch (const RuntimeError& error) {
        MsgBox(error.description, Icon::Exclamation, u"Save Chart"_s);
    }
}

void frmResultChart::Show(QWidget* owner, ResultRows& rows, const QString& title)
{
    try {
        bool anyNumbers = false;
        for (int c = 0; c < rows.ColumnCount(); ++c)
            anyNumbers = anyNumbers || IsNumberColumn(rows.Column(c));
        if (!anyNumbers) {
            MsgBox(u"The result has no column of numbers to draw."_s, Icon::Information, chartTitle);
            return;
        }
        if (rows.RowCount() == 0) {
            MsgBox(u"The result holds no records to draw."_s, Icon::Information, chartTitle);
            return;
        }
        frmResultChart window(owner, rows, title);
        window.Redraw();
        ShowModal(window);
    } catch (const RuntimeError& error) {
        TellUnlessCancelled(error, chartTitle);
    }
}

} // namespace levy
