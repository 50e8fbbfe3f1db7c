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

void MainWindow::take_update_reply(const ExchangeBlock &block)
{
    if (take_result(block))
        drop_link_after_update();
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

void MainWindow::take_upload_reply(const ExchangeBlock &)
{
    const bool ok = exchange::reply_result(rx_buffer) == QLatin1String("ok");
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
            return; // the header was taken; now the content
    } else {
        // The content confirmed, or an empty file, which its header holds whole.
        ui->label->setText(QStringLiteral("Файл записан"));
    }
    end_upload();
}

void MainWindow::take_download(const ExchangeBlock &)
{
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
}
