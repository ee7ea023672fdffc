#include "smartcurve.h"

#include "chartparts.h"
#include "globals.h"
#include "shift_calculator.h"
#include "ui_smartcurve.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineSeries>
#include <QTextStream>
#include <QValueAxis>

#include <cmath>

using namespace QtCharts;

namespace {

constexpr int MINUTES_PER_UNIT = 6; // a duration unit of the newer drivers
constexpr int SECONDS_PER_UNIT = MINUTES_PER_UNIT * 60;
constexpr double MAX_MINUTES = 240.0;
constexpr double MAX_HOURS = 24.0;
// Sums of one-decimal hours carry binary rounding; a hair over 24 h is still 24 h.
constexpr double HOURS_TOLERANCE = 0.0001;
constexpr int FIRST_NEWER_PRODUCT = 100;
constexpr unsigned int FEATURE_MIN_LEVEL_ONLY = 0x0800;
constexpr int NOON_HOUR = 12;

// Ticks of the 24-hour axis, a label every 2, 3, 4, 6 or 12 hours: the first whose labels fit.
constexpr int TIME_TICKS[] = {13, 9, 7, 5, 3};
// What a time label needs beside its text: Qt Charts cuts a label to "0..." below this.
constexpr qreal TIME_LABEL_PADDING = 6.0;

const QColor CURVE_FILL(255, 195, 0, 150);
const QColor MIDNIGHT_MARKER(0, 135, 146);
constexpr qreal MIDNIGHT_MARKER_WIDTH = 1.5;

const char* const TIME_EDIT_SLOTS[smartcurve::STEP_COUNT] = {
    SLOT(timeEdit_1_Changed()), SLOT(timeEdit_2_Changed()), SLOT(timeEdit_3_Changed()),
    SLOT(timeEdit_4_Changed()), SLOT(timeEdit_5_Changed()),
};

int unitsFromHours(double hours)
{
    return int(std::floor(hours * 60.0 / MINUTES_PER_UNIT + 0.5));
}

QDateTime todayAt(const char* hhmm)
{
    return QDateTime(QDate::currentDate(), QTime::fromString(QLatin1String(hhmm), QStringLiteral("hh:mm")));
}

QPointF at(const QDateTime& time, int level)
{
    return QPointF(double(time.toMSecsSinceEpoch()), double(level));
}

// Steps that follow one another from start, each boundary drawn as a vertical edge.
QList<QPointF> consecutiveSteps(const QDateTime& start, const QList<smartcurve::StepBoundary>& ends)
{
    QList<QPointF> points{at(start, ends.first().level)};
    for (int k = 0; k < ends.size(); ++k) {
        points << at(ends[k].time, ends[k].level);
        if (k + 1 < ends.size())
            points << at(ends[k].time, ends[k + 1].level);
    }
    return points;
}

} // namespace

smartcurve::smartcurve(QWidget* parent)
    : QDialog(parent)
    , shiftMinutes(0)
    , timerMode(TIMER_MODE_FIXED)
    , ui(new Ui::smartcurve)
    , chart(nullptr)
    , timeAxis(nullptr)
    , levelAxis(nullptr)
    , productFlag(1)
    , calculator(nullptr)
{
    ui->setupUi(this);
    for (int i = 0; i < STEP_COUNT; ++i) {
        const QString n = QString::number(i + 1);
        durationBoxes[i] = findChild<QDoubleSpinBox*>(QStringLiteral("durationSpinBox_") + n);
        levelBoxes[i] = findChild<QSpinBox*>(QStringLiteral("levelSpinBox_") + n);
        timeEdits[i] = findChild<QTimeEdit*>(QStringLiteral("timeEdit_") + n);
    }
    fadeTimeBoxes[0] = ui->fadetimeSpinBox_1;
    fadeTimeBoxes[1] = ui->fadetimeSpinBox_2;
    fadeTimeBoxes[2] = ui->fadetimeSpinBox_3;
    fadeTimeBoxes[3] = ui->fadetimeSpinBox_4;
    fadeTimeBoxes[4] = ui->fadetimeSpinBox_5;
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));

    scheduleSteps = {{40, 20}, {20, 50}, {10, 100}, {30, 50}, {20, 15}};
    fadeTimeList = {1, 1, 1, 1, 1};
    installEventFilter(this);
    connectSignals(true);
    baseDateTime = QDateTime(QDate(2000, 1, 1), QTime::fromString(QStringLiteral("00:00"), QStringLiteral("hh:mm")));
    for (int i = 0; i < STEP_COUNT; ++i)
        timePoints << baseDateTime;

    calculator = new shift_calculator(nullptr);
    calculator->setWindowFlags(Qt::CustomizeWindowHint);
    connect(ui->calculatorPushButton, SIGNAL(clicked()), this, SLOT(calculatorPushBtn_Clicked()));
    connect(calculator, SIGNAL(hideDialog()), this, SLOT(closeShiftTimeCalculator()));
    initChart();
}

