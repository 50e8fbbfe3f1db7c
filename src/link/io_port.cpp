#include "link/io_port.h"

#include <QSerialPort>
#include <QSerialPortInfo>

namespace {

bool is_supported_baud(int baud)
{
    switch (baud) {
    case 1200:
    case 2400:
    case 4800:
    case 9600:
    case 19200:
    case 38400:
    case 57600:
    case 115200: return true;
    default: return false;
    }
}

} // namespace

io_port::io_port(QObject *parent) : QObject(parent) {}

bool io_port::open_port(const QString &name, int baud, int stop_bits, int parity)
{
    // Remember the last port that can be opened at all, the fallback for an
    // empty name.
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        QSerialPort probe;
        probe.setPort(info);
        if (probe.open(QIODevice::ReadWrite)) {
            probe_port_name = info.portName();
            probe.close();
        }
    }
    const QString port_name = name.isEmpty() ? probe_port_name : name;

    // A fresh port object for every open: an old one may be in error state.
    delete port;
    port = new QSerialPort(this);
    port->setPortName(port_name);
    port->setDataBits(QSerialPort::Data8);
    port->setFlowControl(QSerialPort::NoFlowControl);
    switch (parity) {
    case 0: port->setParity(QSerialPort::NoParity); break;
    case 1: port->setParity(QSerialPort::OddParity); break;
    case 2: port->setParity(QSerialPort::EvenParity); break;
    default: break;
    }
    if (is_supported_baud(baud))
        port->setBaudRate(baud, QSerialPort::AllDirections);
    if (stop_bits == 1)
        port->setStopBits(QSerialPort::OneStop);
    else if (stop_bits == 2)
        port->setStopBits(QSerialPort::TwoStop);

    port_opened = port->open(QIODevice::ReadWrite);
    connect(port, &QSerialPort::readyRead, this, &io_port::serialReceive);
    connect(port, &QSerialPort::bytesWritten, this, &io_port::call_bytes_written);
    // Report a port that goes away while open (an unplugged adapter) at
    // once rather than only at the next write.
    if (port_opened)
        connect(port, &QSerialPort::errorOccurred, this, &io_port::on_port_error);
    return port_opened;
}

void io_port::close_port()
{
    if (port)
        port->close();
}

void io_port::write(const QByteArray &data)
{
    if (!port)
        return;
    if (port->error() != QSerialPort::NoError) {
        emit call_handler_error_mainWindow();
        return;
    }
    port->write(data);
}

void io_port::write_raw(const char *data, int length)
{
    if (port)
        port->write(data, length);
}

qint64 io_port::bytes_to_write() const
{
    return port && port->isOpen() ? port->bytesToWrite() : 0;
}

QByteArray io_port::take_data()
{
    QByteArray data;
    data.swap(rx_data);
    return data;
}

bool io_port::is_open() const
{
    return port && port->isOpen();
}

QByteArray io_port::read_all()
{
    if (port)
        read_buffer = port->readAll();
    return read_buffer;
}

void io_port::serialReceive()
{
    rx_data.append(port->readAll());
    emit call_hundler_data_com();
}

void io_port::slot_handler_error_io()
{
    emit call_handler_error_mainWindow();
}

void io_port::on_port_error()
{
    // Losing the device is a link failure: an unplugged adapter reports a
    // resource error, a line whose far end hung up (a pseudo-terminal, some
    // adapters) reads nothing but end-of-file, reported as a read error, again
    // and again until the port is closed. Time-outs and the like are not
    // failures, and errors of a closed port are old news.
    if (!port || !port->isOpen())
        return;
    switch (port->error()) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError: slot_handler_error_io(); break;
    default: break;
    }
}
