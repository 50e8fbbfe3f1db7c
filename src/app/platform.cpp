#include "app/platform.h"

namespace platform {

ShellCommand shell_command(const QString &command_line)
{
#ifdef Q_OS_WIN
    return {QStringLiteral("cmd"), {QStringLiteral("/C"), command_line}};
#else
    return {QStringLiteral("sh"), {QStringLiteral("-c"), command_line}};
#endif
}

} // namespace platform
