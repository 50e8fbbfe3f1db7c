// Moving a channel's device list between the table and the controller or a
// file: read, write device by device, delete, load from a file; and the
// request that sets the interface of each channel.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "devices/device_list.h"
#include "engine/requests.h"

#include <QColor>
#include <QFile>
#include <QFileDialog>

namespace {

QString unknown_model_text(int row)
{
    return QStringLiteral("Модель прибора не из списка моделей: строка ") + QString::number(row + 1);
}

} // namespace

void MainWindow::on_read_dev_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_device_list_read(device_channel());
}

void MainWindow::start_device_list_read(const QString &channel)
{
    // The reply fills the rows from row 0 on.
    rebuild_device_table(DeviceHeaders::Controller);
    begin_operation(Operation::wait_read_dev, engine::DeviceRead{0, channel});
    send_request(requests::device_list_read(channel));
}

void MainWindow::on_delete_dev_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_command(Operation::wait_delete_dev, requests::device_list_delete(device_channel()));
}

bool MainWindow::find_duplicate_devices()
{
    const QVector<int> duplicates = device_list::duplicate_rows(occupied_device_rows());
    paint_device_rows(duplicates, Qt::red);
    return !duplicates.isEmpty();
}

QVector<QJsonArray> MainWindow::devices_to_write()
{
    // Earlier marks go first, so that only what stops this write is red.
    paint_device_table(Qt::white);
    const QVector<QStringList> rows = occupied_device_rows();
    if (rows.isEmpty()) {
        show_status(QStringLiteral("Нет приборов для записи"));
        return {};
    }
    if (find_duplicate_devices()) {
        show_status(QStringLiteral("Одинаковые приборы"));
        return {};
    }
    // A device the controller could not tell the model of is not sent.
    const int channel = device_channel().toInt();
    QVector<QJsonArray> devices;
    for (int row = 0; row < rows.size(); ++row) {
        int code = 0;
        if (!models.code_of_name(rows.at(row).at(device_list::ModelColumn), &code)) {
            paint_device_rows({row}, Qt::red);
            show_status(unknown_model_text(row));
            return {};
        }
        devices.append(device_list::device_array(rows.at(row), code, channel));
    }
    return devices;
}

void MainWindow::on_write_dev_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_device_write();
}

bool MainWindow::start_device_write()
{
    // The rows as they are now: edits while the write runs change nothing
    // of what it sends.
    QVector<QJsonArray> devices = devices_to_write();
    if (devices.isEmpty())
        return false;
    begin_operation(Operation::wait_write_dev,
                    engine::DeviceWrite{std::move(devices), 0, device_channel(), occupied_device_rows()});
    // One device per request, which is what the controller takes; the
    // write ends with the last one.
    send_request(requests::device_list_write(QJsonArray{progress<engine::DeviceWrite>().queue.first()}));
    return true;
}

void MainWindow::send_device_write_step()
{
    engine::DeviceWrite &write = progress<engine::DeviceWrite>();
    ++write.sending;
    send_step(requests::device_list_write(QJsonArray{write.queue.at(write.sending)}));
}

void MainWindow::on_read_file_dev_btn_clicked()
{
    if (!may_change_while({Operation::wait_read_dev, Operation::wait_write_dev}))
        return;
    const QString name = QFileDialog::getOpenFileName(nullptr, QString(), QString(), QString());
    QFile file(name);
    // Read only: loading changes nothing, so a write-protected file loads too.
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        show_status(QStringLiteral("Не удалось открыть файл"));
        return;
    }
    const QVector<QStringList> rows = device_list::rows_from_file(file);
    file.close();
    // The dialog's event loop may have let a list operation begin.
    if (!may_change_while({Operation::wait_read_dev, Operation::wait_write_dev}))
        return;
    rebuild_device_table(DeviceHeaders::File);
    for (int row = 0; row < rows.size(); ++row)
        set_device_row(row, rows.at(row), Qt::AlignRight);
}

void MainWindow::on_write_interf_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_command(Operation::wait_write_interf, requests::channel_interfaces(channel_types()));
}
