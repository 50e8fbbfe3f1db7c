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
    case Admission::Checked: break;
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
    if (wait_load_out && rx_buffer.size() > gathered)
        show_download_progress();
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
        exceeded = exchange::timed_out(timeout_ticks, exchange_interval(), wait.budget);
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
    // The progress named: it may be shared by operations (a read and a write
    // of parameters, a device write and an upload), but only one operation
    // is pending at a time.
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

MainWindow::FlagSet MainWindow::ExchangeBlock::flags() const
{
    FlagSet flags = {};
    for (size_t i = 0; i < served.size(); ++i)
        flags[i] = served[i].flag;
    return flags;
}

const std::vector<MainWindow::ExchangeBlock> &MainWindow::exchange_blocks()
{
    static const std::vector<ExchangeBlock> blocks = [] {
        using W = MainWindow;
        const ReplyWait standard{exchange::standard_budget_ms};
        ReplyWait device_write = standard;
        device_write.progress = &exchange::device_write_progress;
        device_write.every_tick = &W::count_device_write_tick;
        // The list is applied as it arrives, and its budget runs from the
        // last byte; a controller that trickles bytes without end is still
        // stopped.
        ReplyWait device_list{exchange::device_list_budget_ms};
        device_list.taken_on_arrival = true;
        device_list.progress = &exchange::device_read_progress;
        device_list.overall_budget_ms = exchange::device_list_overall_budget_ms;
        ReplyWait upload{transfer::no_answer_seconds, Measure::LoadSeconds};
        upload.progress = &exchange::load_progress;
        ReplyWait download = upload;
        download.measure = Measure::LoadSecondsThenStall;
        download.stall_budget = exchange::standard_budget_ms;
        // The file itself may hold what looks like the closing result.
        download.complete = &transfer::download_complete;
        download.complete_when_quiet = true;
        const char *const unconfirmed = "Команда не подтверждена";

        // In the order the engine serves them: the poll group first, as one
        // block, then every other operation.
        return std::vector<ExchangeBlock>{
            {{{{&W::wait_req_all_dev, "Все устройства успешно опрошены", unconfirmed},
               {&W::wait_req_one_dev, "Устройство успешно опрошено", unconfirmed},
               {&W::wait_req_ch, "Канал успешно опрошен", unconfirmed},
               {&W::wait_res_to_serv, "Опрос с передечай на сервер успешен", unconfirmed}}},
             standard,
             &W::take_result_reply},
            // The status reply must be complete at the first tick after the
            // request: a budget of nothing.
            {{{{&W::wait_status_eth}}}, ReplyWait{0}, &W::take_network_status},
            {{{{&W::wait_transmit, "Передача запущена", unconfirmed}}}, standard, &W::take_result_reply},
            {{{{&W::wait_res}}}, standard, &W::take_search_reply},
            {{{{&W::wait_connect_dev}}},
             ReplyWait{exchange::identification_budget_ms},
             &W::take_identification,
             &W::end_identification},
            {{{{&W::wait_read_param}}}, standard, &W::take_read_param, &W::end_read_param},
            {{{{&W::wait_write_settings}}}, standard, &W::take_settings_dump},
            {{{{&W::wait_write_param}}}, standard, &W::take_write_param, &W::end_write_param},
            {{{{&W::wait_read_dev}}}, device_list, nullptr, &W::end_device_list_read},
            {{{{&W::wait_write_dev}}}, device_write, &W::take_device_write, &W::end_device_write},
            {{{{&W::wait_delete_dev, "Удаление произведено успешно", unconfirmed}}}, standard, &W::take_result_reply},
            {{{{&W::wait_load_in}}}, upload, &W::take_upload_reply, &W::end_upload},
            {{{{&W::wait_update, "Обновление запущено", unconfirmed}}}, standard, &W::take_update_reply},
            {{{{&W::wait_load_out}}}, download, &W::take_download, &W::end_download},
            {{{{&W::wait_write_interf, "Запись произведена", "Запись прервана: нет подтверждения записи"}}},
             standard,
             &W::take_result_reply},
            {{{{&W::wait_compare_settings}}}, standard, &W::take_settings_comparison, &W::end_settings_comparison},
        };
    }();
    return blocks;
}

bool MainWindow::serve(const ExchangeBlock &block)
{
    if (block.wait.every_tick)
        (this->*block.wait.every_tick)();
    const ReplyState state = await_reply(block.wait);
    switch (state) {
    case ReplyState::Waiting: return false;
    case ReplyState::Complete:
        Q_ASSERT_X(block.take_reply, "serve", "a reply taken on arrival reached the tick");
        if (block.take_reply)
            (this->*block.take_reply)(block);
        return true;
    case ReplyState::NoAnswer:
    case ReplyState::Incomplete:
        if (block.end_without_reply)
            (this->*block.end_without_reply)(state);
        else
            end_exchange(block.flags());
        return true;
    }
    return true;
}

void MainWindow::show_error_result(const QString &result)
{
    const QString text = exchange::error_text(result);
    if (!text.isEmpty())
        ui->label->setText(text);
}

void MainWindow::mark_link_lost()
{
    ui->connect_btn->setStyleSheet(QStringLiteral("QPushButton {color:red;}"));
    ui->connect_btn->setText(QStringLiteral("Нет соединения"));
    // Close the port too: the button now offers to open it again, which it
    // could not do while the old port object still held the device.
    serial_link->close_port();
    com_open = false;
    com_on = false;
}

bool MainWindow::check_reply_result(const QString &reply)
{
    const QByteArray bytes = reply.toUtf8();
    if (bytes.indexOf("result") < 0)
        return true;
    // A result where data was asked for: an error's own text, else no
    // text that could pass for the data having come.
    const QString result = exchange::reply_result(bytes);
    ui->label->setText(exchange::error_text(result).isEmpty() ? exchange::not_enough_data_text()
                                                              : exchange::error_text(result));
    mark_link_lost();
    return false;
}

bool MainWindow::take_result(const ExchangeBlock &block)
{
    // Each flag that was waiting shows its text; the last one stays shown.
    const QString result = exchange::reply_result(rx_buffer);
    bool ok = false;
    for (const Served &served : block.served) {
        if (served.flag && this->*served.flag)
            ok =
                show_result(result, QString::fromUtf8(served.success_text), QString::fromUtf8(served.unconfirmed_text));
    }
    end_exchange(block.flags());
    return ok;
}

void MainWindow::take_result_reply(const ExchangeBlock &block)
{
    take_result(block);
}

bool MainWindow::raised(const FlagSet &flags) const
{
    return std::any_of(flags.begin(), flags.end(), [this](Flag flag) { return flag && this->*flag; });
}

bool MainWindow::any_request_pending() const
{
    const auto &blocks = exchange_blocks();
    return std::any_of(blocks.begin(), blocks.end(),
                       [this](const ExchangeBlock &block) { return raised(block.flags()); });
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
    // A block that ended its exchange (or sent the next step) ends the tick
    // too; a block still waiting lets the next raised flag count its tick.
    for (const ExchangeBlock &block : exchange_blocks()) {
        if (raised(block.flags()) && serve(block))
            break;
    }
    // An ending stops the timer only when no other exchange is pending; a
    // block that stopped it to handle its reply leaves the others waiting.
    settle_exchange_timer();
}
