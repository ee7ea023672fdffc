#include "corridor_curve.h"

#include "chartparts.h"
#include "ui_corridor_curve.h"

#include <QChart>
#include <QKeyEvent>
#include <QValueAxis>

using namespace QtCharts;

namespace {

constexpr int TOOLTIP_MS = 2000;
// Hold and release time: the driver counts tens of seconds, the slider shows them.
constexpr int TIME_STEP_S = 10;
constexpr int RELEASE_SLIDER_INFINITE = 254;

// The chart is a sketch of the profile, not to scale: fades are shrunk, hold and release are
// plateaus of fixed width, and the time axis carries no numbers.
constexpr int CHART_TIME_MAX = 900;
constexpr int CHART_OFF_WIDTH = 10;
constexpr int CHART_PLATEAU_WIDTH = 400;
constexpr int CHART_FADE_DIVISOR = 5;
const QColor CURVE_FILL(255, 195, 0, 150);

void snapToTens(QSpinBox* box)
{
    if (box->value() % TIME_STEP_S != 0)
        box->setValue(box->value() / TIME_STEP_S * TIME_STEP_S);
}

} // namespace

corridor_curve::corridor_curve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::corridor_curve)
{
    ui->setupUi(this);
    installEventFilter(this);
    ui->corridorHoldTimeSpinBox_1->setToolTip(tr("ten multiples"));
    ui->corridorHoldTimeSpinBox_1->setToolTipDuration(TOOLTIP_MS);
    ui->corridorReleaseTimeSpinBox_1->setToolTip(tr("ten multiples"));
    ui->corridorReleaseTimeSpinBox_1->setToolTipDuration(TOOLTIP_MS);
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    // clicked, not toggled: loadSettings checks the box from code without running the slot.
    connect(ui->infinityCheckBox_1, SIGNAL(clicked(bool)), this, SLOT(infinityCheckBoxStateChanged(bool)));
    connectValueSignals();
    readSettings();
    initChart();
}

corridor_curve::~corridor_curve()
{
    delete ui;
}

void corridor_curve::connectValueSignals()
{
    connect(ui->corridorTurnOnFadeTimeSpinBox_1, SIGNAL(valueChanged(int)), this, SLOT(turnOnFadeTimeSpinBoxChanged(int)));
    connect(ui->corridorTurnOnLevelSpinBox_1, SIGNAL(valueChanged(int)), this, SLOT(turnOnLevelSpinBoxChanged(int)));
    connect(ui->corridorHoldTimeSpinBox_1, SIGNAL(valueChanged(int)), this, SLOT(holdTimeSpinBoxChanged(int)));
    connect(ui->corridorReleaseFadeTimeSpinBox_1, SIGNAL(valueChanged(int)), this, SLOT(releaseFadeTimeSpinBoxChanged(int)));
    connect(ui->corridorReleaseLevelSpinBox_1, SIGNAL(valueChanged(int)), this, SLOT(releaseLevelSpinBoxChanged(int)));
    connect(ui->corridorReleaseTimeSpinBox_1, SIGNAL(valueChanged(int)), this, SLOT(releaseTimeSpinBoxChanged(int)));
    connect(ui->corridorHoldTimeSpinBox_1, SIGNAL(editingFinished()), this, SLOT(holdTimeSpinBoxEditingFinished()));
    connect(ui->corridorReleaseTimeSpinBox_1, SIGNAL(editingFinished()), this, SLOT(releaseTimeSpinBoxEditingFinished()));
    connect(ui->corridorTurnOnFadeTimeSlider, SIGNAL(valueChanged(int)), this, SLOT(turnOnFadeTimeSliderChanged(int)));
    connect(ui->corridorTurnOnLevelSlider, SIGNAL(valueChanged(int)), this, SLOT(turnOnLevelSliderChanged(int)));
    connect(ui->corridorHoldTimeSlider, SIGNAL(valueChanged(int)), this, SLOT(holdTimeSliderChanged(int)));
    connect(ui->corridorReleaseFadeTimeSlider, SIGNAL(valueChanged(int)), this, SLOT(releaseFadeTimeSliderChanged(int)));
    connect(ui->corridorReleaseLevelSlider, SIGNAL(valueChanged(int)), this, SLOT(releaseLevelSliderChanged(int)));
    connect(ui->corridorReleaseTimeSlider, SIGNAL(valueChanged(int)), this, SLOT(releaseTimeSliderChanged(int)));
}

