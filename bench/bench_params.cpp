// The parameter pages against the controller simulator on 127.0.0.1, with
// the shipped catalogue and factory settings, offscreen:
//   build   what building the pages adds to the window's start-up (the
//           window with the catalogue against one with an empty catalogue,
//           processor time)
//   read    all rows of the largest page, at intervals of 10 and 100 ms:
//           requests sent and the time per request in ticks
//   write   the same page's writable rows
//   save    the settings file (get-all request, file written), and right
//           after a stopped one (the link settles first)
//   load    a settings file into all four pages (no link involved)
// Usage: bench_params [data folder] [controller_sim]

#include "app/mainwindow.h"
#include "bench_support.h"
#include "params/catalogue.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

const char *const table_names[] = {"tableWidget", "tableWidget_3", "tableWidget_4", "tableWidget_5"};

qint64 median(std::vector<qint64> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

// Processor time of this process in microseconds: steadier than the wall
// clock on a machine that others share.
qint64 cpu_us()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Median processor time from construction to the first frame. Each window
// starts as the first one does, before the application has a style sheet:
// the constructor applies it after the pages are built.
qint64 start_up_us()
{
    std::vector<qint64> runs;
    for (int run = 0; run < 15; ++run) {
        const qint64 start = cpu_us();
        auto *window = new MainWindow;
        window->show();
        QApplication::processEvents();
        window->grab();
        runs.push_back(cpu_us() - start);
        delete window;
        qApp->setStyleSheet(QString());
        QApplication::processEvents();
    }
    return median(runs);
}

// Records in the traffic log: requests sent ("-> ") and replies taken ("<- ").
struct Traffic
{
    int sent = 0;
    int taken = 0;
};

Traffic traffic()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("Log")) {
            const QString text = widget->findChild<QTextEdit *>(QStringLiteral("textEdit"))->toPlainText();
            return {int(text.count(QStringLiteral("-> "))), int(text.count(QStringLiteral("<- ")))};
        }
    }
    return {};
}

