#include "support/measures.h"

#include <QCoreApplication>
#include <QFile>

namespace harness {

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

double status_mib(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith(key))
                return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return 0.0;
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

} // namespace harness
