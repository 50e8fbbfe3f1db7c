#include "simulator_options.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "plausible_values.h"

#include <QFile>

namespace {

QCommandLineOption value_option(const char *name, const QString &description, const char *value_name,
                                const QString &default_value = QString())
{
    QCommandLineOption option(QString::fromLatin1(name), description, QString::fromLatin1(value_name));
    if (!default_value.isEmpty())
        option.setDefaultValue(default_value);
    return option;
}

QString dotted(const AddressQuad &quad)
{
    return QStringLiteral("%1.%2.%3.%4").arg(quad[0]).arg(quad[1]).arg(quad[2]).arg(quad[3]);
}

QString default_ipconfig()
{
    QStringList quads;
    for (const AddressQuad &quad : ControllerState().ipconfig)
        quads.append(dotted(quad));
    return quads.join(QLatin1Char(','));
}

} // namespace

SimulatorCommandLine::SimulatorCommandLine()
{
    const ControllerState defaults;
    parser.setApplicationDescription(QStringLiteral("Answers the configurator's requests like the controller."));
    parser.addHelpOption();
    parser.addOptions({
        value_option("listen",
                     QStringLiteral("Accept TCP connections on ADDRESS:PORT; port 0 picks a free one "
                                    "(default 127.0.0.1:2200, used when no serial line is given)."),
                     "address:port"),
        value_option("serial", QStringLiteral("Talk on the serial port or tty PATH."), "path"),
        value_option("baud", QStringLiteral("Baud rate of the serial line, 8N1."), "rate", QStringLiteral("9600")),
        value_option("serial-number", QStringLiteral("Serial number of the controller."), "text", defaults.serial),
        value_option("fw-ver", QStringLiteral("Firmware version."), "text", defaults.fw_ver),
        value_option("fw-id", QStringLiteral("Firmware identifier."), "text", defaults.fw_id),
        value_option("rs-type", QStringLiteral("Comma list of channel interfaces, channel 1 first."), "list",
                     defaults.rs_type.join(QLatin1Char(','))),
        value_option("ipconfig", QStringLiteral("Own address, gateway, mask and DNS as comma-separated dotted quads."),
                     "list", default_ipconfig()),
        value_option("catalogue", QStringLiteral("Parameters to keep: the configurator's parametrs.csv."), "path"),
        {QStringLiteral("plausible"),
         QStringLiteral("Show a controller at work: the parameters start at values that look real, the clock "
                        "runs, measurements drift (serial number %1 unless given).")
             .arg(plausible_serial())},
        value_option("seed", QStringLiteral("Seed of the random drift of measurements."), "n", QStringLiteral("1")),
        value_option("set",
                     QStringLiteral("Start parameter KEY of the catalogue at VALUE (JSON, or else a text); "
                                    "may be repeated."),
                     "key=value"),
        value_option("key-error",
                     QStringLiteral("Answer every request that reads or writes KEY with "
                                    "{\"result\":CODE}; may be repeated."),
                     "key=code"),
        value_option("delay", QStringLiteral("Wait MS milliseconds before each reply."), "ms", QStringLiteral("0")),
        value_option("chunks", QStringLiteral("Write each reply in N pieces."), "n", QStringLiteral("1")),
        value_option("chunk-pause", QStringLiteral("Pause between two pieces of a reply."), "ms", QStringLiteral("0")),
        {QStringLiteral("no-reply"), QStringLiteral("Read requests but never answer.")},
        value_option("result", QStringLiteral("Answer every request with {\"result\":CODE}."), "code"),
        {QStringLiteral("close-after-request"), QStringLiteral("Close the TCP connection after each request "
                                                               "instead of answering.")},
        value_option("raw-reply", QStringLiteral("Answer every request with exactly these bytes."), "text"),
        {QStringLiteral("stall-download"), QStringLiteral("Stop every file download halfway and stay silent.")},
        {QStringLiteral("log-requests"), QStringLiteral("Print each request to stdout as \"request <json>\".")},
    });
}

bool SimulatorCommandLine::help_requested() const
{
    return parser.isSet(QStringLiteral("help"));
}

