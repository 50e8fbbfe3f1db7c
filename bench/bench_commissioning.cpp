// Commissioning on the shipped catalogue against the controller simulator on
// 127.0.0.1, through the real window, offscreen:
//   compare  the factory settings file against the simulator's set at a tick
//            interval of 10 ms: ms from the file dialog's answer until the
//            pages are marked and the status line says the outcome (one
//            request, its reply, the values shown and the rows marked)
//   report   ms from the save dialog's answer until the PDF is written, with
//            the device list of channel 1 read, and the PDF's size
//            and again with a full device table (256 rows)
// As the median of 21 runs (5 with the full table), with the slowest; the
// file dialogs' own time is not counted.
// Usage: bench_commissioning

#include "app/mainwindow.h"
#include "bench_support.h"
#include "support/harness.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures
{
    qint64 median_ms = 0;
    qint64 slowest_ms = 0;
};

Figures figures(std::vector<qint64> runs)
{
    std::sort(runs.begin(), runs.end());
    return {runs[runs.size() / 2], runs.back()};
}

// Clicks `button`, answers its file dialog with `path` at once, and returns
// the ms from the answer until `done` holds; -1 when it never did.
qint64 after_dialog(QPushButton *button, const QString &path, const std::function<bool()> &done)
{
    QElapsedTimer since_answer;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            poll.stop();
            harness::answer_file_dialog(dialog, path);
            since_answer.start();
        }
    });
    poll.start(1);
    button->click();
    if (!bench::wait_for([&] { return since_answer.isValid() && done(); }, 30000))
        return -1;
    return since_answer.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    bench::offscreen_unless_chosen();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    qputenv("CONFIGURATOR_DATA_DIR", CONFIGURATOR_DATA_DIR);
    qputenv("CONTROLLER_SIM", CONTROLLER_SIM);

    harness::WorkingDirectory dir;
    for (const char *name : {"parametrs.csv", "Models.csv", "style.css", "Заводские настройки.txt"})
        dir.copy_data_file(QString::fromUtf8(name));
    harness::Simulator sim;
    if (!sim.start({"--listen", "127.0.0.1:0", "--catalogue", dir.file_path("parametrs.csv")})) {
        std::fprintf(stderr, "bench_commissioning: the simulator did not start\n");
        return 1;
    }

    MainWindow window;
    window.show();
    const auto find_button = [&](const char *name) { return window.findChild<QPushButton *>(name); };
    const auto status = [&] { return window.findChild<QLabel *>("label")->text(); };
    window.findChild<QLineEdit *>("lineEdit")->setText(QStringLiteral("127.0.0.1"));
    window.findChild<QLineEdit *>("lineEdit_2")->setText(QString::number(sim.tcp_port()));
    window.findChild<QLineEdit *>("interval_line")->setText(QStringLiteral("10"));
    find_button("connect_dev_btn")->click();
    if (!bench::wait_for(
            [&] {
                return !window.exchange_pending() && !window.findChild<QLineEdit *>("lineEdit_3")->text().isEmpty();
            },
            10000)) {
        std::fprintf(stderr, "bench_commissioning: the simulator was not identified\n");
        return 1;
    }
    find_button("read_dev_btn")->click();
    bench::wait_for([&] { return !window.exchange_pending(); }, 10000);
    window.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(1);

    std::vector<qint64> compares;
    for (int run = 0; run < 21; ++run) {
        window.findChild<QLabel *>("label")->clear();
        compares.push_back(after_dialog(find_button("compare_settings_btn"), dir.file_path("Заводские настройки.txt"),
                                        [&] { return !window.exchange_pending() && !status().isEmpty(); }));
    }
    const Figures compare = figures(compares);
    std::printf("compare, 73 parameters, interval 10 ms: median %lld ms, slowest %lld ms  [%s]\n", compare.median_ms,
                compare.slowest_ms, status().toUtf8().constData());

    std::vector<qint64> reports;
    const QString pdf = dir.file_path("report.pdf");
    for (int run = 0; run < 21; ++run) {
        window.findChild<QLabel *>("label")->clear();
        reports.push_back(after_dialog(find_button("report_btn"), pdf, [&] { return !status().isEmpty(); }));
    }
    const Figures report = figures(reports);
    std::printf("report with the comparison and 3 devices: median %lld ms, slowest %lld ms, %lld bytes  [%s]\n",
                report.median_ms, report.slowest_ms, QFile(pdf).size(), status().toUtf8().constData());

    // The largest device table there is: 256 rows.
    for (int row = 0; row < 256; ++row)
        find_button("set_new_dev_btn")->click();
    reports.clear();
    for (int run = 0; run < 5; ++run) {
        window.findChild<QLabel *>("label")->clear();
        reports.push_back(after_dialog(find_button("report_btn"), pdf, [&] { return !status().isEmpty(); }));
    }
    const Figures full = figures(reports);
    std::printf("report with 256 devices: median %lld ms, slowest %lld ms of 5, %lld bytes  [%s]\n", full.median_ms,
                full.slowest_ms, QFile(pdf).size(), status().toUtf8().constData());
    return 0;
}
