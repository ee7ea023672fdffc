#include "mtpcurve.h"

#include "chartparts.h"
#include "ui_mtpcurve.h"

#include <QCategoryAxis>
#include <QChart>
#include <QKeyEvent>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

using namespace QtCharts;

namespace {

// The derating must fall over a real resistance span: the start stays this far above the end.
constexpr double MIN_DERATING_SPAN_KOHM = 0.5;

constexpr int AXIS_GRID_KOHM = 5;
constexpr int AXIS_LABEL_STEPS = 6;
const QColor CURVE_COLOR(0x46, 0xA3, 0xFF);
const QColor START_MARKER_COLOR(0xEA, 0x75, 0x00);
const QColor END_MARKER_COLOR(0xFF, 0xE1, 0x53);
constexpr qreal MARKER_SIZE = 8.0;
constexpr qreal FULL_LEVEL = 100.0;

// Resistance falls from left to right: the axis runs from the multiple of 5 kOhm above the start
// (left) to one step below the end's multiple of 5 (right, 0 for an end below 10), and a
// resistance R is drawn at mirror - R.
struct AxisSpan
{
    int top;
    int bottom;
    int mirror;
};

AxisSpan axisSpan(const mtpcurve::MTPSettings& s)
{
    const int top = int(s.start) / AXIS_GRID_KOHM * AXIS_GRID_KOHM + AXIS_GRID_KOHM;
    const int belowEnd = int(s.end) / AXIS_GRID_KOHM * AXIS_GRID_KOHM - AXIS_GRID_KOHM;
    const int bottom = belowEnd >= AXIS_GRID_KOHM ? belowEnd : 0;
    return {top, bottom, top + bottom};
}

} // namespace

mtpcurve::mtpcurve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::mtpcurve)
{
    ui->setupUi(this);
    ui->MTPGroupBox->setStyleSheet(QStringLiteral("QGroupBox { font: 16px \"Arial Black\"; color:rgb(74,74,74);} "));
    installEventFilter(this);
    connectSignals();
    readSettings();
    initChart();
}

mtpcurve::~mtpcurve()
{
    delete ui;
}

void mtpcurve::connectSignals()
{
    connect(ui->MTPMinLevelSpinBox, SIGNAL(valueChanged(int)), this, SLOT(groupBoxValueChanged()));
    connect(ui->MTPStartDoubleSpinBox, SIGNAL(valueChanged(double)), this, SLOT(groupBoxValueChanged()));
    connect(ui->MTPEndDoubleSpinBox, SIGNAL(valueChanged(double)), this, SLOT(groupBoxValueChanged()));
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
}

void mtpcurve::readSettings()
{
    settings.start = ui->MTPStartDoubleSpinBox->value();
    settings.end = ui->MTPEndDoubleSpinBox->value();
    settings.minLevel = ui->MTPMinLevelSpinBox->value();
    // Raising the start's minimum may raise its value, which re-enters here through valueChanged
    // and leaves settings consistent with the form.
    ui->MTPStartDoubleSpinBox->setMinimum(settings.end + MIN_DERATING_SPAN_KOHM);
    ui->MTPEndDoubleSpinBox->setMaximum(ui->MTPStartDoubleSpinBox->maximum() - MIN_DERATING_SPAN_KOHM);
}

void mtpcurve::loadSettings(const MTPSettings& s)
{
    // The end first: its range never depends on the start, while the start's minimum follows the
    // end. Set first, the start would be clamped to the old end and stay there.
    ui->MTPEndDoubleSpinBox->setValue(s.end);
    ui->MTPStartDoubleSpinBox->setValue(s.start);
    ui->MTPMinLevelSpinBox->setValue(s.minLevel);
    readSettings();
    initChart();
}

bool mtpcurve::eventFilter(QObject* watched, QEvent* event)
{
    if (qobject_cast<QDialog*>(watched) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void mtpcurve::groupBoxValueChanged()
{
    readSettings();
    initChart();
}

void mtpcurve::okBtnClicked()
{
    emit hideDialog(settings);
    hide();
}

// ---- Chart --------------------------------------------------------------------------------------

void mtpcurve::initChart()
{
    chart = new QChart();

    const AxisSpan span = axisSpan(settings);
    const int step = qMax((span.top - span.bottom) / AXIS_LABEL_STEPS, 1);
    xAxis = newCategoryAxis();
    for (int i = 0; i <= (span.top - span.bottom) / step; ++i)
        xAxis->append(QStringLiteral("%1").arg(span.top - i * step), span.bottom + i * step);
    chart->addAxis(xAxis, Qt::AlignBottom);
    yAxis = newValueAxis(7, 1);
    chart->addAxis(yAxis, Qt::AlignLeft);

    updateChart();
    xAxis->setRange(span.bottom, span.top);
    yAxis->setRange(0, 120);
    titleChart(chart, xAxis, tr("NTC (K Ohm)"), yAxis, tr("Dim Level (%)"));
    showChart(ui->chartView, chart);
}

void mtpcurve::updateChart()
{
    const qreal mirror = axisSpan(settings).mirror;
    const qreal minLevel = settings.minLevel;
    const QPointF startKnee(mirror - settings.start, FULL_LEVEL);
    const QPointF endKnee(mirror - settings.end, minLevel);

    // The chart deletes the series it holds.
    chart->removeAllSeries();
    addChartSeries(chart, new QLineSeries(chart), CURVE_COLOR,
                   {{0.0, FULL_LEVEL}, startKnee, endKnee, {mirror, minLevel}}, xAxis, yAxis);
    for (const auto& marker : {qMakePair(startKnee, START_MARKER_COLOR), qMakePair(endKnee, END_MARKER_COLOR)}) {
        auto* dot = new QScatterSeries(chart);
        dot->setMarkerSize(MARKER_SIZE);
        addChartSeries(chart, dot, marker.second, {marker.first}, xAxis, yAxis);
    }
}
