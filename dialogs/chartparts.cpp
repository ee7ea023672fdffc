#include "chartparts.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <QXYSeries>

using namespace QtCharts;

QFont chartLabelFont()
{
    return QFont(QStringLiteral("Arial"), 9);
}

QFont chartTitleFont()
{
    return QFont(QStringLiteral("Arial"), 10);
}

QValueAxis* newValueAxis(int ticks, int minorTicks)
{
    auto* axis = new QValueAxis();
    axis->setTickCount(ticks);
    axis->setMinorTickCount(minorTicks);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setLabelsFont(chartLabelFont());
    return axis;
}

QCategoryAxis* newCategoryAxis()
{
    auto* axis = new QCategoryAxis();
    axis->setLabelsFont(chartLabelFont());
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    return axis;
}

void titleChart(QChart* chart, QAbstractAxis* xAxis, const QString& xTitle, QAbstractAxis* yAxis,
                const QString& yTitle, const QFont& titleFont)
{
    chart->legend()->hide();
    xAxis->setTitleText(xTitle);
    xAxis->setTitleFont(titleFont);
    yAxis->setTitleText(yTitle);
    yAxis->setTitleFont(titleFont);
}

void addChartSeries(QChart* chart, QXYSeries* series, const QColor& color, const QList<QPointF>& points,
                    QAbstractAxis* xAxis, QAbstractAxis* yAxis)
{
    series->append(points);
    series->setColor(color);
    chart->addSeries(series);
    series->attachAxis(xAxis);
    series->attachAxis(yAxis);
}

void addChartArea(QChart* chart, const QList<QPointF>& points, const QColor& fill, QAbstractAxis* xAxis,
                  QAbstractAxis* yAxis)
{
    auto* area = new QAreaSeries();
    auto* upper = new QLineSeries(area);
    auto* lower = new QLineSeries(area);
    for (const QPointF& p : points) {
        upper->append(p);
        lower->append(p.x(), 0.0);
    }
    area->setUpperSeries(upper);
    area->setLowerSeries(lower);
    area->setBrush(QBrush(fill, Qt::SolidPattern));
    chart->addSeries(area);
    area->attachAxis(xAxis);
    area->attachAxis(yAxis);
}

void showChart(QChartView* view, QChart* chart)
{
    QChart* replaced = view->chart();
    view->setChart(chart);
    if (replaced != chart)
        delete replaced;
    view->setRenderHint(QPainter::Antialiasing);
}
