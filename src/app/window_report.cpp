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
    // What an operation under way would change is not reported half done.
    if (!operation_may_start())
        return;
    const QString suggested = report::file_name(controller_record.serial, QDate::currentDate());
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Отчёт"), suggested, QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty())
        write_report(path);
}

bool MainWindow::write_report(const QString &path)
{
    // Made in memory first, so that the file is written whole or not at all.
    const QByteArray pdf = report::render_pdf(report_document());
    const bool written = !pdf.isEmpty() && safe_files::write_whole(path, pdf);
    show_status(written ? QStringLiteral("Отчёт записан") : QStringLiteral("Отчёт не записан"));
    return written;
}

report::Document MainWindow::report_document() const
{
    const report::ControllerRecord &record = controller_record;
    report::Document document;
    document.title = QStringLiteral("Отчёт о настройке УСПД");
    document.made = QDateTime::currentDateTime();

    report::Section identity;
    identity.title = ui->label_12->text();
    if (record.identified()) {
        identity.rows = {field_row(ui->label_4, ui->lineEdit_3), field_row(ui->label_5, ui->lineEdit_4),
                         field_row(ui->label_11, ui->lineEdit_5)};
        identity.lines << QStringLiteral("Опознан: ")
                              + record.identified_at.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))
                       << QStringLiteral("Связь: ") + record.link;
    } else {
        identity.lines << QStringLiteral("Контроллер не опознан: значений контроллера в отчёте нет");
    }
    identity.lines << QStringLiteral("Программа: ") + windowTitle();
    document.sections.append(identity);

    if (record.identified()) {
        report::Section ethernet;
        ethernet.title = ui->groupBox_3->title();
        ethernet.rows = {field_row(ui->label_29, ui->lineEdit_12), field_row(ui->label_31, ui->lineEdit_13),
                         field_row(ui->label_30, ui->lineEdit_14), field_row(ui->label_32, ui->lineEdit_15)};
        document.sections.append(ethernet);
    }

    // The interfaces only as the controller reported or confirmed them.
    report::Section channels;
    channels.title = ui->groupBox_2->title();
    const QLabel *const channel_labels[] = {ui->label_21, ui->label_22, ui->label_23, ui->label_14,
                                            ui->label_24, ui->label_25, ui->label_26, ui->label_27};
    if (!record.channel_types.isEmpty())
        channels.lines << report::how_text(record.channels_how, record.channels_at);
    for (int channel = 0; channel < 8; ++channel)
        channels.rows.append(
            {channel_labels[channel]->text(), report::or_nothing_read(record.channel_types.value(channel))});
    document.sections.append(channels);

    // Each parameter as this controller reported or confirmed it.
    for (int page = 0; page < params::page_count; ++page) {
        const ParamPage &catalogue = param_pages[page];
        report::Section values;
        values.title = ui->tabWidget->tabText(1) + QStringLiteral(": ") + page_title(page);
        values.header =
            QStringList{QStringLiteral("Параметр"), QStringLiteral("Значение"), QStringLiteral("Примечание")};
        values.empty_text = QStringLiteral("Параметров нет");
        for (int row = 0; row < catalogue.size(); ++row) {
            const auto known = record.parameters.constFind(catalogue.keys.at(row));
            QStringList notes;
            if (known != record.parameters.constEnd())
                notes << report::how_text(known->how, known->at);
            if (!params::writable(catalogue.access.at(row)))
                notes << QStringLiteral("только чтение");
            const QString value = known == record.parameters.constEnd()
                                      ? QString()
                                      : params::shown_value(catalogue.types.at(row), known->value);
            values.rows.append(
                {catalogue.names.at(row), report::or_nothing_read(value), notes.join(QStringLiteral("; "))});
        }
        document.sections.append(values);
    }

    // What the pages show that the controller has not confirmed.
    report::Section unwritten;
    unwritten.title = QStringLiteral("Не записано в контроллер");
    unwritten.header = QStringList{QStringLiteral("Параметр"), QStringLiteral("Значение"), QStringLiteral("Откуда")};
    unwritten.empty_text = QStringLiteral("Нет");
    for (auto cell = unwritten_cells.constBegin(); cell != unwritten_cells.constEnd(); ++cell) {
        const int page = cell.key().first, row = cell.key().second;
        if (row >= param_page(page).size())
            continue;
        const QString &type = param_page(page).types.at(row);
        const QJsonValue value = param_write_value(page, row);
        const QString shown = value.isUndefined() ? QString() : params::shown_value(type, value);
        // A value the controller holds as well is no value left unwritten.
        const auto known = record.parameters.constFind(param_page(page).keys.at(row));
        if (known != record.parameters.constEnd() && params::shown_value(type, known->value) == shown)
            continue;
        unwritten.rows.append({page_title(page) + QStringLiteral(": ") + param_page(page).names.at(row),
                               report::or_nothing_read(shown), cell.value()});
    }
    document.sections.append(unwritten);

    // The device lists read or written since the identification.
    QStringList device_header;
    for (int column = 0; column < ui->tableWidget_2->columnCount(); ++column) {
        const QTableWidgetItem *header = ui->tableWidget_2->horizontalHeaderItem(column);
        device_header << (header ? header->text() : QString());
    }
    for (auto list = record.device_lists.constBegin(); list != record.device_lists.constEnd(); ++list) {
        report::Section devices;
        devices.title =
            ui->tabWidget->tabText(2) + QStringLiteral(": ") + ui->label_13->text() + QLatin1Char(' ') + list.key();
        devices.lines << report::how_text(list->how, list->at);
        devices.header = device_header;
        devices.rows = list->rows;
        devices.empty_text = QStringLiteral("Приборов нет");
        document.sections.append(devices);
    }

    // A comparison made with this controller since it was identified.
    if (record.identified() && last_template.serial == record.serial && last_comparison.made.isValid()
        && last_comparison.made >= record.identified_at) {
        report::Section comparison;
        comparison.title = QStringLiteral("Сравнение с файлом настроек");
        comparison.lines << QStringLiteral("Файл: ") + last_comparison.file_name
                         << QStringLiteral("SHA-256: ") + QString::fromLatin1(last_template.file_sha256.toHex())
                         << QStringLiteral("Сравнено: ")
                                + last_comparison.made.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))
                         << QStringLiteral("Итог: ") + params::comparison_text(last_comparison);
        comparison.header = QStringList{QStringLiteral("Параметр"), QStringLiteral("В файле"),
                                        QStringLiteral("В контроллере"), QStringLiteral("После сравнения")};
        for (const params::Difference &difference : last_comparison.differences) {
            const QString key = param_page(difference.page).keys.value(difference.row);
            const auto known = record.parameters.constFind(key);
            const bool written = known != record.parameters.constEnd() && known->how == report::How::Confirmed
                                 && known->at >= last_comparison.made;
            comparison.rows.append({difference.name, report::or_nothing_read(difference.file_value),
                                    // A row not flagged for writing says why.
                                    difference.to_write() ? report::or_nothing_read(difference.controller_value)
                                                          : params::difference_tip(difference),
                                    written ? QStringLiteral("записано и подтверждено") : QString()});
        }
        comparison.empty_text = params::differences_text(0);
        document.sections.append(comparison);
    }
    return document;
}
