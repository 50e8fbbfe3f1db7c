#ifndef NETWORK_THREAD_RES_H
#define NETWORK_THREAD_RES_H

#include <QString>
#include <QThread>

#include <vector>

class QProcess;

// The ping sweep of the network search: one ping to every host of the
// subnet 192.168.100.0/24 but the last, so that the computer's ARP table
// fills up. It runs on a thread of its own, so that starting the processes
// never holds up the window, and touches nothing of the window.
//
// The thread lives until its processes have finished (or a minute has
// passed) and then releases them; a search started meanwhile does not
// start a second sweep.
class thread_res : public QThread
{
    Q_OBJECT

public:
    static constexpr int host_count = 255;
    // A sweep whose pings are not done by then has them stopped.
    static constexpr int sweep_limit_ms = 60000;

    explicit thread_res(QObject *parent = nullptr);
    // Stops the sweep: its processes are ended and released.
    ~thread_res() override;

    // "192.168.100." followed by `host`.
    static QString host_address(int host);

public slots:
    // The pings' output is not wanted.
    void setStdout();

protected:
    void run() override;

private:
    void release_processes();

    std::vector<QProcess *> processes;
};

#endif // NETWORK_THREAD_RES_H
