// Finding controllers. Over COM the controller on the port is asked for its
// serial number. Over Ethernet the subnet is swept with pings so that the
// computer's ARP table fills up, the table is read at 15 s and evaluated at
// 16 s, and every address whose hardware address carries the controllers'
// prefix is listed. A found entry can be taken into the address field.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/platform.h"
#include "engine/requests.h"
#include "link/log.h"
#include "network/arp_table.h"
#include "network/thread_res.h"

#include <QProcess>
#include <QTextCodec>
#include <QTimer>

namespace {

constexpr int search_tick_ms = 1000;
constexpr int arp_query_second = 15;
constexpr int evaluation_second = 16;

QTextCodec *arp_codec()
{
    QTextCodec *codec = QTextCodec::codecForName(platform::arp_output_codec());
    return codec ? codec : QTextCodec::codecForLocale();
}

} // namespace

void MainWindow::setup_network_search()
{
    for (int i = 0; i < thread_res::host_count; ++i) {
        auto *process = new QProcess(this);
        connect(process, &QProcess::readyReadStandardOutput, this, &MainWindow::setStdout);
        ping_processes.append(process);
    }
    res_timer = new QTimer(this);
    connect(res_timer, &QTimer::timeout, this, &MainWindow::handler_res);
    search_thread = std::make_shared<thread_res>();
}

void MainWindow::on_res_btn_clicked()
{
    switch (selected_link()) {
    case Link::serial:
        if (!request_may_start(GuardText::Cyrillic))
            return;
        ui->listWidget->clear();
        start_command(Operation::wait_res, requests::serial_search());
        return;
    case Link::ethernet: start_network_sweep(); return;
    case Link::none: return;
    }
}

void MainWindow::start_network_sweep()
{
    ui->listWidget->clear();
    search_output.clear();
    search_ticks = 0;
    // A sweep still running from an earlier search is not started twice.
    search_thread->start();
    // The press is the user's newest word: its text stands over any other.
    show_status(QStringLiteral("Идёт поиск"));
    status_owner = StatusOwner::Sweep;
    res_timer->start(search_tick_ms);
}

void MainWindow::handler_res()
{
    show_sweep_status(QStringLiteral("Идет поиск: ") + QString::number(search_ticks) + QLatin1Char('c'));
    ++search_ticks;
    if (search_ticks == arp_query_second)
        start_arp_query();
    if (search_ticks == evaluation_second)
        finish_network_search();
}

void MainWindow::start_arp_query()
{
    search_output.clear();
    QProcess *query = ping_processes.first();
    if (query->state() != QProcess::NotRunning) {
        // Left over from a search restarted within the second of its query.
        query->kill();
        query->waitForFinished(1000);
    }
    const platform::ShellCommand command = platform::arp_query_command();
    log_window->append_text(command.text().toUtf8());
    query->start(command.program, command.arguments, QIODevice::ReadWrite);
}

void MainWindow::setStdout()
{
    search_output += arp_codec()->toUnicode(ping_processes.first()->readAllStandardOutput());
}

void MainWindow::finish_network_search()
{
    res_timer->stop();
    show_sweep_status(QStringLiteral("Поиск окончен"));
    log_window->append_text(search_output.toUtf8());
    for (const QString &address : arp_table::controller_addresses(platform::arp_table_text(search_output)))
        ui->listWidget->insertItem(ui->listWidget->count(), address);
}

void MainWindow::on_listWidget_doubleClicked(const QModelIndex &)
{
    if (const QListWidgetItem *item = ui->listWidget->currentItem())
        ui->lineEdit->setText(item->text());
}
