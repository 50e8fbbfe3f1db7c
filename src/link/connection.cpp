// Choosing the link and bringing it up: the COM/Ethernet switch, the serial
// port button, the port list, the identification request and the Ethernet
// disconnect.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/user_settings.h"
#include "engine/requests.h"
#include "link/io_port.h"
#include "link/log.h"
#include "link/recent_addresses.h"
#include "link/tcpserver.h"

#include <QCompleter>
#include <QStandardItemModel>

void MainWindow::on_radioButton_clicked()
{
    ui->radioButton_2->setChecked(false);
    end_operation_of_other_link();
}

void MainWindow::on_radioButton_2_clicked()
{
    ui->radioButton->setChecked(false);
    abandon_serial_search();
    end_operation_of_other_link();
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
        end_exchanges_on_lost_link();
        return;
    }
    com_on = true;
    com_open = serial_link->open_port(port_name, ui->speed_box->currentText().toInt(nullptr, 10),
                                      ui->bit_box->currentText().toInt(nullptr, 10), ui->parity_box->currentIndex());
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
    end_exchanges_on_lost_link();
}

void MainWindow::on_connect_dev_btn_clicked()
{
    const bool over_serial = ui->radioButton->isChecked();
    const bool over_ethernet = ui->radioButton_2->isChecked();
    if (!over_serial && !over_ethernet)
        return;
    // The link of a pending operation is not replaced under it.
    if (!operation_may_start())
        return;
    // A connection the controller has closed (it rebooted, the cable was
    // pulled) is replaced by a new one, as if none had been made.
    if (over_ethernet && (!eth_connected || !eth_link || !eth_link->is_connected()))
        open_eth_link();

    Request request{requests::identification(), &MainWindow::wait_connect_dev, GuardText::Cyrillic};
    if (send_request(request) && over_ethernet)
        eth_connected = true;
}

void MainWindow::open_eth_link()
{
    eth_link = std::make_shared<TcpServer>();
    connect(eth_link.get(), &TcpServer::call_handler_data_eth, this, &MainWindow::handler_network_data);
    connect(eth_link.get(), &TcpServer::call_closed_by_peer, this, &MainWindow::handler_eth_closed_by_peer);
    eth_link_host = ui->lineEdit->text();
    eth_link_port = ui->lineEdit_2->text();
    // A port field that is not a number gives 0; larger numbers keep their
    // low 16 bits.
    eth_link->connect_to(eth_link_host, quint16(eth_link_port.toInt(nullptr, 10)));
}

namespace {
// The port of a remembered address, beside the host that the completer
// puts into the address field.
constexpr int port_role = Qt::UserRole + 1;

void fill_completer_model(QStandardItemModel *model, const QVector<recent_addresses::Address> &list)
{
    model->clear();
    for (const recent_addresses::Address &address : list) {
        auto *item = new QStandardItem(address.host + QStringLiteral(" — порт ") + address.port);
        item->setData(address.host, Qt::UserRole);
        item->setData(address.port, port_role);
        model->appendRow(item);
    }
}
} // namespace

void MainWindow::setup_address_completer()
{
    auto *model = new QStandardItemModel(this);
    address_completer = new QCompleter(model, this);
    address_completer->setCompletionRole(Qt::UserRole);
    address_completer->setCaseSensitivity(Qt::CaseInsensitive);
    ui->lineEdit->setCompleter(address_completer);
    // Choosing an address also sets the port it was reached on.
    connect(address_completer, QOverload<const QModelIndex &>::of(&QCompleter::activated), this,
            [this](const QModelIndex &index) { ui->lineEdit_2->setText(index.data(port_role).toString()); });
    fill_completer_model(model, recent_addresses::load(*open_user_settings()));
}

void MainWindow::remember_controller_address()
{
    const auto settings = open_user_settings();
    const auto list = recent_addresses::remember(recent_addresses::load(*settings), {eth_link_host, eth_link_port});
    recent_addresses::save(*settings, list);
    fill_completer_model(static_cast<QStandardItemModel *>(address_completer->model()), list);
}

void MainWindow::close_eth_link()
{
    if (eth_link)
        eth_link->close();
    eth_connected = false;
    ui->connect_dev_btn->setText(QStringLiteral("Установить связь"));
}

void MainWindow::handler_eth_closed_by_peer()
{
    // Only the link in use counts.
    if (!eth_connected || sender() != eth_link.get())
        return;
    close_eth_link();
    ui->label->setText(QStringLiteral("Контроллер разорвал связь по Ethernet"));
    end_exchanges_on_lost_link();
}

void MainWindow::on_disconnect_eth_btn_clicked()
{
    if (!eth_connected)
        return;
    close_eth_link();
    ui->label->setText(QStringLiteral("Связь по Ethernet отключена"));
    end_exchanges_on_lost_link();
}

void MainWindow::on_log_btn_clicked()
{
    // Bring the log back also after the user closed it.
    log_window->show();
    log_window->raise();
    log_window->activateWindow();
}
