#ifndef CHARTPARTS_H
#define CHARTPARTS_H

#include <QColor>
#include <QList>
#include <QPointF>

namespace QtCharts {
class QAbstractAxis;
class QChart;
class QChartView;
class QXYSeries;
}

// Pieces the curve dialogs' charts share.

// Fills the series with the points, colours it, hands it to the chart (whose removeAllSeries
// deletes it) and binds it to the two axes, which the chart must already hold.
void addChartSeries(QtCharts::QChart* chart, QtCharts::QXYSeries* series, const QColor& color,
                    const QList<QPointF>& points, QtCharts::QAbstractAxis* xAxis, QtCharts::QAbstractAxis* yAxis);

// Shows the chart in the view and deletes the chart the view showed before, with its axes and
// series: the view gives it up and nothing else holds it.
void showChart(QtCharts::QChartView* view, QtCharts::QChart* chart);

#endif // CHARTPARTS_H
