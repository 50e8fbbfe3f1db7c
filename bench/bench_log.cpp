// How long the traffic log takes to take in a transfer and show it.
//
// For each size one request and one reply are logged the way the program
// logs them (hex record with byte count, then text), into a log window that
// already holds a screenful of small records. Times in milliseconds:
//   calls   the four calls themselves
//   stall   the longest single pass of the event loop while the window
//           catches up (what the user feels as a freeze)
//   shown   from the first call until the window holds everything
//   layout  forcing whatever layout is still left after that
//   paint   the first repaint (grabbing the window)
//   save    "Запись в файл" of the whole log
//   clear   "Очистить"
// Then "Запись в файл" of a log of 300 MiB (BENCH_SAVE_MIB changes that):
// how long it takes, how much memory it needs beyond what the process held
// before (the peak of resident memory above it), and the longest turn of
// the event loop while it runs.
// For comparison, the same hex record put into a bare QTextEdit with one
// append() call.

#include "bench_support.h"
#include "link/log.h"
#include "link/traffic_format.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

namespace {

// A JSON text of `size` bytes, like a file upload.
QByteArray payload(int size)
{
    QByteArray bytes("{\"file\":\"");
    bytes.reserve(size);
    while (bytes.size() < size - 2)
        bytes += char('a' + bytes.size() % 26);
    bytes += "\"}";
    return bytes.left(size);
}

QByteArray reply_payload(int size)
{
    // Some bytes that are not text, as a downloaded binary file would have.
    QByteArray bytes = payload(size);
    for (int i = 9; i < bytes.size() - 2; i += 97)
        bytes[i] = char(0x80 + i % 64);
    return bytes;
}

struct Row
{
    QString name;
    qint64 calls = 0, stall = 0, shown = 0, layout = 0, paint = 0, save = 0, clear = 0;
    double memory = 0;
};

void process_until_shown(Log &log, QElapsedTimer &since_start, Row &row)
{
    do {
        QElapsedTimer pass;
        pass.start();
        QCoreApplication::processEvents();
        row.stall = qMax(row.stall, pass.elapsed());
    } while (log.has_pending_display());
    // Size reports and repaints posted by the last insertion.
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer pass;
        pass.start();
        QCoreApplication::processEvents();
        row.stall = qMax(row.stall, pass.elapsed());
    }
    row.shown = since_start.elapsed();
}

Row measure(const QString &name, int size)
{
    Row row;
    row.name = name;
    const QByteArray request = payload(size);
    const QByteArray reply = reply_payload(size);

    Log log;
    log.show();
    QCoreApplication::processEvents();
    for (int i = 0; i < 50; ++i) {
        log.add_traffic(1, "{\"method\":\"get\"}");
        log.append_text("{\"method\":\"get\"}");
    }
    QCoreApplication::processEvents();
    auto *edit = log.findChild<QTextEdit *>(QStringLiteral("textEdit"));

    const double memory_before = bench::resident_mib();
    QElapsedTimer since_start;
    since_start.start();
    log.add_traffic(1, request);
    log.append_text(request);
    log.add_traffic(0, reply);
    log.append_text(reply);
    row.calls = since_start.elapsed();

    process_until_shown(log, since_start, row);

    QElapsedTimer step;
    step.start();
    edit->document()->documentLayout()->documentSize();
    row.layout = step.restart();
    log.grab();
    row.paint = step.restart();
    row.memory = bench::resident_mib() - memory_before;

    step.restart();
    log.findChild<QPushButton *>(QStringLiteral("write_file_btn"))->click();
    row.save = step.restart();
    if (!log.plain_text().endsWith(QStringLiteral("Файл логов записан!")))
        std::printf("%s: saving failed\n", qPrintable(name));

    log.findChild<QPushButton *>(QStringLiteral("clear_btn"))->click();
    QCoreApplication::processEvents();
    row.clear = step.elapsed();
    return row;
}

