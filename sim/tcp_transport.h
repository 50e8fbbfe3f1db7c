#ifndef TCP_TRANSPORT_H
#define TCP_TRANSPORT_H

#include "reply_faults.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class RequestDispatcher;

// Accepts the configurator's TCP connections; each one gets a session of
// its own, with its own receive buffer, for as long as it stays open.
class TcpTransport : public QObject
{
    Q_OBJECT

public:
    TcpTransport(const RequestDispatcher &dispatcher, const ReplyFaults &faults, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    QString error_text() const { return server.errorString(); }
    // The address as it was bound, port included: "127.0.0.1:40123".
    QString bound_address() const;

signals:
    void request_received(const QByteArray &line);

private:
    void accept_connections();

    const RequestDispatcher &dispatcher;
    ReplyFaults faults;
    QTcpServer server;
};

#endif // TCP_TRANSPORT_H
