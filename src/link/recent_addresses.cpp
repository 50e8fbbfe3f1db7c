#include "link/recent_addresses.h"

#include <QSettings>

namespace recent_addresses {

namespace {
const char group[] = "recent_controllers";
}

QVector<Address> remember(QVector<Address> list, const Address &address)
{
    if (address.host.trimmed().isEmpty())
        return list;
    list.removeAll(address);
    list.prepend(address);
    if (list.size() > kept)
        list.resize(kept);
    return list;
}

QVector<Address> load(QSettings &settings)
{
    QVector<Address> list;
    const int size = settings.beginReadArray(QLatin1String(group));
    for (int i = 0; i < size && list.size() < kept; ++i) {
        settings.setArrayIndex(i);
        const Address address{settings.value(QStringLiteral("host")).toString(),
                              settings.value(QStringLiteral("port")).toString()};
        if (!address.host.trimmed().isEmpty())
            list.append(address);
    }
    settings.endArray();
    return list;
}

void save(QSettings &settings, const QVector<Address> &list)
{
    settings.remove(QLatin1String(group));
    settings.beginWriteArray(QLatin1String(group), list.size());
    for (int i = 0; i < list.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("host"), list.at(i).host);
        settings.setValue(QStringLiteral("port"), list.at(i).port);
    }
    settings.endArray();
}

} // namespace recent_addresses
