// Replies about the device list and the polls: the list read (taken as it
// arrives, ended by its budget), the device-by-device write, the delete,
// the four polls and the channel interfaces.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "devices/device_list.h"
#include "engine/exchange.h"

#include <QColor>
#include <QHeaderView>
#include <QJsonDocument>
#include <QTimer>

namespace {

QString result_of(const QByteArray &reply)
{
    return exchange::reply_object(reply).value(QStringLiteral("result")).toString();
}

// A poll, a delete or a transmission that the controller did not confirm.
QString command_unconfirmed_text()
{
    return QStringLiteral("Команда не подтверждена");
}

} // namespace

bool MainWindow::serve_poll_group()
{
    static const FlagSet polls = {&MainWindow::wait_req_all_dev, &MainWindow::wait_req_one_dev,
                                  &MainWindow::wait_req_ch, &MainWindow::wait_res_to_serv};
    const ReplyState state = await_reply({exchange::standard_budget_ms});
    if (state == ReplyState::Waiting)
        return false;
    if (state == ReplyState::Complete
        && show_result(result_of(rx_buffer), QString(), command_unconfirmed_text())) {
        // Each poll that was waiting says so; the last one stays shown.
        static const char *const texts[] = {
            "Все устройства успешно опрошены",
            "Устройство успешно опрошено",
            "Канал успешно опрошен",
            "Опрос с передечай на сервер успешен",
        };
        for (size_t i = 0; i < polls.size(); ++i) {
            if (this->*polls[i])
                ui->label->setText(QString::fromUtf8(texts[i]));
        }
    }
    end_exchange(polls);
    return true;
}

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
    const QString error = exchange::error_text(result_of(rx_buffer));
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
    const device_list::Models models{model_codes, model_names};
    const auto devices = device_list::listed_devices(reply, models, device_list::table_rows - batch_index);
    for (const device_list::ListedDevice &device : devices) {
        set_device_row(batch_index, device.cells, Qt::AlignLeft);
        // Pale green: the controller's last poll reached the device.
        paint_device_rows({batch_index}, device.polled ? QColor(0xAEEBA9) : QColor(0xE6FC56));
        ++batch_index;
    }
    ui->tableWidget_2->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

bool MainWindow::serve_read_dev()
{
    ReplyWait wait{exchange::device_list_budget_ms, Measure::Ticks, true, &exchange::device_read_progress};
    // Its budget runs from the last byte; a controller that trickles bytes
    // without end is still stopped.
    wait.overall_budget_ms = exchange::device_list_overall_budget_ms;
    const ReplyState state = await_reply(wait);
    if (state == ReplyState::Waiting)
        return false;
    // The list itself was taken on arrival; an empty buffer only means
    // nothing is left over.
    if (state == ReplyState::NoAnswer && !device_cell(0, 0).isEmpty())
        ui->label->setText(QStringLiteral("Передача завершена"));
    end_exchange({&MainWindow::wait_read_dev}, BatchProgress);
    return true;
}

void MainWindow::end_device_write()
{
    end_exchange({&MainWindow::wait_write_dev}, BatchProgress);
    write_dev_ticks = 0;
    device_write_queue.clear();
}

bool MainWindow::serve_write_dev()
{
    ++write_dev_ticks;
    const ReplyState state = await_reply({exchange::standard_budget_ms, Measure::Ticks, false,
                                          &exchange::device_write_progress});
    if (state == ReplyState::Waiting)
        return false;
    if (state != ReplyState::Complete) {
        end_device_write();
        return true;
    }
    // Only "ok" lets the write go on; a reply that confirms nothing must
    // not end in "Запись завершена".
    if (!show_result(result_of(rx_buffer), QString(), exchange::write_unconfirmed_text())) {
        end_device_write();
        return true;
    }
    ui->label->setText(QStringLiteral("Запись произведена успешно: ")
                       + QString::number(qint64(write_dev_ticks) * exchange_interval() / 1000) + QLatin1Char('c'));
    if (batch_index != 0) {
        rx_buffer.clear();
        timeout_ticks = 0;
        continue_with(ui->write_dev_btn);
        return true;
    }
    end_device_write();
    ui->label->setText(QStringLiteral("Запись завершена"));
    return true;
}

bool MainWindow::serve_result_reply(Flag flag, const QString &success_text, const QString &unconfirmed_text)
{
    const ReplyState state = await_reply({exchange::standard_budget_ms});
    if (state == ReplyState::Waiting)
        return false;
    if (state == ReplyState::Complete)
        show_result(result_of(rx_buffer), success_text, unconfirmed_text);
    end_exchange({flag});
    return true;
}

bool MainWindow::serve_delete_dev()
{
    return serve_result_reply(&MainWindow::wait_delete_dev, QStringLiteral("Удаление произведено успешно"),
                              command_unconfirmed_text());
}

bool MainWindow::serve_write_interf()
{
    return serve_result_reply(&MainWindow::wait_write_interf, QStringLiteral("Запись произведена"),
                              exchange::write_unconfirmed_text());
}
