#include "request_framer.h"

void RequestFramer::append(const QByteArray &bytes)
{
    // One pass over the new bytes only: the scanning state carries over
    // between chunks, so long requests cost no rescans.
    for (const char byte : bytes)
        scan(byte);
}

QByteArray RequestFramer::take_request()
{
    return complete.isEmpty() ? QByteArray() : complete.dequeue();
}

void RequestFramer::clear()
{
    current.clear();
    depth = 0;
    in_string = false;
    escaped = false;
    complete.clear();
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
    case '"':
        in_string = true;
        break;
    case '{':
        ++depth;
        break;
    case '}':
        if (--depth == 0) {
            complete.enqueue(current);
            current.clear();
        }
        break;
    default:
        break;
    }
}
