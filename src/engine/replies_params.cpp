// Replies to the parameter requests: the values of a read, page by page,
// the results of a write, batch by batch, and the controller's whole
// parameter set saved to a settings file or compared with one. A read or
// write with more to do clicks its button again, so that the request slot
// sends the next step.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/safe_files.h"
#include "engine/exchange.h"
#include "params/settings_file_rules.h"

#include <QDateTime>

void MainWindow::continue_with(QAbstractButton *button)
{
    step_due = true;
    emit button->clicked(false);
    step_due = false;
}

void MainWindow::take_read_param(const ExchangeBlock &)
{
    // Values are taken from a whole object only: the rows of a reply that
    // is not one would all read as empty.
    const bool whole = exchange::whole_object(rx_buffer);
    const QJsonObject reply = exchange::reply_object(rx_buffer);
    const QString error = exchange::error_text(exchange::reply_result(rx_buffer));
    rx_buffer.clear();
    if (!whole || !error.isEmpty()) {
        ui->label->setText(whole ? error : exchange::not_enough_data_text());
        end_read_param();
        return;
    }
    apply_read_reply(reply);
    if (read_queue.isEmpty()) {
        end_read_param();
        return;
    }
    shade_read_only();
    // The next page: its waiting counts against the same budget.
    continue_with(ui->read_param_btn);
}

void MainWindow::end_read_param(ReplyState)
{
    end_exchange({&MainWindow::wait_read_param}, ParamProgress);
    // The read emptied the page's cells; the read-only ones grey again.
    shade_read_only();
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

void MainWindow::take_write_param(const ExchangeBlock &)
{
    const QString result = exchange::reply_result(rx_buffer);
    rx_buffer.clear();
    // Only "ok" lets the write go on, and only the last one stays shown.
    const bool confirmed =
        show_result(result, QStringLiteral("Запись произведена"), exchange::write_unconfirmed_text());
    if (confirmed)
        unmark_written_rows();
    if (confirmed && param_cursor < param_page(param_page_in_use).size()) {
        // The next batch: its waiting counts against the same budget.
        continue_with(ui->write_param_btn);
        return;
    }
    end_write_param();
}

void MainWindow::end_write_param(ReplyState)
{
    end_exchange({&MainWindow::wait_write_param}, ParamProgress);
}

void MainWindow::take_settings_dump(const ExchangeBlock &block)
{
    const QString error = exchange::error_text(exchange::reply_result(rx_buffer));
    if (!exchange::whole_object(rx_buffer)) {
        // Saved, it would load as nothing: no settings file at all.
        ui->label->setText(QStringLiteral("Настройки не записаны"));
    } else if (!error.isEmpty()) {
        ui->label->setText(error);
    } else {
        // The reply's bytes as received, whole or not at all.
        const QString name = params::settings_file_name(ui->lineEdit_3->text(), QDateTime::currentDateTime());
        ui->label->setText(safe_files::write_whole(name, rx_buffer) ? QStringLiteral("Настройки записаны")
                                                                    : QStringLiteral("Настройки не записаны"));
    }
    end_exchange(block.flags());
}

void MainWindow::take_settings_comparison(const ExchangeBlock &)
{
    // Nothing is shown or marked from a reply that is not the whole set.
    const QString error = exchange::error_text(exchange::reply_result(rx_buffer));
    if (!exchange::whole_object(rx_buffer))
        ui->label->setText(exchange::not_enough_data_text());
    else if (!error.isEmpty())
        ui->label->setText(error);
    else
        apply_comparison(exchange::reply_object(rx_buffer));
    end_settings_comparison();
}

void MainWindow::end_settings_comparison(ReplyState)
{
    compare_file_values = QJsonObject();
    end_exchange({&MainWindow::wait_compare_settings});
}
