#include "setting_part250.h"

#include "globals.h"
#include "ui_setting_part250.h"

namespace {

// Shared by every instance: only bank201BPSS is ever written, the rest stays zero.
ProgDataStructDef part250Record;

} // namespace

setting_part250::setting_part250(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::setting_part250)
{
    ui->setupUi(this);
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    connect(ui->part250_checkBox, SIGNAL(clicked()), this, SLOT(checkBoxstateChanged()));
}

setting_part250::~setting_part250()
{
    delete ui;
}

void setting_part250::loadSettings(const ProgDataStructDef& data)
{
    ui->spinBox_bank201BPSS->setValue(data.bank201BPSS);
}

void setting_part250::checkBoxstateChanged()
{
    const bool programmable = ui->part250_checkBox->isChecked();
    ui->spinBox_bank201BPSS->setReadOnly(!programmable);
    part250Programmable = programmable ? 1 : 0;
}

void setting_part250::okBtnClicked()
{
    part250Record.bank201BPSS = quint8(ui->spinBox_bank201BPSS->value());
    emit hideDialog(part250Record);
    hide();
}
