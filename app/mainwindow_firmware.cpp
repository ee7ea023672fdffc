// Firmware Update tab.

#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::loadFirmwareFile()
{
}

void MainWindow::startFirmwareUpdate()
{
}

void MainWindow::appendBootMessage(QString msg)
{
    Q_UNUSED(msg)
}

void MainWindow::updateBootProgressBar(int value, int max_value)
{
    Q_UNUSED(value)
    Q_UNUSED(max_value)
}

void MainWindow::clearBootMessagePushBtn_clicked()
{
}
