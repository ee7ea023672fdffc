#include "dimcurve.h"

#include "ui_dimcurve.h"

#include <QKeyEvent>

dimcurve::dimcurve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::dimcurve)
{
    ui->setupUi(this);
    ui->dimSubGroupBox->setStyleSheet(QStringLiteral("QGroupBox { font: 16px \"Arial Black\"; color:rgb(74,74,74);} "));
    installEventFilter(this);
    connectSignals();
    readSettings();
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
}

void dimcurve::okBtnClicked()
{
    emit hideDialog(settings);
    hide();
}
