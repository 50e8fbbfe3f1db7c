// Choosing the link and bringing it up: the COM/Ethernet switch, the serial
// port button, the port list, the identification request and the Ethernet
// disconnect.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/requests.h"
#include "link/io_port.h"
#include "link/log.h"
#include "link/tcpserver.h"

void MainWindow::on_radioButton_clicked()
{
    ui->radioButton_2->setChecked(false);
}

void MainWindow::on_radioButton_2_clicked()
{
    ui->radioButton->setChecked(false);
    abandon_serial_search();
    settle_exchange_timer();
}

void MainWindow::on_connect_btn_clicked()
{
    const QString port_name = ui->name_box->currentText();
    if (port_name.isEmpty()) {
        ui->label->setText(QStringLiteral("Порт не выбран"));
        return;
    }
    if (com_on) {
        serial_link->close_port();
        com_open = false;
        com_on = false;
        ui->connect_btn->setStyleSheet(QStringLiteral("QPushButton {color:red;}"));
        ui->connect_btn->setText(QStringLiteral("Выключено"));
        return;
    }
    com_on = true;
    com_open = serial_link->open_port(port_name,
                                      ui->speed_box->currentText().toInt(nullptr, 10),
                                      ui->bit_box->currentText().toInt(nullptr, 10),
                                      ui->parity_box->currentIndex());
    if (com_open) {
        ui->connect_btn->setStyleSheet(QStringLiteral("QPushButton {color:darkGreen;}"));
        ui->connect_btn->setText(QStringLiteral("Включено ") + port_name);
    } else {
        ui->connect_btn->setStyleSheet(QStringLiteral("QPushButton {color:red;}"));
        ui->connect_btn->setText(QStringLiteral("Нет соединения"));
        com_on = false;
    }
}

void MainWindow::on_reload_btn_clicked()
{
    ui->name_box->clear();
    probe_serial_ports();
}

void MainWindow::handler_error_io()
{
    ui->label->setText(QStringLiteral("Ошибки в работе последовательного порта"));
    serial_link->close_port();
    com_open = false;
    // The button stays on, so that its next click only switches it off.
}

void MainWindow::on_connect_dev_btn_clicked()
{
    const bool over_serial = ui->radioButton->isChecked();
    const bool over_ethernet = ui->radioButton_2->isChecked();
    if (!over_serial && !over_ethernet)
        return;
    if (over_ethernet && !eth_connected)
        open_eth_link();

    Request request{requests::identification(), &MainWindow::wait_connect_dev, GuardText::Cyrillic};
    if (send_request(request) && over_ethernet)
        eth_connected = true;
}

void MainWindow::open_eth_link()
{
    eth_link = std::make_shared<TcpServer>();
    connect(eth_link.get(), &TcpServer::call_handler_data_eth, this, &MainWindow::handler_network_data);
    // A port field that is not a number gives 0; larger numbers keep their
    // low 16 bits.
    eth_link->connect_to(ui->lineEdit->text(), quint16(ui->lineEdit_2->text().toInt(nullptr, 10)));
}

void MainWindow::close_eth_link()
{
    if (eth_link)
        eth_link->close();
    eth_connected = false;
    ui->connect_dev_btn->setText(QStringLiteral("Установить связь"));
}

void MainWindow::on_disconnect_eth_btn_clicked()
{
    if (!eth_connected)
        return;
    close_eth_link();
    ui->label->setText(QStringLiteral("Связь по Ethernet отключена"));
}

void MainWindow::on_log_btn_clicked()
{
    // Bring the log back also after the user closed it.
    log_window->show();
    log_window->raise();
    log_window->activateWindow();
}
