// A controller's reply as the exchange reads it: when it is complete,
// whether it is one object, what it holds and which result it reports.

#include "engine/exchange.h"
#include "fuzz_support.h"

#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray buffer = fuzz::bytes(data, size);

    const bool complete = exchange::reply_complete(buffer);
    const bool whole = exchange::whole_object(buffer);
    // One JSON object that ends in its closing brace is a complete reply.
    // (The JSON reader lets blanks around the object count as whole.)
    if (whole && buffer.endsWith('}') && !complete)
        __builtin_trap();

    const exchange::Reply reply = exchange::read_reply(buffer);
    if (reply.whole != whole)
        __builtin_trap();
    (void)reply.text();

    const QString result = exchange::reply_result(buffer);
    if (result != reply.result)
        __builtin_trap();
    (void)exchange::error_text(result);
    (void)exchange::reply_text(buffer);
    const QJsonObject object = exchange::reply_object(buffer);
    for (auto it = object.begin(); it != object.end(); ++it)
        (void)exchange::reply_number(it.value());

    const QString text = QString::fromUtf8(buffer);
    (void)exchange::shown_text(text);
    (void)exchange::interval_ms(text);
    return 0;
}
