#ifndef APP_COMMAND_LINE_H
#define APP_COMMAND_LINE_H

#include <QString>
#include <QStringList>

// What the configurator's command line asks for.
struct CommandLine
{
    enum class Action {
        Run,         // start the window
        ShowHelp,    // print the options and exit successfully
        ShowVersion, // print the name and version and exit successfully
        Refuse,      // print `message` and the options, exit with an error
    };
    Action action = Action::Run;
    QString host; // presets of the connection tab; empty: the defaults
    QString port;
    QString message;
    QString help_text;
    QString version_text;
};

// Reads `arguments` (the program name first, as QCoreApplication gives
// them): --host ADDR, --port N, --help, --version. An unknown option or a
// port that is not a number from 0 to 65535 is refused.
CommandLine parse_command_line(const QStringList &arguments);

#endif // APP_COMMAND_LINE_H
