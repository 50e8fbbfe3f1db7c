#include "link/tcpserver.h"

#include <QTcpSocket>

TcpServer::TcpServer(QObject *parent) : QObject(parent), socket(new QTcpSocket(this))
{
    connect(socket, &QTcpSocket::connected, this, &TcpServer::slotConnected);
    connect(socket, &QTcpSocket::readyRead, this, &TcpServer::slotReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &TcpServer::call_bytes_written);
    connect(socket, &QTcpSocket::errorOccurred, this, &TcpServer::slotError);
    // However the connection ended from the far side (an orderly close, a
    // reset, a network error: each system names these differently), the
    // socket leaves the connected state. Our own close() does too.
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (!closed_here)
            emit call_closed_by_peer();
    });
}

void TcpServer::connect_to(const QString &host, quint16 port)
{
    closed_here = false;
    socket->connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void TcpServer::write(const QByteArray &data)
{
    socket->write(data);
}

bool TcpServer::is_connected()
{
    connected = socket->isOpen();
    return connected;
}

void TcpServer::close()
{
    // A socket with writes pending says "disconnected" only once they are
    // out, long after this call.
    closed_here = true;
    socket->close();
}

qint64 TcpServer::bytes_to_write() const
{
    return socket->isOpen() ? socket->bytesToWrite() : 0;
}

QByteArray TcpServer::take_data()
{
    QByteArray data;
    data.swap(rx_data);
    return data;
}

void TcpServer::slotConnected()
{
    connected = true;
}

void TcpServer::slotReadyRead()
{
    rx_data.append(socket->readAll());
    emit call_handler_data_eth();
}

void TcpServer::slotError(QAbstractSocket::SocketError)
{
    // Nothing to do here: a connection that fails or ends is reported by
    // call_closed_by_peer(), and a controller that cannot be reached shows
    // as a request without an answer.
}
