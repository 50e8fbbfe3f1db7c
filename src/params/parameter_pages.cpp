// The controller-parameters tab: the catalogue and the four page tables.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::load_parameter_catalogue()
{
}

void MainWindow::connect_parameter_tables()
{
}
