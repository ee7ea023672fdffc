#include "smartcurve.h"

#include "globals.h"
#include "ui_smartcurve.h"

#include <QKeyEvent>
#include <QTextStream>

#include <cmath>

namespace {

constexpr int SECONDS_PER_UNIT = 360; // a duration unit of the newer drivers is 6 minutes
constexpr double MAX_MINUTES = 240.0;
constexpr double MAX_HOURS = 24.0;
constexpr int FIRST_NEWER_PRODUCT = 100;
constexpr unsigned int FEATURE_MIN_LEVEL_ONLY = 0x0800;
constexpr int NOON_HOUR = 12;

int unitsFromHours(double hours)
{
    return int(std::floor(hours * 60.0 / 6.0 + 0.5));
}

} // namespace

smartcurve::smartcurve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::smartcurve)
    , shiftMinutes(0)
    , timerMode(TIMER_MODE_FIXED)
    , productFlag(1)
{
    ui->setupUi(this);
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    scheduleSteps = {{40, 20}, {20, 50}, {10, 100}, {30, 50}, {20, 15}};
    fadeTimeList = {1, 1, 1, 1, 1};
    installEventFilter(this);
    baseDateTime = QDateTime(QDate(2000, 1, 1), QTime::fromString(QStringLiteral("00:00"), QStringLiteral("hh:mm")));

    for (int i = 0; i < STEP_COUNT; ++i) {
        const QString n = QString::number(i + 1);
        durationBoxes[i] = findChild<QDoubleSpinBox*>(QStringLiteral("durationSpinBox_") + n);
        levelBoxes[i] = findChild<QSpinBox*>(QStringLiteral("levelSpinBox_") + n);
        fadeTimeBoxes[i] = findChild<QSpinBox*>(QStringLiteral("fadetimeSpinBox_") + n);
        timeEdits[i] = findChild<QTimeEdit*>(QStringLiteral("timeEdit_") + n);
    }
}

smartcurve::~smartcurve()
{
    delete ui;
}

QDateTime smartcurve::anchor() const
{
    QDateTime a = baseDateTime;
    a.setTime(QTime(NOON_HOUR, 0));
    return a;
}

void smartcurve::setMode(int mode, int editable)
{
    timerMode = mode;
    for (QSpinBox* box : fadeTimeBoxes)
        box->setEnabled(editable != 0);
}

void smartcurve::setLevels(const QList<int>& levels)
{
    for (int i = 0; i < STEP_COUNT && i < levels.size(); ++i)
        scheduleSteps[i].level = levels[i];
}

void smartcurve::setMidnightShift(int minutes)
{
    shiftMinutes = minutes;
}

void smartcurve::setFadeTimes(const QList<int>& fadeTimes)
{
    if (fadeTimeList != fadeTimes)
        fadeTimeList = fadeTimes;
}

void smartcurve::setDurations(const QList<int>& durations)
{
    for (int i = 0; i < STEP_COUNT && i < durations.size(); ++i)
        scheduleSteps[i].duration = durations[i];
    applyMode();
    readSchedule();
}

void smartcurve::setMinDimLevel(int productIndex)
{
    productFlag = productIndex >= FIRST_NEWER_PRODUCT ? 1 : 0;
    const ProductRecord* product = productRecord(productIndex);
    const bool minLevelOnly = product && (product->driverFeature & FEATURE_MIN_LEVEL_ONLY);
    for (QSpinBox* box : levelBoxes)
        box->setMinimum(minLevelOnly ? productPhyMinLevel : 0);
    QTextStream(stdout) << (minLevelOnly ? "setMinimum(minDimLevel)" : "setMinimum(0)") << Qt::endl;
}

void smartcurve::applyMode()
{
    const bool minutes = productFlag == 0;
    const bool startTimes = !minutes && timerMode == TIMER_MODE_MIDNIGHT;
    ui->timeEditLabel->setVisible(startTimes);
    ui->timeIntervalLabel->setVisible(!startTimes);
    for (int i = 0; i < STEP_COUNT; ++i) {
        timeEdits[i]->setVisible(startTimes);
        durationBoxes[i]->setVisible(!startTimes);
    }

    if (minutes) {
        ui->timeIntervalLabel->setText(tr("Time(minutes)"));
        for (int i = 0; i < STEP_COUNT; ++i) {
            durationBoxes[i]->setDecimals(0);
            durationBoxes[i]->setMaximum(MAX_MINUTES);
            durationBoxes[i]->setValue(scheduleSteps[i].duration);
            levelBoxes[i]->setValue(scheduleSteps[i].level);
        }
        ui->midnightShiftGroupBox->hide();
        return;
    }

    if (timerMode == TIMER_MODE_FIXED) {
        ui->timeIntervalLabel->setText(tr("Time(h)"));
        for (QDoubleSpinBox* box : durationBoxes) {
            box->setDecimals(1);
            box->setMaximum(MAX_HOURS);
        }
    }
    ui->midnightShiftGroupBox->setEnabled(timerMode == TIMER_MODE_MIDNIGHT);
    for (int i = 0; i < STEP_COUNT; ++i) {
        if (startTimes)
            timeEdits[i]->setTime(anchor().addSecs(qint64(scheduleSteps[i].duration) * SECONDS_PER_UNIT).time());
        else
            durationBoxes[i]->setValue(scheduleSteps[i].duration * 6.0 / 60.0);
        levelBoxes[i]->setValue(scheduleSteps[i].level);
    }
    ui->midnightShiftSpinBox->setValue(shiftMinutes);
    for (int i = 0; i < STEP_COUNT && i < fadeTimeList.size(); ++i)
        fadeTimeBoxes[i]->setValue(fadeTimeList[i]);
    ui->midnightShiftGroupBox->show();
}

void smartcurve::readSchedule()
{
    if (productFlag == 0) {
        for (int i = 0; i < STEP_COUNT; ++i)
            scheduleSteps[i] = {int(durationBoxes[i]->value()), levelBoxes[i]->value()};
        return;
    }

    const QDateTime noon = anchor();
    for (int i = 0; i < STEP_COUNT; ++i) {
        int units = 0;
        if (timerMode == TIMER_MODE_MIDNIGHT) {
            // The steps run from noon to the next noon: a morning time belongs to the next day.
            const QTime t = timeEdits[i]->time();
            QDateTime point(noon.date().addDays(t.hour() < NOON_HOUR ? 1 : 0), t);
            units = qMax<qint64>(0, noon.secsTo(point) / SECONDS_PER_UNIT);
        } else {
            units = unitsFromHours(durationBoxes[i]->value());
        }
        scheduleSteps[i] = {units, levelBoxes[i]->value()};
    }
    shiftMinutes = ui->midnightShiftSpinBox->value();
    fadeTimeList.clear();
    for (QSpinBox* box : fadeTimeBoxes)
        fadeTimeList << box->value();
}

bool smartcurve::eventFilter(QObject* watched, QEvent* event)
{
    if (qobject_cast<QDialog*>(watched) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void smartcurve::okBtnClicked()
{
    readSchedule();
    emit hideDialog();
    hide();
}