bool wait_until(const std::function<bool()> &done, int timeout_ms = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

struct Session
{
    MainWindow window;

    template <class T>
    T *find(const char *name)
    {
        return window.findChild<T *>(QString::fromLatin1(name));
    }
    void click(const char *name) { find<QPushButton>(name)->click(); }
    QString status() { return find<QLabel>("label")->text(); }

    // Clicks and waits until every request sent has had its reply taken.
    // Returns the time and the number of requests.
    std::pair<qint64, int> exchange(const char *button)
    {
        const Traffic before = traffic();
        QElapsedTimer clock;
        clock.start();
        click(button);
        wait_until([] {
            const Traffic now = traffic();
            return now.sent == now.taken;
        });
        return {clock.elapsed(), traffic().sent - before.sent};
    }
};

void report_exchange(const char *what, int interval, const std::pair<qint64, int> &result, const QString &status)
{
    const double per_request = result.second ? double(result.first) / result.second : 0;
    std::printf("  %-5s interval %3d ms: %2d requests in %5lld ms, %6.1f ms = %.2f ticks per request  [%s]\n", what,
                interval, result.second, result.first, per_request, per_request / interval,
                status.toUtf8().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    bench::offscreen_unless_chosen();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);

    const QString data = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(CONFIGURATOR_DATA_DIR);
    const QString simulator = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(CONTROLLER_SIM);
    QTemporaryDir dir;
    for (const QString &name : {QStringLiteral("style.css"), QStringLiteral("Models.csv"),
                                QStringLiteral("parametrs.csv"), QStringLiteral("Заводские настройки.txt")})
        QFile::copy(data + QLatin1Char('/') + name, dir.filePath(name));
    QDir(dir.path()).mkdir(QStringLiteral("res"));
    QFile::copy(data + QStringLiteral("/res/lumora.ico"), dir.filePath(QStringLiteral("res/lumora.ico")));
    QDir::setCurrent(dir.path());

    QFile catalogue_file(QStringLiteral("parametrs.csv"));
    catalogue_file.open(QIODevice::ReadOnly | QIODevice::Text);
    const params::Catalogue catalogue = params::read_catalogue(catalogue_file);
    catalogue_file.close();
    int rows = 0;
    for (const ParamPage &page : catalogue)
        rows += page.size();

    const qint64 with_pages = start_up_us();
    QFile::rename(QStringLiteral("parametrs.csv"), QStringLiteral("parametrs.full"));
    QFile(QStringLiteral("parametrs.csv")).open(QIODevice::WriteOnly); // empty catalogue
    const qint64 without_pages = start_up_us();
    QFile::remove(QStringLiteral("parametrs.csv"));
    QFile::rename(QStringLiteral("parametrs.full"), QStringLiteral("parametrs.csv"));
    std::printf("pages (%d rows): window start-up %.1f ms with them, %.1f ms without: %.1f ms added "
                "(processor time, median of 15)\n",
                rows, with_pages / 1000.0, without_pages / 1000.0, (with_pages - without_pages) / 1000.0);

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(simulator, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--catalogue"),
                          dir.filePath(QStringLiteral("parametrs.csv"))});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench_params: the simulator did not start (%s)\n", qPrintable(simulator));
        return 1;
    }
    const QString port = QString::fromUtf8(sim.readAllStandardOutput()).trimmed().section(QLatin1Char(':'), -1);

    Session session;
    session.window.show();
    session.find<QLineEdit>("lineEdit")->setText(QStringLiteral("127.0.0.1"));
    session.find<QLineEdit>("lineEdit_2")->setText(port);
    session.click("connect_dev_btn");
    if (!wait_until([&] { return !session.find<QLineEdit>("lineEdit_3")->text().isEmpty(); }, 10000)) {
        std::fprintf(stderr, "bench_params: the simulator was not identified\n");
        return 1;
    }

    int largest = 0;
    for (int page = 1; page < params::page_count; ++page) {
        if (catalogue[size_t(page)].size() > catalogue[size_t(largest)].size())
            largest = page;
    }
    const ParamPage &page = catalogue[size_t(largest)];
    QTableWidget *table = session.find<QTableWidget>(table_names[largest]);
    session.find<QTabWidget>("tabWidget_2")->setCurrentIndex(largest);
    std::printf("largest page %d: %d rows, %lld writable\n", largest, page.size(),
                qint64(std::count_if(page.access.begin(), page.access.end(), params::writable)));

    for (const int interval : {10, 100}) {
        session.find<QLineEdit>("interval_line")->setText(QString::number(interval));
        session.click("fiil_flags_btn");
        const auto read = session.exchange("read_param_btn");
        report_exchange("read", interval, read, session.status());
        for (int row = 0; row < page.size(); ++row)
            qobject_cast<QCheckBox *>(table->cellWidget(row, 0))->setChecked(params::writable(page.access.at(row)));
        const auto write = session.exchange("write_param_btn");
        report_exchange("write", interval, write, session.status());
        const auto save = session.exchange("write_settings_btn");
        report_exchange("save", interval, save, session.status());
    }

    // What a stop costs the next operation: its request waits until the
    // link has been quiet, so that the stopped one's late answer is dropped.
    session.find<QLineEdit>("interval_line")->setText(QStringLiteral("10"));
    session.click("write_settings_btn");
    session.click("abort_btn");
    QElapsedTimer after_stop;
    after_stop.start();
    session.click("write_settings_btn");
    const bool saved_after_stop =
        wait_until([&] { return session.status() == QStringLiteral("Настройки записаны"); }, 15000);
    std::printf("save right after a stop, interval 10 ms: %lld ms%s\n", after_stop.elapsed(),
                saved_after_stop ? "" : " FAILED");

    // Loading: the saved file as the factory file, so that no dialog is involved.
    const QStringList saved = QDir().entryList({QStringLiteral("Считанные*")}, QDir::Files);
    if (!saved.isEmpty()) {
        QFile::remove(QStringLiteral("Заводские настройки.txt"));
        QFile::copy(saved.first(), QStringLiteral("Заводские настройки.txt"));
    }
    std::vector<qint64> loads;
    std::vector<qint64> shown;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer clock;
        clock.start();
        session.click("industrial_btn");
        loads.push_back(clock.nsecsElapsed() / 1000);
        session.window.grab(); // the page repainted with the new values
        shown.push_back(clock.nsecsElapsed() / 1000);
    }
    std::printf("load settings file into all pages: median %.2f ms, %.2f ms with the repaint (21 runs) [%s]\n",
                median(loads) / 1000.0, median(shown) / 1000.0, session.status().toUtf8().constData());

    sim.kill();
    sim.waitForFinished(3000);
    return 0;
}
