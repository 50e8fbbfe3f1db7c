// The commissioning report of the window: what it holds at the moment the
// button is pressed, saved as a PDF where the user chooses.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/commissioning_report.h"
#include "app/safe_files.h"
#include "params/parameter_values.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTableWidget>

namespace {

// Two columns of a label's text and its field's.
QStringList field_row(const QLabel *label, const QLineEdit *field)
{
    return {label->text(), report::or_nothing_read(field->text())};
}

} // namespace

void MainWindow::on_report_btn_clicked()
{
    const QString suggested = report::file_name(ui->lineEdit_3->text(), QDate::currentDate());
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Отчёт"), suggested, QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    // Made in memory first, so that the file is written whole or not at all.
    const QByteArray pdf = report::render_pdf(report_document());
    const bool written = !pdf.isEmpty() && safe_files::write_whole(path, pdf);
    show_status(written ? QStringLiteral("Отчёт записан") : QStringLiteral("Отчёт не записан"));
}

report::Document MainWindow::report_document() const
{
    report::Document document;
    document.title = QStringLiteral("Отчёт о настройке УСПД");
    document.made = QDateTime::currentDateTime();

    report::Section identity;
    identity.title = ui->label_12->text();
    identity.rows = {field_row(ui->label_4, ui->lineEdit_3), field_row(ui->label_5, ui->lineEdit_4),
                     field_row(ui->label_11, ui->lineEdit_5)};
    document.sections.append(identity);

    report::Section ethernet;
    ethernet.title = ui->groupBox_3->title();
    ethernet.rows = {field_row(ui->label_29, ui->lineEdit_12), field_row(ui->label_31, ui->lineEdit_13),
                     field_row(ui->label_30, ui->lineEdit_14), field_row(ui->label_32, ui->lineEdit_15)};
    document.sections.append(ethernet);

    report::Section channels;
    channels.title = ui->groupBox_2->title();
    const QLabel *const channel_labels[] = {ui->label_21, ui->label_22, ui->label_23, ui->label_14,
                                            ui->label_24, ui->label_25, ui->label_26, ui->label_27};
    const QComboBox *const channel_boxes[] = {ui->comboBox_4, ui->comboBox_5, ui->comboBox_6,  ui->comboBox_7,
                                              ui->comboBox_8, ui->comboBox_9, ui->comboBox_10, ui->comboBox_11};
    for (int channel = 0; channel < 8; ++channel)
        channels.rows.append({channel_labels[channel]->text(), channel_boxes[channel]->currentText()});
    document.sections.append(channels);

    for (int page = 0; page < params::page_count; ++page) {
        const ParamPage &catalogue = param_pages[page];
        const QTableWidget *table = param_tables[page];
        report::Section values;
        values.title = ui->tabWidget->tabText(1) + QStringLiteral(": ") + ui->tabWidget_2->tabText(page);
        values.header =
            QStringList{QStringLiteral("Параметр"), QStringLiteral("Значение"), QStringLiteral("Примечание")};
        values.empty_text = QStringLiteral("Параметров нет");
        for (int row = 0; row < qMin(catalogue.size(), table->rowCount()); ++row) {
            QString value;
            if (const QComboBox *box = itf_boxes.value({page, row})) {
                value = box->currentText();
            } else if (uart_editors.contains({page, row})) {
                const UartEditor editor = uart_editors.value({page, row});
                if (!editor.speed->text().isEmpty())
                    value = params::encode_uart(editor.speed->text(), editor.data_bits->currentText(),
                                                editor.parity->currentText(), editor.stop_bits->currentText());
            } else if (const QTableWidgetItem *item = table->item(row, 2)) {
                value = item->text();
            }
            const bool read_only = !params::writable(catalogue.access.at(row));
            values.rows.append({catalogue.names.at(row), report::or_nothing_read(value),
                                read_only ? QStringLiteral("только чтение") : QString()});
        }
        document.sections.append(values);
    }

    report::Section devices;
    devices.title = ui->tabWidget->tabText(2) + QStringLiteral(": ") + ui->label_13->text() + QLatin1Char(' ')
                    + ui->comboBox->currentText();
    for (int column = 0; column < ui->tableWidget_2->columnCount(); ++column) {
        const QTableWidgetItem *header = ui->tableWidget_2->horizontalHeaderItem(column);
        devices.header << (header ? header->text() : QString());
    }
    devices.rows = occupied_device_rows();
    devices.empty_text = QStringLiteral("Приборов нет");
    document.sections.append(devices);

    report::Section comparison;
    comparison.title = QStringLiteral("Сравнение с файлом настроек");
    if (!last_comparison.made.isValid()) {
        comparison.empty_text = QStringLiteral("Сравнение не выполнялось");
    } else {
        comparison.lines << QStringLiteral("Файл: ") + last_comparison.file_name
                         << QStringLiteral("Сравнено: ")
                                + last_comparison.made.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))
                         << QStringLiteral("Итог: ") + params::comparison_text(last_comparison);
        comparison.header =
            QStringList{QStringLiteral("Параметр"), QStringLiteral("В файле"), QStringLiteral("В контроллере")};
        for (const params::Difference &difference : last_comparison.differences) {
            // A row not flagged for writing says why.
            comparison.rows.append({difference.name, report::or_nothing_read(difference.file_value),
                                    difference.to_write() ? report::or_nothing_read(difference.controller_value)
                                                          : params::difference_tip(difference)});
        }
        comparison.empty_text = params::differences_text(0);
    }
    document.sections.append(comparison);
    return document;
}
