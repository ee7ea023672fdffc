#include "corridor_curve.h"

#include "ui_corridor_curve.h"

#include <QKeyEvent>

namespace {

constexpr int TOOLTIP_MS = 2000;

} // namespace

corridor_curve::corridor_curve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::corridor_curve)
{
    ui->setupUi(this);
    installEventFilter(this);
    // The driver counts hold and release time in tens of seconds.
    ui->corridorHoldTimeSpinBox_1->setToolTip(tr("ten multiples"));
    ui->corridorHoldTimeSpinBox_1->setToolTipDuration(TOOLTIP_MS);
    ui->corridorReleaseTimeSpinBox_1->setToolTip(tr("ten multiples"));
    ui->corridorReleaseTimeSpinBox_1->setToolTipDuration(TOOLTIP_MS);
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    connect(ui->infinityCheckBox_1, SIGNAL(clicked(bool)), this, SLOT(infinityCheckBoxStateChanged(bool)));
    readSettings();
}

corridor_curve::~corridor_curve()
{
    delete ui;
}

void corridor_curve::readSettings()
{
    settings.turnOnLevel = ui->corridorTurnOnLevelSpinBox_1->value();
    settings.releaseLevel = ui->corridorReleaseLevelSpinBox_1->value();
    settings.turnOnFadeTime = ui->corridorTurnOnFadeTimeSpinBox_1->value();
    settings.releaseFadeTime = ui->corridorReleaseFadeTimeSpinBox_1->value();
    settings.holdTime = ui->corridorHoldTimeSpinBox_1->value();
    settings.releaseTime = ui->corridorReleaseTimeSpinBox_1->value();
    settings.infiniteRelease = ui->infinityCheckBox_1->isChecked();
    if (settings.infiniteRelease)
        settings.releaseTime *= INFINITE_RELEASE_FACTOR;
}

void corridor_curve::loadSettings(const CorridorSettings& s)
{
    ui->corridorTurnOnFadeTimeSpinBox_1->setValue(s.turnOnFadeTime);
    ui->corridorTurnOnLevelSpinBox_1->setValue(s.turnOnLevel);
    ui->corridorHoldTimeSpinBox_1->setValue(s.holdTime);
    ui->corridorReleaseFadeTimeSpinBox_1->setValue(s.releaseFadeTime);
    ui->corridorReleaseLevelSpinBox_1->setValue(s.releaseLevel);
    const bool encoded = s.releaseTime > INFINITE_RELEASE_FACTOR - 1;
    const bool infinite = encoded || s.infiniteRelease;
    ui->infinityCheckBox_1->setChecked(infinite);
    ui->corridorReleaseTimeSpinBox_1->setEnabled(!infinite);
    ui->corridorReleaseTimeSpinBox_1->setValue(encoded ? s.releaseTime / INFINITE_RELEASE_FACTOR
                                                       : s.releaseTime);
    readSettings();
}

void corridor_curve::infinityCheckBoxStateChanged(bool checked)
{
    // The spin box keeps its seconds while disabled, so unchecking brings the finite time back.
    ui->corridorReleaseTimeSpinBox_1->setEnabled(!checked);
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
