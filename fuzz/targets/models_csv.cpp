// The meter models file, read through a buffer, and the lookups on it.

#include "devices/models.h"
#include "fuzz_support.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray content = fuzz::bytes(data, size);
    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);
    const device_list::Models models = device_list::read_models(buffer);
    if (models.names.size() != models.codes.size() || models.makers.size() != models.codes.size())
        __builtin_trap();
    for (const QString &name : models.names) {
        int code = 0;
        if (models.code_of_name(name, &code))
            (void)models.name_of_code(code);
    }
    (void)models.name_of_code(0);
    (void)models.name_of_code(-1);
    return 0;
}
