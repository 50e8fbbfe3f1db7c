#ifndef SERIAL_TRANSPORT_H
#define SERIAL_TRANSPORT_H

#include "reply_faults.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class RequestDispatcher;

// The controller's end of a serial line: one port, 8N1 without flow control,
// one session for as long as the port is open. A hang-up asked for by the
// faults has no meaning here, so such requests simply go unanswered.
class SerialTransport : public QObject
{
    Q_OBJECT

public:
    SerialTransport(const RequestDispatcher &dispatcher, const ReplyFaults &faults, QObject *parent = nullptr);

    bool open(const QString &path, qint32 baud);
    QString error_text() const { return port.errorString(); }

signals:
    void request_received(const QByteArray &line);
    // The port broke while open (the other end went away, for example).
    void failed(const QString &reason);

private:
    void handle_error(QSerialPort::SerialPortError error);

    const RequestDispatcher &dispatcher;
    ReplyFaults faults;
    QSerialPort port;
};

#endif // SERIAL_TRANSPORT_H
