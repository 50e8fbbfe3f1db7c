// The text of a settings file as the loader and the comparison parse it.

#include "params/comparison_rules.h"
#include "params/settings_file_rules.h"
#include "fuzz_support.h"

#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const params::Catalogue catalogue = fuzz::small_catalogue();
    static const params::Catalogue empty_catalogue{};

    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    QJsonObject values;
    if (!params::parse_settings(text, &values))
        return 0;
    (void)params::holds_settings(catalogue, values);
    (void)params::holds_settings(empty_catalogue, values);
    (void)params::shares_key(catalogue, values);
    for (auto it = values.begin(); it != values.end(); ++it)
        (void)params::shows_file_value(it.key());
    return 0;
}
