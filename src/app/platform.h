#ifndef APP_PLATFORM_H
#define APP_PLATFORM_H

#include <QString>
#include <QStringList>

// The few things that differ between Windows, the main target, and the
// other systems the configurator is built for.
namespace platform {

// Program and arguments that run one command line of the system's command
// interpreter ("cmd /C ..." on Windows, "sh -c ..." elsewhere).
struct ShellCommand
{
    QString program;
    QStringList arguments;
};
ShellCommand shell_command(const QString &command_line);

} // namespace platform

#endif // APP_PLATFORM_H
