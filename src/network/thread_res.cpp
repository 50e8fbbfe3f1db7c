#include "network/thread_res.h"

#include "app/platform.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

thread_res::thread_res(QObject *parent) : QThread(parent) {}

thread_res::~thread_res()
{
    quit();
    wait();
}

QString thread_res::host_address(int host)
{
    return QStringLiteral("192.168.100.") + QString::number(host);
}

void thread_res::setStdout() {}

void thread_res::run()
{
    // Everything here belongs to this thread and ends with run().
    QEventLoop loop;
    int running = 0;
    bool all_started = false;
    const auto one_done = [&] {
        if (--running == 0 && all_started)
            loop.quit();
    };

    QStringList addresses;
    for (int host = 0; host < host_count; ++host)
        addresses << host_address(host);
    for (const platform::ShellCommand &command : platform::sweep_commands(addresses)) {
        auto *process = new QProcess;
        processes.push_back(process);
        // Without pipes a process holds one descriptor instead of four, so
        // that 255 at once stay well below the usual limit of 1024 a
        // program may have open.
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        connect(process, &QProcess::readyReadStandardOutput, this, &thread_res::setStdout);
        connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), one_done);
        connect(process, &QProcess::errorOccurred, [one_done](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                one_done();
        });
        ++running;
        process->start(command.program, command.arguments, QIODevice::ReadWrite);
    }
    all_started = true;

    if (running > 0) {
        QTimer limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(sweep_limit_ms);
        // Also left when the window goes and stops the thread (quit()).
        loop.exec();
    }
    release_processes();
}

void thread_res::release_processes()
{
    for (QProcess *process : processes) {
        process->disconnect();
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(1000);
        }
        delete process;
    }
    processes.clear();
}
