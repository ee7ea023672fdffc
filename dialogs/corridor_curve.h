#ifndef CORRIDOR_CURVE_H
#define CORRIDOR_CURVE_H

#include <QDialog>
#include <QMetaType>

#include <functional>

namespace QtCharts {
class QChart;
class QValueAxis;
}

namespace Ui {
class corridor_curve;
}

// Editor of the corridor dimming profile: fade up to the turn-on level, hold, fade down to the
// release level, stay there for the release time (or for ever). Every parameter has a slider and a
// spin box kept in step; hold and release time slide in tens of seconds and are typed in seconds.
// A chart draws the profile after every change. Filled by loadSettings, handed back by OK through
// hideDialog; Escape and Return do not close it.
class corridor_curve : public QDialog
{
    Q_OBJECT

public:
    // An infinite release time travels as the release spin box's seconds x 10000; any value above
    // 9999 reads as infinite. An infinite release of 0 s is still 0 that way, so infiniteRelease
    // carries the choice as well: set, the release time is infinite whatever its value.
    struct CorridorSettings
    {
        int turnOnLevel = 100;   // %
        int releaseLevel = 10;   // %
        int turnOnFadeTime = 0;
        int releaseFadeTime = 0;
        int holdTime = 50;       // s
        int releaseTime = 50;    // s, or s x 10000 when infinite
        bool infiniteRelease = false;
    };

    static constexpr int INFINITE_RELEASE_FACTOR = 10000;

    explicit corridor_curve(QWidget* parent = nullptr);
    ~corridor_curve() override;

    // Fills every widget; the spin boxes clamp what lies outside their ranges.
    void loadSettings(const CorridorSettings& s);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void hideDialog(const corridor_curve::CorridorSettings& settings);

public slots:
    void turnOnFadeTimeSliderChanged(int value);
    void turnOnLevelSliderChanged(int value);
    void holdTimeSliderChanged(int value);
    void releaseFadeTimeSliderChanged(int value);
    void releaseLevelSliderChanged(int value);
    void releaseTimeSliderChanged(int value);
    void turnOnFadeTimeSpinBoxChanged(int value);
    void turnOnLevelSpinBoxChanged(int value);
    void holdTimeSpinBoxChanged(int value);
    void holdTimeSpinBoxEditingFinished();
    void releaseFadeTimeSpinBoxChanged(int value);
    void releaseLevelSpinBoxChanged(int value);
    void releaseTimeSpinBoxChanged(int value);
    void releaseTimeSpinBoxEditingFinished();
    void infinityCheckBoxStateChanged(bool checked);
    void okBtnClicked();

private:
    void connectValueSignals();
    void disconnectValueSignals();
    void applyEdit(const std::function<void()>& setPartners);
    void readSettings();
    void initChart();
    void updateChart();

    Ui::corridor_curve* ui;
    CorridorSettings settings;
    QtCharts::QChart* chart = nullptr;
    QtCharts::QValueAxis* timeAxis = nullptr;
    QtCharts::QValueAxis* levelAxis = nullptr;
};

Q_DECLARE_METATYPE(corridor_curve::CorridorSettings)

#endif // CORRIDOR_CURVE_H
