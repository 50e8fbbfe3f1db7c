// The four poll commands: all devices, one device, one channel, and all
// devices with the results sent on to the server.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "devices/device_list.h"
#include "engine/requests.h"

void MainWindow::on_req_all_dev_clicked()
{
    send_request({requests::poll_all(), &MainWindow::wait_req_all_dev});
}

void MainWindow::on_req_ch_btn_clicked()
{
    send_request({requests::poll_channel(QString::number(ui->comboBox->currentIndex() + 1)), &MainWindow::wait_req_ch});
}

void MainWindow::on_res_to_serv_btn_clicked()
{
    send_request({requests::poll_transmit(), &MainWindow::wait_res_to_serv});
}

void MainWindow::on_req_one_dev_clicked()
{
    if (!request_may_start(GuardText::Latin))
        return;
    const int row = ui->tableWidget_2->currentRow();
    if (row < 0) {
        ui->label->setText(QStringLiteral("Устройство не выбрано"));
        return;
    }
    // Only a device the request can name is polled; anything else is
    // refused here rather than sent for the controller to puzzle over.
    QStringList values;
    switch (device_list::poll_values(device_row(row), models, device_channel(), &values)) {
    case device_list::PollRefusal::None: break;
    case device_list::PollRefusal::EmptyRow:
        ui->label->setText(QStringLiteral("В выбранной строке нет прибора"));
        return;
    case device_list::PollRefusal::UnknownModel:
        ui->label->setText(QStringLiteral("Модель прибора не из списка моделей"));
        return;
    case device_list::PollRefusal::NotNumbers:
        ui->label->setText(QStringLiteral("Сетевой адрес и скорость обмена должны быть числами"));
        return;
    }
    send_request({requests::poll_device(values), &MainWindow::wait_req_one_dev, GuardText::Latin, Admission::Checked});
}
