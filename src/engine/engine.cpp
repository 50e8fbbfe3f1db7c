// The request/reply cycle: the operation value and its start and step,
// the receive slot fed by both links, and the engine tick that serves the
// pending operation.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/exchange.h"
#include "files/transfer_rules.h"
#include "link/io_port.h"
#include "link/log.h"
#include "link/tcpserver.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>

bool MainWindow::link_ready() const
{
    switch (selected_link()) {
    case Link::serial: return com_open;
    case Link::ethernet: return eth_link && eth_link->is_connected();
    case Link::none: return true;
    }
    return true;
}

bool MainWindow::guard_link(GuardText guard)
{
    if (link_ready())
        return true;
    show_status(guard == GuardText::Latin ? exchange::guard_text_latin() : exchange::guard_text_cyrillic());
    return false;
}

bool MainWindow::operation_may_start()
{
    // There is no request identifier: a second request in flight would take
    // the first one's reply, and a second operation would change the state
    // the first one keeps between its steps.
    if (!operation_pending())
        return true;
    show_status(exchange::wait_for_operation_text());
    status_owner = StatusOwner::Refusal;
    return false;
}

bool MainWindow::may_change_while(std::initializer_list<Operation> uses)
{
    if (block_dialog_open || std::find(uses.begin(), uses.end(), pending.operation) != uses.end())
        return operation_may_start();
    return true;
}

bool MainWindow::request_may_start(GuardText guard)
{
    return operation_may_start() && guard_link(guard);
}

void MainWindow::begin_operation(Operation operation, engine::Progress progress)
{
    pending = engine::PendingOperation();
    pending.operation = operation;
    pending.progress = std::move(progress);
    pending.link = selected_link();
    pending.clock.start();
    show_status(QString());
}

void MainWindow::send_request(const QByteArray &bytes)
{
    pending.unsent = bytes;
    if (link_settled()) {
        send_when_settled();
    } else {
        show_status(exchange::settling_text());
        status_owner = StatusOwner::Settling;
    }
    exchange_timer->start(exchange_interval());
    refresh_abort_button();
}

void MainWindow::start_command(Operation operation, const QByteArray &bytes)
{
    begin_operation(operation);
    send_request(bytes);
}

void MainWindow::send_when_settled()
{
    const QByteArray bytes = pending.unsent;
    pending.unsent.clear();
    link_unsettled = false;
    if (status_owner == StatusOwner::Settling)
        show_status(QString());
    // Only the time since the request counts against the budget.
    pending.ticks = 0;
    put_request(bytes);
}

void MainWindow::send_step(const QByteArray &bytes)
{
    // A link gone between two steps: the step is not sent, and the tick
    // ends the operation as on any lost link.
    if (!guard_link(GuardText::Latin))
        return;
    put_request(bytes);
    exchange_timer->start(exchange_interval());
}

void MainWindow::put_request(const QByteArray &bytes)
{
    rx_buffer.clear();
    discard_link_input();
    pending.reply_ticks = 0;
    write_to_link(bytes);
    log_sent(bytes);
}

void MainWindow::end_operation(Ending ending)
{
    // Without its reply, the controller may still answer: the next request
    // waits until the link has been quiet.
    if (ending == Ending::Unanswered && pending.unsent.isEmpty())
        unsettle_link();
    pending = engine::PendingOperation();
    rx_buffer.clear();
    // A request refused while this one ran need wait no longer.
    if (status_owner == StatusOwner::Refusal)
        show_status(QString());
    refresh_abort_button();
}

void MainWindow::unsettle_link()
{
    link_unsettled = true;
    link_quiet.restart();
}

bool MainWindow::link_settled() const
{
    if (!link_unsettled)
        return true;
    return link_bytes_to_write() == 0 && link_quiet.isValid() && link_quiet.elapsed() >= exchange::settle_quiet_ms;
}

MainWindow::Link MainWindow::selected_link() const
{
    if (ui->radioButton->isChecked())
        return Link::serial;
    if (ui->radioButton_2->isChecked())
        return Link::ethernet;
    return Link::none;
}

