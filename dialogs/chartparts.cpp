#include "chartparts.h"

#include <QChart>
#include <QChartView>
#include <QXYSeries>

using namespace QtCharts;

void addChartSeries(QChart* chart, QXYSeries* series, const QColor& color, const QList<QPointF>& points,
                    QAbstractAxis* xAxis, QAbstractAxis* yAxis)
{
    series->append(points);
    series->setColor(color);
    chart->addSeries(series);
    series->attachAxis(xAxis);
    series->attachAxis(yAxis);
}

void showChart(QChartView* view, QChart* chart)
{
    QChart* replaced = view->chart();
    view->setChart(chart);
    if (replaced != chart)
        delete replaced;
    view->setRenderHint(QPainter::Antialiasing);
}
