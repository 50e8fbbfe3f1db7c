#include "bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace bench {

void offscreen_unless_chosen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

StallMeter::StallMeter()
{
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [this] { longest = qMax(longest, since_last.restart()); });
}

void StallMeter::start()
{
    longest = 0;
    since_last.start();
    timer.start();
}

qint64 StallMeter::stop()
{
    timer.stop();
    return qMax(longest, since_last.elapsed());
}

double status_mib(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith(field))
                return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return 0.0;
}

void reset_peak_memory()
{
    QFile clear_refs(QStringLiteral("/proc/self/clear_refs"));
    if (clear_refs.open(QIODevice::WriteOnly))
        clear_refs.write("5");
}

bool wait_for(const std::function<bool()> &condition, int timeout_ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool enter(const QTemporaryDir &directory)
{
    if (directory.isValid() && QDir::setCurrent(directory.path()))
        return true;
    std::fprintf(stderr, "no temporary directory\n");
    return false;
}

} // namespace bench
