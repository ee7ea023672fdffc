// Power Meter tab: one or periodic reads of a gear's energy banks, the readings table and its
// workbook.

#include "mainwindow.h"

#include "tableworkbook.h"
#include "ui_mainwindow.h"

void MainWindow::readPowerPushBtn_clicked()
{
}

void MainWindow::autoReadTimerProcess()
{
}

void MainWindow::processPowerMonitorDisplay(int type, double* data, uint masktype)
{
    Q_UNUSED(type)
    Q_UNUSED(data)
    Q_UNUSED(masktype)
}

void MainWindow::processPowerDataReadResult(bool result)
{
    Q_UNUSED(result)
}

void MainWindow::broadcastAddrRatioButton_2_checked()
{
}

void MainWindow::shortAddrRatioButton_2_checked()
{
}

void MainWindow::addrLineEdit_2_Change()
{
}

void MainWindow::clearMonitorDataPushBtn_clecked()
{
}

void MainWindow::savePowerData()
{
    static const TableWorkbookLayout powerWorkbook = {
        "start to save power data...",
        "Save power data",
        "PowerDataRecord.xlsx",
        {"Time", "Active Power(W)", "Active Energy(Wh)", "Apparent Power(VA)", "Apparent Energy(VAh)",
         "Load side Power(W)", "Load side Energy(Wh)"},
        {20, 30, 30, 30, 30, 30, 30},
    };
    saveTableWorkbook(this, ui->monitorTableWidget, powerWorkbook);
}

void MainWindow::startPowerRead()
{
}
