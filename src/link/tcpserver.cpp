#include "link/tcpserver.h"

#include <QTcpSocket>

TcpServer::TcpServer(QObject *parent) : QObject(parent), socket(new QTcpSocket(this))
{
    connect(socket, &QTcpSocket::connected, this, &TcpServer::slotConnected);
    connect(socket, &QTcpSocket::readyRead, this, &TcpServer::slotReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &TcpServer::call_bytes_written);
    connect(socket, &QTcpSocket::errorOccurred, this, &TcpServer::slotError);
}

void TcpServer::connect_to(const QString &host, quint16 port)
{
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
    socket->close();
}

QByteArray TcpServer::take_data()
{
    error_text.clear();
    QByteArray data;
    data.swap(rx_data);
    return data;
}

QString TcpServer::take_error_text()
{
    QString text;
    text.swap(error_text);
    return text;
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

void TcpServer::slotError(QAbstractSocket::SocketError code)
{
    QString reason;
    switch (code) {
    case QAbstractSocket::ConnectionRefusedError: reason = QStringLiteral("The connection Refuse."); break;
    case QAbstractSocket::RemoteHostClosedError:
        reason = QStringLiteral("The remote.");
        emit call_closed_by_peer();
        break;
    case QAbstractSocket::HostNotFoundError: reason = QStringLiteral("The hosn not found."); break;
    default: reason = socket->errorString(); break;
    }
    error_text = QStringLiteral("Error: ") + reason;
}
