#ifndef REPLY_WRITER_H
#define REPLY_WRITER_H

#include "reply_faults.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QQueue>

class QIODevice;

// Cuts `bytes` into `pieces` parts of nearly equal size, in order; at
// least one part, and never an empty part unless `bytes` is empty.
QList<QByteArray> split_reply(const QByteArray &bytes, int pieces);

// Writes replies to one connection, paced by the delay and chunk settings.
// Replies leave in the order they were given, each after its own delay.
class ReplyWriter : public QObject
{
    Q_OBJECT

public:
    ReplyWriter(QIODevice *device, const ReplyFaults &faults, QObject *parent = nullptr);

    // `then_hang_up`: once the last piece of this reply is written, ask for
    // the connection to be dropped.
    void send(const QByteArray &reply, bool then_hang_up = false);

signals:
    void hang_up_requested();

private:
    struct Waiting
    {
        QByteArray bytes;
        bool hang_up;
    };

    void start_next_reply();
    void write_next_piece();

    QIODevice *device;
    ReplyFaults faults;
    QQueue<Waiting> waiting;
    QList<QByteArray> pieces;
    bool hang_up_after_pieces = false;
    bool busy = false;
};

#endif // REPLY_WRITER_H
