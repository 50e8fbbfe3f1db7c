#ifndef TESTS_MEASURES_H
#define TESTS_MEASURES_H

// What the benchmarks measure while they drive the window: the event loop's
// longest gap, this process's memory, and waiting with the loop running.

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace harness {

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

// A figure of /proc/self/status in MiB ("VmRSS:", "VmHWM:"); 0 elsewhere.
double status_mib(const char *key);

// Runs the event loop until `condition` holds; false after `timeout_ms`.
bool wait_for(const std::function<bool()> &condition, int timeout_ms);

} // namespace harness

#endif // TESTS_MEASURES_H
