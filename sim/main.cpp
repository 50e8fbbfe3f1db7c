// controller_sim: plays the controller for the configurator, over TCP, over
// a serial line, or both. See README.md for the options.

#include "serial_transport.h"
#include "simulated_controller.h"
#include "simulator_options.h"
#include "tcp_transport.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <cstdio>

namespace {

// Tests read these lines while the program runs, so each is flushed at once.
void print_line(FILE *stream, const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void print_line(FILE *stream, const QString &line)
{
    print_line(stream, line.toUtf8());
}

void log_request(const QByteArray &line)
{
    print_line(stdout, QByteArrayLiteral("request ") + line);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("controller_sim"));

    SimulatorCommandLine command_line;
    if (!command_line.parse(QCoreApplication::arguments())) {
        print_line(stderr, QStringLiteral("controller_sim: ") + command_line.error_text());
        return 1;
    }
    if (command_line.help_requested()) {
        print_line(stdout, command_line.help_text());
        return 0;
    }
    const SimulatorOptions &options = command_line.options();

    SimulatedController controller(options.controller);
    controller.dispatcher().force_result(options.forced_result);
    for (auto failed = options.key_errors.begin(); failed != options.key_errors.end(); ++failed)
        controller.dispatcher().fail_key(failed.key(), failed.value());

    TcpTransport tcp(controller.dispatcher(), options.faults);
    if (options.tcp) {
        QHostAddress address;
        if (!address.setAddress(options.listen_host)) {
            print_line(stderr, QStringLiteral("controller_sim: not an IP address: ") + options.listen_host);
            return 1;
        }
        if (!tcp.listen(address, options.listen_port)) {
            print_line(stderr, QStringLiteral("controller_sim: cannot listen on %1:%2: %3")
                                   .arg(options.listen_host)
                                   .arg(options.listen_port)
                                   .arg(tcp.error_text()));
            return 1;
        }
        if (options.log_requests)
            QObject::connect(&tcp, &TcpTransport::request_received, log_request);
        print_line(stdout, QStringLiteral("listening ") + tcp.bound_address());
    }

    SerialTransport serial(controller.dispatcher(), options.faults);
    if (!options.serial_path.isEmpty()) {
        if (!serial.open(options.serial_path, options.baud)) {
            print_line(
                stderr,
                QStringLiteral("controller_sim: cannot open %1: %2").arg(options.serial_path, serial.error_text()));
            return 1;
        }
        if (options.log_requests)
            QObject::connect(&serial, &SerialTransport::request_received, log_request);
        QObject::connect(&serial, &SerialTransport::failed, [&options](const QString &reason) {
            print_line(stderr, QStringLiteral("controller_sim: serial line %1: %2").arg(options.serial_path, reason));
            // With nothing else to serve there is no point in staying.
            if (!options.tcp)
                QCoreApplication::exit(1);
        });
        print_line(stdout, QStringLiteral("serial ") + options.serial_path);
    }

    return QCoreApplication::exec();
}
