// Profile files of the Programming tab.

#include "mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::saveProfile()
{
}

void MainWindow::loadProfile()
{
}