smartcurve::~smartcurve()
{
    delete calculator; // a top-level window of its own, so not freed with this dialog
    delete ui;
}

// ---- Setters and product adaptation -------------------------------------------------------------

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
    fadeTimeList = fadeTimes;
}

void smartcurve::setDurations(const QList<int>& durations)
{
    for (int i = 0; i < STEP_COUNT && i < durations.size(); ++i)
        scheduleSteps[i].duration = durations[i];
    applyMode();
    readSchedule();
    updateChart();
}

void smartcurve::setMinDimLevel(int productIndex)
{
    // An index the list does not hold says nothing about the product: keep the set-up as it is.
    const ProductRecord* product = productRecord(productIndex);
    if (!product)
        return;
    productFlag = productIndex >= FIRST_NEWER_PRODUCT ? 1 : 0;
    const bool minLevelOnly = product->driverFeature & FEATURE_MIN_LEVEL_ONLY;
    // A raised minimum may push a level box up. The form still holds the previous product's units,
    // so the schedule must not be read back from it here; the next setDurations brings it in line.
    connectSignals(false);
    for (QSpinBox* box : levelBoxes)
        box->setMinimum(minLevelOnly ? productPhyMinLevel : 0);
    connectSignals(true);
    QTextStream(stdout) << (minLevelOnly ? "setMinimum(minDimLevel)" : "setMinimum(0)") << Qt::endl;
}

// ---- Form connections ---------------------------------------------------------------------------

// Connects or disconnects, so that each list of connections below serves both ways.
void smartcurve::wire(bool on, const QObject* sender, const char* signal, const char* slot)
{
    if (on)
        connect(sender, signal, this, slot);
    else
        disconnect(sender, signal, this, slot);
}

void smartcurve::connectTimeEdits(bool on)
{
    for (int i = 0; i < STEP_COUNT; ++i)
        wire(on, timeEdits[i], SIGNAL(timeChanged(QTime)), TIME_EDIT_SLOTS[i]);
}

void smartcurve::connectDurationBoxes(bool on)
{
    for (QDoubleSpinBox* box : durationBoxes)
        wire(on, box, SIGNAL(valueChanged(double)), SLOT(durationEditChanged()));
}

void smartcurve::connectSignals(bool on)
{
    wire(on, ui->midnightShiftSpinBox, SIGNAL(valueChanged(int)), SLOT(midnightShiftValueChanged(int)));
    for (QSpinBox* box : levelBoxes)
        wire(on, box, SIGNAL(valueChanged(int)), SLOT(scheduleDataChanged()));
    connectDurationBoxes(on);
    connectTimeEdits(on);
    wire(on, ui->powerOnTimeEdit, SIGNAL(timeChanged(QTime)), SLOT(powerOnTimeEdit_Changed()));
}

// ---- Form and schedule --------------------------------------------------------------------------

QDateTime smartcurve::anchor() const
{
    QDateTime a = baseDateTime;
    a.setTime(QTime::fromString(QStringLiteral("12:00"), QStringLiteral("hh:mm")));
    return a;
}

// Midnight-centred start times run from noon to the next noon: a morning time is the next day's.
QDateTime smartcurve::onNoonLine(const QTime& time) const
{
    return QDateTime(baseDateTime.date().addDays(time.hour() < NOON_HOUR ? 1 : 0), time);
}

void smartcurve::showTimeEdits(bool visible)
{
    ui->timeEditLabel->setVisible(visible);
    for (QTimeEdit* edit : timeEdits)
        edit->setVisible(visible);
}

