// The simulator's request framer fed a connection's bytes in chunks, with
// raw content asked for now and then as an upload would.

#include "request_framer.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input input(data, size);
    const int chunk = 1 + input.take_byte();
    const uint8_t raw_control = input.take_byte();
    const QByteArray stream = input.rest();

    RequestFramer framer;
    qint64 delivered = 0;
    int taken = 0;
    for (int at = 0; at < stream.size(); at += chunk) {
        const QByteArray piece = stream.mid(at, chunk);
        framer.append(piece);
        while (framer.has_request()) {
            const QByteArray item = framer.take_request();
            delivered += item.size();
            // Every so many requests announce raw content.
            if (raw_control && !framer.expecting_raw() && ++taken % (1 + (raw_control & 7)) == 0)
                framer.expect_raw(raw_control >> 3);
        }
        (void)framer.pending();
    }
    if (framer.expecting_raw())
        delivered += framer.abandon_raw().size();
    if (delivered + framer.pending().size() > stream.size())
        __builtin_trap();
    framer.clear();
    if (framer.has_request() || !framer.pending().isEmpty())
        __builtin_trap();
    return 0;
}
