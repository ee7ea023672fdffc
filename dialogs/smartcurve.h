#ifndef SMARTCURVE_H
#define SMARTCURVE_H

#include <QDateTime>
#include <QDialog>
#include <QList>

class QDoubleSpinBox;
class QSpinBox;
class QTimeEdit;

namespace Ui {
class smartcurve;
}

// Editor of the smart timer dimming schedule: five steps of duration (or start time) and level,
// five fade times and the midnight shift. Its members are the schedule that is programmed, also
// when the dialog was never opened.
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

    static constexpr int TIMER_MODE_FIXED = 1;
    static constexpr int TIMER_MODE_MIDNIGHT = 2;
    static constexpr int TIMER_MODE_RATIO = 3;
    static constexpr int STEP_COUNT = 5;

    explicit smartcurve(QWidget* parent = nullptr);
    ~smartcurve() override;

    // The next four only store; setDurations, called last, brings everything into the form.
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
    // level boxes.
    void setMinDimLevel(int productIndex);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void hideDialog();

private slots:
    void okBtnClicked();

private:
    void applyMode();
    void readSchedule();
    QDateTime anchor() const;

    Ui::smartcurve* ui;
    QList<ScheduleStep> scheduleSteps;
    int shiftMinutes;
    QList<int> fadeTimeList;
    int timerMode;
    QDateTime baseDateTime;
    int productFlag;
    QDoubleSpinBox* durationBoxes[STEP_COUNT];
    QSpinBox* levelBoxes[STEP_COUNT];
    QSpinBox* fadeTimeBoxes[STEP_COUNT];
    QTimeEdit* timeEdits[STEP_COUNT];
};

#endif // SMARTCURVE_H
