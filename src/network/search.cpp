// Finding controllers: over COM the controller on the port is asked for its
// serial number; a found entry can be taken into the address field.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/requests.h"

void MainWindow::setup_network_search()
{
}

void MainWindow::on_res_btn_clicked()
{
    if (ui->radioButton->isChecked()) {
        const Request request{requests::serial_search(), &MainWindow::wait_res, GuardText::Cyrillic};
        if (send_request(request))
            ui->listWidget->clear();
    }
    // The sweep of the local network with Ethernet selected is not part of
    // the program yet.
}

void MainWindow::on_listWidget_doubleClicked(const QModelIndex &)
{
    if (const QListWidgetItem *item = ui->listWidget->currentItem())
        ui->lineEdit->setText(item->text());
}
