#include "request_framer.h"

void RequestFramer::append(const QByteArray &bytes)
{
    input.append(bytes);
    scan_input();
}

bool RequestFramer::has_request()
{
    scan_input();
    return !complete.isEmpty();
}

QByteArray RequestFramer::take_request()
{
    // No scanning here: the caller may ask for raw content before the
    // bytes behind this request are looked at.
    return complete.isEmpty() ? QByteArray() : complete.dequeue();
}

void RequestFramer::expect_raw(qint64 size)
{
    while (input_from < input.size() && QChar::isSpace(uchar(input.at(input_from))))
        ++input_from;
    raw_remaining = qMax<qint64>(size, 0);
}

QByteArray RequestFramer::abandon_raw()
{
    QByteArray partial;
    if (raw_remaining > 0)
        partial.swap(current);
    raw_remaining = 0;
    return partial;
}

void RequestFramer::clear()
{
    input.clear();
    input_from = 0;
    current.clear();
    depth = 0;
    in_string = false;
    escaped = false;
    raw_remaining = 0;
    complete.clear();
}

void RequestFramer::scan_input()
{
    // One pass over the new bytes only, and only up to the first complete
    // item; the scanning state carries over between calls, so long requests
    // cost no rescans.
    while (complete.isEmpty() && input_from < input.size()) {
        if (raw_remaining > 0)
            take_raw();
        else
            scan(input.at(input_from++));
    }
    if (input_from >= input.size()) {
        input.clear();
        input_from = 0;
    }
}

void RequestFramer::take_raw()
{
    const int length = int(qMin<qint64>(raw_remaining, input.size() - input_from));
    current.append(input.constData() + input_from, length);
    input_from += length;
    raw_remaining -= length;
    if (raw_remaining == 0) {
        complete.enqueue(current);
        current.clear();
    }
}

void RequestFramer::scan(char byte)
{
    if (depth == 0 && byte != '{')
        return; // between requests

    current.append(byte);

    if (in_string) {
        if (escaped)
            escaped = false;
        else if (byte == '\\')
            escaped = true;
        else if (byte == '"')
            in_string = false;
        return;
    }

    switch (byte) {
    case '"': in_string = true; break;
    case '{': ++depth; break;
    case '}':
        if (--depth == 0) {
            complete.enqueue(current);
            current.clear();
        }
        break;
    default: break;
    }
}
