#ifndef SMARTCURVE_H
#define SMARTCURVE_H

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QRectF>

class QDoubleSpinBox;
class QSpinBox;
class QTimeEdit;
class shift_calculator;

namespace QtCharts {
class QChart;
class QDateTimeAxis;
class QValueAxis;
}

namespace Ui {
class smartcurve;
}

// Editor of the smart timer dimming schedule: five steps of duration (or start time) and level,
// five fade times and the midnight shift, drawn as a level-over-24-hours chart that follows every
// edit. Its members are the schedule that is programmed, also when the dialog was never opened.
// Only setDurations brings the members into the form; the other setters just store.
class smartcurve : public QDialog
{
    Q_OBJECT

public:
    // duration: product flag 0 minutes; flag 1, modes 1 and 3 units of 6 minutes; flag 1, mode 2
    // the step's start in units of 6 minutes after 12:00 (0..239).
    struct ScheduleStep
    {
        int duration = 0;
        int level = 0; // %
    };

    // One boundary of the drawn curve: where step k ends (mode 2: where it begins) and its level.
    struct StepBoundary
    {
        QDateTime time;
        int level = 0;
    };

    static constexpr int TIMER_MODE_FIXED = 1;
    static constexpr int TIMER_MODE_MIDNIGHT = 2;
    static constexpr int TIMER_MODE_RATIO = 3;
    static constexpr int STEP_COUNT = 5;

    explicit smartcurve(QWidget* parent = nullptr);
    ~smartcurve() override;

    void setMode(int mode, int editable);
    void setLevels(const QList<int>& levels);
    void setMidnightShift(int minutes);
    void setFadeTimes(const QList<int>& fadeTimes);
    void setDurations(const QList<int>& durations);

    QList<ScheduleStep> steps() const { return scheduleSteps; }
    int midnightShift() const { return shiftMinutes; }
    QList<int> fadeTimes() const { return fadeTimeList; }

    // Product adaptation: durations of products 0..99 are minutes, of later ones 6-minute units;
    // a product that dims only to its physical minimum (feature 0x800) gets that minimum on the
    // level boxes. Takes effect at the next setDurations.
    void setMinDimLevel(int productIndex);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void hideDialog();

private slots:
    void midnightShiftValueChanged(int value);
    void timeEdit_1_Changed();
    void timeEdit_2_Changed();
    void timeEdit_3_Changed();
    void timeEdit_4_Changed();
    void timeEdit_5_Changed();
    void powerOnTimeEdit_Changed();
    void durationEditChanged();
    void scheduleDataChanged();
    void calculatorPushBtn_Clicked();
    void closeShiftTimeCalculator();
    void okBtnClicked();

private:
    void wire(bool on, const QObject* sender, const char* signal, const char* slot);
    void connectSignals(bool on);
    void connectTimeEdits(bool on);
    void connectDurationBoxes(bool on);
    void applyMode();
    void readSchedule();
    void updateDurationsFromTimes(int index);
    void updateTimesFromDurations();
    void showTimeEdits(bool visible);
    void showDurationEdits(bool visible);
    void setDurationUnit(const QString& header, int decimals, double maximum);
    QDateTime anchor() const;
    QDateTime onNoonLine(const QTime& time) const;

    void initChart();
    void fitTimeLabels(const QRectF& plotArea);
    void updateChart();
    void updatePowerOnChart();
    void updateTimerChart();
    void drawCurve(const QList<QPointF>& points);

    QList<ScheduleStep> scheduleSteps;
    int shiftMinutes;
    QList<int> fadeTimeList;
    int timerMode;
    Ui::smartcurve* ui;
    QtCharts::QChart* chart;
    QtCharts::QDateTimeAxis* timeAxis;
    QtCharts::QValueAxis* levelAxis;
    QList<StepBoundary> stepBoundaries;
    QDateTime baseDateTime;
    QList<QDateTime> timePoints;
    int productFlag;
    shift_calculator* calculator;
    QDoubleSpinBox* durationBoxes[STEP_COUNT];
    QSpinBox* levelBoxes[STEP_COUNT];
    QSpinBox* fadeTimeBoxes[STEP_COUNT];
    QTimeEdit* timeEdits[STEP_COUNT];
};

#endif // SMARTCURVE_H
