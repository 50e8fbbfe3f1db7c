// Whole parameter sets in files: the controller's set saved from a get-all
// request, and a saved file or the factory settings loaded into the pages.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/requests.h"
#include "params/settings_file_rules.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTableWidget>

void MainWindow::on_write_settings_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_settings_dump();
}

void MainWindow::start_settings_dump()
{
    start_command(Operation::wait_write_settings, requests::settings_dump());
}

void MainWindow::on_industrial_btn_clicked()
{
    // The pages a read or write fills are not loaded under it.
    if (may_change_while({Operation::wait_read_param, Operation::wait_write_param}))
        load_settings_file(params::factory_file_name());
}

void MainWindow::on_read_settings_btn_clicked()
{
    if (!may_change_while({Operation::wait_read_param, Operation::wait_write_param}))
        return;
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Загрузить файл настроек"), QString(),
                                                      params::settings_file_filter());
    // The dialog's event loop may have let a read or write begin.
    if (may_change_while({Operation::wait_read_param, Operation::wait_write_param}))
        load_settings_file(path);
}

void MainWindow::load_settings_file(const QString &path)
{
    show_status(QString());
    QString text;
    if (!params::read_settings_text(path, &text)) {
        show_status(QStringLiteral("Параметры не считаны"));
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
            if (text.contains(key)) {
                set_param_value(page, row, values.value(key));
                note_unwritten(page, row, QStringLiteral("файл ") + QFileInfo(path).fileName());
            }
        }
    }
    shade_read_only();
    refresh_comparison_view();
}
