#include "controller_state.h"

bool parse_address_quad(const QString &text, AddressQuad *quad)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    AddressQuad result{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int value = parts.at(i).toInt(&ok);
        if (!ok || value < 0 || value > 255)
            return false;
        result[size_t(i)] = value;
    }
    *quad = result;
    return true;
}