void smartcurve::showDurationEdits(bool visible)
{
    ui->timeIntervalLabel->setVisible(visible);
    for (QDoubleSpinBox* box : durationBoxes)
        box->setVisible(visible);
}

void smartcurve::setDurationUnit(const QString& header, int decimals, double maximum)
{
    ui->timeIntervalLabel->setText(header);
    for (QDoubleSpinBox* box : durationBoxes) {
        box->setDecimals(decimals);
        box->setMaximum(maximum);
    }
}

void smartcurve::applyMode()
{
    if (productFlag != 0 && productFlag != 1)
        return;
    connectSignals(false);

    if (productFlag == 0) {
        showTimeEdits(false);
        showDurationEdits(true);
        setDurationUnit(tr("Time(minutes)"), 0, MAX_MINUTES);
        for (int i = 0; i < STEP_COUNT; ++i) {
            durationBoxes[i]->setValue(scheduleSteps[i].duration);
            levelBoxes[i]->setValue(scheduleSteps[i].level);
        }
        ui->powerOnTimeGroupBox->show();
        ui->midnightShiftGroupBox->hide();
        connectSignals(true);
        return;
    }

    if (timerMode == TIMER_MODE_FIXED || timerMode == TIMER_MODE_RATIO) {
        showTimeEdits(false);
        showDurationEdits(true);
        // Ratio rescale counts hours like fixed mode; a box left in minutes by an older product
        // would show and read back the schedule ten times too long.
        setDurationUnit(tr("Time(h)"), 1, MAX_HOURS);
        ui->midnightShiftGroupBox->setEnabled(false);
        for (int i = 0; i < STEP_COUNT; ++i) {
            durationBoxes[i]->setValue(scheduleSteps[i].duration * double(MINUTES_PER_UNIT) / 60.0);
            levelBoxes[i]->setValue(scheduleSteps[i].level);
        }
    } else if (timerMode == TIMER_MODE_MIDNIGHT) {
        showTimeEdits(true);
        showDurationEdits(false);
        ui->midnightShiftGroupBox->setEnabled(true);
        timePoints.clear();
        const QDateTime noon = anchor();
        for (int i = 0; i < STEP_COUNT; ++i) {
            const QDateTime t = noon.addSecs(qint64(scheduleSteps[i].duration) * SECONDS_PER_UNIT);
            timePoints << t;
            timeEdits[i]->setDateTime(t);
            levelBoxes[i]->setValue(scheduleSteps[i].level);
        }
    }
    ui->midnightShiftSpinBox->setValue(shiftMinutes);
    for (int i = 0; i < STEP_COUNT && i < fadeTimeList.size(); ++i)
        fadeTimeBoxes[i]->setValue(fadeTimeList[i]);
    ui->powerOnTimeGroupBox->hide();
    ui->midnightShiftGroupBox->show();
    connectSignals(true);
}

void smartcurve::readSchedule()
{
    if (productFlag == 0) {
        for (int i = 0; i < STEP_COUNT; ++i)
            scheduleSteps[i] = {int(durationBoxes[i]->value()), levelBoxes[i]->value()};
        return;
    }
    if (productFlag != 1)
        return;

    const QDateTime noon = anchor();
    for (int i = 0; i < STEP_COUNT; ++i) {
        int units = 0;
        if (timerMode == TIMER_MODE_MIDNIGHT)
            units = int(qMax<qint64>(0, noon.secsTo(timePoints[i]) / SECONDS_PER_UNIT));
        else
            units = unitsFromHours(durationBoxes[i]->value());
        scheduleSteps[i] = {units, levelBoxes[i]->value()};
    }
    shiftMinutes = ui->midnightShiftSpinBox->value();
    fadeTimeList.clear();
    for (QSpinBox* box : fadeTimeBoxes)
        fadeTimeList << box->value();
}

