// Replies to the parameter requests: the values of a read, page by page,
// the results of a write, batch by batch, and the controller's whole
// parameter set saved to a settings file or compared with one. A read or
// write with more to do sends its next step from here.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/safe_files.h"
#include "engine/exchange.h"
#include "params/settings_file_rules.h"

#include <QDateTime>

void MainWindow::take_read_param(const exchange::Reply &reply)
{
    // Values are taken from a whole object only: the rows of a reply that
    // is not one would all read as empty.
    if (!reply.whole || !reply.error.isEmpty()) {
        show_status(reply.whole ? reply.error : exchange::not_enough_data_text());
        end_read_param();
        return;
    }
    apply_read_reply(reply.object);
    if (progress<engine::ParamRead>().queue.isEmpty()) {
        end_read_param();
        return;
    }
    shade_read_only();
    // The next page: its waiting counts against the same budget.
    send_param_read_step();
}

void MainWindow::end_read_param(ReplyState state)
{
    end_operation(state == ReplyState::Complete ? Ending::Answered : Ending::Unanswered);
    // The read emptied the page's cells; the read-only ones grey again.
    shade_read_only();
    refresh_comparison_view();
}

void MainWindow::apply_read_reply(const QJsonObject &reply)
{
    // Values are matched by key; the rows are those of the page the read
    // began on, and a key the reply lacks reads as an empty value.
    engine::ParamRead &read = progress<engine::ParamRead>();
    const ParamPage &catalogue = param_page(read.page);
    for (int taken = 0; taken < read.asked && !read.queue.isEmpty(); ++taken) {
        const int row = read.queue.takeFirst();
        if (row >= catalogue.size())
            continue;
        const QString &key = catalogue.keys.at(row);
        set_param_value(read.page, row, reply.value(key));
        unwritten_cells.remove({read.page, row});
        if (reply.contains(key))
            controller_record.note(key, reply.value(key), report::How::Read);
    }
    read.asked = 0;
}

void MainWindow::take_write_param(const exchange::Reply &reply)
{
    // Only "ok" lets the write go on, and only the last one stays shown.
    const bool confirmed =
        show_result(reply.result, QStringLiteral("Запись произведена"), exchange::write_unconfirmed_text());
    engine::ParamWrite &write = progress<engine::ParamWrite>();
    if (confirmed) {
        unmark_written_rows();
        for (const params::WriteRow &row : qAsConst(write.rows)) {
            if (row.row < write.sent_from || row.row >= write.next_row || row.value.isUndefined())
                continue;
            controller_record.note(row.key, row.value, report::How::Confirmed);
            unwritten_cells.remove({write.page, row.row});
        }
    }
    // A write of the differences goes on with the next page's rows.
    if (confirmed && write.next_row >= param_page(write.page).size())
        write.take_next_page();
    if (confirmed && write.next_row < param_page(write.page).size()) {
        // The next batch: its waiting counts against the same budget.
        send_param_write_step();
        return;
    }
    const bool compare_again = confirmed && write.compare_after;
    end_operation();
    refresh_comparison_view();
    // What the controller holds now, against the same file.
    if (compare_again)
        start_settings_comparison(last_template.file_values, last_template.file_name, last_template.file_sha256);
}

void MainWindow::take_settings_dump(const exchange::Reply &reply)
{
    if (reply.whole && !reply.error.isEmpty()) {
        show_status(reply.error);
    } else if (!reply.whole || !params::holds_settings(param_pages, reply.object)) {
        // Saved, it would load as nothing: no settings file at all. A bare
        // status, or an object of another kind, is no settings set either.
        show_status(QStringLiteral("Настройки не записаны"));
    } else {
        // The reply's bytes as received, whole or not at all.
        note_reported_set(reply.object);
        const QString name = params::settings_file_name(ui->lineEdit_3->text(), QDateTime::currentDateTime());
        show_status(safe_files::write_whole(name, reply.bytes) ? QStringLiteral("Настройки записаны")
                                                               : QStringLiteral("Настройки не записаны"));
    }
    end_operation();
}

void MainWindow::take_settings_comparison(const exchange::Reply &reply)
{
    // Nothing is shown or marked from a reply that is not the whole set.
    if (!reply.whole)
        show_status(exchange::not_enough_data_text());
    else if (!reply.error.isEmpty())
        show_status(reply.error);
    else
        apply_comparison(reply.object);
    if (reply.whole && reply.error.isEmpty()) {
        note_reported_set(reply.object);
        last_template = progress<engine::Comparison>();
    }
    end_operation();
    refresh_comparison_view();
}

void MainWindow::note_reported_set(const QJsonObject &reply)
{
    for (const ParamPage &page : param_pages) {
        for (const QString &key : page.keys) {
            if (reply.contains(key))
                controller_record.note(key, reply.value(key), report::How::Read);
        }
    }
}
