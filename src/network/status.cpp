// The controller's network settings: address, gateway, mask and DNS.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/requests.h"

void MainWindow::on_status_Eth_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_command(Operation::wait_status_eth, requests::network_status());
}
