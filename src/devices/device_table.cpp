// The device table of the "devices" tab and the models list behind its
// entry group.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/auxiliary_file.h"
#include "devices/models.h"

#include <QFile>
#include <QHeaderView>

namespace {
constexpr int device_rows = 256;
}

void MainWindow::prepare_device_table()
{
    QTableWidget *table = ui->tableWidget_2;
    table->clear();
    table->setRowCount(device_rows);
    table->setColumnCount(9);
    table->setHorizontalHeaderLabels({
        QStringLiteral("Номер устройства"), QStringLiteral("Модель"), QStringLiteral("Серийный номер"),
        QStringLiteral("Версия прибора"), QStringLiteral("Производитель"), QStringLiteral("Сетевой адрес"),
        QStringLiteral("Скорость обмена"), QStringLiteral("Примечание"), QStringLiteral("Результат опроса"),
    });
    QHeaderView *header = table->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->resizeSections(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(QHeaderView::Stretch);
    for (int row = 0; row < device_rows; ++row) {
        for (int column = 0; column < table->columnCount(); ++column)
            table->setItem(row, column, new QTableWidgetItem(QString()));
    }
}

void MainWindow::load_models()
{
    QFile file(QStringLiteral("Models.csv"));
    if (open_auxiliary_file(file)) {
        ModelsList models = read_models(file);
        model_codes = std::move(models.codes);
        model_names = std::move(models.names);
        model_makers = std::move(models.makers);
    } else {
        ui->label->setText(QStringLiteral("Модели не считаны"));
    }
    for (const QString &name : qAsConst(model_names))
        ui->comboBox_2->addItem(name);

    ui->lineEdit_8->setText(QStringLiteral("12345678"));
    ui->lineEdit_9->setText(QStringLiteral("1"));
    ui->lineEdit_10->setText(model_makers.isEmpty() ? QString() : model_makers.first());
    ui->lineEdit_11->setText(QStringLiteral("1"));
    ui->comboBox_3->setCurrentIndex(3);
}
