// Programming tab: driver information display, checks and collection of the settings, the read,
// program and reset runs, the production view and the programming log.

#include "mainwindow.h"

#include "globals.h"
#include "ui_mainwindow.h"

// ---- Driver information display -----------------------------------------------------------------

void MainWindow::displayDriverInfo()
{
}

void MainWindow::displayDriverSettings()
{
}

void MainWindow::updateFullCurrentLabel(int current)
{
    Q_UNUSED(current)
}

// ---- Checks and collection ------------------------------------------------------------------------

int MainWindow::timeEditEndEditing()
{
    return 0;
}

int MainWindow::levelEditEndEditing()
{
    return 0;
}

int MainWindow::analogMinDimSpinBoxEditingFinished()
{
    return 0;
}

void MainWindow::collectProgrammingData()
{
}

// ---- Read, program and reset runs -----------------------------------------------------------------

void MainWindow::programIconClicked()
{
    if (currentTabIndex == TAB_FIRMWARE_UPDATE)
        bootLoader.startFirmwareUpdate();
}

void MainWindow::startProgramming()
{
}

void MainWindow::readDriverWithCurrentTool()
{
}

void MainWindow::readProductInfoUpdateSlot(int state, QString str, int value)
{
    Q_UNUSED(state)
    Q_UNUSED(str)
    Q_UNUSED(value)
}

void MainWindow::resetModuleOperatingTime()
{
}

void MainWindow::resetOptStateUpdateSlot(int result)
{
    Q_UNUSED(result)
}

void MainWindow::programDone()
{
}

// ---- Production view and programming log ----------------------------------------------------------

void MainWindow::programmingStateUpdateSlot(ProgStateDef state)
{
    Q_UNUSED(state)
}

void MainWindow::SaveTestResultToCSVFile()
{
}
