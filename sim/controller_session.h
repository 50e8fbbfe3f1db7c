#ifndef CONTROLLER_SESSION_H
#define CONTROLLER_SESSION_H

#include "reply_faults.h"
#include "request_dispatcher.h"
#include "request_framer.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QIODevice;
class ReplyWriter;

// One conversation with the configurator over an open device (a TCP
// connection or the serial port): gathers bytes into requests, answers each
// one through the dispatcher and applies the fault settings on the way.
//
// A reply can announce content (a file upload): the bytes that follow are
// then read raw, not as requests, and answered by the handler that asked
// for them, also when they stop short.
class ControllerSession : public QObject
{
    Q_OBJECT

public:
    ControllerSession(QIODevice *device, const RequestDispatcher &dispatcher, const ReplyFaults &faults,
                      QObject *parent = nullptr);

    // Announced content that stops coming for this long is answered with
    // what has come.
    static constexpr int content_idle_ms = 3000;

signals:
    // Each complete request, as one line of compact JSON.
    void request_received(const QByteArray &line);
    // The faults ask for the connection to be dropped; what that means is
    // up to the transport.
    void hang_up_requested();

private:
    void read_available();
    void answer(const QByteArray &request);
    void take_content(const QByteArray &content);
    void content_stopped();
    void respond(const Reply &reply);

    QIODevice *device;
    const RequestDispatcher &dispatcher;
    ReplyFaults faults;
    RequestFramer framer;
    ReplyWriter *writer;
    Reply::ContentReader content_reader; // set while content is expected
    QTimer content_idle;
};

#endif // CONTROLLER_SESSION_H
