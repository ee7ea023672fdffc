#include "programview.h"

#include "ui_programview.h"

#include <QCloseEvent>

namespace {

const char* const noCount = "------";
const char* const nextDriverText = "** Connect the next LED driver **";

} // namespace

programView::programView(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::programView)
    , successCount(0)
    , failureCount(0)
    , retryCount(0)
{
    ui->setupUi(this);
    connect(ui->doneBtn, SIGNAL(clicked()), this, SLOT(doneBtnClicked()));
}

programView::~programView()
{
    delete ui;
}

void programView::showProgrammingState(int state)
{
    switch (state) {
    case VIEW_STATE_START:
        ui->titleLabel->setText(QStringLiteral("Start Programming LED Driver ......"));
        ui->colorWidget->setStyleSheet(QStringLiteral("background-color: rgb(255, 250, 205)"));
        ui->doneBtn->setEnabled(false);
        ui->subTitleLabel->setText(QString());
        break;
    case VIEW_STATE_SUCCESS:
        ui->titleLabel->setText(QStringLiteral("Programmed Successfully ....!"));
        ui->colorWidget->setStyleSheet(QStringLiteral("background-color: rgb(170, 255, 127)"));
        ui->doneBtn->setEnabled(true);
        ++successCount;
        ui->successLabel->setText(tr("%1 pcs").arg(successCount));
        ui->subTitleLabel->setText(QLatin1String(nextDriverText));
        break;
    case VIEW_STATE_FAIL:
        ui->titleLabel->setText(QStringLiteral("Programmed Failed ....!"));
        ui->colorWidget->setStyleSheet(QStringLiteral("background-color: rgb(255, 170, 127)"));
        ui->doneBtn->setEnabled(true);
        ++failureCount;
        ui->failLabel->setText(tr("%1 pcs").arg(failureCount));
        ui->subTitleLabel->setText(QLatin1String(nextDriverText));
        break;
    case VIEW_STATE_RETRY:
        ui->titleLabel->setText(QStringLiteral("Start Programming LED Driver ......!"));
        ui->colorWidget->setStyleSheet(QStringLiteral("background-color: rgb(255, 250, 205)"));
        ui->doneBtn->setEnabled(false);
        ++retryCount;
        ui->subTitleLabel->setText(tr("Communication error, retry %1 ......").arg(retryCount));
        break;
    case VIEW_STATE_WAIT_DRIVER:
        ui->titleLabel->setText(QStringLiteral("Wait for LED Driver ....!"));
        ui->colorWidget->setStyleSheet(QStringLiteral("background-color: rgb(232, 232, 232)"));
        ui->doneBtn->setEnabled(true);
        ui->subTitleLabel->setText(QLatin1String(nextDriverText));
        break;
    default:
        break;
    }
}

void programView::doneBtnClicked()
{
    successCount = 0;
    failureCount = 0;
    retryCount = 0;
    ui->successLabel->setText(QLatin1String(noCount));
    ui->failLabel->setText(QLatin1String(noCount));
    emit hideDialog();
    hide();
}

void programView::reject()
{
}

void programView::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
