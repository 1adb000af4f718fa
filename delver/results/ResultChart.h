#pragma once

#include <QDialog>
#include <QList>

#include <cstdint>

class QChart;
class QChartView;
class QComboBox;
class QImage;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace levy {

class CommonDialog;
class ResultRows;
struct FieldDef;

enum class ChartKind { Bars, Lines };

// What a chart draws: one series per value column, against the label column (or the
// record numbers when there is none).
struct ChartChoice {
    ChartKind kind = ChartKind::Bars;
    int labelColumn = -1;
    QList<int> valueColumns;
};

// Columns of numbers can be series; any column can label the points.
bool IsNumberColumn(const FieldDef& field);
// The first column that is not a number labels the points and every column of numbers
// is a series: a crosstab's columns become its series.
ChartChoice DefaultChartChoice(const ResultRows& rows);

// Charts draw at most this many records; more would be a solid block of ink.
inline constexpr int64_t maxChartRecords = 10000;

// Builds the chart of the first maxChartRecords records; raises what the engine raises.
// `drawn` receives the number of records the chart holds.
QChart* BuildResultChart(ResultRows& rows, const ChartChoice& choice, int64_t& drawn);

// The chart as shown, as a picture on white.
QImage ChartPicture(QChartView& view);

// Saves a chart as a PNG picture or an SVG drawing, by the name's extension.
// Raises a RuntimeError naming the file when it cannot be written.
void SaveChartPicture(QChartView& view, const QString& path);

// The Chart window of a result: the choices beside the chart (what is drawn, its title
// and the names of its axes), and Save As, Copy and Print below.
class frmResultChart : public QDialog {
    Q_OBJECT
public:
    // `title`: the result's name, the chart's first title.
    frmResultChart(QWidget* owner, ResultRows& rows, const QString& title = {});

    // Opens the chart of `rows` modally, or says why the result cannot be charted.
    static void Show(QWidget* owner, ResultRows& rows, const QString& title = {});

    QComboBox* cboKind;
    QComboBox* cboLabels;
    QListWidget* lstSeries;
    QLineEdit* txtTitle;
    QLineEdit* txtLabelsAxis;
    QLineEdit* txtValuesAxis;
    QChartView* chtResult;
    QLabel* lblNote;
    QPushButton* cmdSave;
    QPushButton* cmdCopy;
    QPushButton* cmdPrint;
    QPushButton* cmdClose;
    CommonDialog* dlgChart;

    void Redraw();
    void cmdSave_Click();
    // Puts the chart on the clipboard as a picture.
    void cmdCopy_Click();
    void cmdPrint_Click();

private:
    ChartChoice Choice() const;
    // The axes' names follow the columns drawn until the user types names of their own.
    void NameAxes(const ChartChoice& choice);
    void ShowTitles();

    ResultRows& rows_;
};

} // namespace levy
