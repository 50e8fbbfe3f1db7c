#ifndef TCPSERVER_H
#define TCPSERVER_H

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

// Ethernet transport to the controller. Despite the name it is a TCP
// client: it connects to the controller's address and port, gathers what
// arrives and signals new data. A connection that ends other than by
// close() is reported.
class TcpServer : public QObject
{
    Q_OBJECT

public:
    explicit TcpServer(QObject *parent = nullptr);

    // Starts connecting and returns at once; the socket counts as open from
    // here on and buffers writes until the connection is up.
    void connect_to(const QString &host, quint16 port);
    void write(const QByteArray &data);
    bool is_connected();
    void close();
    QByteArray take_data();
    // Bytes written but not yet passed on to the system.
    qint64 bytes_to_write() const;

signals:
    void call_handler_data_eth();
    // The connection ended other than by close(): the controller closed or
    // reset it, or the network failed.
    void call_closed_by_peer();
    // Bytes of earlier writes now passed on to the system.
    void call_bytes_written(qint64 bytes);

public slots:
    void slotConnected();
    void slotReadyRead();
    void slotError(QAbstractSocket::SocketError code);

private:
    QTcpSocket *socket = nullptr;
    bool connected = false;
    bool closed_here = false; // close() was called: the end is ours
    QByteArray rx_data;
};

#endif // TCPSERVER_H
