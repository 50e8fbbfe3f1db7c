// The four poll commands: all devices, one device, one channel, and all
// devices with the results sent on to the server.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "devices/device_list.h"
#include "engine/requests.h"

void MainWindow::on_req_all_dev_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_command(Operation::wait_req_all_dev, requests::poll_all());
}

void MainWindow::on_req_ch_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_command(Operation::wait_req_ch,
                      requests::poll_channel(QString::number(ui->comboBox->currentIndex() + 1)));
}

void MainWindow::on_res_to_serv_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_command(Operation::wait_res_to_serv, requests::poll_transmit());
}

void MainWindow::on_req_one_dev_clicked()
{
    if (!request_may_start(GuardText::Latin))
        return;
    const int row = ui->tableWidget_2->currentRow();
    if (row < 0) {
        show_status(QStringLiteral("Устройство не выбрано"));
        return;
    }
    // Only a device the request can name is polled; anything else is
    // refused here rather than sent for the controller to puzzle over.
    QStringList values;
    switch (device_list::poll_values(device_row(row), models, device_channel(), &values)) {
    case device_list::PollRefusal::None: break;
    case device_list::PollRefusal::EmptyRow: show_status(QStringLiteral("В выбранной строке нет прибора")); return;
    case device_list::PollRefusal::UnknownModel:
        show_status(QStringLiteral("Модель прибора не из списка моделей"));
        return;
    case device_list::PollRefusal::NotNumbers:
        show_status(QStringLiteral("Сетевой адрес и скорость обмена должны быть числами"));
        return;
    }
    start_command(Operation::wait_req_one_dev, requests::poll_device(values));
}
