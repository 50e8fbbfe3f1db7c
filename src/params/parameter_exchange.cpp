// Reading and writing the checked rows of the visible parameter page. A
// long selection goes out in several requests: the reply handling asks for
// the next one by clicking the button again, and the slot tells a step of
// a running operation from a new one by the operation's own progress. A
// click of the user's while the operation waits for a reply is ignored: it
// would send the next step before the reply to the last one had come.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "params/parameter_batches.h"

#include <QJsonValue>
#include <QTableWidget>

#include <algorithm>

void MainWindow::on_read_param_btn_clicked()
{
    if (!guard_link(GuardText::Latin))
        return;
    if (wait_read_param && !param_step_due)
        return;
    const bool continuation = !read_queue.isEmpty();
    const int page = current_param_page();
    const ParamPage &catalogue = param_page(page);
    if (!continuation && catalogue.size() > 0) {
        // Raised before the cells are emptied, so that emptying them
        // unchecks the rows that may not be read.
        wait_read_param = true;
        clear_page_values(page);
        QVector<bool> checked;
        for (int row = 0; row < catalogue.size(); ++row)
            checked.append(param_row_checked(page, row));
        const params::ReadSelection selection = params::select_read_rows(catalogue.access, checked);
        if (selection.refused) {
            ui->label->setText(QStringLiteral("Выбран параметр только для записи"));
            wait_read_param = false;
            shade_read_only();
            return;
        }
        read_queue = selection.rows;
    }
    const params::ReadStep step = params::next_read_request(catalogue.keys, read_queue);
    param_cursor = step.row_count;
    send_request({step.request, &MainWindow::wait_read_param, GuardText::Latin, Preparation::ClearBufferAndLabel,
                  continuation});
}

void MainWindow::on_write_param_btn_clicked()
{
    if (!guard_link(GuardText::Latin))
        return;
    if (wait_write_param && !param_step_due)
        return;
    const bool continuation = wait_write_param && param_cursor > 0;
    const int page = current_param_page();
    const ParamPage &catalogue = param_page(page);

    QVector<params::WriteRow> rows;
    for (int row = continuation ? param_cursor : 0; row < catalogue.size(); ++row) {
        if (param_row_checked(page, row))
            rows.append({row, catalogue.keys.at(row), params::writable(catalogue.access.at(row)), QJsonValue()});
    }
    // A new write is refused before anything goes out, not after the
    // batches ahead of a read-only row have been written.
    const bool read_only_checked =
        std::any_of(rows.begin(), rows.end(), [](const params::WriteRow &row) { return !row.writable; });
    params::WriteStep step;
    if (!continuation && read_only_checked) {
        step.refused = true;
    } else {
        for (params::WriteRow &row : rows)
            row.value = param_write_value(page, row.row);
        step = params::next_write_request(rows, catalogue.size());
    }
    if (step.refused) {
        ui->label->setText(QStringLiteral("Параметр только для чтения"));
        if (continuation)
            end_exchange({&MainWindow::wait_write_param}, ParamProgress);
        return;
    }
    param_cursor = step.next_row;
    send_request({step.request, &MainWindow::wait_write_param, GuardText::Latin, Preparation::ClearBufferOnly,
                  continuation});
}
