// The device list against the simulator on loopback, and the table work
// that does not need a controller:
//   write   256 devices written one per request, at 10 ms and 100 ms ticks:
//           the time, and that time in ticks (the goal is about one tick
//           per device)
//   read    the same 256 devices read back (the read always waits 2 s
//           after the last bytes)
//   rebuild the channel change: clear plus 256 x 9 new items
//   check   the duplicate check of a full table (through "Записать
//           приборы", whose last row repeats row 0, so nothing is sent),
//           and the check's rule alone
// Usage: bench_devices [controller_sim]

#include "app/mainwindow.h"
#include "bench_support.h"
#include "devices/device_list.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

template <class T>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}

QString status(QWidget *window)
{
    return child<QLabel>(window, "label")->text();
}

bool wait_for_status(QWidget *window, const QString &text, int timeout_ms)
{
    return bench::wait_for([&] { return status(window) == text; }, timeout_ms);
}

void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Fills the table of the current channel with 256 different devices.
void fill_table(QWidget *window)
{
    auto *add = child<QPushButton>(window, "set_new_dev_btn");
    auto *serial = child<QLineEdit>(window, "lineEdit_8");
    for (int row = 0; row < device_list::table_rows; ++row) {
        serial->setText(QString::number(50000000 + row));
        add->click();
    }
}

qint64 median(std::vector<qint64> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    bench::offscreen_unless_chosen();
    QApplication app(argc, argv);

    QTemporaryDir dir;
    QFile::copy(QStringLiteral(CONFIGURATOR_DATA_DIR "/Models.csv"), dir.filePath(QStringLiteral("Models.csv")));
    QDir::setCurrent(dir.path());

    QProcess sim;
    sim.start(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(CONTROLLER_SIM),
              {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    QByteArray announced;
    while (!announced.contains('\n') && sim.waitForReadyRead(5000))
        announced += sim.readAllStandardOutput();
    const QByteArray port = announced.trimmed().split(':').last();
    if (!announced.startsWith("listening ")) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }

    MainWindow window;
    window.show();
    child<QLineEdit>(&window, "lineEdit")->setText(QStringLiteral("127.0.0.1"));
    child<QLineEdit>(&window, "lineEdit_2")->setText(QString::fromLatin1(port));
    child<QPushButton>(&window, "connect_dev_btn")->click();
    if (!bench::wait_for([&] { return child<QPushButton>(&window, "connect_dev_btn")->text().contains("Eth"); },
                         5000)) {
        std::fprintf(stderr, "no identification\n");
        return 1;
    }
    auto *table = child<QTableWidget>(&window, "tableWidget_2");
    auto *channels = child<QComboBox>(&window, "comboBox");
    choose(channels, 4);

    for (const int interval : {10, 100}) {
        child<QLineEdit>(&window, "interval_line")->setText(QString::number(interval));
        child<QPushButton>(&window, "delete_dev_btn")->click();
        wait_for_status(&window, QStringLiteral("Удаление произведено успешно"), 15000);
        choose(channels, 4);
        fill_table(&window);

        QElapsedTimer clock;
        clock.start();
        child<QPushButton>(&window, "write_dev_btn")->click();
        const bool written = wait_for_status(&window, QStringLiteral("Запись завершена"), 120000);
        const qint64 write_ms = clock.elapsed();

        clock.restart();
        child<QPushButton>(&window, "read_dev_btn")->click();
        const bool read = wait_for_status(&window, QStringLiteral("Передача завершена"), 30000);
        const qint64 read_ms = clock.elapsed();
        int rows = 0;
        while (rows < table->rowCount() && !table->item(rows, 0)->text().isEmpty())
            ++rows;
        std::printf("interval %3d ms: write 256 devices %s in %lld ms (%.2f ticks per device); "
                    "read back %d rows %s in %lld ms\n",
                    interval, written ? "done" : "FAILED", write_ms, double(write_ms) / interval / 256, rows,
                    read ? "done" : "FAILED", read_ms);
    }

    std::vector<qint64> rebuilds;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer clock;
        clock.start();
        choose(channels, run % 8);
        rebuilds.push_back(clock.nsecsElapsed() / 1000);
    }
    std::printf("table rebuild (clear + 256 x 9 items): median %lld us\n", median(rebuilds));

    // The window's check: a full table whose last row repeats row 0.
    choose(channels, 0);
    fill_table(&window);
    table->item(255, 2)->setText(table->item(0, 2)->text());
    std::vector<qint64> checks;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer clock;
        clock.start();
        child<QPushButton>(&window, "write_dev_btn")->click();
        checks.push_back(clock.nsecsElapsed() / 1000);
    }
    std::printf("duplicate check of a full table through the button (%s): median %lld us\n",
                qPrintable(status(&window)), median(checks));

    QVector<QStringList> rows;
    for (int row = 0; row < device_list::table_rows; ++row)
        rows.append({QString::number(row + 1), QStringLiteral("M"), QString::number(50000000 + row), "1", "P"});
    std::vector<qint64> rules;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer clock;
        clock.start();
        const QVector<int> marked = device_list::duplicate_rows(rows);
        rules.push_back(clock.nsecsElapsed() / 1000 + marked.size());
    }
    std::printf("duplicate rule alone, 256 different rows: median %lld us\n", median(rules));

    sim.kill();
    sim.waitForFinished(3000);
    return 0;
}
