#include "setting_part253.h"

#include "bankbytes.h"
#include "globals.h"
#include "ui_setting_part253.h"

#include <cmath>

namespace {

// Shared by every instance: only the writable fields are ever written, the rest stays zero.
ProgDataStructDef part253Record;

} // namespace

setting_part253::setting_part253(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::setting_part253)
{
    ui->setupUi(this);
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    connect(ui->part253_checkBox, SIGNAL(clicked()), this, SLOT(checkBoxstateChanged()));
}

setting_part253::~setting_part253()
{
    delete ui;
}

void setting_part253::loadSettings(const ProgDataStructDef& d)
{
    // Four-byte counters go into 0-decimal double spin boxes, which hold every 32-bit value exactly.
    ui->doubleSpinBox_bank205OperatingTime->setValue(double(bankNumber(d.bank205OperatingTime)));
    ui->doubleSpinBox_bank205StartCounter->setValue(double(bankNumber(d.bank205StartCounter)));
    ui->doubleSpinBox_bank205ExtSupplyVoltage->setValue(double(bankNumber(d.bank205ExtSupplyVoltage)));
    ui->doubleSpinBox_bank205ExtSupplyFreq->setValue(d.bank205ExtSupplyFreq);
    ui->doubleSpinBox_bank205PF->setValue(d.bank205PF);
    ui->doubleSpinBox_bank205OverallFailureCondition->setValue(d.bank205OverallFailureCondition);
    ui->doubleSpinBox_bank205OverallFailureConditionCounter->setValue(d.bank205OverallFailureConditionCounter);
    ui->doubleSpinBox_bank205ExtUnderVoltage->setValue(d.bank205ExtUnderVoltage);
    ui->doubleSpinBox_bank205ExtUnderVoltageCounter->setValue(d.bank205ExtUnderVoltageCounter);
    ui->doubleSpinBox_bank205ExtOverVoltage->setValue(d.bank205ExtOverVoltage);
    ui->doubleSpinBox_bank205ExtOverVoltageCounter->setValue(d.bank205ExtOverVoltageCounter);
    ui->doubleSpinBox_bank205PowerLimit->setValue(d.bank205PowerLimit);
    ui->doubleSpinBox_bank205PowerLimitCounter->setValue(d.bank205PowerLimitCounter);
    ui->doubleSpinBox_bank205ThermalDerating->setValue(d.bank205ThermalDerating);
    ui->doubleSpinBox_bank205ThermalDeratingCounter->setValue(d.bank205ThermalDeratingCounter);
    ui->doubleSpinBox_bank205ThermalShuntdown->setValue(d.bank205ThermalShuntdown);
    ui->doubleSpinBox_bank205ThermalShuntdownCounter->setValue(d.bank205ThermalShuntdownCounter);
    ui->doubleSpinBox_bank205Temperature->setValue(d.bank205Temperature);
    ui->doubleSpinBox_bank205CurrentPercent->setValue(d.bank205CurrentPercent);

    ui->spinBox_bank206StartCounterResettable->setValue(int(bankNumber(d.bank206StartCounterResettable)));
    ui->spinBox_bank206StartCounter->setValue(int(bankNumber(d.bank206StartCounter)));
    ui->doubleSpinBox_bank206OnTimeResettable->setValue(double(bankNumber(d.bank206OnTimeResettable)));
    ui->doubleSpinBox_bank206OnTime->setValue(double(bankNumber(d.bank206OnTime)));
    ui->spinBox_bank206Voltage->setValue(int(bankNumber(d.bank206Voltage)));
    ui->spinBox_bank206Current->setValue(int(bankNumber(d.bank206Current)));
    ui->spinBox_bank206FailureCondition->setValue(d.bank206FailureCondition);
    ui->spinBox_bank206FailureConditionCounter->setValue(d.bank206FailureConditionCounter);
    ui->spinBox_bank206SCP->setValue(d.bank206SCP);
    ui->spinBox_bank206SCPCounter->setValue(d.bank206SCPCounter);
    ui->spinBox_bank206OCP->setValue(d.bank206OCP);
    ui->spinBox_bank206OCPCounter->setValue(d.bank206OCPCounter);
    ui->spinBox_bank206MTP->setValue(d.bank206MTP);
    ui->spinBox_bank206MTPCounter->setValue(d.bank206MTPCounter);
    ui->spinBox_bank206MTPShutdown->setValue(d.bank206MTPShutdown);
    ui->spinBox_bank206MTPShutdownCounter->setValue(d.bank206MTPShutdownCounter);
    ui->spinBox_bank206Temperature->setValue(d.bank206Temperature);

    ui->spinBox_bank207RatedLifetime->setValue(d.bank207RatedLifetime);
    ui->spinBox_bank207RefTemperature->setValue(d.bank207RefTemperature);
    ui->spinBox_bank207RatedStart->setValue(int(bankNumber(d.bank207RatedStart)));
}

void setting_part253::checkBoxstateChanged()
{
    const bool programmable = ui->part253_checkBox->isChecked();
    ui->spinBox_bank206StartCounterResettable->setReadOnly(!programmable);
    ui->doubleSpinBox_bank206OnTimeResettable->setReadOnly(!programmable);
    ui->spinBox_bank207RatedLifetime->setReadOnly(!programmable);
    ui->spinBox_bank207RefTemperature->setReadOnly(!programmable);
    ui->spinBox_bank207RatedStart->setReadOnly(!programmable);
    part253Programmable = programmable ? 1 : 0;
}

void setting_part253::okBtnClicked()
{
    setBankNumber(part253Record.bank206StartCounterResettable,
        quint64(ui->spinBox_bank206StartCounterResettable->value()));
    setBankNumber(part253Record.bank206OnTimeResettable,
        quint64(qint64(std::trunc(ui->doubleSpinBox_bank206OnTimeResettable->value()))));
    part253Record.bank207RatedLifetime = quint8(ui->spinBox_bank207RatedLifetime->value());
    part253Record.bank207RefTemperature = quint8(ui->spinBox_bank207RefTemperature->value());
    setBankNumber(part253Record.bank207RatedStart, quint64(ui->spinBox_bank207RatedStart->value()));
    emit hideDialog(part253Record);
    hide();
}
