#ifndef CLOCURVE_H
#define CLOCURVE_H

#include <QDialog>
#include <QList>

namespace QtCharts {
class QCategoryAxis;
class QChart;
class QValueAxis;
}

namespace Ui {
class clocurve;
}

// Shows the constant lumen output curve of the Programming tab: output level (%) over operating
// time (kHours) through the eight points the user edits there, joined in the order given. Edits
// nothing, returns nothing; Escape closes it.
class clocurve : public QDialog
{
    Q_OBJECT

public:
    explicit clocurve(QWidget* parent = nullptr);
    ~clocurve() override;

    // Set the times first: only the levels redraw.
    void setTimeList(const QList<double>& times);
    void setLevelList(const QList<double>& levels);

    QList<double> timeList() const { return times; }
    QList<double> levelList() const { return levels; }

private:
    void initChart();
    void updateChart();

    Ui::clocurve* ui;
    QtCharts::QChart* chart = nullptr;
    QtCharts::QValueAxis* xAxis = nullptr;
    QtCharts::QCategoryAxis* yAxis = nullptr;
    QList<double> times;
    QList<double> levels;
};

#endif // CLOCURVE_H
