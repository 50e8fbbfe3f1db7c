// The device table of the "devices" tab, the models list behind its entry
// group, and the local table operations: add, delete, clear, the channel
// and model selectors.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/auxiliary_file.h"
#include "devices/device_list.h"
#include "devices/models.h"

#include <QBrush>
#include <QColor>
#include <QFile>
#include <QHeaderView>

#include <numeric>

using device_list::table_columns;
using device_list::table_rows;

void MainWindow::prepare_device_table()
{
    device_edit_triggers = ui->tableWidget_2->editTriggers();
    rebuild_device_table(DeviceHeaders::StartUp);
}

void MainWindow::rebuild_device_table(DeviceHeaders headers)
{
    QTableWidget *table = ui->tableWidget_2;
    table->setUpdatesEnabled(false);
    table->clear();
    table->setRowCount(table_rows);
    table->setColumnCount(table_columns);
    const bool start_up = headers == DeviceHeaders::StartUp;
    table->setHorizontalHeaderLabels({
        QStringLiteral("Номер устройства"),
        QStringLiteral("Модель"),
        QStringLiteral("Серийный номер"),
        QStringLiteral("Версия прибора"),
        start_up ? QStringLiteral("Производитель") : QStringLiteral("производитель"),
        QStringLiteral("Сетевой адрес"),
        QStringLiteral("Скорость обмена"),
        QStringLiteral("Примечание"),
        headers == DeviceHeaders::Controller ? QStringLiteral("Успешность опроса") : QStringLiteral("Результат опроса"),
    });
    QHeaderView *header = table->horizontalHeader();
    switch (headers) {
    case DeviceHeaders::StartUp:
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->setSectionResizeMode(1, QHeaderView::Stretch);
        header->resizeSections(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(QHeaderView::Stretch);
        break;
    case DeviceHeaders::Channel:
    case DeviceHeaders::File: header->resizeSections(QHeaderView::ResizeToContents); break;
    case DeviceHeaders::Controller:
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->setSectionResizeMode(1, QHeaderView::Stretch);
        break;
    }
    // The lists read from the controller or a file are right-aligned; the
    // empty table of the start-up and of a channel change keeps the default.
    const bool aligned = headers == DeviceHeaders::Controller || headers == DeviceHeaders::File;
    for (int row = 0; row < table_rows; ++row) {
        for (int column = 0; column < table_columns; ++column) {
            auto *item = new QTableWidgetItem(QString());
            if (aligned)
                item->setTextAlignment(Qt::AlignRight);
            table->setItem(row, column, item);
        }
    }
    table->setUpdatesEnabled(true);
}

void MainWindow::set_device_row(int row, const QStringList &cells, Qt::Alignment alignment)
{
    const int count = qMin(cells.size(), int(table_columns));
    for (int column = 0; column < count; ++column) {
        auto *item = new QTableWidgetItem(cells.at(column));
        item->setTextAlignment(alignment);
        ui->tableWidget_2->setItem(row, column, item);
    }
}

void MainWindow::blank_device_row(int row)
{
    static const QStringList blanks = [] {
        QStringList cells;
        for (int column = 0; column < table_columns; ++column)
            cells << QString();
        return cells;
    }();
    set_device_row(row, blanks, Qt::AlignRight);
}

QString MainWindow::device_cell(int row, int column) const
{
    const QTableWidgetItem *item = ui->tableWidget_2->item(row, column);
    return item ? item->text() : QString();
}

QStringList MainWindow::device_row(int row) const
{
    QStringList cells;
    for (int column = 0; column < table_columns; ++column)
        cells << device_cell(row, column);
    return cells;
}

QVector<QStringList> MainWindow::occupied_device_rows() const
{
    QVector<QStringList> rows;
    for (int row = 0; row < ui->tableWidget_2->rowCount() && !device_cell(row, 0).isEmpty(); ++row)
        rows.append(device_row(row));
    return rows;
}

void MainWindow::paint_device_rows(const QVector<int> &rows, const QColor &colour)
{
    const QBrush brush(colour, Qt::SolidPattern);
    for (const int row : rows) {
        for (int column = 0; column < table_columns; ++column) {
            if (QTableWidgetItem *item = ui->tableWidget_2->item(row, column))
                item->setBackground(brush);
        }
    }
}

void MainWindow::paint_device_table(const QColor &colour)
{
    QVector<int> rows(ui->tableWidget_2->rowCount());
    std::iota(rows.begin(), rows.end(), 0);
    paint_device_rows(rows, colour);
}

QString MainWindow::device_channel() const
{
    return ui->comboBox->currentText();
}

void MainWindow::load_models()
{
    QFile file(QStringLiteral("Models.csv"));
    if (open_auxiliary_file(file, missing_files())) {
        models = device_list::read_models(file);
    } else {
        show_status(QStringLiteral("Модели не считаны"));
    }
    for (const QString &name : qAsConst(models.names))
        ui->comboBox_2->addItem(name);

    ui->lineEdit_8->setText(QStringLiteral("12345678"));
    ui->lineEdit_9->setText(QStringLiteral("1"));
    ui->lineEdit_10->setText(models.makers.value(0));
    ui->lineEdit_11->setText(QStringLiteral("1"));
    ui->comboBox_3->setCurrentIndex(3);
}

void MainWindow::on_set_new_dev_btn_clicked()
{
    if (!may_change_while({Operation::wait_read_dev, Operation::wait_write_dev}))
        return;
    int row = 0;
    while (row < table_rows && !device_cell(row, 0).isEmpty())
        ++row;
    if (row == table_rows)
        return; // a full table takes no more
    // Channel 1 numbers its devices 1..256, channel 2 257..512 and so on.
    const int number = ui->comboBox->currentIndex() * table_rows + row + 1;
    set_device_row(row,
                   {QString::number(number), ui->comboBox_2->currentText(), ui->lineEdit_8->text(),
                    ui->lineEdit_9->text(), ui->lineEdit_10->text(), ui->lineEdit_11->text(),
                    ui->comboBox_3->currentText(), ui->lineEdit_6->text()},
                   Qt::AlignRight);
}

void MainWindow::on_del_dev_btn_clicked()
{
    if (!may_change_while({Operation::wait_read_dev, Operation::wait_write_dev}))
        return;
    const int selected = ui->tableWidget_2->currentRow();
    if (selected < 0) {
        show_status(QStringLiteral("Устройство не выбрано"));
        return;
    }
    // The rows below move up by one until the first row without a device;
    // texts move as they are (device numbers too), backgrounds do not.
    int row = selected;
    while (row + 1 < table_rows && !device_cell(row + 1, 0).isEmpty()) {
        set_device_row(row, device_row(row + 1), Qt::AlignRight);
        ++row;
    }
    blank_device_row(row);
}

void MainWindow::on_clear_table_btn_clicked()
{
    if (!may_change_while({Operation::wait_read_dev, Operation::wait_write_dev}))
        return;
    for (int row = 0; row < ui->tableWidget_2->rowCount(); ++row)
        blank_device_row(row);
}

void MainWindow::on_comboBox_activated(int index)
{
    // The channel of a list read or write stays shown until it ends.
    if (!may_change_while({Operation::wait_read_dev, Operation::wait_write_dev})) {
        ui->comboBox->setCurrentIndex(shown_channel);
        return;
    }
    shown_channel = index;
    // Another channel's devices: the table starts empty.
    rebuild_device_table(DeviceHeaders::Channel);
}

void MainWindow::on_comboBox_2_activated(int index)
{
    if (index >= 0 && index < models.makers.size())
        ui->lineEdit_10->setText(models.makers.at(index));
}
