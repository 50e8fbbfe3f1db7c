#include "tcp_transport.h"

#include "controller_session.h"

#include <QTcpSocket>

TcpTransport::TcpTransport(const RequestDispatcher &dispatcher, const ReplyFaults &faults, QObject *parent)
    : QObject(parent), dispatcher(dispatcher), faults(faults)
{
    connect(&server, &QTcpServer::newConnection, this, &TcpTransport::accept_connections);
}

bool TcpTransport::listen(const QHostAddress &address, quint16 port)
{
    return server.listen(address, port);
}

QString TcpTransport::bound_address() const
{
    const QHostAddress address = server.serverAddress();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(server.serverPort());
}

void TcpTransport::accept_connections()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        // The session is the socket's child, so both go when the peer leaves.
        auto *session = new ControllerSession(socket, dispatcher, faults, socket);
        connect(session, &ControllerSession::request_received, this, &TcpTransport::request_received);
        connect(session, &ControllerSession::hang_up_requested, socket, &QTcpSocket::disconnectFromHost);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}