void smartcurve::updateDurationsFromTimes(int index)
{
    if (index < 0 || index >= STEP_COUNT)
        return;
    connectTimeEdits(false);

    QDateTime edited = onNoonLine(timeEdits[index]->time());
    // Start times move in whole 6-minute units: a click on the minute section moves one unit,
    // a typed minute falls back to the unit it lies in. The hour is never carried.
    const int oldMinute = timePoints[index].time().minute();
    const int newMinute = edited.time().minute();
    int minute = newMinute - newMinute % MINUTES_PER_UNIT;
    if (newMinute == oldMinute) {
        minute = oldMinute;
    } else if (qAbs(oldMinute - newMinute) < MINUTES_PER_UNIT) {
        minute = newMinute > oldMinute ? oldMinute + MINUTES_PER_UNIT : oldMinute - MINUTES_PER_UNIT;
        if (minute < 0 || minute > 59)
            minute = 0;
    }
    edited = QDateTime(edited.date(), QTime(edited.time().hour(), minute));
    timeEdits[index]->setDateTime(edited);
    timePoints[index] = edited;

    // Keep the steps in order along the noon-to-noon line.
    for (int j = 0; j < STEP_COUNT; ++j) {
        if (j == index)
            continue;
        QDateTime t = onNoonLine(timeEdits[j]->time());
        if ((j < index && t > edited) || (j > index && t < edited)) {
            t = edited;
            timeEdits[j]->setDateTime(edited);
        }
        timePoints[j] = t;
    }
    connectTimeEdits(true);
}

void smartcurve::updateTimesFromDurations()
{
    connectDurationBoxes(false);
    if (productFlag == 1) {
        // The five steps share one day: the first box that would pass 24 h gets what is left and
        // every later one nothing.
        double total = 0.0;
        for (QDoubleSpinBox* box : durationBoxes) {
            const double v = box->value();
            const double before = v > MAX_HOURS + HOURS_TOLERANCE ? MAX_HOURS : total;
            if (before + v > MAX_HOURS + HOURS_TOLERANCE) {
                box->setValue(MAX_HOURS - before);
                total = MAX_HOURS;
            } else {
                total = before + v;
            }
        }
    } else if (productFlag == 0) {
        for (QDoubleSpinBox* box : durationBoxes) {
            if (box->value() > MAX_MINUTES)
                box->setValue(MAX_MINUTES);
        }
    }
    connectDurationBoxes(true);
}

// ---- Slots --------------------------------------------------------------------------------------

void smartcurve::midnightShiftValueChanged(int value)
{
    shiftMinutes = value;
    readSchedule();
    updateChart();
}

void smartcurve::timeEdit_1_Changed()
{
    updateDurationsFromTimes(0);
    readSchedule();
    updateChart();
}

void smartcurve::timeEdit_2_Changed()
{
    updateDurationsFromTimes(1);
    readSchedule();
    updateChart();
}

void smartcurve::timeEdit_3_Changed()
{
    updateDurationsFromTimes(2);
    readSchedule();
    updateChart();
}

void smartcurve::timeEdit_4_Changed()
{
    updateDurationsFromTimes(3);
    readSchedule();
    updateChart();
}

void smartcurve::timeEdit_5_Changed()
{
    updateDurationsFromTimes(4);
    readSchedule();
    updateChart();
}

void smartcurve::powerOnTimeEdit_Changed()
{
    updateChart();
}

void smartcurve::durationEditChanged()
{
    updateTimesFromDurations();
    readSchedule();
    updateChart();
}

void smartcurve::scheduleDataChanged()
{
    QTextStream(stdout) << "schedule data changed. minDimLevel: " << productPhyMinLevel << Qt::endl;
    // A product that may switch off keeps 0; anything else lit stays at or above the physical
    // minimum. The corrections come back through this slot and find nothing left to do.
    const bool mayBeOff = levelBoxes[0]->minimum() == 0;
    for (QSpinBox* box : levelBoxes) {
        const int v = box->value();
        if (v < productPhyMinLevel && !(mayBeOff && v == 0))
            box->setValue(productPhyMinLevel);
    }
    readSchedule();
    updateChart();
}

void smartcurve::calculatorPushBtn_Clicked()
{
    calculator->exec();
}

void smartcurve::closeShiftTimeCalculator()
{
    if (!calculator->useCalculator())
        return;
    ui->midnightShiftSpinBox->setValue(calculator->shiftMinutes());
    readSchedule();
    updateChart();
}

