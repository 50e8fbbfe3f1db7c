// Reading and writing the checked rows of a parameter page. A long
// selection goes out in several requests: the reply handling sends the
// next one. The operation keeps to the page it began on, and a write sends
// the values as they were when it began, whatever is shown or edited while
// it runs.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/requests.h"
#include "params/parameter_batches.h"

#include <QJsonValue>
#include <QTableWidget>

void MainWindow::on_read_param_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_param_read(current_param_page());
}

void MainWindow::on_write_param_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_param_write(current_param_page());
}

bool MainWindow::start_param_read(int page)
{
    const ParamPage &catalogue = param_page(page);
    // Begun before the cells are emptied, so that emptying them unchecks
    // the rows that may not be read.
    begin_operation(Operation::wait_read_param, engine::ParamRead{page, {}, 0});
    clear_page_values(page);
    clear_difference_marks(page);
    const params::Selection selection = params::select_rows(params::Use::Read, catalogue.access, param_checks(page));
    if (selection.refused) {
        // Nothing was sent: the operation never began.
        end_operation();
        shade_read_only();
        show_status(QStringLiteral("Выбран параметр только для записи"));
        return false;
    }
    progress<engine::ParamRead>().queue = selection.rows;
    send_request(next_param_read_request());
    return true;
}

void MainWindow::send_param_read_step()
{
    send_step(next_param_read_request());
}

QByteArray MainWindow::next_param_read_request()
{
    engine::ParamRead &read = progress<engine::ParamRead>();
    const params::ReadStep next = params::next_read_request(param_page(read.page).keys, read.queue);
    read.asked = next.row_count;
    return next.request;
}

bool MainWindow::write_rows_of(int page, QVector<params::WriteRow> *rows) const
{
    const ParamPage &catalogue = param_page(page);
    const params::Selection selection = params::select_rows(params::Use::Write, catalogue.access, param_checks(page));
    for (const int row : selection.rows)
        rows->append({row, catalogue.keys.at(row), param_write_value(page, row)});
    return !selection.refused;
}

bool MainWindow::start_param_write(int page)
{
    engine::ParamWrite write;
    write.page = page;
    if (!write_rows_of(page, &write.rows)) {
        show_status(QStringLiteral("Параметр только для чтения"));
        return false;
    }
    begin_operation(Operation::wait_write_param, write);
    send_request(next_param_write_request());
    return true;
}

void MainWindow::on_write_differences_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_differences_write();
}

bool MainWindow::start_differences_write()
{
    if (last_template.file_values.isEmpty()) {
        show_status(QStringLiteral("Нет сравнения с файлом"));
        return false;
    }
    engine::ParamWrite write;
    write.compare_after = true;
    for (int page = 0; page < params::page_count; ++page) {
        QVector<params::WriteRow> rows;
        if (!write_rows_of(page, &rows)) {
            show_status(QStringLiteral("Параметр только для чтения"));
            return false;
        }
        if (!rows.isEmpty())
            write.further_pages.append({page, rows});
    }
    if (!write.take_next_page()) {
        show_status(QStringLiteral("Нет отличий для записи"));
        return false;
    }
    begin_operation(Operation::wait_write_param, write);
    send_request(next_param_write_request());
    return true;
}

void MainWindow::send_param_write_step()
{
    send_step(next_param_write_request());
}

QByteArray MainWindow::next_param_write_request()
{
    engine::ParamWrite &write = progress<engine::ParamWrite>();
    QVector<params::WriteRow> rows;
    for (const params::WriteRow &row : qAsConst(write.rows)) {
        if (row.row >= write.next_row)
            rows.append(row);
    }
    const params::WriteStep next = params::next_write_request(rows, param_page(write.page).size());
    write.sent_from = write.next_row;
    write.next_row = next.next_row;
    return next.request;
}

int MainWindow::param_page_in_use() const
{
    if (const auto *read = progress_if<engine::ParamRead>())
        return read->page;
    if (const auto *write = progress_if<engine::ParamWrite>())
        return write->page;
    return -1;
}

void MainWindow::start_settings_comparison(const QJsonObject &file_values, const QString &file_name,
                                           const QByteArray &file_sha256)
{
    begin_operation(Operation::wait_compare_settings,
                    engine::Comparison{file_values, file_name, file_sha256, controller_record.serial});
    send_request(requests::settings_dump());
}