void corridor_curve::disconnectValueSignals()
{
    for (QObject* sender : std::initializer_list<QObject*>{
             ui->corridorTurnOnFadeTimeSpinBox_1, ui->corridorTurnOnLevelSpinBox_1, ui->corridorHoldTimeSpinBox_1,
             ui->corridorReleaseFadeTimeSpinBox_1, ui->corridorReleaseLevelSpinBox_1, ui->corridorReleaseTimeSpinBox_1,
             ui->corridorTurnOnFadeTimeSlider, ui->corridorTurnOnLevelSlider, ui->corridorHoldTimeSlider,
             ui->corridorReleaseFadeTimeSlider, ui->corridorReleaseLevelSlider, ui->corridorReleaseTimeSlider})
        disconnect(sender, nullptr, this, nullptr);
}

// Sets the partner widgets without running their slots, then takes the form in and redraws.
void corridor_curve::applyEdit(const std::function<void()>& setPartners)
{
    disconnectValueSignals();
    setPartners();
    connectValueSignals();
    readSettings();
    updateChart();
}

void corridor_curve::readSettings()
{
    settings.turnOnLevel = ui->corridorTurnOnLevelSlider->value();
    settings.releaseLevel = ui->corridorReleaseLevelSlider->value();
    settings.turnOnFadeTime = ui->corridorTurnOnFadeTimeSlider->value();
    settings.releaseFadeTime = ui->corridorReleaseFadeTimeSlider->value();
    settings.holdTime = ui->corridorHoldTimeSpinBox_1->value();
    settings.releaseTime = ui->corridorReleaseTimeSpinBox_1->value();
    settings.infiniteRelease = ui->infinityCheckBox_1->isChecked();
    if (settings.infiniteRelease)
        settings.releaseTime *= INFINITE_RELEASE_FACTOR;
}

void corridor_curve::loadSettings(const CorridorSettings& s)
{
    disconnectValueSignals();
    ui->corridorTurnOnFadeTimeSlider->setValue(s.turnOnFadeTime);
    ui->corridorTurnOnFadeTimeSpinBox_1->setValue(s.turnOnFadeTime);
    ui->corridorTurnOnLevelSlider->setValue(s.turnOnLevel);
    ui->corridorTurnOnLevelSpinBox_1->setValue(s.turnOnLevel);
    ui->corridorHoldTimeSlider->setValue(s.holdTime / TIME_STEP_S);
    ui->corridorHoldTimeSpinBox_1->setValue(s.holdTime);
    ui->corridorReleaseFadeTimeSlider->setValue(s.releaseFadeTime);
    ui->corridorReleaseFadeTimeSpinBox_1->setValue(s.releaseFadeTime);
    ui->corridorReleaseLevelSlider->setValue(s.releaseLevel);
    ui->corridorReleaseLevelSpinBox_1->setValue(s.releaseLevel);
    const bool encoded = s.releaseTime >= INFINITE_RELEASE_FACTOR;
    const bool infinite = encoded || s.infiniteRelease;
    ui->infinityCheckBox_1->setChecked(infinite);
    ui->corridorReleaseTimeSlider->setValue(infinite ? RELEASE_SLIDER_INFINITE : s.releaseTime / TIME_STEP_S);
    ui->corridorReleaseTimeSlider->setEnabled(!infinite);
    ui->corridorReleaseTimeSpinBox_1->setEnabled(!infinite);
    ui->corridorReleaseTimeSpinBox_1->setValue(encoded ? s.releaseTime / INFINITE_RELEASE_FACTOR : s.releaseTime);
    connectValueSignals();
    readSettings();
    updateChart();
}

void corridor_curve::turnOnFadeTimeSliderChanged(int)
{
    applyEdit([this] { ui->corridorTurnOnFadeTimeSpinBox_1->setValue(ui->corridorTurnOnFadeTimeSlider->value()); });
}

void corridor_curve::turnOnLevelSliderChanged(int)
{
    applyEdit([this] { ui->corridorTurnOnLevelSpinBox_1->setValue(ui->corridorTurnOnLevelSlider->value()); });
}

void corridor_curve::releaseFadeTimeSliderChanged(int)
{
    applyEdit([this] { ui->corridorReleaseFadeTimeSpinBox_1->setValue(ui->corridorReleaseFadeTimeSlider->value()); });
}

void corridor_curve::releaseLevelSliderChanged(int)
{
    applyEdit([this] { ui->corridorReleaseLevelSpinBox_1->setValue(ui->corridorReleaseLevelSlider->value()); });
}

void corridor_curve::turnOnFadeTimeSpinBoxChanged(int)
{
    applyEdit([this] { ui->corridorTurnOnFadeTimeSlider->setValue(ui->corridorTurnOnFadeTimeSpinBox_1->value()); });
}

void corridor_curve::turnOnLevelSpinBoxChanged(int)
{
    applyEdit([this] { ui->corridorTurnOnLevelSlider->setValue(ui->corridorTurnOnLevelSpinBox_1->value()); });
}

