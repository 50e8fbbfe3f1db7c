#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

CommandLine parse_command_line(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Configurator of the Kestrin data concentrator (УСПД)."));
    const QCommandLineOption help_option({QStringLiteral("h"), QStringLiteral("help")},
                                         QStringLiteral("Show these options and exit."));
    const QCommandLineOption version_option({QStringLiteral("v"), QStringLiteral("version")},
                                            QStringLiteral("Show the name and version and exit."));
    const QCommandLineOption host_option(QStringLiteral("host"),
                                         QStringLiteral("Controller address preset in the connection tab."),
                                         QStringLiteral("ADDR"));
    const QCommandLineOption port_option(QStringLiteral("port"),
                                         QStringLiteral("Controller TCP port preset in the connection tab."),
                                         QStringLiteral("N"));
    parser.addOptions({help_option, version_option, host_option, port_option});

    CommandLine result;
    result.help_text = parser.helpText();
    result.version_text =
        QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion();

    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Refuse;
        result.message = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::Refuse;
        result.message = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return result;
    }
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
    if (parser.isSet(port_option)) {
        bool ok = false;
        const uint port = result.port.toUInt(&ok, 10);
        if (!ok || port > 65535) {
            result.action = CommandLine::Action::Refuse;
            result.message =
                QStringLiteral("--port wants a TCP port number from 0 to 65535, not \"%1\".").arg(result.port);
        }
    }
    return result;
}
