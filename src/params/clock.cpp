// The clock parameter: the computer's time put into the "time" row of the
// first page, to be sent with an ordinary write.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "params/parameter_values.h"

#include <QDateTime>
#include <QTableWidget>

void MainWindow::on_synch_time_clicked()
{
    QTableWidget *table = ui->tableWidget;
    // Without rows there is no cell to fill.
    if (table->rowCount() == 0)
        return;
    const int time_row = qMax(0, param_pages[0].keys.indexOf(QStringLiteral("time")));
    auto *item = new QTableWidgetItem(params::clock_text(QDateTime::currentDateTime()));
    item->setTextAlignment(Qt::AlignLeft);
    table->setItem(time_row, 2, item);
}
