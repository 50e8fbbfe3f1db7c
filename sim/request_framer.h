#ifndef REQUEST_FRAMER_H
#define REQUEST_FRAMER_H

#include <QByteArray>
#include <QQueue>

// Cuts the byte stream of one connection into request texts.
//
// The protocol has no framing: a request is one JSON object, sent sometimes
// compact and sometimes indented with a final line feed. A request is
// complete when the brace that opened it is closed again; braces inside
// strings do not count, and a backslash escapes the next byte of a string.
// Bytes between objects (line feeds, blanks, stray noise) are dropped.
class RequestFramer
{
public:
    void append(const QByteArray &bytes);

    bool has_request() const { return !complete.isEmpty(); }
    // The oldest complete request, from its opening to its closing brace.
    QByteArray take_request();

    // The bytes of a request that has begun but not yet ended.
    QByteArray pending() const { return current; }
    void clear();

private:
    void scan(char byte);

    QByteArray current;
    int depth = 0;
    bool in_string = false;
    bool escaped = false;
    QQueue<QByteArray> complete;
};

#endif // REQUEST_FRAMER_H
