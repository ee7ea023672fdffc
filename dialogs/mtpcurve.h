#ifndef MTPCURVE_H
#define MTPCURVE_H

#include <QDialog>
#include <QMetaType>

namespace QtCharts {
class QCategoryAxis;
class QChart;
class QValueAxis;
}

namespace Ui {
class mtpcurve;
}

// Module thermal derating: 100 % above the start resistance of the module's NTC, a linear fall to
// the minimum level at the end resistance, the minimum level below it. Every change rebuilds the
// whole chart, since its resistance axis (descending, in steps that follow the span) depends on
// the values. Filled by loadSettings; OK hands back the settings as last read, through hideDialog.
class mtpcurve : public QDialog
{
    Q_OBJECT

public:
    struct MTPSettings
    {
        int minLevel = 50; // %
        double start = 6.0; // kOhm
        double end = 5.0;   // kOhm
    };

    explicit mtpcurve(QWidget* parent = nullptr);
    ~mtpcurve() override;

    // End, start, then the minimum level, each clamped by its spin box; the start always stays at
    // least 0.5 kOhm above the end.
    void loadSettings(const MTPSettings& s);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void hideDialog(mtpcurve::MTPSettings settings);

private slots:
    void groupBoxValueChanged();
    void okBtnClicked();

private:
    void connectSignals();
    void readSettings();
    void initChart();
    void updateChart();

    Ui::mtpcurve* ui;
    QtCharts::QChart* chart = nullptr;
    QtCharts::QCategoryAxis* xAxis = nullptr;
    QtCharts::QValueAxis* yAxis = nullptr;
    MTPSettings settings;
};

Q_DECLARE_METATYPE(mtpcurve::MTPSettings)

#endif // MTPCURVE_H
