// A device-list file as the import deals it out into rows, then what is
// done with the rows: duplicate search, export lines, poll values.

#include "devices/device_list.h"
#include "fuzz_support.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const device_list::Models models = [] {
        device_list::Models m;
        m.codes << QStringLiteral("1") << QStringLiteral("2") << QStringLiteral("x");
        m.names << QStringLiteral("Ловар-1Ф") << QStringLiteral("Квенто ЭС-10") << QStringLiteral("Без кода");
        m.makers << QStringLiteral("Ловарис") << QStringLiteral("Квентор") << QString();
        return m;
    }();

    fuzz::Input input(data, size);
    const int limit = input.take_byte() % 40;
    QByteArray content = input.rest();
    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);
    const QVector<QStringList> rows = device_list::rows_from_file(buffer, limit);
    if (rows.size() > limit)
        __builtin_trap();

    (void)device_list::duplicate_rows(rows);
    for (const QStringList &cells : rows) {
        (void)device_list::export_line(cells);
        QStringList values;
        (void)device_list::poll_values(cells, models, QStringLiteral("1"), &values);
    }
    return 0;
}
