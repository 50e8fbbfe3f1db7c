// Choosing the link and bringing it up: the COM/Ethernet switch, the serial
// port button, the port list, the identification request and the Ethernet
// disconnect.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/user_settings.h"
#include "engine/exchange.h"
#include "link/io_port.h"
#include "link/log.h"
#include "link/recent_addresses.h"
#include "link/tcpserver.h"

#include <QCompleter>
#include <QStandardItemModel>

void MainWindow::on_radioButton_clicked()
{
    ui->radioButton_2->setChecked(false);
    link_switched();
}

void MainWindow::on_radioButton_2_clicked()
{
    ui->radioButton->setChecked(false);
    abandon_serial_search();
    link_switched();
}

void MainWindow::link_switched()
{
    end_operation_of_other_link();
    settle_exchange_timer();
    // The controller identified over the other link is not the one in
    // front of the window now.
    if (identified_link != Link::none && identified_link != selected_link())
        forget_controller();
}

void MainWindow::on_connect_btn_clicked()
{
    const QString port_name = ui->name_box->currentText();
    if (port_name.isEmpty()) {
        show_status(QStringLiteral("Порт не выбран"));
        return;
    }
    if (com_on) {
        close_serial_link(SerialButton::Off);
        if (operation_running() && pending.link == Link::serial)
            show_status(exchange::guard_text_latin());
        end_exchanges_on_lost_link();
        return;
    }
    com_on = true;
    com_open = serial_link->open_port(port_name, ui->speed_box->currentText().toInt(nullptr, 10),
                                      ui->bit_box->currentText().toInt(nullptr, 10), ui->parity_box->currentIndex());
    com_on = com_open;
    show_serial_button(com_open ? SerialButton::On : SerialButton::NoConnection, port_name);
}

void MainWindow::on_reload_btn_clicked()
{
    ui->name_box->clear();
    probe_serial_ports();
}

void MainWindow::handler_error_io()
{
    show_status(QStringLiteral("Ошибки в работе последовательного порта"));
    serial_link->close_port();
    com_open = false;
    if (identified_link == Link::serial)
        forget_controller();
    // The button stays on, so that its next click only switches it off.
    end_exchanges_on_lost_link();
}

void MainWindow::on_connect_dev_btn_clicked()
{
    const Link link = selected_link();
    if (link == Link::none)
        return;
    // The link of a pending operation is not replaced under it.
    if (!operation_may_start())
        return;
    // A connection the controller has closed (it rebooted, the cable was
    // pulled) is replaced by a new one, as if none had been made.
    if (link == Link::ethernet && (!eth_connected || !eth_link || !eth_link->is_connected()))
        open_eth_link();
    if (!guard_link(GuardText::Cyrillic))
        return;
    start_identification();
    if (link == Link::ethernet)
        eth_connected = true;
}

void MainWindow::open_eth_link()
{
    eth_link = std::make_shared<TcpServer>();
    connect(eth_link.get(), &TcpServer::call_handler_data_eth, this, &MainWindow::handler_network_data);
    connect(eth_link.get(), &TcpServer::call_closed_by_peer, this, &MainWindow::handler_eth_closed_by_peer);
    connect(eth_link.get(), &TcpServer::call_bytes_written, this, &MainWindow::handler_bytes_written);
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
    // A run over a list of controllers is not what the engineer last reached.
    if (use == Use::Unattended)
        return;
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
    if (identified_link == Link::ethernet)
        forget_controller();
}

void MainWindow::handler_eth_closed_by_peer()
{
    // Only the link in use counts.
    if (!eth_connected || sender() != eth_link.get())
        return;
    close_eth_link();
    show_status(QStringLiteral("Контроллер разорвал связь по Ethernet"));
    end_exchanges_on_lost_link();
}

void MainWindow::on_disconnect_eth_btn_clicked()
{
    if (!eth_connected)
        return;
    close_eth_link();
    show_status(QStringLiteral("Связь по Ethernet отключена"));
    end_exchanges_on_lost_link();
}

void MainWindow::on_log_btn_clicked()
{
    // Bring the log back also after the user closed it.
    log_window->show();
    log_window->raise();
    log_window->activateWindow();
}
