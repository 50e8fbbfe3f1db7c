#include "reply_writer.h"

#include <QIODevice>
#include <QTimer>

#include <algorithm>

QList<QByteArray> split_reply(const QByteArray &bytes, int pieces)
{
    const int count = std::max(1, std::min(pieces, int(bytes.size())));
    QList<QByteArray> parts;
    int start = 0;
    for (int i = 0; i < count; ++i) {
        // Spread the remainder over the first parts.
        const int length = bytes.size() / count + (i < bytes.size() % count ? 1 : 0);
        parts.append(bytes.mid(start, length));
        start += length;
    }
    return parts;
}

ReplyWriter::ReplyWriter(QIODevice *device, const ReplyFaults &faults, QObject *parent)
    : QObject(parent), device(device), faults(faults)
{
}

void ReplyWriter::send(const QByteArray &reply, bool then_hang_up)
{
    waiting.enqueue({reply, then_hang_up});
    if (!busy)
        start_next_reply();
}

void ReplyWriter::start_next_reply()
{
    if (waiting.isEmpty()) {
        busy = false;
        return;
    }
    busy = true;
    const Waiting next = waiting.dequeue();
    pieces = split_reply(next.bytes, faults.chunks);
    hang_up_after_pieces = next.hang_up;
    // Without a delay the reply goes out within the read that brought the
    // request. The timers belong to this object, so nothing fires into a
    // connection that has gone away meanwhile.
    if (faults.delay_ms == 0)
        write_next_piece();
    else
        QTimer::singleShot(faults.delay_ms, this, &ReplyWriter::write_next_piece);
}

void ReplyWriter::write_next_piece()
{
    device->write(pieces.takeFirst());
    if (!pieces.isEmpty()) {
        QTimer::singleShot(faults.chunk_pause_ms, this, &ReplyWriter::write_next_piece);
        return;
    }
    if (hang_up_after_pieces) {
        // Nothing after this reply: the connection is going away.
        waiting.clear();
        busy = false;
        emit hang_up_requested();
        return;
    }
    start_next_reply();
}
