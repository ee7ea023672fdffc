#include "setting_part251.h"

#include "bankbytes.h"
#include "globals.h"
#include "ui_setting_part251.h"

#include <QRegularExpressionValidator>

#include <algorithm>
#include <iterator>

namespace {

// Shared by every instance: only the bank-1 fields are ever written, the rest stays zero.
ProgDataStructDef part251Record;

// The tag layout whose bank 1 (edition 1.0) carries the manufacturer-specific text.
constexpr quint8 TAG_LAYOUT_WITH_SPECIFIC_TEXT = 3;

constexpr quint64 GTIN_MAX = (quint64(1) << 48) - 1;
constexpr quint64 ID_MAX = ~quint64(0);

// GTIN and identification number are the luminaire's identity: only whole numbers that fit their
// field are taken, so a typo cannot turn into 0 or into a cut-down number in the driver.
bool parseBankDigits(const QString& text, quint64 max, quint64& value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return false;
    bool ok = false;
    value = text.toULongLong(&ok, 10);
    return ok && value <= max;
}

QValidator* digitsValidator(quint64 max, QObject* parent)
{
    const QString width = QString::number(QString::number(max).size());
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(width)), parent);
}

} // namespace

setting_part251::setting_part251(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::setting_part251)
{
    ui->setupUi(this);
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    connect(ui->part251_checkBox, SIGNAL(clicked()), this, SLOT(checkBoxstateChanged()));
    ui->err_msg->hide();
    ui->lineEdit_bank1GTIN->setValidator(digitsValidator(GTIN_MAX, ui->lineEdit_bank1GTIN));
    ui->lineEdit_bank1ID->setValidator(digitsValidator(ID_MAX, ui->lineEdit_bank1ID));
}

setting_part251::~setting_part251()
{
    delete ui;
}

void setting_part251::loadSettings(const ProgDataStructDef& data)
{
    // Older tag layouts have no room for the manufacturer-specific text; while one of them (or no
    // tag yet) was read the editor is hidden and OK writes back the bytes it was loaded with.
    ui->plainTextEdit_bank1SpecificString->setVisible(FA_location == TAG_LAYOUT_WITH_SPECIFIC_TEXT);
    std::copy(std::begin(data.bank1SpecificString), std::end(data.bank1SpecificString), loadedSpecificString);

    ui->lineEdit_bank1GTIN->setText(QString::number(bankNumber(data.bank1GTIN)));
    ui->lineEdit_bank1ID->setText(QString::number(bankNumber(data.bank1ID)));
    ui->spinBox_bank1CFID->setValue(int(bankNumber(data.bank1CFID)));
    ui->spinBox_bank1YY->setValue(data.bank1YY);
    ui->spinBox_bank1WW->setValue(data.bank1WW);
    ui->spinBox_bank1Power->setValue(int(bankNumber(data.bank1Power)));
    ui->spinBox_bank1MinPower->setValue(int(bankNumber(data.bank1MinPower)));
    ui->spinBox_bank1MinVoltage->setValue(int(bankNumber(data.bank1MinVoltage)));
    ui->spinBox_bank1MaxVoltage->setValue(int(bankNumber(data.bank1MaxVoltage)));
    ui->spinBox_bank1Lm->setValue(int(bankNumber(data.bank1Lm)));
    ui->spinBox_bank1CRI->setValue(data.bank1CRI);
    ui->spinBox_bank1CCT->setValue(int(bankNumber(data.bank1CCT)));
    ui->spinBox_bank1LDT->setValue(data.bank1LDT);
    ui->plainTextEdit_bank1ColorString->setPlainText(bankText(data.bank1ColorString));
    ui->plainTextEdit_bank1IDString->setPlainText(bankText(data.bank1IDString));
    ui->plainTextEdit_bank1SpecificString->setPlainText(bankText(data.bank1SpecificString));
}

void setting_part251::checkBoxstateChanged()
{
    const bool programmable = ui->part251_checkBox->isChecked();
    ui->lineEdit_bank1GTIN->setReadOnly(!programmable);
    ui->lineEdit_bank1ID->setReadOnly(!programmable);
    for (QSpinBox* box : {ui->spinBox_bank1CFID, ui->spinBox_bank1YY, ui->spinBox_bank1WW, ui->spinBox_bank1Power,
             ui->spinBox_bank1MinPower, ui->spinBox_bank1MinVoltage, ui->spinBox_bank1MaxVoltage, ui->spinBox_bank1Lm,
             ui->spinBox_bank1CRI, ui->spinBox_bank1CCT, ui->spinBox_bank1LDT})
        box->setReadOnly(!programmable);
    for (QPlainTextEdit* edit : {ui->plainTextEdit_bank1ColorString, ui->plainTextEdit_bank1IDString,
             ui->plainTextEdit_bank1SpecificString})
        edit->setReadOnly(!programmable);
    part251Programmable = programmable ? 1 : 0;
}

void setting_part251::okBtnClicked()
{
    quint64 gtin = 0;
    quint64 id = 0;
    if (!parseBankDigits(ui->lineEdit_bank1GTIN->text(), GTIN_MAX, gtin)
        || !parseBankDigits(ui->lineEdit_bank1ID->text(), ID_MAX, id)) {
        ui->err_msg->show();
        return;
    }
    ui->err_msg->hide();
    setBankNumber(part251Record.bank1GTIN, gtin);
    setBankNumber(part251Record.bank1ID, id);
    setBankNumber(part251Record.bank1CFID, quint64(ui->spinBox_bank1CFID->value()));
    part251Record.bank1YY = quint8(ui->spinBox_bank1YY->value());
    part251Record.bank1WW = quint8(ui->spinBox_bank1WW->value());
    setBankNumber(part251Record.bank1Power, quint64(ui->spinBox_bank1Power->value()));
    setBankNumber(part251Record.bank1MinPower, quint64(ui->spinBox_bank1MinPower->value()));
    setBankNumber(part251Record.bank1MinVoltage, quint64(ui->spinBox_bank1MinVoltage->value()));
    setBankNumber(part251Record.bank1MaxVoltage, quint64(ui->spinBox_bank1MaxVoltage->value()));
    setBankNumber(part251Record.bank1Lm, quint64(ui->spinBox_bank1Lm->value()));
    part251Record.bank1CRI = quint8(ui->spinBox_bank1CRI->value());
    setBankNumber(part251Record.bank1CCT, quint64(ui->spinBox_bank1CCT->value()));
    part251Record.bank1LDT = quint8(ui->spinBox_bank1LDT->value());
    setBankText(part251Record.bank1ColorString, ui->plainTextEdit_bank1ColorString->toPlainText());
    setBankText(part251Record.bank1IDString, ui->plainTextEdit_bank1IDString->toPlainText());
    if (ui->plainTextEdit_bank1SpecificString->isHidden())
        std::copy(std::begin(loadedSpecificString), std::end(loadedSpecificString),
                  part251Record.bank1SpecificString);
    else
        setBankText(part251Record.bank1SpecificString, ui->plainTextEdit_bank1SpecificString->toPlainText());
    emit hideDialog(part251Record);
    hide();
}
