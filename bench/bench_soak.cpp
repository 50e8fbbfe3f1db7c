// Soak: the real window against the controller simulator for ten minutes
// (SOAK_SECONDS sets another length), going round every operation of the
// window again and again, while the simulator is restarted every half
// minute or so with faults chosen at random: slow and split replies,
// silence, error results, connections closed after a request, refused keys,
// downloads that stall. SOAK_SEED repeats a run.
//
// Reported at the end:
//   exchanges per minute   requests the simulators logged, and operations
//   memory                 resident MiB after the warm-up and at the end;
//                          and at the end of a round, when the log has
//                          just been cleared and no transfer's buffers are
//                          alive, so that the same state is compared
//   stuck                  operations still pending a minute after they began
//   stall                  the event loop's longest gap, apart from the
//                          transfers (whose traffic is logged) and in them
//
// Everything talks to 127.0.0.1 and a pseudo-terminal pair; run it inside a
// private network namespace all the same. The LAN search is left out: it is
// no exchange with the controller (bench_transfer measures it with fakes).

#include "app/mainwindow.h"
#include "bench_support.h"
#include "link/log.h"
#include "support/harness.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTableWidget>

#include <cstdio>
#include <functional>
#include <malloc.h>
#include <memory>

namespace {

const QString connected = QStringLiteral("Связь по Eth установлена");
// Past every budget of every operation, the slowest faults included.
constexpr int stuck_ms = 60000;

// One run of the simulator, on TCP and on the pseudo-terminal at once; it
// counts the requests the simulator logs.
class SimulatorRun
{
public:
    SimulatorRun(const QStringList &faults, const QString &serial_path)
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] { take_output(); });
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(CONTROLLER_SIM),
                      QStringList{"--listen", "127.0.0.1:0", "--serial", serial_path, "--catalogue",
                                  QStringLiteral(CONFIGURATOR_DATA_DIR "/parametrs.csv"), "--log-requests"}
                          + faults);
    }
    ~SimulatorRun()
    {
        process.kill();
        process.waitForFinished(3000);
    }
    bool up()
    {
        return bench::wait_for([this] { return port != 0 && serial_open; }, 10000);
    }

    quint16 port = 0;
    int requests = 0;

private:
    void take_output()
    {
        output += process.readAllStandardOutput();
        for (int end = output.indexOf('\n'); end >= 0; end = output.indexOf('\n')) {
            const QByteArray line = output.left(end);
            output.remove(0, end + 1);
            if (line.startsWith("request "))
                ++requests;
            else if (line.startsWith("listening "))
                port = line.mid(line.lastIndexOf(':') + 1).toUShort();
            else if (line.startsWith("serial "))
                serial_open = true;
        }
    }

    QProcess process;
    QByteArray output;
    bool serial_open = false;
};

// Resident memory, and what is left of it once the allocator has given
// back the free heap it keeps: a transfer's large buffers leave free heap
// behind that the next one reuses, which is no growth.
QPair<double, double> resident_mib()
{
    const double resident = bench::status_mib("VmRSS:");
    malloc_trim(0);
    return {resident, bench::status_mib("VmRSS:")};
}

QStringList random_faults(QRandomGenerator &random)
{
    static const char *const results[] = {"ok",         "error_get",   "error_key",   "error_save",
                                          "error_test", "error_value", "not_a_result"};
    const auto number = [&](int low, int high) { return QString::number(random.bounded(low, high)); };
    switch (random.bounded(10)) {
    case 0:
    case 1:
    case 2: return {};
    case 3: return {"--delay", number(50, 1600)};
    case 4: return {"--chunks", number(2, 9), "--chunk-pause", number(10, 400)};
    case 5: return {"--no-reply"};
    case 6: return {"--result", results[random.bounded(7)]};
    case 7: return {"--close-after-request"};
    case 8: return {"--key-error", QStringLiteral("time=") + results[random.bounded(1, 6)]};
    default: return {"--stall-download", "--delay", number(0, 300)};
    }
}

class Soak
{
public:
    explicit Soak(quint32 seed) : random(seed)
    {
        for (const char *name : {"parametrs.csv", "Models.csv", "Заводские настройки.txt"})
            dir.copy_data_file(QString::fromUtf8(name));
        QDir(dir.path()).mkpath(QStringLiteral("exports"));
        window = std::make_unique<MainWindow>();
        window->show();
        log = qobject_cast<Log *>(harness::log_window());
        edit("lineEdit")->setText(QStringLiteral("127.0.0.1"));
        define_operations();
    }

