#ifndef CONTROLLER_SESSION_H
#define CONTROLLER_SESSION_H

#include "reply_faults.h"
#include "request_framer.h"

#include <QByteArray>
#include <QObject>

class QIODevice;
class ReplyWriter;
class RequestDispatcher;

// One conversation with the configurator over an open device (a TCP
// connection or the serial port): gathers bytes into requests, answers each
// one through the dispatcher and applies the fault settings on the way.
class ControllerSession : public QObject
{
    Q_OBJECT

public:
    ControllerSession(QIODevice *device, const RequestDispatcher &dispatcher, const ReplyFaults &faults,
                      QObject *parent = nullptr);

signals:
    // Each complete request, as one line of compact JSON.
    void request_received(const QByteArray &line);
    // The faults ask for the connection to be dropped; what that means is
    // up to the transport.
    void hang_up_requested();

private:
    void read_available();
    void answer(const QByteArray &request);

    QIODevice *device;
    const RequestDispatcher &dispatcher;
    ReplyFaults faults;
    RequestFramer framer;
    ReplyWriter *writer;
};

#endif // CONTROLLER_SESSION_H
