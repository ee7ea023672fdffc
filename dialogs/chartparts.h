#ifndef CHARTPARTS_H
#define CHARTPARTS_H

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>

namespace QtCharts {
class QAbstractAxis;
class QCategoryAxis;
class QChart;
class QChartView;
class QValueAxis;
class QXYSeries;
}

// Pieces the curve dialogs' charts share.

// The fonts of the axes' labels and titles.
QFont chartLabelFont();
QFont chartTitleFont();

// A value axis with whole-number labels in the label font, `ticks` labelled ticks and
// `minorTicks` between two of them. The caller adds it to its chart.
QtCharts::QValueAxis* newValueAxis(int ticks, int minorTicks = 0);
// A category axis in the label font whose labels stand on their values; the caller appends them
// and adds it to its chart.
QtCharts::QCategoryAxis* newCategoryAxis();

// A chart shows one curve: no legend; each axis gets its title.
void titleChart(QtCharts::QChart* chart, QtCharts::QAbstractAxis* xAxis, const QString& xTitle,
                QtCharts::QAbstractAxis* yAxis, const QString& yTitle,
                const QFont& titleFont = chartTitleFont());

// Fills the series with the points, colours it, hands it to the chart (whose removeAllSeries
// deletes it) and binds it to the two axes, which the chart must already hold.
void addChartSeries(QtCharts::QChart* chart, QtCharts::QXYSeries* series, const QColor& color,
                    const QList<QPointF>& points, QtCharts::QAbstractAxis* xAxis, QtCharts::QAbstractAxis* yAxis);

// Fills the area between the points and level 0 with the colour, hands it to the chart (whose
// removeAllSeries deletes it with its two boundary lines) and binds it to the two axes, which the
// chart must already hold.
void addChartArea(QtCharts::QChart* chart, const QList<QPointF>& points, const QColor& fill,
                  QtCharts::QAbstractAxis* xAxis, QtCharts::QAbstractAxis* yAxis);

// Shows the chart in the view and deletes the chart the view showed before, with its axes and
// series: the view gives it up and nothing else holds it.
void showChart(QtCharts::QChartView* view, QtCharts::QChart* chart);

#endif // CHARTPARTS_H
