// The request/reply cycle: the send procedure every request button uses,
// the receive slot fed by both links, and the engine tick that serves the
// pending exchanges in their fixed order.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/exchange.h"
#include "files/transfer_rules.h"
#include "link/io_port.h"
#include "link/log.h"
#include "link/tcpserver.h"

#include <QTimer>

#include <algorithm>

bool MainWindow::link_ready() const
{
    if (ui->radioButton->isChecked() && !com_open)
        return false;
    if (ui->radioButton_2->isChecked() && !(eth_link && eth_link->is_connected()))
        return false;
    return true;
}

bool MainWindow::guard_link(GuardText guard)
{
    if (link_ready())
        return true;
    ui->label->setText(guard == GuardText::Latin ? exchange::guard_text_latin() : exchange::guard_text_cyrillic());
    return false;
}

bool MainWindow::operation_may_start()
{
    // There is no request identifier: a second request in flight would take
    // the first one's reply, and a second operation would change the state
    // the first one keeps between its steps.
    if (!step_due && operation_pending()) {
        ui->label->setText(exchange::wait_for_operation_text());
        return false;
    }
    return true;
}

bool MainWindow::request_may_start(GuardText guard)
{
    return operation_may_start() && guard_link(guard);
}

bool MainWindow::send_request(const Request &request)
{
    switch (request.admission) {
    case Admission::Check:
        if (!request_may_start(request.guard))
            return false;
        break;
    case Admission::Checked:
        break;
    case Admission::Step:
        if (!guard_link(request.guard))
            return false;
        break;
    }
    rx_buffer.clear();
    discard_link_input();
    if (request.admission != Admission::Step) {
        ui->label->clear();
        timeout_ticks = 0;
        operation_clock.start();
        operation_over_serial = ui->radioButton->isChecked();
    }
    this->*request.flag = true;
    write_to_link(request.bytes);
    log_sent(request.bytes);
    exchange_timer->start(exchange_interval());
    refresh_abort_button();
    return true;
}

