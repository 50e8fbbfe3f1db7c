// Whole parameter sets in files: the controller's set saved from a get-all
// request, and a saved file or the factory settings loaded into the pages.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/requests.h"
#include "params/settings_file_rules.h"

#include <QFileDialog>
#include <QJsonDocument>
#include <QTableWidget>

void MainWindow::on_write_settings_btn_clicked()
{
    send_request({requests::settings_dump(), &MainWindow::wait_write_settings});
}

void MainWindow::on_industrial_btn_clicked()
{
    wait_industrial = true;
    emit ui->read_settings_btn->clicked(false);
}

void MainWindow::on_read_settings_btn_clicked()
{
    QString path;
    if (wait_industrial) {
        wait_industrial = false;
        path = params::factory_file_name();
    } else {
        path = QFileDialog::getOpenFileName();
    }
    ui->label->clear();
    load_settings_file(path);
}

void MainWindow::load_settings_file(const QString &path)
{
    QString text;
    if (!params::read_settings_text(path, &text)) {
        ui->label->setText(QStringLiteral("Параметры не считаны"));
        return;
    }
    // A file that is not a JSON object reads as an empty one: the rows whose
    // key occurs in the text get empty values, the others stay.
    const QJsonObject values = QJsonDocument::fromJson(text.toUtf8()).object();
    clear_difference_marks();
    for (int page = 0; page < params::page_count; ++page) {
        const ParamPage &catalogue = param_pages[page];
        const int rows = qMin(catalogue.size(), param_tables[page]->rowCount());
        for (int row = 0; row < rows; ++row) {
            const QString &key = catalogue.keys.at(row);
            if (text.contains(key))
                set_param_value(page, row, values.value(key));
        }
    }
    shade_read_only();
}
