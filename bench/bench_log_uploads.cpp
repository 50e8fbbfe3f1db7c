// Large transfers one after another through one window, against the
// controller simulator on 127.0.0.1: what the traffic log costs a long
// session.
//
// First twelve uploads of 8 MiB each (BENCH_UPLOADS and BENCH_UPLOAD_MIB
// change that), text of short lines, so that the log shows and saves all of
// it as hex and as text. For each:
//   done    ms from the click until the status line shows "Файл записан"
//   shown   ms until the log window has shown it as well
//   turn    the longest turn of the event loop until done, and after that
//           until shown, in ms
//   RSS     resident MiB afterwards, and once the allocator has given back
//           the free heap it keeps
// and the growth of resident memory from the second upload to the last.
//
// Then an upload and a download of 32 MiB, each twice: as the program runs,
// and with the log window's work held back until the transfer has ended
// (the events of its timer filtered out), which is what the transfer takes
// without its logging; the longest turn until done is then the transfer's
// own, the one after it the log's.

#include "app/mainwindow.h"
#include "bench_support.h"
#include "link/log.h"
#include "support/harness.h"

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
#include <malloc.h>

namespace {

const QString written = QStringLiteral("Файл записан");

// Lines of CSV-like text, as an archive of readings is.
QByteArray text_file(int size, int salt)
{
    QByteArray bytes;
    bytes.reserve(size);
    for (int line = 0; bytes.size() < size; ++line)
        bytes += QByteArray::number(line) + ";2024-03-05 14:07:09;" + QByteArray::number(line * 7 + salt) + ";"
                 + QByteArray::number(line % 8) + ";meter reading;ok\r\n";
    bytes.resize(size);
    return bytes;
}

// Swallows the timer events of the object it filters.
class HoldTimer : public QObject
{
protected:
    bool eventFilter(QObject *, QEvent *event) override { return event->type() == QEvent::Timer; }
};

struct Measured
{
    qint64 done = -1, shown = -1, turn = 0, turn_after = 0;
    QString status;
};

class Session
{
public:
    bool start()
    {
        if (!simulator.start({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")})) {
            std::fprintf(stderr, "the simulator did not start\n");
            return false;
        }
        window.show();
        log = qobject_cast<Log *>(harness::log_window());
        window.findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(QStringLiteral("127.0.0.1"));
        window.findChild<QLineEdit *>(QStringLiteral("lineEdit_2"))->setText(QString::number(simulator.tcp_port()));
        auto *connect_button = window.findChild<QPushButton *>(QStringLiteral("connect_dev_btn"));
        connect_button->click();
        if (!bench::wait_for([&] { return connect_button->text() == QStringLiteral("Связь по Eth установлена"); },
                             10000)) {
            std::fprintf(stderr, "no connection to the simulator\n");
            return false;
        }
        return true;
    }

    Measured upload(const QString &name, const QByteArray &content, bool hold_log = false)
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        file.close();
        harness::answer_next_file_dialog(QDir::current().filePath(name));
        return measure("load_in_btn", hold_log);
    }

    Measured download(const QString &name, bool hold_log = false)
    {
        window.findChild<QLineEdit *>(QStringLiteral("lineEdit_7"))->setText(name);
        harness::answer_next_file_dialog(QDir::current().filePath(QStringLiteral("copy")));
        return measure("load_out_btn", hold_log);
    }

    void clear_log() { log->findChild<QPushButton *>(QStringLiteral("clear_btn"))->click(); }

private:
    Measured measure(const char *button, bool hold_log)
    {
        auto *status = window.findChild<QLabel *>(QStringLiteral("label"));
        status->clear();
        QCoreApplication::processEvents();
        HoldTimer hold;
        auto *log_work = log->findChild<QTimer *>(QStringLiteral("log_work_timer"));
        if (hold_log)
            log_work->installEventFilter(&hold);

        Measured row;
        bench::StallMeter turns;
        turns.start();
        QElapsedTimer clock;
        clock.start();
        window.findChild<QPushButton *>(QString::fromLatin1(button))->click();
        // Done when the status line says how the transfer ended.
        if (bench::wait_for(
                [&] { return status->text() == written || status->text().contains("не", Qt::CaseInsensitive); },
                120000))
            row.done = clock.elapsed();
        row.status = status->text();
        row.turn = turns.stop();
        turns.start();
        if (hold_log)
            log_work->removeEventFilter(&hold);
        if (bench::wait_for([&] { return !log->has_pending_display(); }, 120000))
            row.shown = clock.elapsed();
        // Repaints and layout posted by the last insertion.
        bench::wait_for([&] { return clock.elapsed() > row.shown + 200; }, 1000);
        row.turn_after = turns.stop();
        return row;
    }

    harness::Simulator simulator;
    MainWindow window;
    Log *log = nullptr;
};

QPair<double, double> resident_mib()
{
    const double resident = bench::resident_mib();
    malloc_trim(0);
    return {resident, bench::resident_mib()};
}

} // namespace

int main(int argc, char *argv[])
{
    bench::offscreen_unless_chosen();
    qputenv("CONTROLLER_SIM", CONTROLLER_SIM);
    QApplication app(argc, argv);
    QTemporaryDir directory;
    if (!bench::enter(directory))
        return 1;
    const int uploads = qEnvironmentVariableIsSet("BENCH_UPLOADS") ? qEnvironmentVariableIntValue("BENCH_UPLOADS") : 12;
    const int mib =
        qEnvironmentVariableIsSet("BENCH_UPLOAD_MIB") ? qEnvironmentVariableIntValue("BENCH_UPLOAD_MIB") : 8;

    Session session;
    if (!session.start())
        return 1;

    std::printf("%d uploads of %d MiB through one window (times in ms)\n", uploads, mib);
    std::printf("%-7s %7s %7s %7s %7s %9s %9s  %s\n", "upload", "done", "shown", "turn", "after", "RSS MiB", "trimmed",
                "status");
    int failed = 0;
    double second = 0, last = 0;
    for (int i = 1; i <= uploads; ++i) {
        const Measured row = session.upload(QStringLiteral("week.csv"), text_file(mib << 20, i));
        const QPair<double, double> memory = resident_mib();
        std::printf("%-7d %7lld %7lld %7lld %7lld %9.1f %9.1f  %s\n", i, row.done, row.shown, row.turn, row.turn_after,
                    memory.first, memory.second, qPrintable(row.status));
        std::fflush(stdout);
        failed += row.status == written ? 0 : 1;
        if (i == 2)
            second = memory.first;
        last = memory.first;
    }
    std::printf("resident memory from upload 2 to %d: %+.1f MiB; %d not \"%s\"\n\n", uploads, last - second, failed,
                qPrintable(written));

    std::printf("32 MiB transfers, logged and with the log held back (times in ms)\n");
    std::printf("%-9s %-8s %7s %7s %7s %7s  %s\n", "transfer", "log", "done", "shown", "turn", "after", "status");
    const QByteArray big = text_file(32 << 20, 0);
    const int rounds = qEnvironmentVariableIsSet("BENCH_ROUNDS") ? qEnvironmentVariableIntValue("BENCH_ROUNDS") : 2;
    const auto print = [](const char *what, bool hold, const Measured &row) {
        std::printf("%-9s %-8s %7lld %7lld %7lld %7lld  %s\n", what, hold ? "held" : "working", row.done, row.shown,
                    row.turn, row.turn_after, qPrintable(row.status));
        std::fflush(stdout);
    };
    for (int round = 0; round < rounds; ++round) {
        for (const bool hold : {false, true}) {
            session.clear_log();
            print("upload", hold, session.upload(QStringLiteral("big.csv"), big, hold));
            session.clear_log();
            print("download", hold, session.download(QStringLiteral("big.csv"), hold));
        }
    }
    return 0;
}
