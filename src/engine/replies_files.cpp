// Replies to the file and service commands: the upload in two steps, the
// download with its save, the transmission to the server and the firmware
// update, which drops the link once the controller has taken it.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/exchange.h"
#include "files/transfer_rules.h"
#include "link/io_port.h"
#include "link/log.h"

#include <QTimer>

MainWindow::CommandState MainWindow::serve_command(Flag flag, const QString &success_text)
{
    const ReplyState state = await_reply({exchange::standard_budget_ms});
    if (state == ReplyState::Waiting)
        return CommandState::Waiting;
    bool ok = false;
    if (state == ReplyState::Complete) {
        const QString result = exchange::reply_object(rx_buffer).value(QStringLiteral("result")).toString();
        ok = show_result(result, success_text, QStringLiteral("Команда не подтверждена"));
    }
    end_exchange({flag});
    return ok ? CommandState::EndedOk : CommandState::Ended;
}

bool MainWindow::serve_transmit()
{
    return serve_command(&MainWindow::wait_transmit, QStringLiteral("Передача запущена")) != CommandState::Waiting;
}

bool MainWindow::serve_update()
{
    const CommandState state = serve_command(&MainWindow::wait_update, QStringLiteral("Обновление запущено"));
    if (state == CommandState::EndedOk)
        drop_link_after_update();
    return state != CommandState::Waiting;
}

void MainWindow::drop_link_after_update()
{
    // The controller restarts into its updater.
    if (ui->radioButton->isChecked()) {
        serial_link->close_port();
        com_open = false;
        com_on = false;
        ui->connect_btn->setStyleSheet(QStringLiteral("QPushButton {color:red;}"));
        ui->connect_btn->setText(QStringLiteral("Выключено"));
    }
    if (ui->radioButton_2->isChecked()) {
        close_eth_link();
        ui->label->setText(QStringLiteral("Связь по Eth отключена"));
    }
}

bool MainWindow::serve_load_in()
{
    switch (await_reply({transfer::no_answer_seconds, Measure::LoadSeconds, false, exchange::load_progress})) {
    case ReplyState::Waiting:
        return false;
    case ReplyState::NoAnswer:
        end_upload();
        load_seconds = 0;
        return true;
    case ReplyState::Incomplete:
        end_upload();
        return true;
    case ReplyState::Complete:
        break;
    }
    const QString result = exchange::reply_object(rx_buffer).value(QStringLiteral("result")).toString();
    const bool ok = result == QLatin1String("ok");
    // Errors count anywhere in the reply.
    const QString error = transfer::error_in_reply(rx_buffer);
    const bool header_step = batch_index == 0;
    if (!error.isEmpty()) {
        show_error_result(error);
    } else if (!ok) {
        // Neither step goes on, nor may the load time stay shown as if the
        // upload still ran.
        ui->label->setText(QStringLiteral("Запись файла не подтверждена"));
    } else if (header_step && upload_size > 0) {
        ui->label->clear();
        if (send_upload_content())
            return true; // the header was taken; now the content
    } else {
        // The content confirmed, or an empty file, which its header holds whole.
        ui->label->setText(QStringLiteral("Файл записан"));
    }
    end_upload();
    return true;
}

bool MainWindow::serve_load_out()
{
    ReplyWait wait{transfer::no_answer_seconds, Measure::LoadSecondsThenStall, false, exchange::load_progress};
    wait.stall_budget = exchange::standard_budget_ms;
    wait.complete = &transfer::download_complete;
    // The file itself may hold what looks like the closing result.
    wait.complete_when_quiet = true;
    switch (await_reply(wait)) {
    case ReplyState::Waiting:
        show_download_progress();
        return false;
    case ReplyState::NoAnswer:
    case ReplyState::Incomplete:
        end_download();
        return true;
    case ReplyState::Complete:
        break;
    }
    load_timer->stop();
    // The reply is the file followed by its result, not a JSON object. Only
    // a file the controller confirmed is saved.
    const QString result = transfer::download_result(rx_buffer);
    if (result == QLatin1String("ok")) {
        ui->label->setText(QStringLiteral("Файл скачен"));
        save_download(transfer::download_content(rx_buffer)); // bytes arriving during the dialog stay out
    } else if (!exchange::error_text(result).isEmpty()) {
        show_error_result(result);
    } else {
        ui->label->setText(QStringLiteral("Скачивание не подтверждено"));
    }
    end_download();
    return true;
}
