// Replies about the device list: the list read (taken as it arrives, ended
// by its budget) and the device-by-device write. The polls, the delete and
// the channel interfaces report a result only (engine.cpp).

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "devices/device_list.h"
#include "engine/exchange.h"

#include <QColor>
#include <QHeaderView>
#include <QJsonDocument>
#include <QTimer>

void MainWindow::take_device_list()
{
    // The read waits 2 s after the last bytes, not after the request, so a
    // long list on a slow line is read whole.
    timeout_ticks = 0;
    if (!exchange::reply_complete(rx_buffer) || !exchange::whole_object(rx_buffer))
        return;
    log_received(rx_buffer);
    if (exchange::reply_text(rx_buffer) == QLatin1String("{\"devices\":[]}")) {
        end_exchange({&MainWindow::wait_read_dev}, BatchProgress);
        ui->label->setText(QStringLiteral("Устройства отсутствуют"));
        return;
    }
    const QString error = exchange::error_text(exchange::reply_result(rx_buffer));
    if (!error.isEmpty()) {
        // A refusal is an answer: it ends the read with its own text.
        end_exchange({&MainWindow::wait_read_dev}, BatchProgress);
        ui->label->setText(error);
        return;
    }
    apply_device_list(exchange::reply_object(rx_buffer));
    rx_buffer.clear();
    batch_index = 0;
    exchange_timer->start(exchange_interval());
}

void MainWindow::apply_device_list(const QJsonObject &reply)
{
    const auto devices = device_list::listed_devices(reply, models, device_list::table_rows - batch_index);
    for (const device_list::ListedDevice &device : devices) {
        set_device_row(batch_index, device.cells, Qt::AlignLeft);
        // Pale green: the controller's last poll reached the device.
        paint_device_rows({batch_index}, device.polled ? QColor(0xAEEBA9) : QColor(0xE6FC56));
        ++batch_index;
    }
    ui->tableWidget_2->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

void MainWindow::end_device_list_read(ReplyState state)
{
    // The list itself was taken on arrival; an empty buffer only means
    // nothing is left over.
    if (state == ReplyState::NoAnswer && !device_cell(0, 0).isEmpty())
        ui->label->setText(QStringLiteral("Передача завершена"));
    end_exchange({&MainWindow::wait_read_dev}, BatchProgress);
}

void MainWindow::count_device_write_tick()
{
    ++write_dev_ticks;
}

void MainWindow::end_device_write(ReplyState)
{
    end_exchange({&MainWindow::wait_write_dev}, BatchProgress);
    write_dev_ticks = 0;
    device_write_queue.clear();
}

void MainWindow::take_device_write(const ExchangeBlock &)
{
    // Only "ok" lets the write go on; a reply that confirms nothing must
    // not end in "Запись завершена".
    if (!show_result(exchange::reply_result(rx_buffer), QString(), exchange::write_unconfirmed_text())) {
        end_device_write();
        return;
    }
    ui->label->setText(QStringLiteral("Запись произведена успешно: ")
                       + QString::number(qint64(write_dev_ticks) * exchange_interval() / 1000) + QLatin1Char('c'));
    if (batch_index != 0) {
        rx_buffer.clear();
        timeout_ticks = 0;
        continue_with(ui->write_dev_btn);
        return;
    }
    end_device_write();
    ui->label->setText(QStringLiteral("Запись завершена"));
}
