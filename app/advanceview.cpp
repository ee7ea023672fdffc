#include "advanceview.h"

#include "prompt.h"
#include "ui_advanceview.h"

#include <QKeyEvent>

AdvanceView::AdvanceView(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::AdvanceView)
{
    ui->setupUi(this);
    ui->advanceGroupBox->setStyleSheet(
        QStringLiteral("QGroupBox { font: 16px \"Arial Black\"; color:rgb(74,74,74);} "));
    connectSignals();
    installEventFilter(this);
}

AdvanceView::~AdvanceView()
{
    delete ui;
}

void AdvanceView::connectSignals()
{
    connect(ui->okButton, SIGNAL(clicked()), this, SLOT(okBtnClicked()));
    connect(ui->factoryResetPushButton, SIGNAL(clicked()), this, SLOT(factoryResetBtnClicked()));
}

void AdvanceView::setCheckBox(const AdvanceSettingDef& settings)
{
    ui->otpCheckBox->setChecked(settings.otpEnable);
}

void AdvanceView::addComboItem(const QString& name)
{
    ui->factoryResetDriverComboBox->addItem(name);
}

void AdvanceView::clearComboItems()
{
    ui->factoryResetDriverComboBox->clear();
}

bool AdvanceView::eventFilter(QObject* watched, QEvent* event)
{
    // OK is the only way out, so the OTP flag is always handed back.
    if (qobject_cast<QDialog*>(watched) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

void AdvanceView::okBtnClicked()
{
    emit hideDialog(ui->otpCheckBox->isChecked());
    hide();
}

void AdvanceView::factoryResetBtnClicked()
{
    const int index = ui->factoryResetDriverComboBox->currentIndex();
    const QMessageBox::StandardButton answer = Prompt::question(this, tr("Warning"),
        tr("Do you really need to perform the reset operation?"), QMessageBox::Ok | QMessageBox::Cancel,
        QMessageBox::Ok);
    if (answer == QMessageBox::Ok)
        emit startFactoryReset(index + 1);
}
