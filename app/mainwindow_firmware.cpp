// Firmware Update tab.

#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::loadFirmwareFile()
{
    bootLoader.loadHexFile();
    ui->hexFileNameLineEdit->clear();
    ui->hexFileNameLineEdit->setText(bootLoader.fileName);
}

void MainWindow::startFirmwareUpdate()
{
    bootLoader.startFirmwareUpdate();
}

void MainWindow::appendBootMessage(QString msg)
{
    ui->bootStatusTextBrowser->append(msg);
}

void MainWindow::updateBootProgressBar(int value, int max_value)
{
    // A value beyond the maximum (one step after the last block) is ignored by the bar.
    if (ui->bootProgressBar->maximum() != max_value)
        ui->bootProgressBar->setMaximum(max_value);
    ui->bootProgressBar->setValue(value);
}

void MainWindow::clearBootMessagePushBtn_clicked()
{
    ui->bootStatusTextBrowser->clear();
}