    int run(qint64 duration_ms);

private:
    struct Operation
    {
        const char *name;
        std::function<void()> start;
        enum { Ethernet, Serial, Local } link;
        bool transfer;
    };
    void define_operations();
    void restart_simulator();
    void perform(const Operation &operation);
    void ensure_ethernet(bool identifying);
    void ensure_serial();

    template <class T = QPushButton>
    T *widget(const char *name)
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QLineEdit *edit(const char *name) { return widget<QLineEdit>(name); }
    void click(const char *name) { harness::click(widget<QAbstractButton>(name)); }
    QString newest(const QString &folder, const QString &pattern) const;

    harness::WorkingDirectory dir;
    std::unique_ptr<MainWindow> window;
    Log *log = nullptr;
    QRandomGenerator random;
    std::unique_ptr<harness::PtyPair> pty;
    std::unique_ptr<SimulatorRun> simulator;
    QStringList faults;
    qint64 simulator_until = 0;
    QElapsedTimer clock;
    QString uploaded;

    QVector<Operation> operations;
    int requests_before = 0; // of the simulators that have ended
    int performed = 0;
    QMap<QString, int> stuck; // operation and faults -> times
    qint64 longest_pending = 0;
    QString longest_pending_at;
    qint64 stall = 0, transfer_stall = 0;
    QString stall_at;
};

void Soak::define_operations()
{
    const auto page = [this] { widget<QTabWidget>("tabWidget_2")->setCurrentIndex(random.bounded(4)); };
    operations = {
        {"identification", [this] { click("connect_dev_btn"); }, Operation::Ethernet, false},
        {"network status", [this] { click("status_Eth"); }, Operation::Ethernet, false},
        {"parameter read",
         [this, page] {
             page();
             click("fiil_flags_btn");
             click("read_param_btn");
         },
         Operation::Ethernet, false},
        {"clock", [this] { click("synch_time"); }, Operation::Local, false},
        {"parameter write",
         [this, page] {
             page();
             click("fiil_flags_btn");
             click("write_param_btn");
         },
         Operation::Ethernet, false},
        {"settings save", [this] { click("write_settings_btn"); }, Operation::Ethernet, false},
        {"settings load",
         [this] {
             harness::answer_next_file_dialog(newest(dir.path(), QStringLiteral("Считанные*")));
             click("read_settings_btn");
         },
         Operation::Local, false},
        {"factory settings", [this] { click("industrial_btn"); }, Operation::Local, false},
        {"comparison",
         [this] {
             harness::answer_next_file_dialog(newest(dir.path(), QStringLiteral("Считанные*")));
             click("compare_settings_btn");
         },
         Operation::Ethernet, false},
        {"report",
         [this] {
             harness::answer_next_file_dialog(dir.file_path(QStringLiteral("report.pdf")));
             click("report_btn");
         },
         Operation::Local, false},
        {"devices added",
         [this] {
             widget<QComboBox>("comboBox")->setCurrentIndex(random.bounded(8));
             emit widget<QComboBox>("comboBox")->activated(widget<QComboBox>("comboBox")->currentIndex());
             for (int n = random.bounded(1, 5); n > 0; --n) {
                 edit("lineEdit_8")->setText(QStringLiteral("S%1").arg(random.bounded(100000)));
                 edit("lineEdit_11")->setText(QString::number(random.bounded(1, 10)));
                 click("set_new_dev_btn");
             }
         },
         Operation::Local, false},
        {"device write", [this] { click("write_dev_btn"); }, Operation::Ethernet, false},
        {"device read", [this] { click("read_dev_btn"); }, Operation::Ethernet, false},
        {"poll all", [this] { click("req_all_dev"); }, Operation::Ethernet, false},
        {"poll one",
         [this] {
             widget<QTableWidget>("tableWidget_2")->setCurrentCell(0, 0);
             click("req_one_dev");
         },
         Operation::Ethernet, false},
        {"poll channel", [this] { click("req_ch_btn"); }, Operation::Ethernet, false},
        {"poll to server", [this] { click("res_to_serv_btn"); }, Operation::Ethernet, false},
        {"channel interfaces", [this] { click("write_interf_btn"); }, Operation::Ethernet, false},
        {"device export",
         [this] {
             harness::answer_next_file_dialog(dir.file_path(QStringLiteral("exports")));
             click("write_dev_file_btn");
         },
         Operation::Local, false},
        {"device delete", [this] { click("delete_dev_btn"); }, Operation::Ethernet, false},
        {"device import",
         [this] {
             harness::answer_next_file_dialog(
                 newest(dir.file_path(QStringLiteral("exports")), QStringLiteral("*.csv")));
             click("read_file_dev_btn");
         },
         Operation::Local, false},
        {"table cleared", [this] { click("clear_table_btn"); }, Operation::Local, false},
        {"upload",
         [this] {
             const int size = random.bounded(2) ? random.bounded(1, 64 << 10) : random.bounded(64 << 10, 4 << 20);
             uploaded = QStringLiteral("up%1.bin").arg(size);
             dir.write_file(uploaded, QByteArray(size, char('a' + size % 26)));
             harness::answer_next_file_dialog(dir.file_path(uploaded));
             click("load_in_btn");
         },
         Operation::Ethernet, true},
        {"download",
         [this] {
             edit("lineEdit_7")->setText(uploaded.isEmpty() ? QStringLiteral("none.bin") : uploaded);
             harness::answer_next_file_dialog(dir.file_path(QStringLiteral("copy")));
             click("load_out_btn");
         },
         Operation::Ethernet, true},
        {"transmission", [this] { click("transmit_server_btn"); }, Operation::Ethernet, false},
        {"serial search",
         [this] {
             if (widget<QRadioButton>("radioButton")->isChecked()) // never the LAN sweep
                 click("res_btn");
         },
         Operation::Serial, false},
        {"serial identification", [this] { click("connect_dev_btn"); }, Operation::Serial, false},
        {"log saved",
         [] { harness::click(harness::log_window()->findChild<QPushButton *>(QStringLiteral("write_file_btn"))); },
         Operation::Local, false},
        {"firmware update", [this] { click("update_btn"); }, Operation::Ethernet, false},
        // The log keeps every byte until the user clears it (in its
        // temporary file); a transfer's bytes are in it as hex and as text.
        {"log cleared",
         [] { harness::click(harness::log_window()->findChild<QPushButton *>(QStringLiteral("clear_btn"))); },
         Operation::Local, false},
        {"disconnect", [this] { click("disconnect_eth_btn"); }, Operation::Local, false},
    };
}

