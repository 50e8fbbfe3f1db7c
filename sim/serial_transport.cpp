#include "serial_transport.h"

#include "controller_session.h"

SerialTransport::SerialTransport(const RequestDispatcher &dispatcher, const ReplyFaults &faults, QObject *parent)
    : QObject(parent), dispatcher(dispatcher), faults(faults)
{
    connect(&port, &QSerialPort::errorOccurred, this, &SerialTransport::handle_error);
}

bool SerialTransport::open(const QString &path, qint32 baud)
{
    port.setPortName(path);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    const bool configured = port.setBaudRate(baud) && port.setDataBits(QSerialPort::Data8)
                            && port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop)
                            && port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        port.close();
        return false;
    }
    auto *session = new ControllerSession(&port, dispatcher, faults, this);
    connect(session, &ControllerSession::request_received, this, &SerialTransport::request_received);
    return true;
}

void SerialTransport::handle_error(QSerialPort::SerialPortError error)
{
    // Errors while opening are reported by open(); only a port that breaks
    // later is worth a signal. A resource error repeats until the port is
    // closed, so close it first.
    if (error == QSerialPort::NoError || !port.isOpen())
        return;
    const QString reason = port.errorString();
    if (error == QSerialPort::ResourceError)
        port.close();
    emit failed(reason);
}
