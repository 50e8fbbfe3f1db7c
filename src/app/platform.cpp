#include "app/platform.h"

#include "network/arp_table.h"

#ifdef Q_OS_WIN
#include <QDir>

#include <windows.h>
#endif

namespace platform {

namespace {

#ifdef Q_OS_WIN
const char command_interpreter[] = "cmd";
const char arp_program[] = "arp";
#else
const char arp_program[] = "ip";
#endif
const char ping_program[] = "ping";

#ifdef Q_OS_WIN
// A program of the system folder by its full path. Windows looks for a
// bare name in the current folder first, where a "ping.bat" or "cmd.exe"
// left beside a settings file would run instead; the interpreter too
// searches its own current folder for the words it is given. Without the
// system folder's name nothing is started rather than a program found
// elsewhere.
QString system_program(const char *name)
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return QString();
    return QDir::toNativeSeparators(QString::fromWCharArray(folder, int(length)) + QLatin1Char('/')
                                    + QLatin1String(name) + QStringLiteral(".exe"));
}

// A command of the command interpreter, its words as separate arguments so
// that the command line reads exactly "cmd /C word word...", every program
// named by its full path.
ShellCommand interpreter_command(const QStringList &words)
{
    return {system_program(command_interpreter), QStringList{QStringLiteral("/C")} + words};
}
#endif

} // namespace

QString ShellCommand::text() const
{
    return (QStringList{program} + arguments).join(QLatin1Char(' '));
}

ShellCommand ping_command(const QString &address)
{
#ifdef Q_OS_WIN
    return interpreter_command({system_program(ping_program), address});
#else
    return {QString::fromLatin1(ping_program),
            {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("1"), address}};
#endif
}

QVector<ShellCommand> sweep_commands(const QStringList &addresses)
{
    QVector<ShellCommand> commands;
#ifdef Q_OS_WIN
    for (const QString &address : addresses)
        commands.append(ping_command(address));
#else
    // The addresses reach the script as its arguments, never as its text.
    const QString script = QStringLiteral("for address in \"$@\"; do ")
                           + ping_command(QStringLiteral("\"$address\"")).text()
                           + QStringLiteral(" >/dev/null 2>&1 & done; wait");
    // At a lower priority: 255 process starts at once must not take the
    // processor from the window, yet all are done well before the search
    // reads the ARP table.
    commands.append(
        {QStringLiteral("nice"), QStringList{QStringLiteral("-n"), QStringLiteral("5"), QStringLiteral("sh"),
                                             QStringLiteral("-c"), script, QStringLiteral("sh")}
                                     + addresses});
#endif
    return commands;
}

ShellCommand arp_query_command()
{
#ifdef Q_OS_WIN
    return interpreter_command({system_program(arp_program), QStringLiteral("-a")});
#else
    return {QString::fromLatin1(arp_program), {QStringLiteral("neigh"), QStringLiteral("show")}};
#endif
}

QByteArray arp_output_codec()
{
#ifdef Q_OS_WIN
    return QByteArrayLiteral("IBM 866");
#else
    return QByteArrayLiteral("UTF-8");
#endif
}

QString arp_table_text(const QString &query_output)
{
#ifdef Q_OS_WIN
    return query_output;
#else
    return arp_table::from_ip_neigh(query_output);
#endif
}

} // namespace platform