QString Soak::newest(const QString &folder, const QString &pattern) const
{
    const QFileInfoList files = QDir(folder).entryInfoList({pattern}, QDir::Files, QDir::Time);
    return files.isEmpty() ? QString() : files.first().filePath();
}

void Soak::restart_simulator()
{
    if (simulator)
        requests_before += simulator->requests;
    simulator.reset();
    // A new adapter too: the line of the old one hung up with it.
    pty = std::make_unique<harness::PtyPair>();
    faults = random_faults(random);
    simulator = std::make_unique<SimulatorRun>(faults, pty->controller_end());
    if (!simulator->up())
        std::printf("  the simulator did not start with %s\n", qPrintable(faults.join(' ')));
    edit("lineEdit_2")->setText(QString::number(simulator->port));
    simulator_until = clock.elapsed() + random.bounded(20000, 45000);
}

void Soak::ensure_ethernet(bool identifying)
{
    if (!widget<QRadioButton>("radioButton_2")->isChecked())
        harness::click(widget<QRadioButton>("radioButton_2"));
    // Connected again as the user would: by identifying.
    if (!identifying && widget("connect_dev_btn")->text() != connected)
        perform(operations.first());
}

void Soak::ensure_serial()
{
    if (!widget<QRadioButton>("radioButton")->isChecked())
        harness::click(widget<QRadioButton>("radioButton"));
    auto *ports = widget<QComboBox>("name_box");
    if (ports->findText(pty->program_end()) < 0)
        ports->addItem(pty->program_end());
    ports->setCurrentIndex(ports->findText(pty->program_end()));
    // Opened afresh: a line lost under the button leaves it on.
    if (widget("connect_btn")->text().startsWith(QStringLiteral("Включено")))
        click("connect_btn");
    click("connect_btn");
}

