#include "dimcurve.h"

#include "chartparts.h"
#include "ui_dimcurve.h"

#include <QChart>
#include <QKeyEvent>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

using namespace QtCharts;

namespace {

const QColor CURVE_COLOR(70, 163, 255);
const QColor END_MARKER_COLOR(234, 117, 0);
const QColor START_MARKER_COLOR(255, 225, 83);
constexpr qreal MARKER_SIZE = 8.0;
constexpr qreal FULL_LEVEL = 100.0;
constexpr qreal INPUT_MAX_V = 10.0;
// Below this the input reads as no signal at all: a dim-to-off driver is off there.
constexpr qreal OFF_BELOW_V = 0.5;

} // namespace

dimcurve::dimcurve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::dimcurve)
{
    ui->setupUi(this);
    ui->dimSubGroupBox->setStyleSheet(QStringLiteral("QGroupBox { font: 16px \"Arial Black\"; color:rgb(74,74,74);} "));
    installEventFilter(this);
    connectSignals();
    readSettings();
    initChart();
}

dimcurve::~dimcurve()
{
    delete ui;
}

void dimcurve::connectSignals()
{
    connect(ui->dimOffRadioButton, SIGNAL(clicked()), this, SLOT(groupBoxValueChanged()));
    connect(ui->minDimRadioButton, SIGNAL(clicked()), this, SLOT(groupBoxValueChanged()));
    connect(ui->minDimSpinBox, SIGNAL(valueChanged(int)), this, SLOT(groupBoxValueChanged()));
    connect(ui->startDimDoubleSpinBox, SIGNAL(valueChanged(double)), this, SLOT(groupBoxValueChanged()));
    connect(ui->endDimDoubleSpinBox, SIGNAL(valueChanged(double)), this, SLOT(groupBoxValueChanged()));
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
}

void dimcurve::readSettings()
{
    settings.mode = ui->dimOffRadioButton->isChecked() ? 0 : 1;
    settings.minLevel = ui->minDimSpinBox->value();
    settings.startVoltage = ui->startDimDoubleSpinBox->value();
    settings.endVoltage = ui->endDimDoubleSpinBox->value();
}

void dimcurve::loadSettings(const DimSettings& s)
{
    if (s.mode != 0)
        ui->minDimRadioButton->setChecked(true);
    else
        ui->dimOffRadioButton->setChecked(true);
    ui->minDimSpinBox->setValue(s.minLevel);
    ui->startDimDoubleSpinBox->setValue(s.startVoltage);
    ui->endDimDoubleSpinBox->setValue(s.endVoltage);
    readSettings();
    updateChart();
}

void dimcurve::setVoltageLimits(double startMax, double endMin)
{
    ui->startDimDoubleSpinBox->setMaximum(startMax);
    ui->endDimDoubleSpinBox->setMinimum(endMin);
}

void dimcurve::setMinLevelMinimum(int v)
{
    ui->minDimSpinBox->setMinimum(v);
}

void dimcurve::lockMinDimMode(bool on)
{
    if (!on)
        return;
    ui->dimOffRadioButton->setEnabled(false);
    ui->dimOffRadioButton->setChecked(false);
    ui->minDimRadioButton->setEnabled(false);
    ui->minDimRadioButton->setChecked(true);
}

void dimcurve::setVoltageVisible(bool visible)
{
    ui->startDimDoubleSpinBox->setVisible(visible);
    ui->endDimDoubleSpinBox->setVisible(visible);
    ui->maxDimVoltageLabel_2->setVisible(visible);
    ui->minDimVoltageLabel_2->setVisible(visible);
}

void dimcurve::setModeEditable(int e)
{
    if (e != 0 && e != 1)
        return;
    ui->minDimRadioButton->setEnabled(e == 1);
    ui->minDimSpinBox->setEnabled(e == 1);
    ui->dimOffRadioButton->setEnabled(e == 1);
}

bool dimcurve::eventFilter(QObject* watched, QEvent* event)
{
    // OK is the only way out, so the main window always gets the curve back.
    if (qobject_cast<QDialog*>(watched) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void dimcurve::groupBoxValueChanged()
{
    readSettings();
    updateChart();
}

void dimcurve::okBtnClicked()
{
    emit hideDialog(settings);
    hide();
}

// ---- Chart --------------------------------------------------------------------------------------

void dimcurve::initChart()
{
    chart = new QChart();
    xAxis = newValueAxis(11, 1);
    chart->addAxis(xAxis, Qt::AlignBottom);
    yAxis = newValueAxis(7, 3);
    chart->addAxis(yAxis, Qt::AlignLeft);

    updateChart();
    xAxis->setRange(0, INPUT_MAX_V);
    yAxis->setRange(0, 120);
    titleChart(chart, xAxis, tr("Dim Input Voltage (V)"), yAxis, tr("Output Level (%)"));
    showChart(ui->chartView, chart);
}

void dimcurve::updateChart()
{
    const qreal minLevel = settings.minLevel;
    const qreal start = settings.startVoltage;
    const qreal end = settings.endVoltage;
    const bool dimToOff = settings.mode == 0;

    // The chart deletes the series it holds.
    chart->removeAllSeries();
    const QPointF bottom = dimToOff ? QPointF(end, 0.0) : QPointF(0.0, minLevel);
    addChartSeries(chart, new QLineSeries(chart), CURVE_COLOR,
                   {bottom, {end, minLevel}, {start, FULL_LEVEL}, {INPUT_MAX_V, FULL_LEVEL}}, xAxis, yAxis);
    if (dimToOff)
        addChartSeries(chart, new QLineSeries(chart), CURVE_COLOR,
                       {{OFF_BELOW_V, 0.0}, {OFF_BELOW_V, minLevel}, {end, minLevel}}, xAxis, yAxis);
    for (const auto& marker : {qMakePair(QPointF(end, minLevel), END_MARKER_COLOR),
                               qMakePair(QPointF(start, FULL_LEVEL), START_MARKER_COLOR)}) {
        auto* dot = new QScatterSeries(chart);
        dot->setMarkerSize(MARKER_SIZE);
        addChartSeries(chart, dot, marker.second, {marker.first}, xAxis, yAxis);
    }
}
