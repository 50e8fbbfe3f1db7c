#ifndef SIMULATOR_OPTIONS_H
#define SIMULATOR_OPTIONS_H

#include "controller_state.h"
#include "reply_faults.h"

#include <QCommandLineParser>
#include <QMap>
#include <QString>
#include <QStringList>

// Everything the command line decides.
struct SimulatorOptions
{
    // TCP: on when asked for with --listen, and also when no serial line is
    // given, so that a bare start has something to talk to.
    bool tcp = true;
    QString listen_host = QStringLiteral("127.0.0.1");
    quint16 listen_port = 2200; // 0: any free port

    QString serial_path; // empty: no serial line
    qint32 baud = 9600;

    ControllerState controller;
    ReplyFaults faults;
    QString forced_result;             // empty: normal replies
    QMap<QString, QString> key_errors; // key -> result code of every request naming it
    bool log_requests = false;
};

// The simulator's command line: the options, their defaults and checks.
class SimulatorCommandLine
{
public:
    SimulatorCommandLine();

    // `arguments` starts with the program name, as QCoreApplication gives it.
    // False on a mistake, described by error_text().
    bool parse(const QStringList &arguments);

    QString error_text() const { return error; }
    bool help_requested() const;
    QString help_text() const { return parser.helpText(); }
    const SimulatorOptions &options() const { return parsed; }

private:
    bool read_listen_address(const QString &text);
    bool read_number(const QString &option, int minimum, int *value);
    bool read_ipconfig(const QString &text);
    bool read_parameters();
    bool read_set_values();

    QCommandLineParser parser;
    SimulatorOptions parsed;
    QString error;
};

#endif // SIMULATOR_OPTIONS_H
