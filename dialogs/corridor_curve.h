#ifndef CORRIDOR_CURVE_H
#define CORRIDOR_CURVE_H

#include <QDialog>
#include <QMetaType>

namespace Ui {
class corridor_curve;
}

// Editor of the corridor dimming profile: fade up to the turn-on level, hold, fade down to the
// release level, stay there for the release time (or for ever).
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
    void infinityCheckBoxStateChanged(bool checked);
    void okBtnClicked();

private:
    void readSettings();

    Ui::corridor_curve* ui;
    CorridorSettings settings;
};

Q_DECLARE_METATYPE(corridor_curve::CorridorSettings)

#endif // CORRIDOR_CURVE_H
