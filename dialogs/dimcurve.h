#ifndef DIMCURVE_H
#define DIMCURVE_H

#include <QDialog>
#include <QMetaType>

namespace QtCharts {
class QChart;
class QValueAxis;
}

namespace Ui {
class dimcurve;
}

// Editor of the 0-10V dimming curve: what the driver does at the bottom of the input range, the
// minimum level and the two input voltages of the curve's knees. A chart of output level over
// input voltage follows every change. Filled by loadSettings and adapted to the product by the
// main window's setters; OK hands back the settings as last read, through hideDialog.
class dimcurve : public QDialog
{
    Q_OBJECT

public:
    struct DimSettings
    {
        int mode = 1;             // 0 dim to off, 1 dim to the minimum level
        int minLevel = 10;        // %
        double startVoltage = 8.5; // V at which the output reaches 100 %
        double endVoltage = 1.1;  // V at which the output has fallen to minLevel
    };

    explicit dimcurve(QWidget* parent = nullptr);
    ~dimcurve() override;

    // Fills the form (a non-zero mode checks "Min. Dim"); the spin boxes clamp what they are given
    // and the clamped values are what OK hands back.
    void loadSettings(const DimSettings& s);

    // Product adaptation. None of them re-reads the form; a new limit that clamps a value does.
    void setVoltageLimits(double startMax, double endMin);
    void setMinLevelMinimum(int v);
    void lockMinDimMode(bool on);      // true: "Min. Dim" forced; false: nothing
    void setVoltageVisible(bool visible);
    void setModeEditable(int e);       // 0 disables the mode and level, 1 enables them, others nothing

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void hideDialog(dimcurve::DimSettings settings);

private slots:
    void groupBoxValueChanged();
    void okBtnClicked();

private:
    void connectSignals();
    void readSettings();
    void initChart();
    void updateChart();

    Ui::dimcurve* ui;
    QtCharts::QChart* chart = nullptr;
    QtCharts::QValueAxis* xAxis = nullptr;
    QtCharts::QValueAxis* yAxis = nullptr;
    DimSettings settings;
};

Q_DECLARE_METATYPE(dimcurve::DimSettings)

#endif // DIMCURVE_H
