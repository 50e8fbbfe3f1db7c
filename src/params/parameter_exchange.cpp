// Reading and writing the checked rows of the visible parameter page. A
// long selection goes out in several requests: the reply handling asks for
// the next one by clicking the button again. The operation keeps to the
// page it began on, and a write sends the values as they were when it
// began, whatever is shown or edited while it runs.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "params/parameter_batches.h"

#include <QJsonValue>
#include <QTableWidget>

void MainWindow::on_read_param_btn_clicked()
{
    if (!request_may_start(GuardText::Latin))
        return;
    const bool step = step_due;
    if (!step) {
        const int page = current_param_page();
        const ParamPage &catalogue = param_page(page);
        param_page_in_use = page;
        // Raised before the cells are emptied, so that emptying them
        // unchecks the rows that may not be read.
        wait_read_param = true;
        clear_page_values(page);
        clear_difference_marks(page);
        const params::Selection selection =
            params::select_rows(params::Use::Read, catalogue.access, param_checks(page));
        if (selection.refused) {
            // Nothing was sent: the operation never began.
            ui->label->setText(QStringLiteral("Выбран параметр только для записи"));
            end_exchange({&MainWindow::wait_read_param}, ParamProgress);
            shade_read_only();
            return;
        }
        read_queue = selection.rows;
    }
    const params::ReadStep next = params::next_read_request(param_page(param_page_in_use).keys, read_queue);
    param_cursor = next.row_count;
    send_request(
        {next.request, &MainWindow::wait_read_param, GuardText::Latin, step ? Admission::Step : Admission::Checked});
}

void MainWindow::on_write_param_btn_clicked()
{
    if (!request_may_start(GuardText::Latin))
        return;
    const bool step = step_due;
    if (!step) {
        const int page = current_param_page();
        const ParamPage &catalogue = param_page(page);
        const params::Selection selection =
            params::select_rows(params::Use::Write, catalogue.access, param_checks(page));
        if (selection.refused) {
            ui->label->setText(QStringLiteral("Параметр только для чтения"));
            return;
        }
        param_page_in_use = page;
        param_write_rows.clear();
        for (const int row : selection.rows)
            param_write_rows.append({row, catalogue.keys.at(row), param_write_value(page, row)});
        param_cursor = 0;
    }
    QVector<params::WriteRow> rows;
    for (const params::WriteRow &row : qAsConst(param_write_rows)) {
        if (row.row >= param_cursor)
            rows.append(row);
    }
    const params::WriteStep next = params::next_write_request(rows, param_page(param_page_in_use).size());
    param_cursor = next.next_row;
    send_request(
        {next.request, &MainWindow::wait_write_param, GuardText::Latin, step ? Admission::Step : Admission::Checked});
}
