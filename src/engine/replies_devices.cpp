// Replies about the device list: the list read (taken as it arrives, ended
// by its budget) and the device-by-device write. The polls, the delete and
// the channel interfaces report a result only (engine.cpp).

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "devices/device_list.h"
#include "engine/exchange.h"

#include <QColor>
#include <QDateTime>
#include <QHeaderView>
#include <QJsonDocument>
#include <QTimer>

void MainWindow::take_device_list()
{
    // The read waits 2 s after the last bytes, not after the request, so a
    // long list on a slow line is read whole.
    pending.reply_ticks = 0;
    if (!exchange::reply_complete(rx_buffer))
        return;
    const exchange::Reply reply = exchange::read_reply(rx_buffer);
    if (!reply.whole)
        return;
    log_received(rx_buffer);
    rx_buffer.clear();
    if (reply.text() == QLatin1String("{\"devices\":[]}")) {
        controller_record.device_lists.insert(progress<engine::DeviceRead>().channel,
                                              {{}, report::How::Read, QDateTime::currentDateTime()});
        end_operation();
        show_status(QStringLiteral("Устройства отсутствуют"));
        return;
    }
    if (!reply.error.isEmpty()) {
        // A refusal is an answer: it ends the read with its own text.
        end_operation();
        show_status(reply.error);
        return;
    }
    apply_device_list(reply.object);
    progress<engine::DeviceRead>().next_row = 0;
    exchange_timer->start(exchange_interval());
}

void MainWindow::apply_device_list(const QJsonObject &reply)
{
    int &row = progress<engine::DeviceRead>().next_row;
    const auto devices = device_list::listed_devices(reply, models, device_list::table_rows - row);
    for (const device_list::ListedDevice &device : devices) {
        set_device_row(row, device.cells, Qt::AlignLeft);
        // Pale green: the controller's last poll reached the device.
        paint_device_rows({row}, device.polled ? QColor(0xAEEBA9) : QColor(0xE6FC56));
        ++row;
    }
    ui->tableWidget_2->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

void MainWindow::end_device_list_read(ReplyState state)
{
    // The list itself was taken on arrival; an empty buffer only means
    // nothing is left over.
    const bool listed = state == ReplyState::NoAnswer && !device_cell(0, 0).isEmpty();
    if (listed && controller_record.identified())
        controller_record.device_lists.insert(
            progress<engine::DeviceRead>().channel,
            {occupied_device_rows(), report::How::Read, QDateTime::currentDateTime()});
    end_operation(listed ? Ending::Answered : Ending::Unanswered);
    if (listed)
        show_status(QStringLiteral("Передача завершена"));
}

void MainWindow::take_device_write(const exchange::Reply &reply)
{
    // Only "ok" lets the write go on; a reply that confirms nothing must
    // not end in "Запись завершена".
    if (!show_result(reply.result, QString(), exchange::write_unconfirmed_text())) {
        end_operation();
        return;
    }
    show_status(QStringLiteral("Запись произведена успешно: ")
                + QString::number(qint64(pending.ticks) * exchange_interval() / 1000) + QLatin1Char('c'));
    const engine::DeviceWrite &write = progress<engine::DeviceWrite>();
    if (write.sending + 1 < write.queue.size()) {
        send_device_write_step();
        return;
    }
    if (controller_record.identified())
        controller_record.device_lists.insert(write.channel,
                                              {write.rows, report::How::Confirmed, QDateTime::currentDateTime()});
    end_operation();
    show_status(QStringLiteral("Запись завершена"));
}