void smartcurve::okBtnClicked()
{
    readSchedule();
    emit hideDialog();
    hide();
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

// ---- Chart --------------------------------------------------------------------------------------

void smartcurve::initChart()
{
    chart = new QChart();
    timeAxis = new QDateTimeAxis();
    timeAxis->setTickCount(13);
    timeAxis->setFormat(QStringLiteral("hh:mm"));
    timeAxis->setLabelsFont(chartLabelFont());
    timeAxis->setRange(baseDateTime, baseDateTime.addDays(1));
    chart->addAxis(timeAxis, Qt::AlignBottom);

    levelAxis = newValueAxis(11);

    updateChart();
    levelAxis->setRange(0, 100);
    titleChart(chart, timeAxis, tr("Operation Time (HH:MM)"), levelAxis, tr("Output Level (%)"));
    showChart(ui->chartView, chart);
    // A label every 2 hours needs more room than the chart has at the dialog's starting width;
    // where they would be cut, the axis labels fewer hours instead.
    connect(chart, &QChart::plotAreaChanged, this, &smartcurve::fitTimeLabels);
}

void smartcurve::fitTimeLabels(const QRectF& plotArea)
{
    const qreal labelWidth = QFontMetricsF(timeAxis->labelsFont()).horizontalAdvance(
                                 QTime(0, 0).toString(timeAxis->format()))
        + TIME_LABEL_PADDING;
    int ticks = 0;
    for (int t : TIME_TICKS) {
        ticks = t;
        if (plotArea.width() / t >= labelWidth)
            break;
    }
    if (timeAxis->tickCount() != ticks)
        timeAxis->setTickCount(ticks);
}

void smartcurve::updateChart()
{
    if (productFlag == 0)
        updatePowerOnChart();
    else
        updateTimerChart();
}

void smartcurve::drawCurve(const QList<QPointF>& points)
{
    chart->removeAllSeries();
    if (!chart->axes(Qt::Vertical).contains(levelAxis))
        chart->addAxis(levelAxis, Qt::AlignLeft);
    addChartArea(chart, points, CURVE_FILL, timeAxis, levelAxis);
}

void smartcurve::updatePowerOnChart()
{
    const QDateTime noon = todayAt("12:00");
    timeAxis->setRange(noon, noon.addDays(1));

    // The axis runs noon to noon, so a morning power-on belongs to the next day.
    QDateTime powerOn = ui->powerOnTimeEdit->dateTime();
    powerOn.setDate(QDate::currentDate());
    if (powerOn.time().hour() < NOON_HOUR)
        powerOn = powerOn.addDays(1);

    stepBoundaries.clear();
    QDateTime end = powerOn;
    for (const ScheduleStep& step : scheduleSteps) {
        end = end.addSecs(qint64(step.duration) * 60);
        stepBoundaries.append({end, step.level});
    }

    drawCurve(consecutiveSteps(powerOn, stepBoundaries));
}

void smartcurve::updateTimerChart()
{
    const bool midnight = timerMode == TIMER_MODE_MIDNIGHT;
    const QDateTime start = todayAt(midnight ? "12:00" : "00:00");

    // Midnight mode places each step's start from noon; the other modes let the steps follow one
    // another from 00:00.
    stepBoundaries.clear();
    QDateTime boundary = start;
    for (const ScheduleStep& step : scheduleSteps) {
        boundary = (midnight ? start : boundary).addSecs(qint64(step.duration) * SECONDS_PER_UNIT);
        stepBoundaries.append({boundary, step.level});
    }
    const QDateTime end = start.addDays(1);
    timeAxis->setRange(start, end);

    const int lastLevel = scheduleSteps[STEP_COUNT - 1].level;
    QList<QPointF> points;
    if (midnight) {
        // The last level runs on past the end of the axis and wraps round to noon.
        int before = lastLevel;
        points << at(start, before);
        for (const StepBoundary& b : stepBoundaries) {
            points << at(b.time, before) << at(b.time, b.level);
            before = b.level;
        }
    } else {
        points = consecutiveSteps(start, stepBoundaries);
    }
    points << at(end, lastLevel);
    drawCurve(points);

    if (midnight) {
        const QDateTime shifted = todayAt("00:00").addDays(1).addSecs(qint64(shiftMinutes) * 60);
        auto* marker = new QLineSeries();
        marker->append(at(shifted, 0));
        marker->append(at(shifted, 100));
        marker->setPen(QPen(QBrush(MIDNIGHT_MARKER), MIDNIGHT_MARKER_WIDTH, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
        chart->addSeries(marker);
        marker->attachAxis(timeAxis);
        marker->attachAxis(levelAxis);
    }
}
