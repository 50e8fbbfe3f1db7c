// The parameter catalogue file, read through a buffer.

#include "params/catalogue.h"
#include "fuzz_support.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray content = fuzz::bytes(data, size);
    QBuffer buffer(&content);
    buffer.open(QIODevice::ReadOnly);
    const params::Catalogue catalogue = params::read_catalogue(buffer);
    for (int page = 0; page < params::page_count; ++page) {
        const ParamPage &p = catalogue[page];
        if (p.names.size() != p.size() || p.types.size() != p.size() || p.access.size() != p.size())
            __builtin_trap();
        for (const QString &access : p.access) {
            (void)params::readable(access);
            (void)params::writable(access);
        }
    }
    return 0;
}
