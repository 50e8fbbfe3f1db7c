// The "files" tab: upload, download, transmission to the server and the
// firmware update, the load timer that measures a transfer, and the bar
// beside the status line that shows how far a transfer has got. Their
// replies are taken in engine/replies_files.cpp.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/safe_files.h"
#include "engine/requests.h"
#include "files/transfer_rules.h"
#include "link/io_port.h"
#include "link/log.h"
#include "link/tcpserver.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

namespace {

constexpr int load_tick_ms = 1000;

// Opened for reading only: a file the user may not change uploads all the
// same. False for no file, an unreadable one and one beyond the largest.
bool read_upload_source(const QString &path, QByteArray *content)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    if (!file.isSequential() && file.size() > transfer::max_file_bytes)
        return false;
    // A device without a size tells its end by what it gives: one byte more
    // than the limit is too much.
    *content = file.isSequential() ? file.read(qint64(transfer::max_file_bytes) + 1) : file.readAll();
    return file.error() == QFileDevice::NoError && content->size() <= transfer::max_file_bytes;
}

} // namespace

void MainWindow::setup_file_transfer()
{
    load_timer = new QTimer(this);
    connect(load_timer, &QTimer::timeout, this, &MainWindow::handler_timer_load);

    // Beside the status line, in a cell of its own, shown only while a
    // transfer runs.
    transfer_progress = new QWidget(this);
    transfer_progress->setObjectName(QStringLiteral("transfer_progress"));
    auto *layout = new QHBoxLayout(transfer_progress);
    layout->setContentsMargins(0, 0, 0, 0);
    transfer_bar = new QProgressBar(transfer_progress);
    transfer_bar->setObjectName(QStringLiteral("transfer_bar"));
    transfer_count = new QLabel(transfer_progress);
    transfer_count->setObjectName(QStringLiteral("transfer_count"));
    layout->addWidget(transfer_bar);
    layout->addWidget(transfer_count);
    ui->gridLayout->addWidget(transfer_progress, 0, 3);
    transfer_progress->hide();
}

void MainWindow::handler_timer_load()
{
    if (auto *transfer = std::get_if<engine::Transfer>(&pending.progress))
        ++transfer->seconds;
}

void MainWindow::on_load_in_btn_clicked()
{
    if (!request_may_start(GuardText::Latin))
        return;
    const QString path = QFileDialog::getOpenFileName(nullptr, QString(), QString(), QString());
    QByteArray content;
    if (!read_upload_source(path, &content)) {
        show_status(QStringLiteral("Не удалось открыть файл"));
        return;
    }
    // The link may have gone, or another operation begun, while the dialog
    // was up.
    if (request_may_start(GuardText::Latin))
        start_upload(transfer::upload_name(path), content);
}

void MainWindow::start_upload(const QString &name, const QByteArray &content)
{
    engine::Transfer upload;
    upload.phase = engine::Transfer::Phase::UploadHeader;
    upload.content = content;
    upload.size = content.size();
    begin_operation(Operation::wait_load_in, upload);
    send_request(requests::upload_header(name, content.size()));
    load_timer->start(load_tick_ms);
    show_upload_progress();
}

void MainWindow::on_load_out_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_download(ui->lineEdit_7->text());
}

void MainWindow::start_download(const QString &name)
{
    engine::Transfer download;
    download.name = name;
    begin_operation(Operation::wait_load_out, download);
    send_request(requests::download(name));
    load_timer->start(load_tick_ms);
    show_download_progress();
}

void MainWindow::on_transmit_server_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_command(Operation::wait_transmit, requests::transmit());
}

void MainWindow::on_update_btn_clicked()
{
    if (request_may_start(GuardText::Latin))
        start_command(Operation::wait_update, requests::update());
}

void MainWindow::send_upload_content()
{
    if (!guard_link(GuardText::Latin))
        return;
    engine::Transfer &upload = progress<engine::Transfer>();
    const QByteArray content = upload.content;
    upload.content.clear();
    upload.phase = engine::Transfer::Phase::UploadContent;
    upload.progress_second = upload.seconds;
    rx_buffer.clear();
    pending.reply_ticks = 0;
    write_to_link(content);
    // Over the slow line the content is logged as hex only.
    if (pending.link == Link::serial)
        log_window->add_traffic(1, content);
    else
        log_sent(content);
    exchange_timer->start(exchange_interval());
}

void MainWindow::end_upload(ReplyState state)
{
    end_operation(state == ReplyState::Complete ? Ending::Answered : Ending::Unanswered);
    load_timer->stop();
    hide_transfer_progress();
}

void MainWindow::save_download(const QByteArray &content, const QString &controller_name)
{
    const QString chosen =
        run_block_dialog([] { return QFileDialog::getSaveFileName(nullptr, QString(), QString(), QString()); });
    const QString path = transfer::download_save_path(chosen, controller_name);
    if (path.isEmpty())
        return; // cancelled: nothing is written
    // A file of tens of megabytes is written while the window goes on
    // answering; the operation waits for it as for its dialog.
    if (run_block_dialog([&] { return safe_files::write_whole_while_turning(path, content); }))
        show_status(QStringLiteral("Файл записан"));
    else
        show_status(QStringLiteral("не удалось записать файл"));
}

void MainWindow::end_download(ReplyState state)
{
    end_operation(state == ReplyState::Complete ? Ending::Answered : Ending::Unanswered);
    load_timer->stop();
    hide_transfer_progress();
}

void MainWindow::show_upload_progress()
{
    const engine::Transfer &upload = progress<engine::Transfer>();
    transfer_bar->setRange(0, int(qMax<qint64>(upload.size, 1)));
    transfer_bar->setValue(int(upload.written));
    transfer_count->setText(QStringLiteral("%1 из %2 байт").arg(upload.written).arg(upload.size));
    transfer_progress->show();
}

void MainWindow::show_download_progress()
{
    // The size is not known before the closing result arrives.
    transfer_bar->setRange(0, 0);
    transfer_count->setText(QStringLiteral("%1 байт").arg(rx_buffer.size()));
    transfer_progress->show();
}

void MainWindow::hide_transfer_progress()
{
    transfer_progress->hide();
}
