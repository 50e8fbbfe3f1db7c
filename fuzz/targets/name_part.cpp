// Texts a controller reports made fit for a file name, and the names built
// from them: none may lead out of the folder it is meant for.

#include "app/safe_files.h"
#include "devices/device_list.h"
#include "params/settings_file_rules.h"
#include "fuzz_support.h"

#include <QDateTime>

namespace {

void check_name(const QString &name)
{
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QDateTime moment(QDate(2026, 1, 15), QTime(9, 30, 0), Qt::UTC);

    fuzz::Input input(data, size);
    const uint8_t split = input.take_byte();
    const QString text = QString::fromUtf8(input.rest());
    const int cut = text.isEmpty() ? 0 : split % (text.size() + 1);

    const QString part = safe_files::name_part(text);
    check_name(part);
    if (safe_files::name_part(part) != part)
        __builtin_trap();

    check_name(params::settings_file_name(text, moment));
    check_name(device_list::export_file_name(text.left(cut), moment, text.mid(cut)));
    return 0;
}
