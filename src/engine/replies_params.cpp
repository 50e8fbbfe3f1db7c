// Replies to the parameter requests: the values of a read, page by page,
// the results of a write, batch by batch, and the controller's whole
// parameter set saved to a settings file. A read or write with more to do
// clicks its button again, so that the request slot sends the next step.

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
    param_step_due = true;
    emit button->clicked(false);
    param_step_due = false;
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
    const QJsonObject reply = exchange::reply_object(rx_buffer);
    rx_buffer.clear();
    const QString result = result_of(reply);
    if (is_error_result(result)) {
        show_error_result(result);
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
    // Values are matched by key; the rows are those of the page visible
    // now, and a key the reply lacks reads as an empty value.
    const int page = current_param_page();
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
    if (result != QLatin1String("ok")) {
        show_error_result(result);
        end_exchange({&MainWindow::wait_write_param}, ParamProgress);
        return true;
    }
    ui->label->setText(QStringLiteral("Запись произведена"));
    if (param_cursor < param_page(current_param_page()).size()) {
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
        if (is_error_result(result)) {
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
