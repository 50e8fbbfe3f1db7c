#ifndef APP_CONSOLE_H
#define APP_CONSOLE_H

#include <QObject>

#include <functional>

class QString;

// What a run from the command line needs of the system it runs on: a
// platform when there is no display, a console to print to, and word of
// Ctrl+C. Windows, the main target, differs in each.
namespace console {

// Chooses Qt's offscreen platform when none is set, so that what needs no
// window runs where there is no display at all (a service, a CI job, an
// SSH session). On Windows every session can make windows: nothing changes.
void prefer_offscreen_platform();

// A program built for the window has no console on Windows: its output
// would go nowhere. Attaches the console of the program that started it,
// when there is one, and points the standard streams at it.
void attach_parent_console();

// Writes `text` and a line end (unless it ends with one) to stdout or
// stderr, at once.
void print_line(bool error, const QString &text);

// From now on Ctrl+C and a request to end (SIGTERM; on Windows Ctrl+Break
// and closing the console as well) no longer end the program: they are
// kept for watch_interrupts(). Called first thing, so that one that comes
// while the program starts is not lost. A second request ends the program
// as the system would, in case the first one could not stop it.
void catch_interrupts();
// Calls `on_interrupt` on the calling thread, from its event loop, for a
// request caught (also one caught before this call).
void watch_interrupts(QObject *context, std::function<void()> on_interrupt);

} // namespace console

#endif // APP_CONSOLE_H
