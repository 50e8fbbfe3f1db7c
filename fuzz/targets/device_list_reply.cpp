// A device-list reply from the controller, as the table shows its devices.

#include "devices/device_list.h"
#include "engine/exchange.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const device_list::Models models = [] {
        device_list::Models m;
        m.codes << QStringLiteral("1") << QStringLiteral("2") << QStringLiteral("17");
        m.names << QStringLiteral("Ловар-1Ф") << QStringLiteral("Квенто ЭС-10") << QStringLiteral("Сантелл М1");
        m.makers << QStringLiteral("Ловарис") << QStringLiteral("Квентор") << QStringLiteral("Сантелл");
        return m;
    }();

    fuzz::Input input(data, size);
    const int limit = input.take_byte() % 64;
    const exchange::Reply reply = exchange::read_reply(input.rest());
    const QVector<device_list::ListedDevice> devices = device_list::listed_devices(reply.object, models, limit);
    if (devices.size() > limit)
        __builtin_trap();
    QVector<QStringList> rows;
    for (const device_list::ListedDevice &device : devices) {
        rows << device.cells.mid(0, device_list::device_columns);
        (void)device_list::export_line(device.cells);
        int code = 0;
        if (models.code_of_name(device.cells.value(device_list::ModelColumn), &code))
            (void)device_list::device_array(device.cells, code, 1);
    }
    (void)device_list::duplicate_rows(rows);
    return 0;
}
