// Replies to the parameter requests: the values of a read, page by page,
// the results of a write, batch by batch, and the controller's whole
// parameter set saved to a settings file or compared with one. A read or
// write with more to do clicks its button again, so that the request slot
// sends the next step.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/safe_files.h"
#include "engine/exchange.h"
#include "params/settings_file.h"

#include <QDateTime>

namespace {

QString result_of(const QJsonObject &reply)
{
    return reply.value(QStringLiteral("result")).toString();
}

bool is_error_result(const QString &result)
{
    return !exchange::error_text(result).isEmpty();
}

} // namespace

void MainWindow::continue_with(QAbstractButton *button)
{
    step_due = true;
    emit button->clicked(false);
    step_due = false;
}

bool MainWindow::serve_read_param()
{
    switch (await_reply({exchange::standard_budget_ms})) {
    case ReplyState::Waiting:
        return false;
    case ReplyState::NoAnswer:
    case ReplyState::Incomplete:
        end_exchange({&MainWindow::wait_read_param}, ParamProgress);
        shade_read_only();
        return true;
    case ReplyState::Complete:
        break;
    }
    // Values are taken from a whole object only: the rows of a reply that
    // is not one would all read as empty.
    const bool whole = exchange::whole_object(rx_buffer);
    const QJsonObject reply = exchange::reply_object(rx_buffer);
    rx_buffer.clear();
    const QString result = result_of(reply);
    if (!whole || is_error_result(result)) {
        if (whole)
            show_error_result(result);
        else
            ui->label->setText(exchange::not_enough_data_text());
        end_exchange({&MainWindow::wait_read_param}, ParamProgress);
        // The read emptied the page's cells; the read-only ones grey again.
        shade_read_only();
        return true;
    }
    apply_read_reply(reply);
    shade_read_only();
    if (read_queue.isEmpty()) {
        end_exchange({&MainWindow::wait_read_param}, ParamProgress);
        return true;
    }
    // The next page: its waiting counts against the same budget.
    continue_with(ui->read_param_btn);
    return true;
}

void MainWindow::apply_read_reply(const QJsonObject &reply)
{
    // Values are matched by key; the rows are those of the page the read
    // began on, and a key the reply lacks reads as an empty value.
    const int page = param_page_in_use;
    const ParamPage &catalogue = param_page(page);
    for (int taken = 0; taken < param_cursor && !read_queue.isEmpty(); ++taken) {
        const int row = read_queue.takeFirst();
        if (row < catalogue.size())
            set_param_value(page, row, reply.value(catalogue.keys.at(row)));
    }
    param_cursor = 0;
}

bool MainWindow::serve_write_param()
{
    switch (await_reply({exchange::standard_budget_ms})) {
    case ReplyState::Waiting:
        return false;
    case ReplyState::NoAnswer:
    case ReplyState::Incomplete:
        end_exchange({&MainWindow::wait_write_param}, ParamProgress);
        return true;
    case ReplyState::Complete:
        break;
    }
    const QString result = result_of(exchange::reply_object(rx_buffer));
    rx_buffer.clear();
    // Only "ok" lets the write go on, and only the last one stays shown.
    if (!show_result(result, QStringLiteral("Запись произведена"), exchange::write_unconfirmed_text())) {
        end_exchange({&MainWindow::wait_write_param}, ParamProgress);
        return true;
    }
    unmark_written_rows();
    if (param_cursor < param_page(param_page_in_use).size()) {
        // The next batch: its waiting counts against the same budget.
        continue_with(ui->write_param_btn);
        return true;
    }
    end_exchange({&MainWindow::wait_write_param}, ParamProgress);
    return true;
}

bool MainWindow::serve_write_settings()
{
    const ReplyState state = await_reply({exchange::standard_budget_ms});
    if (state == ReplyState::Waiting)
        return false;
    if (state == ReplyState::Complete) {
        const QString result = result_of(exchange::reply_object(rx_buffer));
        if (!exchange::whole_object(rx_buffer)) {
            // Saved, it would load as nothing: no settings file at all.
            ui->label->setText(QStringLiteral("Настройки не записаны"));
        } else if (is_error_result(result)) {
            show_error_result(result);
        } else {
            // The reply's bytes as received, whole or not at all.
            const QString name = params::settings_file_name(ui->lineEdit_3->text(), QDateTime::currentDateTime());
            ui->label->setText(safe_files::write_whole(name, rx_buffer) ? QStringLiteral("Настройки записаны")
                                                                        : QStringLiteral("Настройки не записаны"));
        }
    }
    end_exchange({&MainWindow::wait_write_settings});
    return true;
}

bool MainWindow::serve_compare_settings()
{
    const ReplyState state = await_reply({exchange::standard_budget_ms});
    if (state == ReplyState::Waiting)
        return false;
    if (state == ReplyState::Complete) {
        // Nothing is shown or marked from a reply that is not the whole set.
        const QJsonObject reply = exchange::reply_object(rx_buffer);
        const QString result = result_of(reply);
        if (!exchange::whole_object(rx_buffer))
            ui->label->setText(exchange::not_enough_data_text());
        else if (is_error_result(result))
            show_error_result(result);
        else
            apply_comparison(reply);
    }
    compare_file_values = QJsonObject();
    end_exchange({&MainWindow::wait_compare_settings});
    return true;
}