void corridor_curve::releaseFadeTimeSpinBoxChanged(int)
{
    applyEdit([this] { ui->corridorReleaseFadeTimeSlider->setValue(ui->corridorReleaseFadeTimeSpinBox_1->value()); });
}

void corridor_curve::releaseLevelSpinBoxChanged(int)
{
    applyEdit([this] { ui->corridorReleaseLevelSlider->setValue(ui->corridorReleaseLevelSpinBox_1->value()); });
}

void corridor_curve::holdTimeSliderChanged(int)
{
    applyEdit([this] { ui->corridorHoldTimeSpinBox_1->setValue(ui->corridorHoldTimeSlider->value() * TIME_STEP_S); });
}

void corridor_curve::releaseTimeSliderChanged(int)
{
    applyEdit([this] { ui->corridorReleaseTimeSpinBox_1->setValue(ui->corridorReleaseTimeSlider->value() * TIME_STEP_S); });
}

void corridor_curve::holdTimeSpinBoxChanged(int value)
{
    // A single digit is most likely the first of several being typed: wait for the rest.
    if (value < TIME_STEP_S)
        return;
    holdTimeSpinBoxEditingFinished();
}

void corridor_curve::holdTimeSpinBoxEditingFinished()
{
    applyEdit([this] {
        snapToTens(ui->corridorHoldTimeSpinBox_1);
        ui->corridorHoldTimeSlider->setValue(ui->corridorHoldTimeSpinBox_1->value() / TIME_STEP_S);
    });
}

void corridor_curve::releaseTimeSpinBoxChanged(int value)
{
    if (value < TIME_STEP_S)
        return;
    releaseTimeSpinBoxEditingFinished();
}

void corridor_curve::releaseTimeSpinBoxEditingFinished()
{
    applyEdit([this] {
        snapToTens(ui->corridorReleaseTimeSpinBox_1);
        ui->corridorReleaseTimeSlider->setValue(ui->corridorReleaseTimeSpinBox_1->value() / TIME_STEP_S);
    });
}

void corridor_curve::infinityCheckBoxStateChanged(bool checked)
{
    // The spin box keeps its seconds while disabled, so unchecking brings the finite time back.
    disconnectValueSignals();
    ui->corridorReleaseTimeSpinBox_1->setEnabled(!checked);
    ui->corridorReleaseTimeSlider->setValue(checked ? RELEASE_SLIDER_INFINITE
                                                    : ui->corridorReleaseTimeSpinBox_1->value() / TIME_STEP_S);
    ui->corridorReleaseTimeSlider->setEnabled(!checked);
    connectValueSignals();
}

bool corridor_curve::eventFilter(QObject* watched, QEvent* event)
{
    // Escape and Return only (not the keypad's Enter): OK is the way out.
    if (qobject_cast<QDialog*>(watched) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void corridor_curve::okBtnClicked()
{
    readSettings();
    emit hideDialog(settings);
    hide();
}

// ---- Chart --------------------------------------------------------------------------------------

void corridor_curve::initChart()
{
    const QFont font = chartLabelFont();
    chart = new QChart();
    timeAxis = new QValueAxis();
    timeAxis->setLabelsFont(font);
    timeAxis->setLabelsVisible(false);
    chart->addAxis(timeAxis, Qt::AlignBottom);
    levelAxis = new QValueAxis();
    levelAxis->setLabelFormat(QStringLiteral("%d"));
    levelAxis->setLabelsFont(font);
    chart->addAxis(levelAxis, Qt::AlignLeft);

    updateChart();
    levelAxis->setRange(0, 100);
    titleChart(chart, timeAxis, tr("Time"), levelAxis, tr("Level(%)"), font);
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->setBackgroundRoundness(0);
    showChart(ui->corridorCurveChartView, chart);
}

void corridor_curve::updateChart()
{
    timeAxis->setRange(0, CHART_TIME_MAX);
    const int riseEnd = CHART_OFF_WIDTH + settings.turnOnFadeTime / CHART_FADE_DIVISOR;
    const int holdEnd = riseEnd + CHART_PLATEAU_WIDTH;
    const int fallEnd = holdEnd + settings.releaseFadeTime / CHART_FADE_DIVISOR;
    const QList<QPointF> profile = {{0, 0},
                                    {qreal(CHART_OFF_WIDTH), 0},
                                    {qreal(riseEnd), qreal(settings.turnOnLevel)},
                                    {qreal(holdEnd), qreal(settings.turnOnLevel)},
                                    {qreal(fallEnd), qreal(settings.releaseLevel)},
                                    {qreal(fallEnd + CHART_PLATEAU_WIDTH), qreal(settings.releaseLevel)}};

    chart->removeAllSeries();
    addChartArea(chart, profile, CURVE_FILL, timeAxis, levelAxis);
}
