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
    connect(serial_link.get(), &io_port::call_bytes_written, this, &MainWindow::handler_upload_written);

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
    ++load_seconds;
}

void MainWindow::on_load_in_btn_clicked()
{
    if (!request_may_start(GuardText::Latin))
        return;
    const QString path = QFileDialog::getOpenFileName(nullptr, QString(), QString(), QString());
    QByteArray content;
    if (!read_upload_source(path, &content)) {
        ui->label->setText(QStringLiteral("Не удалось открыть файл"));
        return;
    }
    // The link may have gone while the dialog was up.
    if (!send_request({requests::upload_header(transfer::upload_name(path), content.size()), &MainWindow::wait_load_in,
                       GuardText::Latin, Admission::Check}))
        return;
    upload_payload = content;
    upload_size = content.size();
    upload_written = 0;
    batch_index = 0;
    start_load_clock();
    show_upload_progress();
}

void MainWindow::on_load_out_btn_clicked()
{
    if (!send_request({requests::download(ui->lineEdit_7->text()), &MainWindow::wait_load_out}))
        return;
    download_size = 0;
    start_load_clock();
    show_download_progress();
}

void MainWindow::start_load_clock()
{
    load_seconds = 0;
    load_progress_second = 0;
    load_timer->start(load_tick_ms);
}

void MainWindow::on_transmit_server_btn_clicked()
{
    send_request({requests::transmit(), &MainWindow::wait_transmit});
}

void MainWindow::on_update_btn_clicked()
{
    send_request({requests::update(), &MainWindow::wait_update});
}

bool MainWindow::send_upload_content()
{
    rx_buffer.clear();
    if (ui->radioButton->isChecked()) {
        serial_link->write(upload_payload);
        // Over the slow line the content is logged as hex only.
        log_window->add_traffic(1, upload_payload);
    } else if (ui->radioButton_2->isChecked() && eth_link) {
        // Each connect makes a new link object.
        connect(eth_link.get(), &TcpServer::call_bytes_written, this, &MainWindow::handler_upload_written,
                Qt::UniqueConnection);
        eth_link->write(upload_payload);
        log_sent(upload_payload);
    } else {
        return false;
    }
    upload_payload.clear();
    batch_index = 1;
    load_progress_second = load_seconds;
    exchange_timer->start(exchange_interval());
    return true;
}

void MainWindow::handler_upload_written(qint64 bytes)
{
    // Only the content counts, not the header before it.
    if (!wait_load_in || batch_index != 1)
        return;
    upload_written = qMin<qint64>(upload_written + bytes, upload_size);
    load_progress_second = load_seconds;
    show_upload_progress();
}

void MainWindow::end_upload(ReplyState state)
{
    end_exchange({&MainWindow::wait_load_in}, BatchProgress);
    upload_payload.clear();
    load_timer->stop();
    if (state == ReplyState::NoAnswer)
        load_seconds = 0;
    hide_transfer_progress();
}

void MainWindow::save_download(const QByteArray &content)
{
    const QString chosen =
        run_block_dialog([] { return QFileDialog::getSaveFileName(nullptr, QString(), QString(), QString()); });
    const QString path = transfer::download_save_path(chosen, ui->lineEdit_7->text());
    if (path.isEmpty())
        return; // cancelled: nothing is written
    // A file of tens of megabytes is written while the window goes on
    // answering; the operation waits for it as for its dialog.
    if (run_block_dialog([&] { return safe_files::write_whole_while_turning(path, content); }))
        ui->label->setText(QStringLiteral("Файл записан"));
    else
        ui->label->setText(QStringLiteral("не удалось записать файл"));
}

void MainWindow::end_download(ReplyState)
{
    end_exchange({&MainWindow::wait_load_out});
    download_size = 0;
    load_seconds = 0;
    load_timer->stop();
    hide_transfer_progress();
}

void MainWindow::show_upload_progress()
{
    transfer_bar->setRange(0, qMax(upload_size, 1));
    transfer_bar->setValue(int(upload_written));
    transfer_count->setText(QStringLiteral("%1 из %2 байт").arg(upload_written).arg(upload_size));
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
