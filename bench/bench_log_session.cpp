// A long polling session in the traffic log: N record pairs (a 60-byte
// request and a 200-byte reply, each logged as hex, count and text), one
// pair per turn of the event loop, into a shown log window.
//
// Reports the average time to append one pair over the first and the last
// thousand pairs, the longest turn of the event loop (a timer's largest
// gap), the resident memory at the end, the time to save the log, and the
// time of a find that matches nothing: it reads the whole shown log, from
// the end round to the start again, which is the longest a find can take.
// N is BENCH_RECORDS (default 100000).

#include "bench_support.h"
#include "link/log.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray json_of_size(const char *head, int size, int salt)
{
    QByteArray bytes(head);
    while (bytes.size() < size - 2)
        bytes += char('a' + (bytes.size() + salt) % 26);
    return bytes + "\"}";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!bench::enter(dir))
        return 1;
    const int pairs =
        qEnvironmentVariableIsSet("BENCH_RECORDS") ? qEnvironmentVariableIntValue("BENCH_RECORDS") : 100000;
    const int window = std::min(1000, pairs / 2);

    Log log;
    log.show();
    const double rss_start = bench::resident_mib();

    int done = 0;
    qint64 first_ns = 0, last_ns = 0, longest_gap_ms = 0;
    QElapsedTimer gap;
    QElapsedTimer total;
    total.start();
    QTimer pump;
    pump.setInterval(0);
    QObject::connect(&pump, &QTimer::timeout, [&] {
        if (gap.isValid())
            longest_gap_ms = std::max(longest_gap_ms, gap.elapsed());
        const QByteArray request = json_of_size("{\"method\":\"get\",\"params\":\"", 60, done);
        const QByteArray reply = json_of_size("{\"devices\":\"", 200, done);
        QElapsedTimer one;
        one.start();
        log.add_traffic(1, request);
        log.append_text(request);
        log.add_traffic(0, reply);
        log.append_text(reply);
        const qint64 ns = one.nsecsElapsed();
        if (done < window)
            first_ns += ns;
        if (done >= pairs - window)
            last_ns += ns;
        if (++done == pairs) {
            pump.stop();
            app.quit();
        }
        gap.start();
    });
    pump.start();
    app.exec();
    const qint64 total_ms = total.elapsed();
    const double rss_end = bench::resident_mib();

    QElapsedTimer save;
    save.start();
    log.findChild<QPushButton *>(QStringLiteral("write_file_btn"))->click();
    const qint64 save_ms = save.elapsed();
    const QStringList saved = QDir().entryList({QStringLiteral("Log_*.txt")});
    const qint64 saved_bytes = saved.isEmpty() ? 0 : QFileInfo(saved.first()).size();

    auto *find_edit = log.findChild<QLineEdit *>(QStringLiteral("find_edit"));
    find_edit->setText(QStringLiteral("no such text in any record"));
    QElapsedTimer find;
    find.start();
    log.findChild<QPushButton *>(QStringLiteral("find_next_btn"))->click();
    const qint64 find_ms = find.elapsed();

    std::printf("pairs %d, total %lld ms\n", pairs, static_cast<long long>(total_ms));
    std::printf("append one pair: first %d %.3f ms, last %d %.3f ms\n", window, first_ns / 1e6 / window, window,
                last_ns / 1e6 / window);
    std::printf("longest event-loop turn: %lld ms\n", static_cast<long long>(longest_gap_ms));
    std::printf("resident memory: %.0f MiB at start, %.0f MiB at end\n", rss_start, rss_end);
    std::printf("save: %lld ms, %.1f MiB\n", static_cast<long long>(save_ms), saved_bytes / 1048576.0);
    std::printf("find with no match: %lld ms\n", static_cast<long long>(find_ms));
    return 0;
}
