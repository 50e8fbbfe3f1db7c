#include "app/console.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace console {

void prefer_offscreen_platform()
{
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
}

void attach_parent_console()
{
#ifdef Q_OS_WIN
    // Streams already redirected to a file or pipe stay where they point.
    if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN)
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    FILE *stream = nullptr;
    freopen_s(&stream, "CONOUT$", "w", stdout);
    freopen_s(&stream, "CONOUT$", "w", stderr);
    SetConsoleOutputCP(CP_UTF8);
#endif
}

void print_line(bool error, const QString &text)
{
    FILE *stream = error ? stderr : stdout;
#ifdef Q_OS_WIN
    // The console shows UTF-8 once attached; a file or pipe gets UTF-8 too,
    // so that a script reads the same bytes on every system.
    const QByteArray bytes = text.toUtf8();
#else
    const QByteArray bytes = text.toLocal8Bit();
#endif
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    if (!text.endsWith(QLatin1Char('\n')))
        std::fputc('\n', stream);
    std::fflush(stream);
}

namespace {

std::function<void()> interrupt_handler;
QObject *interrupt_context = nullptr;

#ifdef Q_OS_WIN
LONG interrupt_requests = 0;
LONG interrupts_delivered = 0;

// Hands a caught request to the handler's thread, once.
void deliver_interrupt()
{
    if (interrupt_context && InterlockedCompareExchange(&interrupts_delivered, 1, 0) == 0)
        QMetaObject::invokeMethod(interrupt_context, [] { interrupt_handler(); }, Qt::QueuedConnection);
}

BOOL WINAPI console_event(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT: break;
    default: return FALSE;
    }
    // The second request: the system's own handling ends the process.
    if (InterlockedIncrement(&interrupt_requests) > 1)
        return FALSE;
    // This runs on a thread of its own; the handler belongs to the loop.
    deliver_interrupt();
    return TRUE;
}
#else
int interrupt_pipe[2] = {-1, -1};

void on_signal(int)
{
    // Only what is safe in a signal handler: one byte into the pipe. The
    // handler was reset on delivery (SA_RESETHAND): a second signal ends
    // the program.
    const char byte = 1;
    const ssize_t written = ::write(interrupt_pipe[1], &byte, 1);
    (void)written;
}
#endif

} // namespace

void catch_interrupts()
{
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(console_event, TRUE);
#else
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, interrupt_pipe) != 0)
        return;
    ::fcntl(interrupt_pipe[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(interrupt_pipe[1], F_SETFD, FD_CLOEXEC);
    ::fcntl(interrupt_pipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

void watch_interrupts(QObject *context, std::function<void()> on_interrupt)
{
    interrupt_handler = std::move(on_interrupt);
    interrupt_context = context;
#ifdef Q_OS_WIN
    // One caught before there was anyone to tell.
    if (interrupt_requests > 0)
        deliver_interrupt();
#else
    if (interrupt_pipe[0] < 0)
        return;
    // A byte written before now makes the notifier fire at the loop's
    // first turn.
    auto *notifier = new QSocketNotifier(interrupt_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char byte = 0;
        if (::read(interrupt_pipe[0], &byte, 1) == 1)
            interrupt_handler();
    });
#endif
}

} // namespace console