void Soak::perform(const Operation &operation)
{
    if (operation.link == Operation::Ethernet)
        ensure_ethernet(&operation == &operations.first());
    else if (operation.link == Operation::Serial)
        ensure_serial();
    bench::StallMeter meter;
    meter.start();
    QElapsedTimer pending;
    pending.start();
    operation.start();
    const bool ended = bench::wait_for([this] { return !window->exchange_pending(); }, stuck_ms);
    const qint64 waited = pending.elapsed();
    // A transfer's records reach the log window slice by slice after it
    // ended; that is still the transfer's logging.
    if (operation.transfer)
        bench::wait_for([this] { return !log->has_pending_display(); }, stuck_ms);
    // Late bytes and the repaints of the ending.
    bench::wait_for([] { return false; }, random.bounded(10, 120));
    harness::forget_file_dialog_answers();
    const qint64 gap = meter.stop();
    const QString where = QStringLiteral("%1 [%2]").arg(QString::fromLatin1(operation.name), faults.join(' '));
    if (!ended) {
        ++stuck[where];
        // Let it go, as the user would.
        click("disconnect_eth_btn");
        bench::wait_for([this] { return !window->exchange_pending(); }, 15000);
    }
    if (waited > longest_pending) {
        longest_pending = waited;
        longest_pending_at = where;
    }
    if (gap > 250)
        std::printf("  a stall of %lld ms: %s, %lld ms after it began\n", gap, qPrintable(where), waited);
    if (operation.transfer) {
        transfer_stall = qMax(transfer_stall, gap);
    } else if (gap > stall) {
        stall = gap;
        stall_at = where;
    }
    ++performed;
}

int Soak::run(qint64 duration_ms)
{
    clock.start();
    // Warm: every operation done once, transfers included.
    const qint64 warm_up_ms = qMin<qint64>(60000, duration_ms / 3);
    QPair<double, double> warm_memory;
    qint64 warm_at = 0;
    qint64 next_report = 60000;
    // At the end of each round, once the log is cleared, with the free heap
    // given back.
    double round_end = 0, warm_round_end = 0;
    std::printf("minute  RSS MiB (heap given back)  requests  operations  round end MiB\n");
    for (int round = 0; clock.elapsed() < duration_ms; ++round) {
        for (const Operation &operation : operations) {
            if (clock.elapsed() >= simulator_until)
                restart_simulator();
            perform(operation);
            if (QByteArray(operation.name) == "log cleared") {
                round_end = resident_mib().second;
                if (warm_at != 0 && warm_round_end == 0)
                    warm_round_end = round_end;
            }
            if (warm_at == 0 && round > 0 && clock.elapsed() >= warm_up_ms) {
                warm_memory = resident_mib();
                warm_at = clock.elapsed();
            }
            if (clock.elapsed() >= next_report) {
                const QPair<double, double> memory = resident_mib();
                std::printf("%6lld %8.1f (%5.1f) %19d %11d %14.1f\n", next_report / 60000, memory.first, memory.second,
                            requests_before + simulator->requests, performed, round_end);
                std::fflush(stdout);
                next_report += 60000;
            }
            if (clock.elapsed() >= duration_ms)
                break;
        }
    }
    const double minutes = clock.elapsed() / 60000.0;
    const int requests = requests_before + simulator->requests;
    std::printf("\nSoak of %.1f min\n", minutes);
    std::printf("exchanges per minute   %.0f requests, %.0f operations\n", requests / minutes, performed / minutes);
    const QPair<double, double> end_memory = resident_mib();
    std::printf("resident memory        %.1f MiB after warm-up (%.0f s), %.1f MiB at the end\n", warm_memory.first,
                warm_at / 1000.0, end_memory.first);
    std::printf("  heap given back      %.1f MiB after warm-up, %.1f MiB at the end\n", warm_memory.second,
                end_memory.second);
    std::printf("  at a round's end     %.1f MiB after warm-up, %.1f MiB at the last\n", warm_round_end, round_end);
    int stuck_times = 0;
    for (const int times : stuck)
        stuck_times += times;
    std::printf("stuck flags            %d\n", stuck_times);
    for (auto it = stuck.begin(); it != stuck.end(); ++it)
        std::printf("  %dx %s\n", it.value(), qPrintable(it.key()));
    std::printf("longest pending        %lld ms, %s\n", longest_pending, qPrintable(longest_pending_at));
    std::printf("longest stall          %lld ms apart from transfers (%s), %lld ms in transfers\n", stall,
                qPrintable(stall_at), transfer_stall);
    return stuck.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("CONFIGURATOR_DATA_DIR", CONFIGURATOR_DATA_DIR);
    QApplication app(argc, argv);
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("SOAK_SECONDS", &ok);
    const quint32 seed = qEnvironmentVariableIsSet("SOAK_SEED") ? quint32(qEnvironmentVariableIntValue("SOAK_SEED"))
                                                                : quint32(QDateTime::currentMSecsSinceEpoch());
    std::printf("soak: %d s, seed %u (SOAK_SEED repeats it)\n", ok ? seconds : 600, seed);
    Soak soak(seed);
    return soak.run(qint64(ok ? seconds : 600) * 1000);
}