void MainWindow::write_to_link(const QByteArray &bytes)
{
    switch (selected_link()) {
    case Link::serial: serial_link->write(bytes); break;
    case Link::ethernet:
        if (eth_link)
            eth_link->write(bytes);
        break;
    case Link::none: break;
    }
    link_quiet.restart();
}

qint64 MainWindow::link_bytes_to_write() const
{
    // Bytes of an upload stopped midway still go out on either link.
    return serial_link->bytes_to_write() + (eth_link ? eth_link->bytes_to_write() : 0);
}

void MainWindow::handler_bytes_written(qint64 bytes)
{
    link_quiet.restart();
    auto *transfer = std::get_if<engine::Transfer>(&pending.progress);
    // Only the content counts, not the header before it.
    if (!transfer || transfer->phase != engine::Transfer::Phase::UploadContent)
        return;
    transfer->written = qMin<qint64>(transfer->written + bytes, transfer->size);
    transfer->progress_second = transfer->seconds;
    show_upload_progress();
}

void MainWindow::discard_link_input()
{
    // Late bytes of an earlier exchange must not come first in this reply.
    serial_link->take_data();
    if (eth_link)
        eth_link->take_data();
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

void MainWindow::show_serial_button(SerialButton state, const QString &port_name)
{
    switch (state) {
    case SerialButton::On:
        ui->connect_btn->setStyleSheet(QStringLiteral("QPushButton {color:darkGreen;}"));
        ui->connect_btn->setText(QStringLiteral("Включено ") + port_name);
        return;
    case SerialButton::Off:
        ui->connect_btn->setStyleSheet(QStringLiteral("QPushButton {color:red;}"));
        ui->connect_btn->setText(QStringLiteral("Выключено"));
        return;
    case SerialButton::NoConnection:
        ui->connect_btn->setStyleSheet(QStringLiteral("QPushButton {color:red;}"));
        ui->connect_btn->setText(QStringLiteral("Нет соединения"));
        return;
    }
}

void MainWindow::close_serial_link(SerialButton state)
{
    // The button then offers to open the port again, which it could not do
    // while the old port object still held the device.
    serial_link->close_port();
    com_open = false;
    com_on = false;
    show_serial_button(state);
    if (identified_link == Link::serial)
        forget_controller();
}

void MainWindow::show_status(const QString &text)
{
    ui->label->setText(text);
    status_owner = text.isEmpty() ? StatusOwner::Nobody : StatusOwner::Other;
    emit status_shown(text);
}

void MainWindow::show_sweep_status(const QString &text)
{
    // Another operation's outcome stays readable while the sweep runs on.
    if (status_owner != StatusOwner::Sweep && status_owner != StatusOwner::Nobody)
        return;
    ui->label->setText(text);
    status_owner = StatusOwner::Sweep;
}

int MainWindow::exchange_interval() const
{
    return exchange::interval_ms(ui->interval_line->text());
}

int MainWindow::reply_byte_limit() const
{
    // A download may be as large as the largest file; every other reply is
    // small, so that a controller streaming without end is stopped early.
    return pending.operation == Operation::wait_load_out ? transfer::max_file_bytes + transfer::result_fragment_length
                                                         : exchange::max_reply_bytes;
}

void MainWindow::handler_network_data()
{
    const int gathered = rx_buffer.size();
    // Both links are emptied; what the link not selected brings is dropped,
    // so that nothing piles up there to come first in a later reply.
    const QByteArray serial_bytes = serial_link->take_data();
    const QByteArray eth_bytes = eth_link ? eth_link->take_data() : QByteArray();
    const Link link = selected_link();
    const QByteArray &bytes = link == Link::serial ? serial_bytes : eth_bytes;
    if (link == Link::none || bytes.isEmpty())
        return;
    link_quiet.restart();
    // Only a request that has gone out is answered; whatever comes before
    // (a late answer to an operation that ended) is dropped.
    if (!operation_running() || !pending.unsent.isEmpty())
        return;
    rx_buffer.append(bytes);
    // Bytes beyond the limit are dropped, so that a controller that never
    // stops sending cannot fill the memory; the exchange ends as incomplete
    // at its next tick.
    const int limit = reply_byte_limit();
    if (rx_buffer.size() > limit)
        rx_buffer.truncate(limit + 1);
    // The device list is the one reply taken as it arrives.
    if (pending.operation == Operation::wait_read_dev && rx_buffer.size() > gathered && rx_buffer.size() <= limit)
        take_device_list();
    if (pending.operation == Operation::wait_load_out && rx_buffer.size() > gathered)
        show_download_progress();
}

MainWindow::ReplyState MainWindow::await_reply(const ReplyWait &wait)
{
    if (aborting)
        return end_as_abandoned();
    exchange::WaitState state;
    state.gathered = rx_buffer.size();
    state.byte_limit = reply_byte_limit();
    state.ends =
        !wait.taken_on_arrival && (wait.complete ? wait.complete(rx_buffer) : exchange::reply_complete(rx_buffer));
    state.quiet_ms = link_quiet.isValid() ? link_quiet.elapsed() : 0;
    // A tick, at least, has passed with nothing new.
    state.quiet_needed = wait.complete_when_quiet ? qMax(exchange::settle_quiet_ms, exchange_interval()) : 0;
    state.since_start_ms = pending.clock.elapsed();
    state.overall_budget_ms = wait.overall_budget_ms;
    state.budget = wait.budget;
    // Before any budget is counted: a reply that came whole before its link
    // went is still taken.
    const exchange::Verdict as_received = exchange::wait_verdict(state);
    if (as_received == exchange::Verdict::Complete || (as_received == exchange::Verdict::Quieting && !link_ready())) {
        // Handling may open a dialog whose event loop would tick again.
        exchange_timer->stop();
        log_received(rx_buffer);
        return ReplyState::Complete;
    }
    if (!link_ready())
        return end_as_abandoned();
    auto *transfer = std::get_if<engine::Transfer>(&pending.progress);
    switch (wait.measure) {
    case Measure::Ticks:
        ++pending.reply_ticks;
        state.waited = qint64(pending.reply_ticks) * exchange_interval();
        break;
    case Measure::LoadSeconds: state.waited = transfer ? transfer->seconds - transfer->progress_second : 0; break;
    case Measure::LoadSecondsThenStall:
        if (!transfer)
            break;
        if (rx_buffer.isEmpty()) {
            state.waited = transfer->seconds;
            break;
        }
        // Counted in a row: any new byte starts the count again.
        if (rx_buffer.size() != transfer->size_seen) {
            transfer->size_seen = rx_buffer.size();
            transfer->still_ticks = 0;
        } else {
            ++transfer->still_ticks;
        }
        state.stalled = exchange::timed_out(transfer->still_ticks, exchange_interval(), wait.stall_budget);
        break;
    }
    switch (exchange::wait_verdict(state)) {
    case exchange::Verdict::Complete:
    case exchange::Verdict::Waiting:
    case exchange::Verdict::Quieting:
        if (wait.progress) {
            const QString text =
                wait.progress(wait.measure == Measure::Ticks ? state.waited : (transfer ? transfer->seconds : 0));
            if (!text.isEmpty())
                show_status(text);
        }
        return ReplyState::Waiting;
    case exchange::Verdict::BudgetSpent:
        if (rx_buffer.isEmpty()) {
            show_status(exchange::no_answer_text());
            return ReplyState::NoAnswer;
        }
        break;
    case exchange::Verdict::Overflow:
    case exchange::Verdict::Stalled:
    case exchange::Verdict::OverallSpent: break;
    }
    if (!rx_buffer.isEmpty())
        log_received(rx_buffer);
    show_status(exchange::not_enough_data_text());
    return ReplyState::Incomplete;
}

MainWindow::ReplyState MainWindow::end_as_abandoned()
{
    // Nothing more can come over a link that is gone, and the stop button
    // ends the exchange now: the path of a time-out, without its text.
    // Whoever ended the exchange has said why.
    if (rx_buffer.isEmpty())
        return ReplyState::NoAnswer;
    log_received(rx_buffer);
    return ReplyState::Incomplete;
}

void MainWindow::end_exchanges_on_lost_link()
{
    // Outside the link's own signal: an ending may open a dialog.
    QTimer::singleShot(0, this, [this] {
        if (!link_ready() && operation_running() && !block_dialog_open)
            end_pending_without_reply();
        settle_exchange_timer();
    });
}

void MainWindow::on_abort_btn_clicked()
{
    abort_operation();
}

void MainWindow::abort_operation()
{
    if (!operation_running() || block_dialog_open)
        return;
    // The operation takes the path of its time-out: nothing more is sent,
    // and everything it kept is reset. What the link has already taken (an
    // upload's content) still goes out, so that the controller is not left
    // waiting for the rest of a file; the next request waits until the link
    // has settled after it.
    aborting = true;
    end_pending_without_reply();
    aborting = false;
    show_status(QStringLiteral("Операция прервана"));
    settle_exchange_timer();
}

void MainWindow::end_operation_of_other_link()
{
    // The reply would be looked for on the link now chosen, and the next
    // step sent there.
    if (operation_running() && pending.link != selected_link())
        abort_operation();
}

void MainWindow::end_pending_without_reply()
{
    if (!pending.unsent.isEmpty()) {
        // Nothing went out: nothing can come late for it.
        end_operation();
        return;
    }
    // A whole reply that came before the link went is taken first; the step
    // it would send cannot go out, and the second pass ends the operation.
    for (int pass = 0; pass < 2 && operation_running(); ++pass)
        serve_pending_operation();
}

bool MainWindow::show_result(const QString &result, const QString &success_text, const QString &unconfirmed_text)
{
    const bool ok = result == QLatin1String("ok");
    if (ok)
        show_status(success_text);
    else if (!exchange::error_text(result).isEmpty())
        show_error_result(result);
    else
        show_status(unconfirmed_text);
    return ok;
}

const MainWindow::ExchangeBlock &MainWindow::block_of(Operation operation)
{
    static const std::array<ExchangeBlock, engine::operation_count> blocks = [] {
        using W = MainWindow;
        using O = Operation;
        const ReplyWait standard{exchange::standard_budget_ms};
        ReplyWait device_write = standard;
        device_write.progress = &exchange::device_write_progress;
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
        const auto command = [&](const char *success_text, const char *unconfirmed_text) {
            return ExchangeBlock{standard, &W::take_result_reply, nullptr, success_text, unconfirmed_text};
        };

        std::array<ExchangeBlock, engine::operation_count> table = {};
        const auto set = [&table](O operation, const ExchangeBlock &block) { table[size_t(operation)] = block; };
        set(O::wait_req_all_dev, command("Все устройства успешно опрошены", unconfirmed));
        set(O::wait_req_one_dev, command("Устройство успешно опрошено", unconfirmed));
        set(O::wait_req_ch, command("Канал успешно опрошен", unconfirmed));
        set(O::wait_res_to_serv, command("Опрос с передечай на сервер успешен", unconfirmed));
        // The status reply must be complete at the first tick after the
        // request: a budget of nothing.
        set(O::wait_status_eth, {ReplyWait{0}, &W::take_network_status});
        set(O::wait_transmit, command("Передача запущена", unconfirmed));
        set(O::wait_res, {standard, &W::take_search_reply});
        set(O::wait_connect_dev,
            {ReplyWait{exchange::identification_budget_ms}, &W::take_identification, &W::end_identification});
        set(O::wait_read_param, {standard, &W::take_read_param, &W::end_read_param});
        set(O::wait_write_settings, {standard, &W::take_settings_dump});
        set(O::wait_write_param, {standard, &W::take_write_param});
        set(O::wait_read_dev, {device_list, nullptr, &W::end_device_list_read});
        set(O::wait_write_dev, {device_write, &W::take_device_write});
        set(O::wait_delete_dev, command("Удаление произведено успешно", unconfirmed));
        set(O::wait_load_in, {upload, &W::take_upload_reply, &W::end_upload});
        set(O::wait_update, {standard, &W::take_update_reply, nullptr, "Обновление запущено", unconfirmed});
        set(O::wait_load_out, {download, &W::take_download, &W::end_download});
        set(O::wait_write_interf, command("Запись произведена", "Запись прервана: нет подтверждения записи"));
        set(O::wait_compare_settings, {standard, &W::take_settings_comparison});
        return table;
    }();
    return blocks[size_t(operation)];
}

void MainWindow::serve_pending_operation()
{
    ++pending.ticks;
    const ExchangeBlock &block = block_of(pending.operation);
    const ReplyState state = await_reply(block.wait);
    switch (state) {
    case ReplyState::Waiting: return;
    case ReplyState::Complete: {
        Q_ASSERT_X(block.take_reply, "serve", "a reply taken on arrival reached the tick");
        const exchange::Reply reply = exchange::read_reply(rx_buffer);
        rx_buffer.clear();
        // More or other than one object: whatever else the controller meant
        // to send may still be on its way.
        if (!reply.whole && pending.operation != Operation::wait_load_out)
            unsettle_link();
        if (block.take_reply)
            (this->*block.take_reply)(reply);
        return;
    }
    case ReplyState::NoAnswer:
    case ReplyState::Incomplete:
        if (block.end_without_reply)
            (this->*block.end_without_reply)(state);
        else
            end_operation(Ending::Unanswered);
        return;
    }
}

void MainWindow::show_error_result(const QString &result)
{
    const QString text = exchange::error_text(result);
    if (!text.isEmpty())
        show_status(text);
}

void MainWindow::mark_link_lost()
{
    close_serial_link(SerialButton::NoConnection);
}

bool MainWindow::check_reply_result(const exchange::Reply &reply)
{
    if (reply.bytes.indexOf("result") < 0)
        return true;
    // A result where data was asked for: an error's own text, else no
    // text that could pass for the data having come.
    show_status(reply.error.isEmpty() ? exchange::not_enough_data_text() : reply.error);
    mark_link_lost();
    return false;
}

bool MainWindow::take_result(const exchange::Reply &reply)
{
    const ExchangeBlock &block = block_of(pending.operation);
    const bool ok =
        show_result(reply.result, QString::fromUtf8(block.success_text), QString::fromUtf8(block.unconfirmed_text));
    if (ok && pending.operation == Operation::wait_write_interf && controller_record.identified()) {
        controller_record.channel_types = channel_types();
        controller_record.channels_how = report::How::Confirmed;
        controller_record.channels_at = QDateTime::currentDateTime();
    }
    end_operation();
    return ok;
}

void MainWindow::take_result_reply(const exchange::Reply &reply)
{
    take_result(reply);
}

bool MainWindow::operation_pending() const
{
    return block_dialog_open || operation_running();
}

void MainWindow::refresh_abort_button()
{
    ui->abort_btn->setEnabled(operation_running() && !block_dialog_open);
    // The device table is not edited under a list read or write either.
    const bool list_busy =
        pending.operation == Operation::wait_read_dev || pending.operation == Operation::wait_write_dev;
    ui->tableWidget_2->setEditTriggers(list_busy ? QAbstractItemView::NoEditTriggers : device_edit_triggers);
}

void MainWindow::settle_exchange_timer()
{
    if (!operation_running())
        exchange_timer->stop();
    else if (!exchange_timer->isActive())
        exchange_timer->start(exchange_interval());
    refresh_abort_button();
}

void MainWindow::end_busy_link()
{
    end_operation();
    show_status(exchange::link_busy_text());
}

void MainWindow::timer_handler()
{
    // The operation whose dialog is up goes on when it is answered.
    if (block_dialog_open)
        return;
    if (operation_running() && !pending.unsent.isEmpty()) {
        // The request waits for the link to settle; the controller that never
        // falls silent gets it never, and the operation ends.
        if (link_settled())
            send_when_settled();
        else if (!link_ready())
            end_operation();
        else if (pending.clock.elapsed() > exchange::standard_budget_ms)
            end_busy_link();
    } else if (operation_running()) {
        serve_pending_operation();
    }
    settle_exchange_timer();
}
