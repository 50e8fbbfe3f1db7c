// File transfers against the controller simulator on 127.0.0.1, and the
// network sweep with fake ping and ARP programs.
//
// For each size a file is uploaded and downloaded again through the real
// window. Reported per transfer:
//   done    ms from the click until the status line shows the result
//   shown   ms until the traffic log has also shown all of it
//   stall   the longest gap between two turns of the event loop (a 0 ms
//           timer's largest interval), in ms: what the user feels as a freeze
//   memory  the peak resident memory above the level before the transfer,
//           in MiB, and per MiB transferred
// The sweep: ms until all 255 fake pings ran, ms until their processes were
// all released, the longest stall meanwhile, and the descriptors and child
// processes left afterwards.
//
// Run it inside a private network namespace; the sweep refuses to start
// unless its ping and ARP programs are the fakes it wrote.

#include "app/mainwindow.h"
#include "bench_support.h"
#include "link/log.h"
#include "support/harness.h"
#include "support/network_fakes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

using bench::StallMeter;
using bench::status_mib;
using bench::wait_for;

QByteArray file_content(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + i / 7) & 0xff);
    return bytes;
}

struct Measured
{
    qint64 done = -1, shown = -1, stall = 0;
    double memory = 0;
};

Log *log_of_window()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *log = qobject_cast<Log *>(widget))
            return log;
    }
    return nullptr;
}

Measured measure(MainWindow &window, const char *button, const QString &expected_status)
{
    auto *status = window.findChild<QLabel *>(QStringLiteral("label"));
    Log *log = log_of_window();
    status->clear();
    QCoreApplication::processEvents();
    const double before = bench::status_mib("VmRSS:");
    bench::reset_peak_memory();

    Measured row;
    StallMeter stalls;
    stalls.start();
    QElapsedTimer clock;
    clock.start();
    window.findChild<QPushButton *>(QString::fromLatin1(button))->click();
    if (wait_for([&] { return status->text() == expected_status; }, 60000))
        row.done = clock.elapsed();
    if (wait_for([&] { return !log->has_pending_display(); }, 60000))
        row.shown = clock.elapsed();
    // Repaints and layout posted by the last insertion.
    wait_for([&] { return clock.elapsed() > row.shown + 200; }, 1000);
    row.stall = stalls.stop();
    row.memory = bench::status_mib("VmHWM:") - before;
    if (row.done < 0)
        std::printf("  (%s ended with \"%s\")\n", button, qPrintable(status->text()));
    return row;
}

void print_row(const char *what, int size, const Measured &row)
{
    const double mib = size / (1024.0 * 1024.0);
    std::printf("%-9s %-8s %7lld %7lld %7lld %8.1f MiB %6.1f MiB/MiB\n", what,
                qPrintable(size >= 1024 * 1024 ? QStringLiteral("%1 MiB").arg(size / (1024 * 1024))
                                               : QStringLiteral("%1 KiB").arg(size / 1024)),
                row.done, row.shown, row.stall, row.memory, row.memory / mib);
}

int transfers()
{
    harness::Simulator sim;
    if (!sim.start({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")})) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    const QString port = QString::number(sim.tcp_port());

    MainWindow window;
    window.show();
    window.findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(QStringLiteral("127.0.0.1"));
    window.findChild<QLineEdit *>(QStringLiteral("lineEdit_2"))->setText(port);
    auto *connect_button = window.findChild<QPushButton *>(QStringLiteral("connect_dev_btn"));
    connect_button->click();
    if (!wait_for([&] { return connect_button->text() == QStringLiteral("Связь по Eth установлена"); }, 10000)) {
        std::fprintf(stderr, "no connection to the simulator\n");
        return 1;
    }

    std::printf("Transfers over TCP on 127.0.0.1 (times in ms)\n");
    std::printf("%-9s %-8s %7s %7s %7s %12s %14s\n", "transfer", "size", "done", "shown", "stall", "peak memory",
                "per MiB");
    for (const int size : {100 * 1024, 1024 * 1024, 4 * 1024 * 1024}) {
        const QString name = QStringLiteral("file%1.bin").arg(size);
        const QByteArray content = file_content(size);
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != size)
            return 1;
        file.close();

        harness::answer_next_file_dialog(QDir::current().filePath(name));
        print_row("upload", size, measure(window, "load_in_btn", QStringLiteral("Файл записан")));

        window.findChild<QLineEdit *>(QStringLiteral("lineEdit_7"))->setText(name);
        harness::answer_next_file_dialog(QDir::current().filePath(QStringLiteral("copy")));
        print_row("download", size, measure(window, "load_out_btn", QStringLiteral("Файл записан")));
        QFile copy(QStringLiteral("copy.bin"));
        if (!copy.open(QIODevice::ReadOnly) || copy.readAll() != content)
            std::printf("  the downloaded copy differs\n");
        // A log of several megabytes slows every later record; each size
        // starts with an empty one.
        log_of_window()->findChild<QPushButton *>(QStringLiteral("clear_btn"))->click();
    }
    return 0;
}

int sweep()
{
    harness::FakeNetworkTools tools("10.0.0.2 dev lo lladdr 70:b3:d5:1c:00:01 REACHABLE\n");
    if (!tools.in_place()) {
        std::fprintf(stderr, "the fake ping and ARP programs are not the ones on PATH; no sweep\n");
        return 1;
    }
    MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    const int descriptors = harness::open_descriptors();
    StallMeter stalls;
    stalls.start();
    QElapsedTimer clock;
    clock.start();
    window.findChild<QPushButton *>(QStringLiteral("res_btn"))->click();
    qint64 pinged = -1, released = -1;
    if (wait_for([&] { return tools.pings().size() >= 255; }, 30000))
        pinged = clock.elapsed();
    if (wait_for([&] { return harness::child_processes() == 0 && harness::open_descriptors() == descriptors; }, 30000))
        released = clock.elapsed();
    const qint64 stall = stalls.stop();
    std::printf("\nSweep of 255 fake pings: all ran after %lld ms, all released after %lld ms, longest stall %lld ms; "
                "%d descriptors and %d child processes left\n",
                pinged, released, stall, harness::open_descriptors() - descriptors, harness::child_processes());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::offscreen_unless_chosen();
    QApplication app(argc, argv);
    QTemporaryDir directory;
    if (!bench::enter(directory))
        return 1;
    // The sweep first: a program that has just moved megabytes is larger,
    // and every process start copies its page tables.
    qputenv("CONTROLLER_SIM", CONTROLLER_SIM);
    const int result = sweep();
    return result != 0 ? result : transfers();
}
