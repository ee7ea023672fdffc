#include "clocurve.h"

#include "ui_clocurve.h"

clocurve::clocurve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::clocurve)
{
    ui->setupUi(this);
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
}
