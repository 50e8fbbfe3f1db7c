// The session settings file read back at start, its lines taken by the
// boxes they set, and written out again.

#include "app/session_settings.h"
#include "fuzz_support.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QStringList rates{QStringLiteral("1200"),  QStringLiteral("2400"),  QStringLiteral("4800"),
                                   QStringLiteral("9600"),  QStringLiteral("19200"), QStringLiteral("38400"),
                                   QStringLiteral("57600"), QStringLiteral("115200")};

    QByteArray content = fuzz::bytes(data, size);
    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);
    const QStringList lines = session_settings::read_lines(buffer);
    if (lines.size() != session_settings::kept_lines)
        __builtin_trap();

    const int baud = session_settings::baud_index(lines.at(1), rates);
    const int stop = session_settings::stop_bits_index(lines.at(2));
    const int parity = session_settings::parity_index(lines.at(3));
    if (baud < 0 || baud >= rates.size())
        __builtin_trap();
    (void)stop;

    QByteArray written = session_settings::format(lines.at(0), rates.at(baud), lines.at(2), parity, lines.at(4));
    QBuffer again(&written);
    again.open(QIODevice::ReadOnly);
    if (session_settings::read_lines(again).size() != session_settings::kept_lines)
        __builtin_trap();
    return 0;
}
