#ifndef IO_PORT_H
#define IO_PORT_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

// Serial transport to the controller. It opens the port with the line
// settings chosen in the main window, gathers whatever arrives and reports
// new data and port errors; it knows nothing of the requests it carries.
class io_port : public QObject
{
    Q_OBJECT

public:
    explicit io_port(QObject *parent = nullptr);

    // Opens `name` (or, when empty, the last openable port of the system).
    // Baud rates outside the eight supported ones, stop bits other than 1 or
    // 2 and parity indexes other than 0..2 leave the port's defaults.
    bool open_port(const QString &name, int baud, int stop_bits, int parity);
    void close_port();
    // Writes all bytes, unless the port reports an error: then nothing is
    // written and call_handler_error_mainWindow() is emitted instead.
    void write(const QByteArray &data);
    void write_raw(const char *data, int length);
    QByteArray take_data();
    // Bytes written but not yet passed on to the port.
    qint64 bytes_to_write() const;
    bool is_open() const;
    QByteArray read_all();

signals:
    void call_hundler_data_com();
    void call_handler_error_mainWindow();
    // Bytes of earlier writes now passed on to the port (a slow line takes
    // its time).
    void call_bytes_written(qint64 bytes);

public slots:
    void serialReceive();
    void slot_handler_error_io();

private:
    void on_port_error();

    QSerialPort *port = nullptr;
    bool port_opened = false;
    QString probe_port_name;
    QByteArray rx_data;
    QByteArray read_buffer;
};

#endif // IO_PORT_H
