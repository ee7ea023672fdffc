// Setting dialogs of the Programming tab and the administrator flow.

#include "mainwindow.h"

#include "ui_mainwindow.h"

// ---- Opening the setting dialogs ------------------------------------------------------------------

void MainWindow::smartDimCurvePushBtn_clicked()
{
}

void MainWindow::analogDimCurvePushBtn_clicked()
{
}

void MainWindow::corridorCurvePushBtn_clicked()
{
}

void MainWindow::mtpShowCurvePushBtn_clicked()
{
}

void MainWindow::cloShowCurvePushBtn_clicked()
{
}

void MainWindow::DT6PushBtn_clicked()
{
}

void MainWindow::part250PushBtn_clicked()
{
}

void MainWindow::part251PushBtn_clicked()
{
}

void MainWindow::part253PushBtn_clicked()
{
}

// ---- Their results --------------------------------------------------------------------------------

void MainWindow::analogDimCurveDone(dimcurve::DimSettings settings)
{
    Q_UNUSED(settings)
}

void MainWindow::mtpCurveDone(mtpcurve::MTPSettings settings)
{
    Q_UNUSED(settings)
}

void MainWindow::corridorCurveDone(corridor_curve::CorridorSettings settings)
{
    Q_UNUSED(settings)
}

void MainWindow::smartCurveDone()
{
}

void MainWindow::DT6Done(ProgDataStructDef& data)
{
    Q_UNUSED(data)
}

void MainWindow::part250Done(ProgDataStructDef& data)
{
    Q_UNUSED(data)
}

void MainWindow::part251Done(ProgDataStructDef& data)
{
    Q_UNUSED(data)
}

void MainWindow::part253Done(ProgDataStructDef& data)
{
    Q_UNUSED(data)
}

// ---- Administrator flow ---------------------------------------------------------------------------

void MainWindow::adminPushBtn_clicked()
{
}

void MainWindow::showAdminView()
{
}

void MainWindow::adminSettingDone(bool enable)
{
    Q_UNUSED(enable)
}

void MainWindow::NFC_factoryReset(int index)
{
    Q_UNUSED(index)
}