void MainWindow::discard_link_input()
{
    // Late bytes of an earlier exchange must not come first in this reply.
    serial_link->take_data();
    if (eth_link)
        eth_link->take_data();
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

int MainWindow::reply_byte_limit() const
{
    // A download may be as large as the largest file; every other reply is
    // small, so that a controller streaming without end is stopped early.
    return wait_load_out ? transfer::max_file_bytes + transfer::result_fragment_length : exchange::max_reply_bytes;
}

void MainWindow::handler_network_data()
{
    const int gathered = rx_buffer.size();
    // Both links are emptied; what the link not selected brings is dropped,
    // so that nothing piles up there to come first in a later reply.
    const QByteArray serial_bytes = serial_link->take_data();
    const QByteArray eth_bytes = eth_link ? eth_link->take_data() : QByteArray();
    if (ui->radioButton->isChecked())
        rx_buffer.append(serial_bytes);
    if (ui->radioButton_2->isChecked())
        rx_buffer.append(eth_bytes);
    // Bytes beyond the limit are dropped, pending exchange or not, so that
    // a controller that never stops sending cannot fill the memory; the
    // exchange ends as incomplete at its next tick.
    const int limit = reply_byte_limit();
    if (rx_buffer.size() > limit)
        rx_buffer.truncate(limit + 1);
    // The device list is the one reply taken as it arrives.
    if (wait_read_dev && rx_buffer.size() > gathered && rx_buffer.size() <= limit)
        take_device_list();
    // Bytes that arrive with no exchange pending wait in the buffer until
    // the next sender clears it.
}

MainWindow::ReplyState MainWindow::await_reply(const ReplyWait &wait)
{
    if (aborting)
        return end_as_abandoned();
    // A reply cut off at the limit is incomplete, whatever its last byte.
    const bool overflowing = rx_buffer.size() > reply_byte_limit();
    bool complete = wait.complete ? wait.complete(rx_buffer) : exchange::reply_complete(rx_buffer);
    // Seen grown since the previous tick: its end may still be to come.
    if (wait.complete_when_quiet && rx_buffer.size() != download_size)
        complete = false;
    if (!wait.taken_on_arrival && !overflowing && complete) {
        // Handling may open a dialog whose event loop would tick again.
        exchange_timer->stop();
        log_received(rx_buffer);
        return ReplyState::Complete;
    }
    if (!link_ready())
        return end_on_lost_link();
    qint64 measure = 0;
    bool exceeded = false;
    switch (wait.measure) {
    case Measure::Ticks:
        ++timeout_ticks;
        measure = qint64(timeout_ticks) * exchange_interval();
        exceeded = measure > wait.budget;
        break;
    case Measure::LoadSeconds:
        measure = load_seconds;
        exceeded = load_seconds - load_progress_second > wait.budget;
        break;
    case Measure::LoadSecondsThenStall:
        measure = load_seconds;
        exceeded = rx_buffer.isEmpty() ? load_seconds > wait.budget : download_stalled(wait.stall_budget);
        break;
    }
    // However the operation's own measure stands, it has an end.
    const bool overall_exceeded = wait.overall_budget_ms > 0 && operation_clock.elapsed() > wait.overall_budget_ms;
    if (overflowing || overall_exceeded)
        exceeded = true;
    if (wait.progress) {
        const QString text = wait.progress(measure);
        if (!text.isEmpty())
            ui->label->setText(text);
    }
    if (!exceeded)
        return ReplyState::Waiting;
    if (rx_buffer.isEmpty() && !overall_exceeded) {
        ui->label->setText(exchange::no_answer_text());
        return ReplyState::NoAnswer;
    }
    if (!rx_buffer.isEmpty())
        log_received(rx_buffer);
    ui->label->setText(exchange::not_enough_data_text());
    return ReplyState::Incomplete;
}

MainWindow::ReplyState MainWindow::end_as_abandoned()
{
    // The path of a time-out, without its text: whoever ended the exchange
    // says why.
    if (rx_buffer.isEmpty())
        return ReplyState::NoAnswer;
    log_received(rx_buffer);
    return ReplyState::Incomplete;
}

MainWindow::ReplyState MainWindow::end_on_lost_link()
{
    // Nothing more can come over a link that is gone (the controller hung
    // up, the adapter was pulled, the user closed it): the exchange ends now
    // rather than by its budget, as incomplete. Whoever saw the link go has
    // said so in the status line; a line left empty says the port is shut.
    if (!rx_buffer.isEmpty())
        log_received(rx_buffer);
    if (ui->label->text().isEmpty())
        ui->label->setText(exchange::guard_text_latin());
    return ReplyState::Incomplete;
}

void MainWindow::end_exchanges_on_lost_link()
{
    // Outside the link's own signal: an ending may open a dialog. No block
    // waits on a lost link.
    QTimer::singleShot(0, this, [this] {
        if (!link_ready())
            serve_every_pending_exchange();
    });
}

void MainWindow::on_abort_btn_clicked()
{
    abort_operation();
}

void MainWindow::abort_operation()
{
    if (!any_request_pending() || block_dialog_open)
        return;
    // Each block takes the path of its time-out: nothing more is sent, and
    // everything the operation kept is reset. What the link has already
    // taken (an upload's content) still goes out, so that the controller is
    // not left waiting for the rest of a file and takes the next request
    // for it.
    aborting = true;
    serve_every_pending_exchange();
    aborting = false;
    ui->label->setText(QStringLiteral("Операция прервана"));
}

void MainWindow::end_operation_of_other_link()
{
    // The reply would be looked for on the link now chosen, and the next
    // step sent there.
    if (any_request_pending() && operation_over_serial != ui->radioButton->isChecked())
        abort_operation();
}

void MainWindow::serve_every_pending_exchange()
{
    // For exchanges that end on their next pass: each pass ends one.
    for (size_t pass = 0; pass < exchange_blocks().size() && any_request_pending(); ++pass)
        timer_handler();
}

bool MainWindow::download_stalled(int budget_ms)
{
    // Counted in a row: any new byte starts the count again.
    if (rx_buffer.size() != download_size) {
        download_size = rx_buffer.size();
        timeout_ticks = 0;
        return false;
    }
    ++timeout_ticks;
    return exchange::timed_out(timeout_ticks, exchange_interval(), budget_ms);
}

void MainWindow::end_exchange(const FlagSet &flags, unsigned progress)
{
    for (const Flag flag : flags) {
        if (flag)
            this->*flag = false;
    }
    rx_buffer.clear();
    timeout_ticks = 0;
    // Only the operation's own progress: another exchange may be pending.
    if (progress & ParamProgress) {
        param_cursor = 0;
        read_queue.clear();
        param_write_rows.clear();
        param_page_in_use = -1;
    }
    if (progress & BatchProgress)
        batch_index = 0;
    // A request refused while this one ran need wait no longer.
    if (ui->label->text() == exchange::wait_for_operation_text())
        ui->label->clear();
    refresh_abort_button();
}

bool MainWindow::show_result(const QString &result, const QString &success_text, const QString &unconfirmed_text)
{
    const bool ok = result == QLatin1String("ok");
    if (ok)
        ui->label->setText(success_text);
    else if (!exchange::error_text(result).isEmpty())
        show_error_result(result);
    else
        ui->label->setText(unconfirmed_text);
    return ok;
}

struct MainWindow::ExchangeBlock
{
    FlagSet flags;
    bool (MainWindow::*serve)();
};

const std::vector<MainWindow::ExchangeBlock> &MainWindow::exchange_blocks()
{
    // In the order the engine serves them: the poll group first, as one
    // block, then every other operation.
    static const std::vector<ExchangeBlock> blocks = {
        {{&MainWindow::wait_req_all_dev, &MainWindow::wait_req_one_dev, &MainWindow::wait_req_ch,
          &MainWindow::wait_res_to_serv},
         &MainWindow::serve_poll_group},
        {{&MainWindow::wait_status_eth}, &MainWindow::serve_status_eth},
        {{&MainWindow::wait_transmit}, &MainWindow::serve_transmit},
        {{&MainWindow::wait_res}, &MainWindow::serve_res},
        {{&MainWindow::wait_connect_dev}, &MainWindow::serve_connect_dev},
        {{&MainWindow::wait_read_param}, &MainWindow::serve_read_param},
        {{&MainWindow::wait_write_settings}, &MainWindow::serve_write_settings},
        {{&MainWindow::wait_write_param}, &MainWindow::serve_write_param},
        {{&MainWindow::wait_read_dev}, &MainWindow::serve_read_dev},
        {{&MainWindow::wait_write_dev}, &MainWindow::serve_write_dev},
        {{&MainWindow::wait_delete_dev}, &MainWindow::serve_delete_dev},
        {{&MainWindow::wait_load_in}, &MainWindow::serve_load_in},
        {{&MainWindow::wait_update}, &MainWindow::serve_update},
        {{&MainWindow::wait_load_out}, &MainWindow::serve_load_out},
        {{&MainWindow::wait_write_interf}, &MainWindow::serve_write_interf},
        {{&MainWindow::wait_compare_settings}, &MainWindow::serve_compare_settings},
    };
    return blocks;
}

bool MainWindow::raised(const FlagSet &flags) const
{
    return std::any_of(flags.begin(), flags.end(), [this](Flag flag) { return flag && this->*flag; });
}

bool MainWindow::any_request_pending() const
{
    const auto &blocks = exchange_blocks();
    return std::any_of(blocks.begin(), blocks.end(), [this](const ExchangeBlock &block) {
        return raised(block.flags);
    });
}

bool MainWindow::operation_pending() const
{
    return block_dialog_open || any_request_pending();
}

void MainWindow::refresh_abort_button()
{
    ui->abort_btn->setEnabled(any_request_pending() && !block_dialog_open);
}

void MainWindow::settle_exchange_timer()
{
    if (!any_request_pending())
        exchange_timer->stop();
    else if (!exchange_timer->isActive())
        exchange_timer->start(exchange_interval());
    refresh_abort_button();
}

void MainWindow::timer_handler()
{
    // The operation whose dialog is up goes on when it is answered.
    if (block_dialog_open)
        return;
    // A block returns true when it ended its exchange; the tick then ends
    // too. A block still waiting lets the next raised flag count its tick.
    for (const ExchangeBlock &block : exchange_blocks()) {
        if (!raised(block.flags))
            continue;
        Q_ASSERT_X(block.serve, "timer_handler", "a pending flag has no exchange block to serve it");
        if (block.serve && (this->*block.serve)())
            break;
    }
    // An ending stops the timer only when no other exchange is pending; a
    // block that stopped it to handle its reply leaves the others waiting.
    settle_exchange_timer();
}
