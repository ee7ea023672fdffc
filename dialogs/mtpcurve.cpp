#include "mtpcurve.h"

#include "ui_mtpcurve.h"

#include <QKeyEvent>

namespace {

// The derating must fall over a real resistance span: the start stays this far above the end.
constexpr double MIN_DERATING_SPAN_KOHM = 0.5;

} // namespace

mtpcurve::mtpcurve(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::mtpcurve)
{
    ui->setupUi(this);
    ui->MTPGroupBox->setStyleSheet(QStringLiteral("QGroupBox { font: 16px \"Arial Black\"; color:rgb(74,74,74);} "));
    installEventFilter(this);
    connectSignals();
    readSettings();
}

mtpcurve::~mtpcurve()
{
    delete ui;
}

void mtpcurve::connectSignals()
{
    connect(ui->MTPMinLevelSpinBox, SIGNAL(valueChanged(int)), this, SLOT(groupBoxValueChanged()));
    connect(ui->MTPStartDoubleSpinBox, SIGNAL(valueChanged(double)), this, SLOT(groupBoxValueChanged()));
    connect(ui->MTPEndDoubleSpinBox, SIGNAL(valueChanged(double)), this, SLOT(groupBoxValueChanged()));
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
}

void mtpcurve::readSettings()
{
    settings.start = ui->MTPStartDoubleSpinBox->value();
    settings.end = ui->MTPEndDoubleSpinBox->value();
    settings.minLevel = ui->MTPMinLevelSpinBox->value();
    // Raising the start's minimum may raise its value, which re-enters here through valueChanged
    // and leaves settings consistent with the form.
    ui->MTPStartDoubleSpinBox->setMinimum(settings.end + MIN_DERATING_SPAN_KOHM);
    ui->MTPEndDoubleSpinBox->setMaximum(ui->MTPStartDoubleSpinBox->maximum() - MIN_DERATING_SPAN_KOHM);
}

void mtpcurve::loadSettings(const MTPSettings& s)
{
    ui->MTPStartDoubleSpinBox->setValue(s.start);
    ui->MTPEndDoubleSpinBox->setValue(s.end);
    ui->MTPMinLevelSpinBox->setValue(s.minLevel);
    readSettings();
}

bool mtpcurve::eventFilter(QObject* watched, QEvent* event)
{
    if (qobject_cast<QDialog*>(watched) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void mtpcurve::groupBoxValueChanged()
{
    readSettings();
}

void mtpcurve::okBtnClicked()
{
    emit hideDialog(settings);
    hide();
}