// A log of about `mib` MiB as saved, made of 4 MiB transfers logged as the
// program logs them, then saved.
void measure_large_save(int mib)
{
    Log log;
    log.show();
    const QByteArray request = payload(4 * 1024 * 1024);
    const QByteArray reply = reply_payload(4 * 1024 * 1024);
    // Hex, count and text of a request and a reply: 32 MiB.
    for (int made = 0; made < mib; made += 32) {
        log.add_traffic(1, request);
        log.append_text(request);
        log.add_traffic(0, reply);
        log.append_text(reply);
        while (log.has_pending_display())
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    for (const QString &name : QDir().entryList({QStringLiteral("Log_*.txt")}))
        QFile::remove(name);
    const double before = bench::resident_mib();
    bench::reset_peak_memory();
    // The file is written on a worker thread: the longest gap between two
    // turns of a timer at 1 ms is the longest the window stalls meanwhile.
    qint64 longest_turn = 0;
    QElapsedTimer since_turn;
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    QObject::connect(&turns, &QTimer::timeout, [&] { longest_turn = qMax(longest_turn, since_turn.restart()); });
    turns.start(1);
    QElapsedTimer elapsed;
    elapsed.start();
    since_turn.start();
    log.findChild<QPushButton *>(QStringLiteral("write_file_btn"))->click();
    const qint64 save_ms = elapsed.elapsed();
    longest_turn = qMax(longest_turn, since_turn.elapsed());
    turns.stop();
    const double extra = bench::status_mib("VmHWM:") - before;
    const QString shown = log.findChild<QTextEdit *>(QStringLiteral("textEdit"))->toPlainText();
    if (!shown.endsWith(QStringLiteral("Файл логов записан!")))
        std::printf("saving failed: %s\n", qPrintable(shown.right(100)));
    const QStringList saved = QDir().entryList({QStringLiteral("Log_*.txt")});
    const double saved_mib = saved.isEmpty() ? 0 : QFileInfo(saved.first()).size() / 1048576.0;
    std::printf("\"Запись в файл\" of a %.0f MiB log: %lld ms, %.1f MiB of memory beyond the %.0f MiB before\n",
                saved_mib, save_ms, extra, before);
    std::printf("longest event-loop turn during the save: %lld ms\n", longest_turn);
    for (const QString &name : saved)
        QFile::remove(name);
}

// One append() of the hex record into a bare QTextEdit.
qint64 measure_bare_append(int size)
{
    QTextEdit edit;
    edit.resize(458, 300);
    edit.show();
    QCoreApplication::processEvents();
    const QString line = traffic_format::hex_record(1, payload(size));
    QElapsedTimer elapsed;
    elapsed.start();
    edit.append(line);
    QCoreApplication::processEvents();
    return elapsed.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    bench::offscreen_unless_chosen();
    QApplication app(argc, argv);

    // The saved logs go into a directory of their own.
    QTemporaryDir directory;
    if (!bench::enter(directory))
        return 1;

    std::printf("Traffic log: one request and one reply of each size (times in ms)\n");
    std::printf("%-8s %7s %7s %7s %7s %7s %7s %7s %9s\n", "size", "calls", "stall", "shown", "layout", "paint", "save",
                "clear", "memory");
    const struct
    {
        const char *name;
        int size;
    } sizes[] = {{"1 KiB", 1024}, {"100 KiB", 100 * 1024}, {"1 MiB", 1024 * 1024}};
    for (const auto &size : sizes) {
        const Row row = measure(QString::fromLatin1(size.name), size.size);
        std::printf("%-8s %7lld %7lld %7lld %7lld %7lld %7lld %7lld %6.1f MiB\n", qPrintable(row.name), row.calls,
                    row.stall, row.shown, row.layout, row.paint, row.save, row.clear, row.memory);
    }

    std::printf("\n");
    measure_large_save(qEnvironmentVariableIsSet("BENCH_SAVE_MIB") ? qEnvironmentVariableIntValue("BENCH_SAVE_MIB")
                                                                   : 300);

    std::printf("\nOne QTextEdit::append() of the hex record, for comparison (ms)\n");
    for (const int size : {1024, 10 * 1024, 100 * 1024})
        std::printf("%-8s %7lld\n", qPrintable(QStringLiteral("%1 KiB").arg(size / 1024)), measure_bare_append(size));
    return 0;
}
