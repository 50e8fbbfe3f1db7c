// Commissioning from the command line, the built program against simulators
// on 127.0.0.1 at a tick interval of 10 ms:
//   one      one controller with ten differences on four pages: identify,
//            compare, write them, compare again; the program's whole run in
//            ms and in ticks, beside the run of --version (the program's
//            start and end alone) and the same run writing its report.
//            Median and slowest of 7 runs.
//   list     ten controllers, each with the same ten differences, in one
//            run with --apply and a summary: ms in all and a controller.
// Usage: bench_command_line

#include "bench_support.h"
#include "support/harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int interval_ms = 10;

// Ten keys the simulator starts at 0, on all four pages.
const char *const site_template = R"({"tz_offset": 5, "poll_period": 30, "archive_depth": 7, "log_level": 2,
 "srv_port": 7000, "ntp_period": 60, "send_period": 300, "rs_timeout": 500, "rs_pause": 20, "wdt_enable": 1})";

// The ms the program took with `arguments`; -1 when it failed.
qint64 timed_run(const QString &folder, const QStringList &arguments, int expected_status)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(CONFIGURATOR_EXE), arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != expected_status) {
        std::fprintf(stderr, "run failed (status %d): %s\n", process.exitCode(),
                     process.readAllStandardOutput().constData());
        return -1;
    }
    return clock.elapsed();
}

std::unique_ptr<harness::Simulator> start_simulator(const harness::WorkingDirectory &folder)
{
    auto simulator = std::make_unique<harness::Simulator>();
    if (!simulator->start({"--listen", "127.0.0.1:0", "--catalogue", folder.file_path("parametrs.csv")}))
        qFatal("the simulator did not start");
    return simulator;
}

void print_figures(const char *name, std::vector<qint64> runs)
{
    std::sort(runs.begin(), runs.end());
    const qint64 median = runs[runs.size() / 2];
    std::printf("%-8s median %5lld ms = %6.1f ticks, slowest %5lld ms\n", name, static_cast<long long>(median),
                double(median) / interval_ms, static_cast<long long>(runs.back()));
}

} // namespace

int main(int argc, char *argv[])
{
    bench::offscreen_unless_chosen();
    QCoreApplication app(argc, argv);
    qputenv("CONFIGURATOR_DATA_DIR", CONFIGURATOR_DATA_DIR);
    qputenv("CONTROLLER_SIM", CONTROLLER_SIM);
    harness::WorkingDirectory folder;
    folder.copy_data_file(QStringLiteral("parametrs.csv"));
    folder.copy_data_file(QStringLiteral("Models.csv"));
    folder.write_file(QStringLiteral("site.json"), site_template);
    const QStringList commission{"--commission", "site.json", "--apply", "--interval", QString::number(interval_ms)};

    std::vector<qint64> start_only;
    std::vector<qint64> one;
    std::vector<qint64> one_reported;
    for (int run = 0; run < 7; ++run) {
        start_only.push_back(timed_run(folder.path(), {"--version"}, 0));
        // A fresh simulator each time, so that there are ten differences.
        for (std::vector<qint64> *runs : {&one, &one_reported}) {
            const auto simulator = start_simulator(folder);
            QStringList arguments =
                commission + QStringList{"--host", "127.0.0.1", "--port", QString::number(simulator->tcp_port())};
            if (runs == &one_reported)
                arguments << "--report"
                          << "one.pdf";
            runs->push_back(timed_run(folder.path(), arguments, 0));
        }
    }
    if (std::count(one.cbegin(), one.cend(), -1) + std::count(one_reported.cbegin(), one_reported.cend(), -1) > 0)
        return 1;
    print_figures("version", start_only);
    print_figures("one", one);
    print_figures("+report", one_reported);

    std::vector<std::unique_ptr<harness::Simulator>> simulators;
    QByteArray hosts;
    for (int i = 0; i < 10; ++i) {
        simulators.push_back(start_simulator(folder));
        hosts += "127.0.0.1:" + QByteArray::number(simulators.back()->tcp_port()) + '\n';
    }
    folder.write_file(QStringLiteral("hosts.txt"), hosts);
    const qint64 list = timed_run(
        folder.path(), commission + QStringList{"--hosts", "hosts.txt", "--out", "reports", "--summary", "s.csv"}, 0);
    if (list < 0)
        return 1;
    std::printf("list     10 controllers in %lld ms, %lld ms a controller\n", static_cast<long long>(list),
                static_cast<long long>(list / 10));
    return 0;
}
