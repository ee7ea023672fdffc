#include "clocurve.h"

#include "chartparts.h"
#include "ui_clocurve.h"

#include <QCategoryAxis>
#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

using namespace QtCharts;

namespace {

const QColor CURVE_COLOR(0x46, 0xA3, 0xFF);
// Output levels worth a label; the others would crowd the axis.
constexpr int LEVEL_LABELS[] = {50, 60, 80, 100, 120, 140, 150};

} // namespace

clocurve::clocurve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::clocurve)
{
    ui->setupUi(this);
    initChart();
}

clocurve::~clocurve()
{
    delete ui;
}

void clocurve::setTimeList(const QList<double>& newTimes)
{
    times = newTimes;
}

void clocurve::setLevelList(const QList<double>& newLevels)
{
    levels = newLevels;
    updateChart();
}

void clocurve::initChart()
{
    chart = new QChart();
    xAxis = newValueAxis(11, 1);
    chart->addAxis(xAxis, Qt::AlignBottom);
    yAxis = newCategoryAxis();
    for (int level : LEVEL_LABELS)
        yAxis->append(QString::number(level), level);
    chart->addAxis(yAxis, Qt::AlignLeft);

    updateChart();
    xAxis->setRange(0, 100);
    yAxis->setRange(50, 150);
    titleChart(chart, xAxis, tr("Operation Time (K Hours)"), yAxis, tr("Output Level (%)"));
    showChart(ui->chartView, chart);
}

void clocurve::updateChart()
{
    // A point needs both its time and its level; a longer list's extra entries are left out.
    QList<QPointF> points;
    for (int i = 0; i < qMin(times.size(), levels.size()); ++i)
        points << QPointF(times.at(i), levels.at(i));
    // The chart deletes the series it holds.
    chart->removeAllSeries();
    addChartSeries(chart, new QLineSeries(chart), CURVE_COLOR, points, xAxis, yAxis);
}
