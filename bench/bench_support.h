#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

// What the benchmarks measure while they drive the window: the event loop's
// longest gap, this process's memory, waiting with the loop running, and a
// working directory of their own.

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace bench {

// Benchmarks run without a display unless the environment names a platform
// (Xvfb, to watch one). Call before the application is made.
void offscreen_unless_chosen();

// The event loop's longest gap while it runs: a 0 ms timer's largest
// interval, what the user feels as a freeze.
class StallMeter
{
public:
    StallMeter();
    void start();
    // The longest gap since start(); the meter stops.
    qint64 stop();

private:
    QTimer timer;
    QElapsedTimer since_last;
    qint64 longest = 0;
};

// A figure of /proc/self/status in MiB ("VmRSS:" resident now, "VmHWM:" the
// peak); 0 where the system does not tell.
double status_mib(const char *field);
inline double resident_mib()
{
    return status_mib("VmRSS:");
}
// Starts a new peak: the kernel's high-water mark ("VmHWM:") of this
// process is set back to what is resident now.
void reset_peak_memory();

// Runs the event loop until `condition` holds; false after `timeout_ms`.
bool wait_for(const std::function<bool()> &condition, int timeout_ms);

// Makes `directory` the current one, so that the files the program writes
// land there; false (and a message) when it cannot.
bool enter(const QTemporaryDir &directory);

} // namespace bench

#endif // BENCH_SUPPORT_H
