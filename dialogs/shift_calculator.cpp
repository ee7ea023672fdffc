#include "shift_calculator.h"

#include "ui_shift_calculator.h"

#include <cmath>

namespace {

constexpr int TOOL_TIP_DURATION_MS = 4000;
// The sun crosses 15 degrees of longitude an hour, so one minute of time is 900 seconds of arc.
constexpr qint64 ARC_SECONDS_PER_MINUTE = 900;
constexpr qint64 ARC_SECONDS_PER_HOUR = 15 * 3600;

qint64 whole(double spinValue)
{
    return std::llround(spinValue);
}

} // namespace

shift_calculator::shift_calculator(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::shift_calculator)
    , useFlag(false)
    , shift(0)
{
    ui->setupUi(this);
    // The form's width is tight for its labels in some fonts; never open so narrow that one is cut.
    resize(size().expandedTo(minimumSizeHint()));
    ui->utcSpinBox->setToolTip(tr("e.g. enter -5 for eastern time zone, 0 for London, 1 for Amsterdam"));
    ui->utcSpinBox->setToolTipDuration(TOOL_TIP_DURATION_MS);

    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    for (QDoubleSpinBox* box : {ui->utcSpinBox, ui->latDegreeSpinBox, ui->latMinuteSpinBox, ui->latSecondSpinBox,
                                ui->longDegreeSpinBox, ui->longMinuteSpinBox, ui->longSecondSpinBox})
        connect(box, SIGNAL(valueChanged(double)), this, SLOT(calculateTimeShift()));
}

shift_calculator::~shift_calculator()
{
    delete ui;
}

void shift_calculator::calculateTimeShift()
{
    // The latitude does not move solar midnight; its boxes only recalculate.
    // The sign of the degrees holds for the whole angle: 74 deg 20 min west is -74.333 degrees.
    const qint64 degrees = whole(ui->longDegreeSpinBox->value());
    qint64 arcSeconds = std::abs(degrees) * 3600 + whole(ui->longMinuteSpinBox->value()) * 60
        + whole(ui->longSecondSpinBox->value());
    if (degrees < 0)
        arcSeconds = -arcSeconds;
    // Counted in seconds of arc the result is exact, so a whole number of minutes never drops by
    // one through rounding; the division truncates toward zero like the rest of the system.
    const qint64 zoneArcSeconds = whole(ui->utcSpinBox->value()) * ARC_SECONDS_PER_HOUR;
    shift = int((zoneArcSeconds - arcSeconds) / ARC_SECONDS_PER_MINUTE);
    ui->calculatedShiftTimeSpinBox->setValue(shift);
}

void shift_calculator::okBtnClicked()
{
    useFlag = ui->useCalculatorCheckBox->isChecked();
    emit hideDialog();
    hide();
}
