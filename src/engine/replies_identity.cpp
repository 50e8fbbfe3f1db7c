// Replies that tell who the controller is and how its Ethernet side is set
// up: the serial search, the identification and the network status.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/exchange.h"
#include "engine/requests.h"
#include "link/io_port.h"
#include "link/log.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTimer>

void MainWindow::start_identification()
{
    start_command(Operation::wait_connect_dev, requests::identification());
}

void MainWindow::abandon_serial_search()
{
    // The search asks the controller on the COM port only; once the user
    // has left COM, its count and bytes must not reach the next exchange.
    if (pending.operation == Operation::wait_res)
        end_operation(Ending::Unanswered);
}

void MainWindow::take_search_reply(const exchange::Reply &reply)
{
    if (!reply.whole) {
        show_status(exchange::not_enough_data_text());
    } else if (check_reply_result(reply)) {
        ui->listWidget->insertItem(ui->listWidget->count(),
                                   exchange::shown_text(reply.object.value(QStringLiteral("serial")).toString()));
    }
    end_operation();
}

void MainWindow::take_identification(const exchange::Reply &reply)
{
    const QString text = reply.text();
    // Fields of a reply that is not one whole object would read as empty.
    const bool has_identity =
        text.contains(QLatin1String("fw_id")) && text.contains(QLatin1String("fw_ver")) && reply.whole;
    if (!has_identity)
        show_status(exchange::not_enough_data_text());
    const bool identified = has_identity && check_reply_result(reply);
    const Link link = pending.link;
    end_operation();
    if (identified) {
        apply_identification(reply.object);
        identified_link = link;
        begin_controller_record(link, reply.object.value(QStringLiteral("rs_type")).toArray().size());
    } else {
        forget_controller();
    }
    if (link != Link::ethernet)
        return;
    if (identified) {
        ui->connect_dev_btn->setText(QStringLiteral("Связь по Eth установлена"));
        remember_controller_address();
    } else {
        // The controller refused, or is something else.
        close_eth_link();
    }
}

void MainWindow::end_identification(ReplyState state)
{
    const Link link = pending.link;
    end_operation(Ending::Unanswered);
    forget_controller();
    // A partial identification keeps the connection; no answer drops it.
    if (state == ReplyState::NoAnswer && link == Link::ethernet)
        close_eth_link();
}

void MainWindow::begin_controller_record(Link link, int channels_reported)
{
    controller_record = report::ControllerRecord();
    controller_record.serial = ui->lineEdit_3->text();
    controller_record.identified_at = QDateTime::currentDateTime();
    controller_record.link =
        link == Link::serial ? ui->name_box->currentText() : eth_link_host + QLatin1Char(':') + eth_link_port;
    if (channels_reported > 0) {
        controller_record.channel_types = channel_types();
        controller_record.channels_at = controller_record.identified_at;
    }
}

QStringList MainWindow::channel_types() const
{
    QStringList types;
    for (const QComboBox *box : {ui->comboBox_4, ui->comboBox_5, ui->comboBox_6, ui->comboBox_7, ui->comboBox_8,
                                 ui->comboBox_9, ui->comboBox_10, ui->comboBox_11})
        types << box->currentText();
    return types;
}

void MainWindow::forget_controller()
{
    controller_record = report::ControllerRecord();
    identified_link = Link::none;
    for (QLineEdit *field : {ui->lineEdit_3, ui->lineEdit_4, ui->lineEdit_5})
        field->clear();
    for (QLineEdit *field : eth_status_edits)
        field->clear();
}

void MainWindow::apply_identification(const QJsonObject &reply)
{
    ui->lineEdit_3->setText(reply.value(QStringLiteral("serial")).toString());
    ui->lineEdit_4->setText(reply.value(QStringLiteral("fw_ver")).toString());
    ui->lineEdit_5->setText(reply.value(QStringLiteral("fw_id")).toString());

    QComboBox *const channel_boxes[] = {
        ui->comboBox_4, ui->comboBox_5, ui->comboBox_6,  ui->comboBox_7,
        ui->comboBox_8, ui->comboBox_9, ui->comboBox_10, ui->comboBox_11,
    };
    // A short list sets the channels it names; extra entries are ignored.
    const QVariantList types = reply.value(QStringLiteral("rs_type")).toArray().toVariantList();
    const int count = qMin(types.size(), int(std::size(channel_boxes)));
    for (int k = 0; k < count; ++k)
        channel_boxes[k]->setCurrentIndex(types.at(k).toString() == QLatin1String("232") ? 0 : 1);
}

void MainWindow::take_network_status(const exchange::Reply &reply)
{
    if (reply.whole)
        apply_ipconfig(reply.object);
    else
        show_status(exchange::not_enough_data_text());
    end_operation();
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
