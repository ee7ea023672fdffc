#include "setting_dt6.h"

#include "globals.h"
#include "ui_setting_dt6.h"

namespace {

// Shared by every instance: only the DT6 fields are ever written, the rest stays zero.
ProgDataStructDef dt6Record;

constexpr int SHORT_ADDRESS_MASK = 255;
constexpr int SHORT_ADDRESS_COUNT = 64;

} // namespace

setting_DT6::setting_DT6(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::setting_DT6)
{
    ui->setupUi(this);
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    connect(ui->DT6_checkBox, SIGNAL(clicked()), this, SLOT(checkBoxstateChanged()));
    ui->err_msg->hide();
    ui->label_6->setWhatsThis(tr("short address is auto increment for each successful programming until it reachs "
                                 "MASK value when editable is checked"));
}

setting_DT6::~setting_DT6()
{
    delete ui;
}

void setting_DT6::loadSettings(const ProgDataStructDef& data)
{
    ui->spinBox_DT6PowerOnLevel->setValue(data.DT6PowerOnLevel);
    ui->spinBox_DT6CurveType->setValue(data.DT6CurveType);
    ui->spinBox_DT6MinLevel->setValue(data.DT6MinLevel);
    ui->spinBox_DT6MaxLevel->setValue(data.DT6MaxLevel);
    ui->spinBox_DT6SystemFailureLevel->setValue(data.DT6SystemFailureLevel);
    ui->spinBox_DT6ShortAddress->setValue(data.DT6ShortAddress == 0xFF ? SHORT_ADDRESS_MASK
                                                                       : data.DT6ShortAddress >> 1);
}

void setting_DT6::checkBoxstateChanged()
{
    const bool programmable = ui->DT6_checkBox->isChecked();
    for (QSpinBox* box : {ui->spinBox_DT6PowerOnLevel, ui->spinBox_DT6CurveType, ui->spinBox_DT6MinLevel,
             ui->spinBox_DT6MaxLevel, ui->spinBox_DT6SystemFailureLevel, ui->spinBox_DT6ShortAddress})
        box->setReadOnly(!programmable);
    DT6Programmable = programmable ? 1 : 0;
}

void setting_DT6::okBtnClicked()
{
    dt6Record.DT6PowerOnLevel = quint8(ui->spinBox_DT6PowerOnLevel->value());
    dt6Record.DT6CurveType = quint8(ui->spinBox_DT6CurveType->value());
    bool invalid = ui->spinBox_DT6MinLevel->value() > ui->spinBox_DT6MaxLevel->value();
    dt6Record.DT6MinLevel = quint8(ui->spinBox_DT6MinLevel->value());
    dt6Record.DT6MaxLevel = quint8(ui->spinBox_DT6MaxLevel->value());
    dt6Record.DT6SystemFailureLevel = quint8(ui->spinBox_DT6SystemFailureLevel->value());
    const int address = ui->spinBox_DT6ShortAddress->value();
    if (address != SHORT_ADDRESS_MASK && address >= SHORT_ADDRESS_COUNT)
        invalid = true;
    dt6Record.DT6ShortAddress = address == SHORT_ADDRESS_MASK ? 0xFF : quint8(address * 2 + 1);

    if (invalid) {
        ui->err_msg->show();
        return;
    }
    ui->err_msg->hide();
    emit hideDialog(dt6Record);
    hide();
}