bool SimulatorCommandLine::parse(const QStringList &arguments)
{
    parsed = SimulatorOptions();
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return false;
    }

    parsed.serial_path = parser.value(QStringLiteral("serial"));
    parsed.tcp = parser.isSet(QStringLiteral("listen")) || parsed.serial_path.isEmpty();
    if (parser.isSet(QStringLiteral("listen")) && !read_listen_address(parser.value(QStringLiteral("listen"))))
        return false;
    if (!read_number(QStringLiteral("baud"), 1, &parsed.baud))
        return false;

    ControllerState &controller = parsed.controller;
    controller.serial = parser.value(QStringLiteral("serial-number"));
    controller.fw_ver = parser.value(QStringLiteral("fw-ver"));
    controller.fw_id = parser.value(QStringLiteral("fw-id"));
    const QString rs_type = parser.value(QStringLiteral("rs-type"));
    controller.rs_type = rs_type.isEmpty() ? QStringList() : rs_type.split(QLatin1Char(','));
    if (!read_ipconfig(parser.value(QStringLiteral("ipconfig"))) || !read_parameters())
        return false;
    int seed = 1;
    if (!read_number(QStringLiteral("seed"), 0, &seed))
        return false;
    if (parser.isSet(QStringLiteral("plausible"))) {
        if (!parser.isSet(QStringLiteral("serial-number")))
            controller.serial = plausible_serial();
        make_plausible(controller, quint32(seed));
    }
    if (!read_set_values())
        return false;

    ReplyFaults &faults = parsed.faults;
    if (!read_number(QStringLiteral("delay"), 0, &faults.delay_ms)
        || !read_number(QStringLiteral("chunks"), 1, &faults.chunks)
        || !read_number(QStringLiteral("chunk-pause"), 0, &faults.chunk_pause_ms))
        return false;
    faults.no_reply = parser.isSet(QStringLiteral("no-reply"));
    faults.close_after_request = parser.isSet(QStringLiteral("close-after-request"));
    faults.replace_reply = parser.isSet(QStringLiteral("raw-reply"));
    faults.raw_reply = parser.value(QStringLiteral("raw-reply")).toUtf8();
    controller.files.stop_download_halfway = parser.isSet(QStringLiteral("stall-download"));
    parsed.forced_result = parser.value(QStringLiteral("result"));
    parsed.log_requests = parser.isSet(QStringLiteral("log-requests"));
    return true;
}

bool SimulatorCommandLine::read_listen_address(const QString &text)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const uint port = colon < 0 ? 0 : text.mid(colon + 1).toUInt(&ok);
    QString host = colon < 0 ? QString() : text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2); // [::1]:2200
    if (!ok || port > 65535 || host.isEmpty()) {
        error = QStringLiteral("--listen wants ADDRESS:PORT, not \"%1\"").arg(text);
        return false;
    }
    parsed.listen_host = host;
    parsed.listen_port = quint16(port);
    return true;
}

bool SimulatorCommandLine::read_number(const QString &option, int minimum, int *value)
{
    bool ok = false;
    const int number = parser.value(option).toInt(&ok);
    if (!ok || number < minimum) {
        error = QStringLiteral("--%1 wants a whole number of at least %2, not \"%3\"")
                    .arg(option)
                    .arg(minimum)
                    .arg(parser.value(option));
        return false;
    }
    *value = number;
    return true;
}

bool SimulatorCommandLine::read_parameters()
{
    const QString catalogue = parser.value(QStringLiteral("catalogue"));
    if (!catalogue.isEmpty()) {
        QFile file(catalogue);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            error = QStringLiteral("--catalogue: cannot read %1: %2").arg(catalogue, file.errorString());
            return false;
        }
        parsed.controller.parameters.add_catalogue(file);
    }
    for (const QString &entry : parser.values(QStringLiteral("key-error"))) {
        const int equals = entry.indexOf(QLatin1Char('='));
        if (equals <= 0 || equals == entry.size() - 1) {
            error = QStringLiteral("--key-error wants KEY=CODE, not \"%1\"").arg(entry);
            return false;
        }
        parsed.key_errors.insert(entry.left(equals), entry.mid(equals + 1));
    }
    return true;
}

bool SimulatorCommandLine::read_set_values()
{
    for (const QString &entry : parser.values(QStringLiteral("set"))) {
        const int equals = entry.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            error = QStringLiteral("--set wants KEY=VALUE, not \"%1\"").arg(entry);
            return false;
        }
        const QString text = entry.mid(equals + 1);
        // 30 is a number, "30" and plain words are texts.
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray("[") + text.toUtf8() + "]");
        const QJsonValue value = document.isArray() && document.array().size() == 1 ? document.array().first()
                                                                                       : QJsonValue(text);
        const QString result = parsed.controller.parameters.write({{entry.left(equals), value}});
        if (result != QLatin1String("ok")) {
            error = QStringLiteral("--set %1: %2").arg(entry, result);
            return false;
        }
    }
    return true;
}

bool SimulatorCommandLine::read_ipconfig(const QString &text)
{
    // Any number of entries, so that short and long replies can be tried.
    parsed.controller.ipconfig.clear();
    if (text.isEmpty())
        return true;
    for (const QString &entry : text.split(QLatin1Char(','))) {
        AddressQuad quad;
        if (!parse_address_quad(entry, &quad)) {
            error = QStringLiteral("--ipconfig: \"%1\" is not a dotted quad").arg(entry);
            return false;
        }
        parsed.controller.ipconfig.append(quad);
    }
    return true;
}
