// The request/reply cycle: the send procedure every request button uses,
// the receive slot fed by both links, and the engine tick that serves the
// pending exchanges in their fixed order.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/exchange.h"
#include "link/io_port.h"
#include "link/log.h"
#include "link/tcpserver.h"

#include <QTimer>

bool MainWindow::link_ready() const
{
    if (ui->radioButton->isChecked() && !com_open)
        return false;
    if (ui->radioButton_2->isChecked() && !(eth_link && eth_link->is_connected()))
        return false;
    return true;
}

bool MainWindow::send_request(const Request &request)
{
    if (!link_ready()) {
        ui->label->setText(request.guard == GuardText::Latin ? exchange::guard_text_latin()
                                                              : exchange::guard_text_cyrillic());
        return false;
    }
    switch (request.preparation) {
    case Preparation::ClearBufferAndLabel:
        rx_buffer.clear();
        ui->label->clear();
        break;
    case Preparation::ClearBufferOnly:
        rx_buffer.clear();
        break;
    case Preparation::KeepBoth:
        break;
    }
    if (request.reset_ticks)
        timeout_ticks = 0;
    this->*request.flag = true;
    write_to_link(request.bytes);
    log_sent(request.bytes);
    exchange_timer->start(exchange_interval());
    return true;
}

void MainWindow::write_to_link(const QByteArray &bytes)
{
    if (ui->radioButton->isChecked())
        serial_link->write(bytes);
    if (ui->radioButton_2->isChecked() && eth_link)
        eth_link->write(bytes);
}

void MainWindow::log_sent(const QByteArray &bytes)
{
    log_window->add_traffic(1, bytes);
    log_window->append_text(bytes);
}

void MainWindow::log_received(const QByteArray &bytes)
{
    log_window->add_traffic(0, bytes);
    log_window->append_text(bytes);
}

int MainWindow::exchange_interval() const
{
    return exchange::interval_ms(ui->interval_line->text());
}

void MainWindow::handler_network_data()
{
    if (ui->radioButton->isChecked())
        rx_buffer.append(serial_link->take_data());
    if (ui->radioButton_2->isChecked() && eth_link)
        rx_buffer.append(eth_link->take_data());
    // Bytes that arrive with no exchange pending wait in the buffer until
    // the next sender clears it.
}

MainWindow::ReplyState MainWindow::await_reply(int budget_ms)
{
    if (exchange::reply_complete(rx_buffer)) {
        log_received(rx_buffer);
        return ReplyState::Complete;
    }
    ++timeout_ticks;
    if (!exchange::timed_out(timeout_ticks, exchange_interval(), budget_ms))
        return ReplyState::Waiting;
    if (rx_buffer.isEmpty()) {
        ui->label->setText(exchange::no_answer_text());
        return ReplyState::NoAnswer;
    }
    log_received(rx_buffer);
    ui->label->setText(exchange::not_enough_data_text());
    return ReplyState::Incomplete;
}

void MainWindow::reset_exchange_state()
{
    rx_buffer.clear();
    param_cursor = 0;
    timeout_ticks = 0;
    read_queue.clear();
    batch_index = 0;
}

bool MainWindow::any_request_pending() const
{
    return wait_req_all_dev || wait_req_one_dev || wait_req_ch || wait_res_to_serv
        || wait_status_eth || wait_transmit || wait_res || wait_connect_dev
        || wait_read_param || wait_write_settings || wait_write_param || wait_read_dev
        || wait_write_dev || wait_delete_dev || wait_load_in || wait_update
        || wait_load_out || wait_write_interf;
}

void MainWindow::timer_handler()
{
    // One exchange block per pending flag, in the order they are served.
    // A block returns true when it ended its exchange; the tick then ends
    // too. A block still waiting lets the next raised flag count its tick.
    // Operations whose reply handling is not part of the program yet have
    // no block; their flags are never raised.
    struct ExchangeBlock
    {
        bool MainWindow::*flag;
        bool (MainWindow::*serve)();
    };
    static const ExchangeBlock blocks[] = {
        {&MainWindow::wait_status_eth, &MainWindow::serve_status_eth},
        {&MainWindow::wait_transmit, nullptr},
        {&MainWindow::wait_res, &MainWindow::serve_res},
        {&MainWindow::wait_connect_dev, &MainWindow::serve_connect_dev},
        {&MainWindow::wait_read_param, nullptr},
        {&MainWindow::wait_write_settings, nullptr},
        {&MainWindow::wait_write_param, nullptr},
        {&MainWindow::wait_read_dev, nullptr},
        {&MainWindow::wait_write_dev, nullptr},
        {&MainWindow::wait_delete_dev, nullptr},
        {&MainWindow::wait_load_in, nullptr},
        {&MainWindow::wait_update, nullptr},
        {&MainWindow::wait_load_out, nullptr},
        {&MainWindow::wait_write_interf, nullptr},
    };

    // The poll group (all devices, one device, one channel, poll and
    // transmit) is served first, as one block; its requests are not part
    // of the program yet.

    for (const ExchangeBlock &block : blocks) {
        if (this->*block.flag && block.serve && (this->*block.serve)())
            return;
    }
}
