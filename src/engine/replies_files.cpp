// Replies to the file and service commands: the upload in two steps, the
// download with its save, the transmission to the server and the firmware
// update, which drops the link once the controller has taken it.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "engine/exchange.h"
#include "files/transfer_rules.h"
#include "link/io_port.h"
#include "link/log.h"

#include <QTimer>

void MainWindow::take_update_reply(const exchange::Reply &reply)
{
    const Link link = pending.link;
    if (take_result(reply))
        drop_link_after_update(link);
}

void MainWindow::drop_link_after_update(Link link)
{
    // The controller restarts into its updater.
    if (link == Link::serial)
        close_serial_link(SerialButton::Off);
    if (link == Link::ethernet) {
        close_eth_link();
        show_status(QStringLiteral("Связь по Eth отключена"));
    }
}

void MainWindow::take_upload_reply(const exchange::Reply &reply)
{
    const bool ok = reply.result == QLatin1String("ok");
    // Errors count anywhere in the reply.
    const QString error = transfer::error_in_reply(reply.bytes);
    const engine::Transfer &upload = progress<engine::Transfer>();
    if (!error.isEmpty()) {
        show_error_result(error);
    } else if (!ok) {
        // Neither step goes on, nor may the load time stay shown as if the
        // upload still ran.
        show_status(QStringLiteral("Запись файла не подтверждена"));
    } else if (upload.phase == engine::Transfer::Phase::UploadHeader && upload.size > 0) {
        show_status(QString());
        send_upload_content(); // the header was taken; now the content
        return;
    } else {
        // The content confirmed, or an empty file, which its header holds whole.
        show_status(QStringLiteral("Файл записан"));
    }
    end_upload();
}

void MainWindow::take_download(const exchange::Reply &reply)
{
    load_timer->stop();
    // The reply is the file followed by its result, not a JSON object. Only
    // a file the controller confirmed is saved.
    const QString result = transfer::download_result(reply.bytes);
    const QString name = progress<engine::Transfer>().name;
    // Ended before the dialog: nothing else is waited for meanwhile.
    end_download();
    if (result == QLatin1String("ok")) {
        show_status(QStringLiteral("Файл скачен"));
        save_download(transfer::download_content(reply.bytes), name);
    } else if (!exchange::error_text(result).isEmpty()) {
        show_error_result(result);
    } else {
        show_status(QStringLiteral("Скачивание не подтверждено"));
    }
}
