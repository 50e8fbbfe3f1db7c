// The traffic log's lines for any bytes of a transfer: the hex and text
// records whole and made a piece at a time, and the paragraphs the window
// shows, which must come out the same either way.

#include "link/traffic_format.h"
#include "fuzz_support.h"

namespace {

QString pieces(traffic_format::RecordText record, int piece_bytes)
{
    QString whole;
    int guard = 0;
    while (!record.at_end()) {
        whole += record.next(piece_bytes);
        if (++guard > (1 << 22))
            __builtin_trap(); // no progress
    }
    return whole;
}

QString broken(const QString &text, int lead_length, int piece_chars)
{
    traffic_format::ParagraphBreaker breaker(lead_length);
    traffic_format::ShownParagraphs shown;
    for (int at = 0; at < text.size(); at += piece_chars)
        breaker.add(text.mid(at, piece_chars), shown);
    breaker.finish(shown);
    return shown.text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input input(data, size);
    const uint8_t control = input.take_byte();
    const int piece_bytes = 1 + input.take_byte();
    const int direction = control & 1;
    QByteArray bytes = input.rest();
    // Now and then a long transfer, so that lines get broken into paragraphs.
    if (control & 0x80)
        bytes = bytes.repeated(1 + (control >> 1) % 16);

    const QString prefix = (control & 2) ? QStringLiteral("[09:30:00.000] ") : QString();
    const QString hex = traffic_format::hex_record(direction, bytes);
    if (hex.size() != 3 + 3 * bytes.size())
        __builtin_trap();
    const QString text = traffic_format::plain_log_text(traffic_format::text_record(bytes));
    (void)traffic_format::byte_count_line(bytes.size());

    const traffic_format::RecordText hex_record = traffic_format::RecordText::hex(direction, bytes, prefix);
    const int lead = hex_record.lead_length();
    if (pieces(hex_record, piece_bytes) != prefix + hex)
        __builtin_trap();
    if (pieces(traffic_format::RecordText::text(bytes, prefix), piece_bytes) != prefix + text)
        __builtin_trap();

    const QString shown = traffic_format::display_paragraphs(prefix + hex, lead);
    if (broken(prefix + hex, lead, 1 + piece_bytes * 37) != shown)
        __builtin_trap();
    const QString shown_text = traffic_format::display_paragraphs(prefix + text);
    if (broken(prefix + text, 0, 1 + piece_bytes * 37) != shown_text)
        __builtin_trap();
    return 0;
}
