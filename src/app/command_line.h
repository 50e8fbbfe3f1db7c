#ifndef APP_COMMAND_LINE_H
#define APP_COMMAND_LINE_H

#include <QString>
#include <QStringList>

// A commissioning run from the command line: one controller, or a list.
struct CommissioningOptions
{
    QString template_path; // the settings file the controllers must match
    bool apply = false;    // write the rows the comparison flags
    QString report_path;   // one controller: where its report goes; empty: none
    QString serial_port;   // one controller over a serial line; empty: Ethernet
    int baud = 0;          // of the serial line; 0: as the session left it
    int interval_ms = 0;   // the tick interval; 0: the window's default
    QString hosts_file;    // a list of controllers, ADDR:PORT a line; empty: one
    QString out_dir;       // the list's reports
    QString summary_path;  // the list's summary; empty: none
};

// What the configurator's command line asks for.
struct CommandLine
{
    enum class Action {
        Run,         // start the window
        Commission,  // commission a controller or a list, with no window
        ShowHelp,    // print the options and exit successfully
        ShowVersion, // print the name and version and exit successfully
        Refuse,      // print `message` and the options, exit with an error
    };
    Action action = Action::Run;
    QString host; // presets of the connection tab; empty: the defaults
    QString port;
    CommissioningOptions commissioning;
    QString message;
    QString help_text;
    QString version_text;
};

// Reads `arguments` (the program name first, as QCoreApplication gives
// them): --host ADDR, --port N, --help, --version, and the commissioning
// options (--commission TEMPLATE with --host and --port, --serial or
// --hosts, and what goes with them). An unknown option, a number out of
// range, or options that do not go together are refused.
CommandLine parse_command_line(const QStringList &arguments);

#endif // APP_COMMAND_LINE_H
