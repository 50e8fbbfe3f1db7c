// The "files" tab: upload, download, transmission to the server.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::setup_file_transfer()
{
}
