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
//
// Some requests announce content that follows as raw bytes (a file upload).
// The reader of the requests asks for that content with expect_raw() after
// taking the announcing request; the bytes behind it have not been looked at
// yet, so none of the content is mistaken for a request.
class RequestFramer
{
public:
    void append(const QByteArray &bytes);

    // Looks at the bytes received so far up to the next complete item.
    bool has_request();
    // The oldest complete item: a request from its opening to its closing
    // brace, or the raw content asked for.
    QByteArray take_request();

    // The next `size` bytes are content, taken whole as the next item.
    // Whitespace already received behind the announcing request (its final
    // line feed) is not content: the sender waits for the reply before it
    // sends the content.
    void expect_raw(qint64 size);
    bool expecting_raw() const { return raw_remaining > 0; }
    // Gives up waiting for raw content: returns what of it has come and
    // goes back to reading requests.
    QByteArray abandon_raw();

    // The bytes of an item that has begun but not yet ended.
    QByteArray pending() const { return current; }
    void clear();

private:
    void scan_input();
    void take_raw();
    void scan(char byte);

    QByteArray input; // received, not looked at yet
    int input_from = 0;
    QByteArray current;
    int depth = 0;
    bool in_string = false;
    bool escaped = false;
    qint64 raw_remaining = 0;
    QQueue<QByteArray> complete;
};

#endif // REQUEST_FRAMER_H
