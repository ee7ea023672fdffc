// DALI Control tab: single commands, the command sequence table and its workbook.

#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::deviceTypeChanged(int type)
{
    Q_UNUSED(type)
}

void MainWindow::cmdLineEditFinishProcess()
{
}

void MainWindow::cmdLineEditedProcess()
{
}

void MainWindow::cmdComboBoxSelectedProcess()
{
}

void MainWindow::sendPushBtn_clicked()
{
}

void MainWindow::broadcastAddrRatioButton_checked()
{
}

void MainWindow::groupAddrRatioButton_checked()
{
}

void MainWindow::shortAddrRatioButton_checked()
{
}

void MainWindow::addrLineEditChange()
{
}

int MainWindow::consoleTargetAddress()
{
    return 0;
}

void MainWindow::addSeqCmdPushBtn_clicked()
{
}

void MainWindow::insertSeqCmdPushBtn_clicked()
{
}

void MainWindow::delSeqCmdPushBtn_clicked()
{
}

void MainWindow::seqCmdMoveUpPushBtn_clicked()
{
}

void MainWindow::seqCmdMoveDownPushBtn_clicked()
{
}

void MainWindow::startSendSeqCmdPushBtn_clicked()
{
}

void MainWindow::singleStepSeqCmdPushBtn_clicked()
{
}

void MainWindow::buildSequenceCommand()
{
}

void MainWindow::cmdSequenceItemSelectionChanged()
{
}

void MainWindow::processDaliConsoleDisplay(QByteArray data)
{
    Q_UNUSED(data)
}

void MainWindow::cmdSeqFinishProcess()
{
}

void MainWindow::updateCmdSequenceItemDisplay(int row)
{
    Q_UNUSED(row)
}

// ---- Command sequence workbook --------------------------------------------------------------------

void MainWindow::saveCommandSequence()
{
}

void MainWindow::openCommandSequence()
{
}
