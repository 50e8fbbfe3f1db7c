// The controller's network settings: address, gateway, mask and DNS.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/requests.h"

void MainWindow::on_status_Eth_clicked()
{
    send_request({requests::network_status(), &MainWindow::wait_status_eth});
}
