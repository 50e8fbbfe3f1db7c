// Replies that tell who the controller is and how its Ethernet side is set
// up: the serial search, the identification and the network status, and
// the result check that keeps a status reply from being taken for data.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/exchange.h"
#include "link/io_port.h"
#include "link/log.h"

#include <QJsonArray>
#include <QTimer>

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
    const QString result = exchange::reply_object(bytes).value(QStringLiteral("result")).toString();
    ui->label->setText(exchange::error_text(result).isEmpty() ? exchange::not_enough_data_text()
                                                              : exchange::error_text(result));
    mark_link_lost();
    return false;
}

void MainWindow::abandon_serial_search()
{
    // The search asks the controller on the COM port only; once the user
    // has left COM, its count and bytes must not reach the next exchange.
    if (wait_res)
        end_exchange({&MainWindow::wait_res});
}

bool MainWindow::serve_res()
{
    if (!ui->radioButton->isChecked()) {
        abandon_serial_search();
        return false;
    }
    switch (await_reply({exchange::standard_budget_ms})) {
    case ReplyState::Waiting:
        return false;
    case ReplyState::NoAnswer:
    case ReplyState::Incomplete:
        end_exchange({&MainWindow::wait_res});
        return true;
    case ReplyState::Complete:
        break;
    }
    const QString text = exchange::reply_text(rx_buffer);
    if (!exchange::whole_object(rx_buffer)) {
        ui->label->setText(exchange::not_enough_data_text());
    } else if (check_reply_result(text)) {
        const QJsonObject reply = exchange::reply_object(rx_buffer);
        ui->listWidget->insertItem(ui->listWidget->count(),
                                   exchange::shown_text(reply.value(QStringLiteral("serial")).toString()));
    }
    end_exchange({&MainWindow::wait_res});
    return true;
}

bool MainWindow::serve_connect_dev()
{
    const bool over_ethernet = ui->radioButton_2->isChecked();
    const ReplyState state = await_reply({exchange::identification_budget_ms});
    if (state == ReplyState::Waiting)
        return false;
    bool identified = false;
    if (state == ReplyState::Complete) {
        const QString text = exchange::reply_text(rx_buffer);
        // Fields of a reply that is not one whole object would read as empty.
        const bool has_identity = text.contains(QLatin1String("fw_id")) && text.contains(QLatin1String("fw_ver"))
                                  && exchange::whole_object(rx_buffer);
        if (!has_identity)
            ui->label->setText(exchange::not_enough_data_text());
        identified = has_identity && check_reply_result(text);
        if (identified)
            apply_identification(exchange::reply_object(rx_buffer));
    }
    end_exchange({&MainWindow::wait_connect_dev});
    if (identified && over_ethernet) {
        ui->connect_dev_btn->setText(QStringLiteral("Связь по Eth установлена"));
        remember_controller_address();
    }
    // A partial identification keeps the connection; no answer or a refused
    // one drops it.
    if (!identified && state != ReplyState::Incomplete && over_ethernet)
        close_eth_link();
    return true;
}

void MainWindow::apply_identification(const QJsonObject &reply)
{
    ui->lineEdit_3->setText(reply.value(QStringLiteral("serial")).toString());
    ui->lineEdit_4->setText(reply.value(QStringLiteral("fw_ver")).toString());
    ui->lineEdit_5->setText(reply.value(QStringLiteral("fw_id")).toString());

    QComboBox *const channel_boxes[] = {
        ui->comboBox_4, ui->comboBox_5, ui->comboBox_6, ui->comboBox_7,
        ui->comboBox_8, ui->comboBox_9, ui->comboBox_10, ui->comboBox_11,
    };
    // A short list sets the channels it names; extra entries are ignored.
    const QVariantList types = reply.value(QStringLiteral("rs_type")).toArray().toVariantList();
    const int count = qMin(types.size(), int(std::size(channel_boxes)));
    for (int k = 0; k < count; ++k)
        channel_boxes[k]->setCurrentIndex(types.at(k).toString() == QLatin1String("232") ? 0 : 1);
}

bool MainWindow::serve_status_eth()
{
    // The status reply must be complete at the first tick after the
    // request: a budget of nothing.
    if (await_reply({0}) == ReplyState::Complete) {
        if (exchange::whole_object(rx_buffer))
            apply_ipconfig(exchange::reply_object(rx_buffer));
        else
            ui->label->setText(exchange::not_enough_data_text());
    }
    end_exchange({&MainWindow::wait_status_eth});
    return true;
}

void MainWindow::apply_ipconfig(const QJsonObject &reply)
{
    // Entries: controller address, gateway, subnet mask, DNS. At most four
    // entries and four numbers per entry are taken.
    const QJsonArray entries = reply.value(QStringLiteral("ipconfig")).toArray();
    const int count = qMin(entries.size(), int(std::size(eth_status_edits)));
    for (int i = 0; i < count; ++i) {
        const QJsonArray numbers = entries.at(i).toArray();
        QStringList parts;
        // A number an int cannot hold reads as 0, not as a wrapped one.
        for (int n = 0; n < qMin(numbers.size(), 4); ++n)
            parts << QString::number(exchange::reply_number(numbers.at(n)));
        eth_status_edits[i]->setText(parts.join(QLatin1Char('.')));
    }
}
