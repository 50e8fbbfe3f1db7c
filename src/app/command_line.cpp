#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

QCommandLineOption value_option(const char *name, const char *description, const char *value_name)
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                              QString::fromLatin1(value_name));
}

// A whole number from `minimum` to `maximum`, or false.
bool read_number(const QString &text, int minimum, int maximum, int *number)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < minimum || value > maximum)
        return false;
    *number = value;
    return true;
}

QString number_refusal(const char *option, int minimum, int maximum, const QString &text)
{
    return QStringLiteral("%1 wants a whole number from %2 to %3, not \"%4\".")
        .arg(QLatin1String(option))
        .arg(minimum)
        .arg(maximum)
        .arg(text);
}

} // namespace

CommandLine parse_command_line(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configurator of the Kestrin data concentrator (УСПД).\n\n"
                       "Commissioning with no window:\n"
                       "  --commission TEMPLATE [--apply] [--report FILE.pdf]\n"
                       "      (--host ADDR --port N | --serial PORT [--baud N]) [--interval MS]\n"
                       "  --commission TEMPLATE [--apply] --hosts FILE [--out DIR] [--summary FILE.csv]\n"
                       "Exit status: 0 the controllers match the template; 1 differences remain or a write\n"
                       "was not confirmed; 2 no link or no identification; 3 bad arguments or template;\n"
                       "4 a report not written; 130 interrupted."));
    const QCommandLineOption help_option({QStringLiteral("h"), QStringLiteral("help")},
                                         QStringLiteral("Show these options and exit."));
    const QCommandLineOption version_option({QStringLiteral("v"), QStringLiteral("version")},
                                            QStringLiteral("Show the name and version and exit."));
    const QCommandLineOption host_option =
        value_option("host", "Controller address: preset in the connection tab, or the one commissioned.", "ADDR");
    const QCommandLineOption port_option =
        value_option("port", "Controller TCP port: preset in the connection tab, or the one commissioned.", "N");
    const QCommandLineOption commission_option =
        value_option("commission", "Compare the controller with this settings file, with no window.", "TEMPLATE");
    const QCommandLineOption apply_option(QStringLiteral("apply"),
                                          QStringLiteral("Write the rows that differ, then compare again."));
    const QCommandLineOption report_option = value_option("report", "Write the commissioning report here.", "FILE.pdf");
    const QCommandLineOption serial_option = value_option("serial", "Reach the controller on this serial port.", "PORT");
    const QCommandLineOption baud_option = value_option("baud", "Baud rate of the serial port.", "N");
    const QCommandLineOption interval_option = value_option("interval", "Tick interval of the exchange.", "MS");
    const QCommandLineOption hosts_option =
        value_option("hosts", "Commission every controller of this file: ADDR:PORT a line, # a comment.", "FILE");
    const QCommandLineOption out_option =
        value_option("out", "Folder of the reports of a list, named by serial number (default: here).", "DIR");
    const QCommandLineOption summary_option = value_option("summary", "Write one row a controller here.", "FILE.csv");
    parser.addOptions({help_option, version_option, host_option, port_option, commission_option, apply_option,
                       report_option, serial_option, baud_option, interval_option, hosts_option, out_option,
                       summary_option});

    CommandLine result;
    // The help text names the program from the application's arguments;
    // before the application exists only the action is asked for.
    if (QCoreApplication::instance())
        result.help_text = parser.helpText();
    result.version_text =
        QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion();
    const auto refuse = [&result](const QString &message) {
        result.action = CommandLine::Action::Refuse;
        result.message = message;
        return result;
    };

    if (!parser.parse(arguments))
        return refuse(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(help_option)) {
        result.action = CommandLine::Action::ShowHelp;
        return result;
    }
    if (parser.isSet(version_option)) {
        result.action = CommandLine::Action::ShowVersion;
        return result;
    }
    result.host = parser.value(host_option);
    result.port = parser.value(port_option);
    const bool commission = parser.isSet(commission_option);
    // The smallest port a controller is reached on; 0 only presets the field.
    const int lowest_port = commission ? 1 : 0;
    int port = 0;
    if (parser.isSet(port_option) && !read_number(result.port, lowest_port, 65535, &port))
        return refuse(
            QStringLiteral("--port wants a TCP port number from %1 to 65535, not \"%2\".").arg(lowest_port).arg(result.port));

    for (const QCommandLineOption *option : {&apply_option, &report_option, &serial_option, &baud_option,
                                             &interval_option, &hosts_option, &out_option, &summary_option}) {
        if (!commission && parser.isSet(*option))
            return refuse(QStringLiteral("--%1 goes with --commission only.").arg(option->names().constFirst()));
    }
    if (!commission)
        return result;

    CommissioningOptions &options = result.commissioning;
    options.template_path = parser.value(commission_option);
    if (options.template_path.isEmpty())
        return refuse(QStringLiteral("--commission wants the settings file to compare with."));
    options.apply = parser.isSet(apply_option);
    options.serial_port = parser.value(serial_option);
    options.hosts_file = parser.value(hosts_option);
    const bool over_ethernet = parser.isSet(host_option) || parser.isSet(port_option);
    const int targets = int(over_ethernet) + int(parser.isSet(serial_option)) + int(parser.isSet(hosts_option));
    if (targets != 1)
        return refuse(QStringLiteral("--commission wants one of --host and --port, --serial or --hosts."));
    if (over_ethernet && (result.host.isEmpty() || !parser.isSet(port_option)))
        return refuse(QStringLiteral("--host and --port go together."));
    if (parser.isSet(serial_option) && options.serial_port.isEmpty())
        return refuse(QStringLiteral("--serial wants a port name."));
    if (parser.isSet(hosts_option) && options.hosts_file.isEmpty())
        return refuse(QStringLiteral("--hosts wants a file."));
    if (parser.isSet(baud_option) && !parser.isSet(serial_option))
        return refuse(QStringLiteral("--baud goes with --serial only."));
    if (parser.isSet(baud_option) && !read_number(parser.value(baud_option), 1, 4000000, &options.baud))
        return refuse(number_refusal("--baud", 1, 4000000, parser.value(baud_option)));
    if (parser.isSet(interval_option) && !read_number(parser.value(interval_option), 1, 60000, &options.interval_ms))
        return refuse(number_refusal("--interval", 1, 60000, parser.value(interval_option)));
    // A list names its reports after the controllers; one controller's
    // report is named by the user.
    if (parser.isSet(hosts_option)) {
        if (parser.isSet(report_option))
            return refuse(QStringLiteral("--report goes with one controller; a list's reports go to --out."));
        options.out_dir = parser.isSet(out_option) ? parser.value(out_option) : QStringLiteral(".");
        options.summary_path = parser.value(summary_option);
        if (options.out_dir.isEmpty() || (parser.isSet(summary_option) && options.summary_path.isEmpty()))
            return refuse(QStringLiteral("--out and --summary want a name."));
    } else {
        for (const QCommandLineOption *option : {&out_option, &summary_option}) {
            if (parser.isSet(*option))
                return refuse(QStringLiteral("--%1 goes with --hosts only.").arg(option->names().constFirst()));
        }
        options.report_path = parser.value(report_option);
        if (parser.isSet(report_option) && options.report_path.isEmpty())
            return refuse(QStringLiteral("--report wants a file name."));
    }
    result.action = CommandLine::Action::Commission;
    return result;
}
