#ifndef CLOCURVE_H
#define CLOCURVE_H

#include <QDialog>
#include <QList>

namespace Ui {
class clocurve;
}

// Shows the constant lumen output curve of the Programming tab: output level (%) over operating
// time (kHours) through the eight points the user edits there. Edits nothing, returns nothing.
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
    Ui::clocurve* ui;
    QList<double> times;
    QList<double> levels;
};

#endif // CLOCURVE_H
